// The capture ticks: each grabs the screen or the chosen rectangle onto the canvas, draws the
// cursor, and appends the canvas as the next frame, one for each slot of the time line that has
// come.
#include <algorithm>
#include <climits>
#include <vector>

#include "recorder/engine/recording.h"
#include "recorder/engine/rounding.h"

namespace kest::recorder {

namespace {

// The cursor picture is drawn this far up and left of the pointer, whatever its hot spot.
constexpr std::int32_t kCursorOffset = 8;
constexpr std::int32_t kGrabBandBytes = 1 << 20;
// The first copy of a recording goes in one piece up to this size. Under Wine each band passes
// through two buffers of the X11 driver from the C library's heap, which gives the memory of two
// bands back to the system after every band, so that every frame faulted 16 MB of fresh pages in
// at full HD: two thirds of the recorder's CPU. The heap keeps what it hands out once it has
// seen a block this large come back, so one large copy at the start stops that for good (a
// full-HD frame on the working desktop: 24 ms of CPU before, 9 after). Under Windows it is one
// slower copy.
constexpr std::int32_t kFirstGrabBandBytes = 16 << 20;
// The first picture waits this long at most for the recorder's windows to leave the recorded
// part (the main window minimising after the start); past it, what is there is recorded.
constexpr std::int64_t kFirstPictureWaitMicroseconds = 1'000'000;
// How often the first picture looks again while it waits.
constexpr std::int32_t kFirstPictureLookMs = 10;

bool Overlap(const platform::Rect& a, const platform::Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

platform::Rect Recording::RecordedPart() const {
    if (settings_.area) {
        return {fields_.x0, fields_.y0, fields_.x0 + fields_.aviwidth, fields_.y0 + fields_.aviheight};
    }
    return {monitorOrigin_.x, monitorOrigin_.y, monitorOrigin_.x + fields_.aviwidth,
            monitorOrigin_.y + fields_.aviheight};
}

// Any window of the recorder that shows on the recorded part: the main window restored, its
// menus, the close question, a message box. A minimised window is not on the screen.
bool Recording::RecorderOnRecordedPart() {
    platform::WindowApi& windows = platform_.windows;
    const platform::Rect part = RecordedPart();
    for (const platform::Handle window : windows.EnumThreadWindows()) {
        platform::Rect rect;
        if (windows.IsWindowVisible(window) && !windows.IsIconic(window) && windows.GetWindowRect(window, &rect) &&
            Overlap(rect, part)) {
            return true;
        }
    }
    return false;
}

bool Recording::GrabScreenThroughClipboard() {
    platform_.desktop.KeybdEvent(platform::kVkSnapshot, 0, 0, 0);
    // Only a clipboard that changed since the last frame can hold a new picture of the screen;
    // an old bitmap left there by someone else must not become every frame.
    const std::uint32_t sequence = platform_.desktop.ClipboardSequenceNumber();
    if (sequence == clipboardSequence_) return false;
    clipboardSequence_ = sequence;
    return surface_.canvas.LoadClipboardBitmap();
}

void Recording::CopyScreen(std::int32_t left, std::int32_t top) {
    // In bands of a megabyte: under Wine each copy travels from the X server as one image, and
    // the whole screen as one image costs about twice as much as the same pixels in bands of
    // 512 kB to 1 MB; smaller bands cost more again (bench/capture.sh's band table: 4K 50 ms
    // whole, 28 in bands of 1 MB, 42 in bands of 128 kB).
    const std::int32_t width = fields_.aviwidth, height = fields_.aviheight;
    const std::int64_t band = fields_.framecount == 0 ? kFirstGrabBandBytes : kGrabBandBytes;
    const auto bandRows =
        static_cast<std::int32_t>(std::max<std::int64_t>(1, band / std::max<std::int64_t>(1, std::int64_t{width} * 4)));
    const platform::ScreenDc screen(platform_.desktop);
    for (std::int32_t row = 0; row < height; row += bandRows) {
        platform_.desktop.BitBlt(surface_.canvas.Hdc(), 0, row, width, std::min(bandRows, height - row), screen.Get(),
                                 left, top + row, platform::kSrcCopy);
    }
}

void Recording::DrawCursor(std::int32_t offsetX, std::int32_t offsetY) {
    if (!settings_.cursor) return;
    platform_.desktop.GetCursorPos(&fields_.cursorpos);
    // The pointer's position is the system's to report; a place off the canvas is clipped away.
    const auto onCanvas = [](std::int64_t at) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(at, INT32_MIN, INT32_MAX));
    };
    platform_.desktop.DrawIcon(surface_.canvas.Hdc(),
                               onCanvas(std::int64_t{fields_.cursorpos.x} - kCursorOffset - offsetX),
                               onCanvas(std::int64_t{fields_.cursorpos.y} - kCursorOffset - offsetY), fields_.hcursor);
}

void Recording::Grab() {
    if (settings_.area) {
        CopyScreen(fields_.x0, fields_.y0);
        DrawCursor(fields_.x0, fields_.y0);
        return;
    }
    // PrintScreen pictures every monitor at once; one monitor of several is copied directly.
    if (wholeScreen_ && GrabScreenThroughClipboard()) {
        surface_.canvas.PaintPicture(0, 0, PixelsToTwips(fields_.aviwidth), PixelsToTwips(fields_.aviheight));
    } else {
        // No new screen picture arrived (Wine never puts one there, nor does a Windows set to
        // open a snipping tool on PrintScreen): copy the screen itself so frames are not black.
        CopyScreen(monitorOrigin_.x, monitorOrigin_.y);
    }
    DrawCursor(monitorOrigin_.x, monitorOrigin_.y);
}

bool Recording::Written(FrameWrite write, TickResult& result) {
    if (write == FrameWrite::Written || write == FrameWrite::NotOpen) return true;
    // Stopped before anything is told: with both intervals 0 no tick runs inside a message box.
    result.ended = true;
    result.notices = Stop(write == FrameWrite::Failed     ? Ending::WriteFailed
                          : write == FrameWrite::DiskFull ? Ending::DiskFull
                                                          : Ending::SizeLimitReached);
    return false;
}

bool Recording::FillMissedSlots(std::int32_t missed, TickResult& result) {
    // Slots that went by while the machine was busy hold the picture before them, so that the
    // frames after them still play at the time they were taken.
    for (std::int32_t slot = 0; slot < missed; ++slot) {
        if (!Written(avi_.HoldAviFrame(fields_.framecount), result)) return false;
        ++fields_.framecount;
    }
    return true;
}

bool Recording::WriteSound(TickResult& result) {
    if (!avi_.HasSound()) return true;
    const std::vector<std::uint8_t> samples = sound_.Take(timeline_.RecordedMicroseconds(Now()));
    return samples.empty() || Written(avi_.WriteAviSound(samples), result);
}

void Recording::ScheduleNextTick() {
    platform::Timer& timer = ModeTimer();
    if (timer.Interval() != 0) timer.SetInterval(timeline_.MillisecondsToNextSlot(Now()));
}

TickResult Recording::Tick() {
    TickResult result;
    if (!InProgress()) return result;
    // The recorder keeps out of its own recording: while one of its windows is on the recorded
    // part, the slots hold the picture before it, and the first picture waits for it to go.
    // Asked only when a picture is due: the early ticks stay as cheap as they were.
    const bool first = fields_.framecount == 0;
    if (first && timeline_.RecordedMicroseconds(Now()) < kFirstPictureWaitMicroseconds && RecorderOnRecordedPart()) {
        ModeTimer().SetInterval(kFirstPictureLookMs);
        return result;
    }
    const FrameTimeline::Due due = timeline_.Take(Now());
    if (!due.grab) {
        ScheduleNextTick();  // early: the timer cannot wake exactly on the slot
        return result;
    }
    const bool hold = !first && RecorderOnRecordedPart();
    if (!FillMissedSlots(due.filled + (hold ? 1 : 0), result)) return result;
    if (!hold) {
        Grab();
        // Straight from the canvas: through the frame file each full-HD frame cost a write and a
        // read of 8 MB, a quarter of the frame's time. A canvas that cannot lend its pixels
        // gives an empty frame, which the writer replaces by the picture before it.
        platform::ImageBits frame;
        surface_.canvas.ReadImage(frame);
        if (!Written(avi_.WriteAviFrame(fields_.framecount, frame), result)) return result;
        ++fields_.framecount;
    }
    if (!WriteSound(result)) return result;
    ScheduleNextTick();
    result.wrote = true;
    return result;
}

}  // namespace kest::recorder
