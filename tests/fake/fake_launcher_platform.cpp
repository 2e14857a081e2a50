#include "fake/fake_launcher_platform.h"

#include <algorithm>

namespace kest::fake {

class FakeAboutWindow : public platform::AboutWindow {
public:
    explicit FakeAboutWindow(FakeLauncherPlatform& owner) : owner_(owner) {}
    platform::Handle Hwnd() const override { return FakeLauncherPlatform::kHwnd; }
    void Show() override {
        owner_.shown = true;
        owner_.exStyleWhenShown = owner_.exStyle;
        owner_.opacitiesWhenShown = owner_.opacities.size();
    }
    void StartTimer(int id, std::int32_t) override {
        owner_.running.insert(id);
        owner_.mostRunning = std::max(owner_.mostRunning, owner_.running.size());
    }
    void StopTimer(int id) override { owner_.running.erase(id); }
    void SetTextBoxText(const platform::Text& text) override { owner_.textBox = text; }
    platform::Text TextBoxText() const override { return owner_.textBox; }
    bool Navigate(const platform::Text& address) override {
        owner_.navigated.push_back(address);
        return owner_.browserAvailable;
    }

private:
    FakeLauncherPlatform& owner_;
};

bool FakeLauncherPlatform::Tick() {
    if (running.empty() || quitCode) return false;
    const int id = *running.begin();
    ++ticks;
    tickedTimers.push_back(id);
    onTimer_(id);
    return true;
}

std::unique_ptr<platform::AboutWindow> FakeLauncherPlatform::CreateAboutWindow(
    const platform::AboutWindowDesign& windowDesign, std::function<void(int)> onTimer) {
    design = windowDesign;
    textBox = windowDesign.textBoxText;
    onTimer_ = std::move(onTimer);
    return std::make_unique<FakeAboutWindow>(*this);
}

std::optional<std::int32_t> FakeLauncherPlatform::ReadWindowLong(platform::Handle, std::int32_t index) {
    if (!readWindowLongCallable) return std::nullopt;
    ++styleReads;
    return index == platform::kGwlExStyle ? static_cast<std::int32_t>(exStyle) : 0;
}

bool FakeLauncherPlatform::WriteWindowLong(platform::Handle, std::int32_t index, std::int32_t value) {
    if (!writeWindowLongCallable) return false;
    if (index == platform::kGwlExStyle) exStyle = static_cast<std::uint32_t>(value);
    stylesWritten.push_back(static_cast<std::uint32_t>(value));
    return true;
}

bool FakeLauncherPlatform::SetLayeredWindowAttributes(platform::Handle, std::uint32_t, std::uint8_t alpha,
                                                      std::uint32_t flags) {
    if (!layeredCallable) return false;
    if (flags == platform::kLwaAlpha) opacities.push_back(alpha);
    return true;
}

std::optional<platform::Text> FakeLauncherPlatform::StartProgram(const platform::Text& commandLine,
                                                                 std::int32_t showState) {
    starts.push_back({commandLine, showState, ticks});
    return startFailure;
}

void FakeLauncherPlatform::ErrorBox(const platform::Text& text, const platform::Text& caption) {
    errorBoxes.push_back({text, caption});
}

void FakeLauncherPlatform::Quit(int exitCode) { quitCode = exitCode; }

}  // namespace kest::fake
