#pragma once

#include "platform/toolkit.h"

namespace kest::platform::win32 {

class Win32Toolkit : public Toolkit {
public:
    Win32Toolkit();

    std::unique_ptr<Form> CreateForm(const FormDesign& design) override;
    MsgBoxResult MsgBox(const Text& text, MsgBoxButtons buttons, MsgBoxIcon icon, const Text& caption) override;
    void DoEvents() override;
    double SecondsSinceMidnight() override;
    std::int32_t ScreenWidthTwips() override;
    std::int32_t ScreenHeightTwips() override;
    Text ProgramDirectory() override;
    Handle Instance() override;

    // The program ends with its last window: once set, destroying the last live form posts
    // the quit message. Off by default so that tests can open and close forms freely.
    void QuitWhenLastFormCloses(bool enabled) { quitWithLastForm_ = enabled; }
    // The program ends with its main window even while other forms are still loaded.
    void QuitWhenClosed(const Form& mainWindow) { quitWith_ = mainWindow.Hwnd(); }
    int RunMessageLoop();

    void FormOpened() { ++liveForms_; }
    void FormClosed(Handle hwnd);

private:
    bool quitWithLastForm_ = false;
    int liveForms_ = 0;
    Handle quitWith_ = 0;
};

}  // namespace kest::platform::win32
