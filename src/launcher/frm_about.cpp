#include "launcher/frm_about.h"

#include <utility>

namespace kest::launcher {

namespace {

// The window as it was designed, in twips (15 per pixel): 439 x 282 pixels of white client area.
// The browser is larger than the window and shifted up and left so that its frame and scroll
// bars stay outside; the text box lies wholly below the client area and is never seen.
constexpr std::int32_t kClientWidth = 6585;
constexpr std::int32_t kClientHeight = 4230;
constexpr platform::Rect kBrowser{-120, -240, -120 + 6975, -240 + 5295};
constexpr platform::Rect kTextBox{-2520, 4560, -2520 + 2775, 4560 + 735};
constexpr std::uint32_t kWhite = 0x00FFFFFF;

constexpr std::int32_t kFadeTickMs = 1;  // the platform timer's shortest period
constexpr std::int32_t kHoldMs = 5000;
constexpr std::int16_t kAlphaStep = 5;
constexpr std::int16_t kOpaque = 255;
constexpr std::int16_t kTransparent = 0;

}  // namespace

std::int32_t SetWindowAlpha(platform::LauncherPlatform& platform, Handle hwnd, std::int16_t alpha) {
    if (alpha < 0 || alpha > 255) return kAlphaOutOfRange;
    bool unavailable = false;
    // Read and written on every call: something else may have changed the style in between.
    const auto style = platform.ReadWindowLong(hwnd, platform::kGwlExStyle);
    if (style) {
        const auto layered = static_cast<std::int32_t>(static_cast<std::uint32_t>(*style) | platform::kWsExLayered);
        if (!platform.WriteWindowLong(hwnd, platform::kGwlExStyle, layered)) unavailable = true;
    } else {
        // Writing the layered bit alone would wipe the rest of the style, the taskbar rule among it.
        unavailable = true;
    }
    if (!platform.SetLayeredWindowAttributes(hwnd, 0, static_cast<std::uint8_t>(alpha), platform::kLwaAlpha)) {
        unavailable = true;
    }
    return unavailable ? kAlphaUnavailable : kAlphaDone;
}

FrmAbout::FrmAbout(platform::LauncherPlatform& platform, Text promoAddress)
    : platform_(platform),
      promoAddress_(std::move(promoAddress)),
      timers_{{{TimerId::Timer3, kFadeTickMs, true}, {TimerId::Timer1, kHoldMs, false}, {TimerId::Trans, 0, false}}} {}

void FrmAbout::Load() {
    window_ = platform_.CreateAboutWindow({u"Form1", kClientWidth, kClientHeight, kWhite, kBrowser, kTextBox, u"Text1"},
                                          [this](int id) { OnTimer(static_cast<TimerId>(id)); });
    for (const auto& timer : timers_) Apply(timer);

    SetInterval(TimerId::Trans, kFadeTickMs);
    alpha_ = kTransparent;
    alphaLimit_ = kOpaque;
    // Transparent before it is first shown, so no white flash comes before the fade.
    SetWindowAlpha(platform_, window_->Hwnd(), kTransparent);
    window_->SetTextBoxText(promoAddress_);
    // Whether the page loads, or a browser exists at all, changes nothing: the white window
    // fades in and out the same way.
    window_->Navigate(window_->TextBoxText());
    window_->Show();
}

void FrmAbout::OnTimer(TimerId id) {
    // A tick already queued when its timer was stopped must not run a second step.
    if (!Control(id).enabled) return;
    switch (id) {
        case TimerId::Timer3: Timer3_Timer(); break;
        case TimerId::Timer1: Timer1_Timer(); break;
        case TimerId::Trans: Trans_Timer(); break;
    }
}

void FrmAbout::Timer3_Timer() {
    alpha_ = static_cast<std::int16_t>(alpha_ + kAlphaStep);
    if (alpha_ - 1 < alphaLimit_) {
        SetWindowAlpha(platform_, window_->Hwnd(), alpha_);
        return;
    }
    SetEnabled(TimerId::Timer3, false);
    SetWindowAlpha(platform_, window_->Hwnd(), kOpaque);
    SetEnabled(TimerId::Timer1, true);
}

void FrmAbout::Timer1_Timer() {
    SetEnabled(TimerId::Timer1, false);
    alphaLimit_ = kTransparent;
    alpha_ = kOpaque;
    SetWindowAlpha(platform_, window_->Hwnd(), alpha_);
    SetEnabled(TimerId::Trans, true);
}

void FrmAbout::Trans_Timer() {
    alpha_ = static_cast<std::int16_t>(alpha_ - kAlphaStep);
    if (alpha_ + 1 > alphaLimit_) {
        SetWindowAlpha(platform_, window_->Hwnd(), alpha_);
        return;
    }
    SetEnabled(TimerId::Trans, false);
    SetWindowAlpha(platform_, window_->Hwnd(), kTransparent);
    StartRecorder();
}

void FrmAbout::StartRecorder() {
    // The launcher ends either way: an invisible window with no timer left would be a process
    // the user can neither see nor close.
    if (const auto failure = platform_.StartProgram(kRecorderCommandLine, platform::kSwShowMinimized)) {
        platform_.ErrorBox(failure->empty() ? kRecorderNotStarted : kRecorderNotStarted + u"\n\n" + *failure,
                           kAppTitle);
        platform_.Quit(kRecorderMissing);
        return;
    }
    platform_.Quit(kRecorderStarted);
}

FrmAbout::TimerControl& FrmAbout::Control(TimerId id) {
    for (auto& timer : timers_) {
        if (timer.id == id) return timer;
    }
    return timers_.front();  // unreachable: every id has its control
}

void FrmAbout::SetEnabled(TimerId id, bool enabled) {
    auto& timer = Control(id);
    timer.enabled = enabled;
    Apply(timer);
}

void FrmAbout::SetInterval(TimerId id, std::int32_t interval) {
    auto& timer = Control(id);
    timer.interval = interval;
    Apply(timer);
}

void FrmAbout::Apply(const TimerControl& timer) {
    // An interval of 0 stops a timer whatever its enabled state says.
    if (timer.enabled && timer.interval > 0) {
        window_->StartTimer(static_cast<int>(timer.id), timer.interval);
    } else {
        window_->StopTimer(static_cast<int>(timer.id));
    }
}

}  // namespace kest::launcher
