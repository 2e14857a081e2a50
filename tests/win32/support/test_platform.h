// The real Windows platform for tests, except that message boxes are noted instead of shown,
// so that a test is never left waiting for a person.
#pragma once

#include <vector>

#include "platform/win32/win32_platform.h"

namespace kest::testing {

struct NotedMessage {
    platform::Text text;
    platform::MsgBoxButtons buttons;
    platform::MsgBoxIcon icon;
    platform::Text caption;
};

class NotingToolkit : public platform::win32::Win32Toolkit {
public:
    // Tests load the main window again and again; none of them should start a browser.
    NotingToolkit() { SetOpensWebPages(false); }
    std::vector<NotedMessage> messages;
    // What a Yes/No question is answered with.
    platform::MsgBoxResult questionAnswer = platform::MsgBoxResult::Yes;
    platform::MsgBoxResult MsgBox(const platform::Text& text, platform::MsgBoxButtons buttons,
                                  platform::MsgBoxIcon icon, const platform::Text& caption) override {
        messages.push_back({text, buttons, icon, caption});
        return buttons == platform::MsgBoxButtons::YesNo ? questionAnswer : platform::MsgBoxResult::Ok;
    }
};

struct TestPlatform {
    platform::win32::Win32AviLibrary avi;
    platform::win32::Win32FileSystem files;
    platform::win32::Win32Desktop desktop;
    NotingToolkit toolkit;
    platform::win32::Win32WindowApi windows;
    platform::win32::Win32WindowHook hooks;
    platform::win32::Win32FileDialogs dialogs;
    platform::win32::Win32SoundInput sound;
    platform::Platform platform{avi, files, desktop, toolkit, windows, hooks, dialogs, sound};
};

inline platform::Platform& PlatformOf(TestPlatform& windows) { return windows.platform; }

inline platform::Text ToText(const std::wstring& text) { return platform::Text(text.begin(), text.end()); }

}  // namespace kest::testing
