// Entry point of the recorder.
#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "recorder/controlmenu/form2.h"
#include "recorder/engine/avidecs.h"
#include "recorder/mainwindow/form1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showState) {
    kest::platform::win32::Win32Platform windows;
    kest::recorder::AVIDecs avi(windows.platform);
    kest::recorder::Form1 form1(windows.platform, avi);
    kest::recorder::Form2 form2(windows.platform, form1);
    form1.Load(form2);
    form1.Window().Show();
    form2.Window().Show();
    // Started minimised (the launcher does so): a plain show ignores the state asked for.
    if (showState == SW_SHOWMINIMIZED || showState == SW_MINIMIZE || showState == SW_SHOWMINNOACTIVE) {
        form1.Window().SetWindowState(kest::platform::WindowState::Minimized);
    }
    windows.toolkit.QuitWhenClosed(form1.Window());
    return windows.toolkit.RunMessageLoop();
}
