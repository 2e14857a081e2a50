// Entry point of the recorder.
#include "recorder/recorder.h"

#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "codec/win32_screen_codec.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kest::codec::win32::InstallScreenCodec();  // offered in the compression dialog from here on
    kest::platform::win32::Win32Platform windows;
    kest::recorder::Recorder recorder(windows.platform);
    windows.toolkit.QuitWithStartupWindow();
    recorder.Load();
    return windows.toolkit.RunMessageLoop();
}
