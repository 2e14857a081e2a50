// One recording, from the start to the one stop every ending goes through: what it was started
// with, where and how large the recorded part is, the writer, the time line and the sound track,
// the waits that are not recorded (a pause, the close question) and what to tell the person once
// it has ended. The windows show it and forward their commands to it; none of them holds any of
// its state.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/platform.h"
#include "recorder/engine/avidecs.h"
#include "recorder/engine/frame_timeline.h"
#include "recorder/engine/sound_track.h"

namespace kest::recorder {

// What the next recording is started with: the settings menu's items. Nothing is stored, so
// every start of the program begins with these values.
struct RecordingSettings {
    bool cursor = true;  // the cursor is drawn into each frame
    bool area = false;   // only the chosen rectangle is recorded, not the whole screen
    bool sound = false;  // the default recording device goes into the same file
    // Frames a second: the screen is grabbed and the stream plays at this rate, 10, 15 or 30.
    std::int32_t fps = 10;
    friend bool operator==(const RecordingSettings&, const RecordingSettings&) = default;
};

// What the recording draws on and is woken by: the main window's canvas and its two capture
// timers (the whole screen, the rectangle), and the window whose monitor is the whole screen and
// which owns the dialogs.
struct RecordingSurface {
    platform::Handle window = 0;
    platform::PictureBox& canvas;
    platform::Timer& fullScreenTimer;
    platform::Timer& areaTimer;
};

// The recording's named fields, for the windows that show them.
struct RecordingFields {
    // The recorded part of the screen in pixels; x0 and y0 count in area mode only.
    std::int32_t aviwidth = 0;
    std::int32_t aviheight = 0;
    std::int32_t x0 = 0;
    std::int32_t y0 = 0;
    // Whole seconds since midnight at the start, moved on by every wait that is not recorded, so
    // that the clock less `starttime` is the recorded time.
    std::int32_t starttime = 0;
    // Whole seconds since midnight when the recording was paused.
    std::int32_t pausetime = 0;
    platform::Text temppath;
    platform::Text avipath;
    // Slots written so far, which is also the stream position of the next one.
    std::int32_t framecount = 0;
    platform::Handle hcursor = 0;
    platform::Point cursorpos;
};

// Why a recording ends.
enum class Ending { Stopped, Closed, SessionEnded, WriteFailed, DiskFull, SizeLimitReached };

// A wait that is not recorded: the time line stands still from the first to the last.
enum class Wait { Pause, Question };

// Something to tell the person after the recording has ended, in a message box of its own.
struct Notice {
    platform::Text text;
    platform::MsgBoxIcon icon = platform::MsgBoxIcon::None;
    friend bool operator==(const Notice&, const Notice&) = default;
};

// What a capture tick did.
struct TickResult {
    bool wrote = false;  // a picture was written for the slot that has come
    bool ended = false;  // a write ended the recording; `notices` are to be told
    std::vector<Notice> notices;
};

class Recording {
public:
    Recording(platform::Platform& platform, AVIDecs& avi, RecordingSurface surface);

    // Called after the recording started, paused, continued or ended.
    void OnChange(std::function<void()> observer) { observers_.push_back(std::move(observer)); }

    // The rectangle the next area recording takes, in screen pixels; the whole screen again when
    // area recording is switched off.
    void SetArea(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);

    // Asks for the output file and the compressor (and, when sound cannot be had, whether to go
    // on without it) and starts the capture timer of the settings' mode. False when the person
    // cancelled or the output could not be opened; the reason has been told then.
    bool Start(const RecordingSettings& settings);
    // A capture timer woke the recording: every slot that has come is written.
    TickResult Tick();
    void Hold(Wait why);
    void Release(Wait why);
    // Finishes the file, whatever ended the recording, and says what to tell the person. Also
    // safe when nothing is recorded: the idle state is put back and nothing is to be told.
    std::vector<Notice> Stop(Ending why);

    // In progress, paused included, exactly while a capture timer has an interval.
    bool InProgress() const;
    bool Paused() const { return paused_; }
    const RecordingFields& Fields() const { return fields_; }
    const FrameTimeline& Timeline() const { return timeline_; }
    platform::Text FrameFilePath() const { return fields_.temppath + u"tem.bmp"; }

private:
    bool AskForOutputPath();
    // Opens the recording device when sound is asked for; when it cannot be opened the person
    // chooses between recording without sound (true) and not starting (false).
    bool OpenSoundDevice();
    void PrepareCanvas();
    // The whole screen the next full-screen recording takes: the monitor the window is on.
    void TakeMonitorOfWindow();
    void StartCaptureTimer();
    void Tell(const platform::Text& text, platform::MsgBoxIcon icon);
    void Changed();
    std::int64_t Now() { return platform_.toolkit.MonotonicMicroseconds(); }

    // The part of the virtual screen the frames show, in pixels.
    platform::Rect RecordedPart() const;
    bool RecorderOnRecordedPart();
    void HoldCapture();
    void ReleaseCapture();
    // The slots that came too late for a picture of their own hold the one before them; false
    // when the file ended while they were written.
    bool FillMissedSlots(std::int32_t missed, TickResult& result);
    void Grab();
    bool GrabScreenThroughClipboard();
    void CopyScreen(std::int32_t left, std::int32_t top);
    void DrawCursor(std::int32_t offsetX, std::int32_t offsetY);
    // The sound gathered so far into the file; false when the file ended.
    bool WriteSound(TickResult& result);
    // False, with the recording ended and what to tell in `result`, unless the write went in.
    bool Written(FrameWrite write, TickResult& result);
    void ScheduleNextTick();
    platform::Timer& ModeTimer() { return settings_.area ? surface_.areaTimer : surface_.fullScreenTimer; }

    platform::Platform& platform_;
    AVIDecs& avi_;
    RecordingSurface surface_;
    std::vector<std::function<void()>> observers_;
    RecordingFields fields_;
    RecordingSettings settings_;  // what the current or last recording was started with
    bool paused_ = false;
    // When the close question was asked, as the pause's time is kept, in whole seconds.
    double questionAskedAt_ = 0;
    bool askedWhilePaused_ = false;
    // Clipboard content already used for a frame; an unchanged clipboard holds no new screen.
    std::uint32_t clipboardSequence_ = 0;
    // Where a full-screen frame lies on the virtual screen, and whether it is all of it (one
    // monitor), as the system's PrintScreen picture is.
    platform::Point monitorOrigin_;
    bool wholeScreen_ = true;
    FrameTimeline timeline_;
    SoundTrack sound_;
};

// Text of the save dialog's filter list: two pairs, each part NUL-terminated.
platform::Text SaveDialogFilter();
// The path the user typed, up to its NUL, blanks trimmed, with ".avi" unless it ends so exactly.
platform::Text NormaliseAviPath(const platform::Text& dialogBuffer);

}  // namespace kest::recorder
