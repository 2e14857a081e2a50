// Test double of the launcher's seam: timers run only when a test ticks them; the fade's user32
// calls work on a stored style; starts, boxes and the quit are noted.
#pragma once

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "platform/launcher_platform.h"

namespace kest::fake {

class FakeLauncherPlatform : public platform::LauncherPlatform {
public:
    static constexpr platform::Handle kHwnd = 0x4711;
    bool readCallable = true, writeCallable = true, layeredCallable = true, browserAvailable = true;
    std::optional<platform::Text> startFailure;  // the system's reason, when a start fails

    std::uint32_t exStyle = 0x80;  // WS_EX_TOOLWINDOW
    int styleReads = 0;
    std::vector<std::uint32_t> stylesWritten;
    std::vector<int> opacities;
    std::set<int> running;
    std::size_t mostRunning = 0;
    std::vector<int> ticked;
    platform::Text textBox;
    std::vector<platform::Text> navigated;
    std::optional<std::uint32_t> exStyleWhenShown;
    std::vector<int> opacitiesWhenShown;
    struct Start {
        platform::Text commandLine;
        std::int32_t showState;
        std::size_t afterTick;
    };
    std::vector<Start> starts;
    std::vector<std::pair<platform::Text, platform::Text>> errorBoxes;  // text, caption
    std::optional<int> quitCode;

    // One tick of the running timer; false when none runs or the program has quit.
    bool Tick() {
        if (running.empty() || quitCode) return false;
        ticked.push_back(*running.begin());
        onTimer_(ticked.back());
        return true;
    }

    std::unique_ptr<platform::AboutWindow> CreateAboutWindow(const platform::AboutWindowDesign& design,
                                                             std::function<void(int)> onTimer) override {
        textBox = design.textBoxText;
        onTimer_ = std::move(onTimer);
        return std::make_unique<Window>(*this);
    }
    std::optional<std::int32_t> ReadWindowLong(platform::Handle, std::int32_t index) override {
        if (!readCallable) return std::nullopt;
        ++styleReads;
        return index == platform::kGwlExStyle ? static_cast<std::int32_t>(exStyle) : 0;
    }
    bool WriteWindowLong(platform::Handle, std::int32_t index, std::int32_t value) override {
        if (!writeCallable) return false;
        if (index == platform::kGwlExStyle) exStyle = static_cast<std::uint32_t>(value);
        stylesWritten.push_back(static_cast<std::uint32_t>(value));
        return true;
    }
    bool SetLayeredWindowAttributes(platform::Handle, std::uint32_t, std::uint8_t alpha, std::uint32_t flags) override {
        if (!layeredCallable) return false;
        if (flags == platform::kLwaAlpha) opacities.push_back(alpha);
        return true;
    }
    std::optional<platform::Text> StartProgram(const platform::Text& commandLine, std::int32_t showState) override {
        starts.push_back({commandLine, showState, ticked.size()});
        return startFailure;
    }
    void ErrorBox(const platform::Text& text, const platform::Text& caption) override {
        errorBoxes.emplace_back(text, caption);
    }
    void Quit(int exitCode) override { quitCode = exitCode; }

private:
    struct Window : platform::AboutWindow {
        explicit Window(FakeLauncherPlatform& fake) : f(fake) {}
        FakeLauncherPlatform& f;
        platform::Handle Hwnd() const override { return kHwnd; }
        void Show() override {
            f.exStyleWhenShown = f.exStyle;
            f.opacitiesWhenShown = f.opacities;
        }
        void StartTimer(int id, std::int32_t) override {
            f.running.insert(id);
            f.mostRunning = std::max(f.mostRunning, f.running.size());
        }
        void StopTimer(int id) override { f.running.erase(id); }
        void SetTextBoxText(const platform::Text& text) override { f.textBox = text; }
        platform::Text TextBoxText() const override { return f.textBox; }
        bool Navigate(const platform::Text& address) override {
            f.navigated.push_back(address);
            return f.browserAvailable;
        }
    };
    std::function<void(int)> onTimer_;
};

}  // namespace kest::fake
