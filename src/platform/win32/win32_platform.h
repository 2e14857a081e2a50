// The real Windows services behind the seam, owned together.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_avi_library.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_file_dialogs.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_sound_input.h"
#include "platform/win32/win32_toolkit.h"
#include "platform/win32/win32_window_api.h"
#include "platform/win32/win32_window_hook.h"

namespace kest::platform::win32 {

struct Win32Platform {
    Win32AviLibrary avi;
    Win32FileSystem files;
    Win32Desktop desktop;
    Win32Toolkit toolkit;
    Win32WindowApi windows;
    Win32WindowHook hooks;
    Win32FileDialogs dialogs;
    Win32SoundInput sound;
    Platform platform{avi, files, desktop, toolkit, windows, hooks, dialogs, sound};
};

}  // namespace kest::platform::win32
