// The real recorder's main window as another process sees it: its menus opened with the keyboard
// and the frames its caption counts; for the end-to-end tests and the bench of the real program.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "win32/support/dialog_watcher.h"

namespace kest::testing {

// Opens a menu of the menu strip with its access key (File 'f', Settings 'o') and takes the item
// `downs` steps below the first (a menu opened with its access key comes up with its first item
// selected); `then` are keys pressed after those, before Enter (VK_RIGHT opens a submenu with its
// first item selected).
inline bool ChooseMenuItem(HWND strip, DWORD process, wchar_t menu, int downs, const std::vector<WPARAM>& then = {}) {
    PostMessageW(strip, WM_SYSCOMMAND, SC_KEYMENU, menu);
    HWND popup = WaitForWindow(
        process, L"#32768", [](HWND) { return true; }, std::chrono::seconds(10));
    if (!popup) return false;
    // The menu's loop reads every key of its thread in order, whichever of its popups is open.
    for (int i = 0; i < downs; ++i) PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    for (WPARAM key : then) PostMessageW(popup, WM_KEYDOWN, key, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

// The frames counted in the caption while a full-screen recording runs ("Flame:N Second:..."), 0
// otherwise.
inline int FramesInCaption(HWND window) {
    const std::wstring caption = WindowText(window);
    if (caption.rfind(L"Flame:", 0) != 0) return 0;
    return _wtoi(caption.c_str() + 6);
}

// The caption of the main window when no recording runs.
inline constexpr wchar_t kIdleCaption[] = L"Tamsy";

}  // namespace kest::testing
