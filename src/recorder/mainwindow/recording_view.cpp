// The main window's side of a recording: its commands forwarded to the recording, the recording
// shown in the caption, and what the person is told once it has ended.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "recorder/engine/app_title.h"
#include "recorder/engine/clock.h"
#include "recorder/mainwindow/form1.h"

namespace kest::recorder {

namespace {

constexpr int kSignificantDigits = 15;
const platform::Text kIdleCaption = u"Tamsy";

platform::Text Ascii(const std::string& text) { return platform::Text(text.begin(), text.end()); }

}  // namespace

platform::Text FormatElapsed(double clock, std::int32_t starttime) {
    const double magnitude = std::fabs(clock);
    const int integerDigits = magnitude >= 1.0 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 1;
    const int fractionDigits = std::max(0, kSignificantDigits - integerDigits);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", fractionDigits, SecondsBetween(starttime, clock));
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    return Ascii(text);
}

void Form1::start_click() {
    const ModalScope modal(modalDepth_);
    if (recording_->Start(form2_->Settings())) window_->SetWindowState(platform::WindowState::Minimized);
}

void Form1::stop_click() { Tell(recording_->Stop(Ending::Stopped)); }

void Form1::Tell(const std::vector<Notice>& notices) {
    const ModalScope modal(modalDepth_);
    for (const Notice& notice : notices) {
        platform_.toolkit.MsgBox(notice.text, platform::MsgBoxButtons::Ok, notice.icon, kAppTitle);
    }
}

void Form1::ShowRecordingState() {
    if (recording_->InProgress()) return;
    platform_.desktop.SetForegroundWindow(form2_->Window().Hwnd());
    window_->SetCaption(kIdleCaption);
}

void Form1::Timer1_Timer() { CaptureTick(true); }

void Form1::Timer2_Timer() { CaptureTick(false); }

// Only the full-screen recording counts its frames and seconds in the caption: a rectangle's
// recording may show the window itself.
void Form1::CaptureTick(bool showProgress) {
    const TickResult tick = recording_->Tick();
    if (tick.ended) {
        Tell(tick.notices);
        return;
    }
    if (!tick.wrote) return;
    if (showProgress) {
        const RecordingFields& fields = recording_->Fields();
        window_->SetCaption(u"Flame:" + Ascii(std::to_string(fields.framecount)) + u" Second:" +
                            FormatElapsed(platform_.toolkit.SecondsSinceMidnight(), fields.starttime));
    }
    platform_.toolkit.DoEvents();
}

}  // namespace kest::recorder
