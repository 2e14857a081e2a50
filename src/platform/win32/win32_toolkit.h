#pragma once

#include <map>

#include "platform/toolkit.h"

namespace kest::platform::win32 {

class Win32Toolkit : public Toolkit {
public:
    Win32Toolkit();

    std::unique_ptr<Form> CreateForm(const FormDesign& design) override;
    MsgBoxResult MsgBox(const Text& text, MsgBoxButtons buttons, MsgBoxIcon icon, const Text& caption) override;
    void DoEvents() override;
    void WaitForEvents(std::int32_t milliseconds) override;
    std::uint32_t TickCount() override;
    std::int32_t DoubleClickTime() override;
    double SecondsSinceMidnight() override;
    std::int64_t MonotonicMicroseconds() override;
    std::int32_t ScreenWidthTwips() override;
    std::int32_t ScreenHeightTwips() override;
    Text ProgramDirectory() override;
    Handle Instance() override;
    PictureRef LoadResourcePicture(const Text& name) override;
    bool PrevInstance() override;
    bool OpenWebPage(const Text& address) override;
    void EndProcess() override;

    // The program ends with its main window (the form designed as the startup window), even
    // while other forms are still loaded. Off by default, so that tests can open and close
    // forms freely.
    void QuitWhenClosed(const Form& mainWindow) { quitWith_ = mainWindow.Hwnd(); }
    void QuitWithStartupWindow() { quitWithStartup_ = true; }
    int RunMessageLoop();
    // Tests load the main window many times; they ask for no browser to be started.
    void SetOpensWebPages(bool opens) { opensWebPages_ = opens; }

    void FormClosed(Handle hwnd, bool startupWindow) const;
    // The main window exists but has not been shown yet, so the start-up show state is still its.
    void StartupWindowCreated() { startupShowPending_ = true; }
    void StartupWindowShown() { startupShowPending_ = false; }
    bool StartupWindowPending() const { return startupShowPending_; }
    // A menu of the program is open: its own loop reads the keyboard and mouse.
    void MenuLoop(bool entered) { menuLoops_ += entered ? 1 : -1; }

private:
    Handle quitWith_ = 0;
    bool quitWithStartup_ = false;
    bool opensWebPages_ = true;
    int menuLoops_ = 0;
    bool startupShowPending_ = false;
    std::map<Text, PictureRef> pictures_;
};

}  // namespace kest::platform::win32
