// frmAbout, the launcher's only window: it fades in with the promo page, holds it, fades out and
// then starts the recorder. Everything it does happens on the ticks of its three timers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/launcher_platform.h"

namespace kest::launcher {

using platform::Handle;
using platform::Text;

// Caption of the launcher's message box; the recorder uses the same title.
inline const Text kAppTitle = u"Velvra";
inline const Text kRecorderCommandLine = u"kest35.exe";
inline const Text kRecorderNotStarted =
    u"无法启动录像程序 kest35.exe。\n请确认 kest35.exe 与 kestlaunch.exe 在同一个文件夹中，然后重新运行。";

// Exit codes of the launcher.
inline constexpr int kRecorderStarted = 0;
inline constexpr int kRecorderMissing = 1;

// Status of SetWindowAlpha.
inline constexpr std::int32_t kAlphaDone = 0;
inline constexpr std::int32_t kAlphaOutOfRange = 1;
inline constexpr std::int32_t kAlphaUnavailable = 2;

// Makes the window layered and gives it the opacity `alpha` (0 transparent to 255 opaque). An
// opacity outside that range is ignored; a platform without layered windows keeps the window
// opaque. Never fails outward: the status only tells what happened.
std::int32_t SetWindowAlpha(platform::LauncherPlatform& platform, Handle hwnd, std::int16_t alpha);

enum class TimerId : int { Timer1 = 1, Timer3 = 3, Trans = 4 };

class FrmAbout {
public:
    FrmAbout(platform::LauncherPlatform& platform, Text promoAddress);

    // Creates the window, makes it transparent, sends the browser to the promo page and shows it.
    void Load();

    std::int16_t Alpha() const { return alpha_; }
    std::int16_t AlphaLimit() const { return alphaLimit_; }

private:
    struct TimerControl {
        TimerId id;
        std::int32_t interval;
        bool enabled;
    };

    void OnTimer(TimerId id);
    void Timer3_Timer();
    void Timer1_Timer();
    void Trans_Timer();
    void StartRecorder();

    TimerControl& Control(TimerId id);
    void SetEnabled(TimerId id, bool enabled);
    void SetInterval(TimerId id, std::int32_t interval);
    void Apply(const TimerControl& timer);

    platform::LauncherPlatform& platform_;
    Text promoAddress_;
    std::unique_ptr<platform::AboutWindow> window_;
    std::array<TimerControl, 3> timers_;
    std::int16_t alpha_ = 0;
    std::int16_t alphaLimit_ = 0;
};

}  // namespace kest::launcher
