// The launcher's window and services on Windows.
#pragma once

#include "platform/launcher_platform.h"

namespace kest::platform::win32 {

class Win32LauncherPlatform : public LauncherPlatform {
public:
    // Initialises OLE on this thread for the browser control; the platform must outlive the
    // windows it creates.
    Win32LauncherPlatform();
    ~Win32LauncherPlatform() override;
    Win32LauncherPlatform(const Win32LauncherPlatform&) = delete;
    Win32LauncherPlatform& operator=(const Win32LauncherPlatform&) = delete;

    std::unique_ptr<AboutWindow> CreateAboutWindow(const AboutWindowDesign& design,
                                                   std::function<void(int timerId)> onTimer) override;
    std::optional<std::int32_t> ReadWindowLong(Handle window, std::int32_t index) override;
    bool WriteWindowLong(Handle window, std::int32_t index, std::int32_t value) override;
    bool SetLayeredWindowAttributes(Handle window, std::uint32_t colorKey, std::uint8_t alpha,
                                    std::uint32_t flags) override;
    std::optional<Text> StartProgram(const Text& commandLine, std::int32_t showState) override;
    void ErrorBox(const Text& text, const Text& caption) override;
    void Quit(int exitCode) override;

    // Runs until Quit, or until an about window is closed from outside; gives the exit code.
    int RunMessageLoop();

private:
    bool oleReady_ = false;
    void* setLayeredAttributes_ = nullptr;  // user32's function when this system has one
};

// Window class of the about window, for finding it from outside.
inline constexpr wchar_t kAboutWindowClass[] = L"KestLaunchAbout";

}  // namespace kest::platform::win32
