// Entry point of the recorder.
#include "recorder/controlmenu/form2.h"
#include "recorder/engine/avidecs.h"
#include "recorder/mainwindow/form1.h"

#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "codec/win32_screen_codec.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kest::codec::win32::InstallScreenCodec();  // offered in the compression dialog from here on
    kest::platform::win32::Win32Platform windows;
    kest::recorder::AVIDecs avi(windows.platform);
    kest::recorder::Form1 form1(windows.platform, avi);
    kest::recorder::Form2 form2(windows.platform, form1);
    windows.toolkit.QuitWithStartupWindow();
    form1.Load(form2);
    return windows.toolkit.RunMessageLoop();
}
