// The capture ticks: each grabs the screen or the chosen rectangle onto the canvas, draws the
// cursor, and appends the canvas as the next frame.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "recorder/controlmenu/form2.h"
#include "recorder/engine/clock.h"
#include "recorder/engine/rounding.h"
#include "recorder/mainwindow/form1.h"

namespace kest::recorder {

namespace {

// The cursor picture is drawn this far up and left of the pointer, whatever its hot spot.
constexpr std::int32_t kCursorOffset = 8;
constexpr int kSignificantDigits = 15;
constexpr std::int32_t kGrabBandBytes = 1 << 20;

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

bool Form1::GrabScreenThroughClipboard() {
    platform_.desktop.KeybdEvent(platform::kVkSnapshot, 0, 0, 0);
    // Only a clipboard that changed since the last frame can hold a new picture of the screen;
    // an old bitmap left there by someone else must not become every frame.
    const std::uint32_t sequence = platform_.desktop.ClipboardSequenceNumber();
    if (sequence == clipboardSequence_) return false;
    clipboardSequence_ = sequence;
    return picture1_->LoadClipboardBitmap();
}

void Form1::CopyScreen(std::int32_t left, std::int32_t top) {
    // In bands of a megabyte: under Wine each copy travels from the X server as one image, and
    // the whole screen as one image costs about twice as much as the same pixels in bands of
    // 512 kB to 1 MB; smaller bands cost more again (bench/capture.sh's band table: 4K 50 ms
    // whole, 28 in bands of 1 MB, 42 in bands of 128 kB).
    const auto bandRows = static_cast<std::int32_t>(
        std::max<std::int64_t>(1, kGrabBandBytes / std::max<std::int64_t>(1, std::int64_t{aviwidth} * 4)));
    const platform::Handle screen = platform_.desktop.GetDC(0);
    for (std::int32_t row = 0; row < aviheight; row += bandRows) {
        platform_.desktop.BitBlt(picture1_->Hdc(), 0, row, aviwidth, std::min(bandRows, aviheight - row), screen, left,
                                 top + row, platform::kSrcCopy);
    }
    platform_.desktop.ReleaseDC(0, screen);
}

void Form1::DrawCursor(std::int32_t offsetX, std::int32_t offsetY) {
    if (!form2_->recordcursor().Checked()) return;
    platform_.desktop.GetCursorPos(&cursorpos);
    // The pointer's position is the system's to report; a place off the canvas is clipped away.
    const auto onCanvas = [](std::int64_t at) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(at, INT32_MIN, INT32_MAX));
    };
    platform_.desktop.DrawIcon(picture1_->Hdc(), onCanvas(std::int64_t{cursorpos.x} - kCursorOffset - offsetX),
                               onCanvas(std::int64_t{cursorpos.y} - kCursorOffset - offsetY), hcursor);
}

bool Form1::BeginFrame() {
    const FrameTimeline::Due due = timeline_.Take(Now());
    if (!due.grab) {
        ScheduleNextTick();  // early: the timer cannot wake exactly on the slot
        return false;
    }
    // Slots that went by while the machine was busy hold the picture before them, so that the
    // frames after them still play at the time they were taken.
    for (std::int32_t slot = 0; slot < due.filled; ++slot) {
        if (!Written(avi_.HoldAviFrame(framecount))) return false;
        ++framecount;
    }
    return true;
}

bool Form1::EndFrame() {
    picture1_->SaveImage(FrameFilePath());
    if (!WriteFrame()) return false;
    ++framecount;
    if (!WriteSound()) return false;
    ScheduleNextTick();
    return true;
}

bool Form1::WriteSound() {
    if (!avi_.HasSound()) return true;
    const std::vector<std::uint8_t> samples = sound_.Take(timeline_.RecordedMicroseconds(Now()));
    return samples.empty() || Written(avi_.WriteAviSound(samples));
}

void Form1::ScheduleNextTick() {
    platform::Timer& timer = timer1_->Interval() != 0 ? *timer1_ : *timer2_;
    if (timer.Interval() != 0) timer.SetInterval(timeline_.MillisecondsToNextSlot(Now()));
}

void Form1::HoldCapture() {
    const bool first = !timeline_.Held();
    timeline_.Hold(Now());
    // The sound stops with the picture, at the same moment of the recording.
    if (first && avi_.HasSound()) sound_.Hold(timeline_.RecordedMicroseconds(Now()));
    timer1_->SetEnabled(false);
    timer2_->SetEnabled(false);
}

void Form1::ReleaseCapture() {
    timeline_.Release(Now());
    if (timeline_.Held()) return;  // the close question, asked during a pause, leaves it paused
    if (avi_.HasSound()) sound_.Release(timeline_.RecordedMicroseconds(Now()));
    ScheduleNextTick();
    if (timer1_->Interval() != 0) timer1_->SetEnabled(true);
    if (timer2_->Interval() != 0) timer2_->SetEnabled(true);
}

void Form1::Timer1_Timer() {
    if (!BeginFrame()) return;
    // PrintScreen pictures every monitor at once; one monitor of several is copied directly.
    if (wholeScreen_ && GrabScreenThroughClipboard()) {
        picture1_->PaintPicture(0, 0, PixelsToTwips(aviwidth), PixelsToTwips(aviheight));
    } else {
        // No new screen picture arrived (Wine never puts one there, nor does a Windows set to
        // open a snipping tool on PrintScreen): copy the screen itself so frames are not black.
        CopyScreen(monitorOrigin_.x, monitorOrigin_.y);
    }
    DrawCursor(monitorOrigin_.x, monitorOrigin_.y);
    if (!EndFrame()) return;
    window_->SetCaption(u"Flame:" + Ascii(std::to_string(framecount)) + u" Second:" +
                        FormatElapsed(platform_.toolkit.SecondsSinceMidnight(), starttime));
    platform_.toolkit.DoEvents();
}

void Form1::Timer2_Timer() {
    if (!BeginFrame()) return;
    CopyScreen(x0, y0);
    DrawCursor(x0, y0);
    if (!EndFrame()) return;
    platform_.toolkit.DoEvents();
}

}  // namespace kest::recorder
