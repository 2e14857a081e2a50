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

    // The program ends with its main window, even while other forms are still loaded. Unset
    // by default, so that tests can open and close forms freely.
    void QuitWhenClosed(const Form& mainWindow) { quitWith_ = mainWindow.Hwnd(); }
    int RunMessageLoop();

    void FormClosed(Handle hwnd) const;

private:
    Handle quitWith_ = 0;
};

}  // namespace kest::platform::win32
