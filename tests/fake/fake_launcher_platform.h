// Test double of the launcher's seam: one about window whose timers run only when a test ticks
// them, the fade's user32 calls on a stored style, and the start of programs noted.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "platform/launcher_platform.h"

namespace kest::fake {

class FakeLauncherPlatform : public platform::LauncherPlatform {
public:
    static constexpr platform::Handle kHwnd = 0x4711;

    // Scripted.
    bool readWindowLongCallable = true;
    bool writeWindowLongCallable = true;
    bool layeredCallable = true;
    bool browserAvailable = true;
    std::optional<platform::Text> startFailure;  // the system's reason, when a start fails

    // Observed.
    std::uint32_t exStyle = 0x00000080;  // WS_EX_TOOLWINDOW
    int styleReads = 0;
    std::vector<std::uint32_t> stylesWritten;
    std::vector<int> opacities;  // every SetLayeredWindowAttributes, in order
    std::set<int> running;       // timers running now
    std::size_t mostRunning = 0;
    std::optional<platform::AboutWindowDesign> design;
    platform::Text textBox;
    std::vector<platform::Text> navigated;
    bool shown = false;
    std::optional<std::uint32_t> exStyleWhenShown;
    std::size_t opacitiesWhenShown = 0;
    struct Start {
        platform::Text commandLine;
        std::int32_t showState;
        int afterTick;
    };
    std::vector<Start> starts;
    struct Box {
        platform::Text text, caption;
    };
    std::vector<Box> errorBoxes;
    std::optional<int> quitCode;
    int ticks = 0;
    std::vector<int> tickedTimers;

    // Delivers one tick of the running timer (of the lowest id if several run); false when
    // none runs or the program has quit.
    bool Tick();

    std::unique_ptr<platform::AboutWindow> CreateAboutWindow(const platform::AboutWindowDesign& design,
                                                             std::function<void(int)> onTimer) override;
    std::optional<std::int32_t> ReadWindowLong(platform::Handle window, std::int32_t index) override;
    bool WriteWindowLong(platform::Handle window, std::int32_t index, std::int32_t value) override;
    bool SetLayeredWindowAttributes(platform::Handle window, std::uint32_t colorKey, std::uint8_t alpha,
                                    std::uint32_t flags) override;
    std::optional<platform::Text> StartProgram(const platform::Text& commandLine, std::int32_t showState) override;
    void ErrorBox(const platform::Text& text, const platform::Text& caption) override;
    void Quit(int exitCode) override;

private:
    friend class FakeAboutWindow;
    std::function<void(int)> onTimer_;
};

}  // namespace kest::fake
