// The recorder's main window: a borderless, skinned window that owns the recording state, the
// frame canvas, the two capture timers and the message hook of both of the program's windows.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "recorder/controls/button.h"
#include "recorder/engine/avidecs.h"
#include "recorder/engine/frame_timeline.h"
#include "recorder/engine/sound_track.h"
#include "recorder/msghook/msghook.h"

namespace kest::recorder {

class Form2;

inline const platform::Text kProductCaption = u"Velvra（Lumo）3.5";

// The window outline for one size: a rounded rectangle and a plain one below its rounded top
// corners, in pixels relative to the window's outer top-left corner.
struct Outline {
    platform::Rect rounded;
    platform::Rect plain;
    friend bool operator==(const Outline&, const Outline&) = default;
};
inline constexpr std::int32_t kOutlineCornerPixels = 15;
// W and H: outer size, SW and SH: client size, all in twips.
Outline ComputeOutline(std::int32_t outerWidth, std::int32_t outerHeight, std::int32_t clientWidth,
                       std::int32_t clientHeight, bool maximized);

// Size limits of the borderless window, in pixels.
struct SizeLimits {
    platform::Point maxSize;
    platform::Point maxPosition;
    platform::Point minTrackSize;
    friend bool operator==(const SizeLimits&, const SizeLimits&) = default;
};
SizeLimits ComputeSizeLimits(std::int32_t screenWidthTwips, std::int32_t screenHeightTwips,
                             const platform::Rect& taskbar);

// Colour of the toolbar gradient at x twips, from the box's own colour at 600 to the end
// colour at 5000.
std::uint32_t ToolbarGradientColor(std::uint32_t background, std::int32_t xTwips);

class Form1 {
public:
    Form1(platform::Platform& platform, AVIDecs& avi);
    ~Form1();

    // The window's load event: the start of the program.
    void Load(Form2& controlMenu);
    // Fades the main window in (showing it first) or out.
    void FadeWindow(bool fadeIn);
    // Closes the main window through its unload event, which may refuse.
    void Unload();
    // The unload event; true keeps the window open.
    bool Form_Unload();
    // The session ends and the process with it: a running recording is finished as by stop.
    void Form_EndSession();
    void Form_Resize();

    void start_click();
    void stop_click();

    // Capture ticks: the whole screen (Timer1) or the chosen rectangle (Timer2), one frame for
    // each slot of the recording's time line that has come, none before; between slots the
    // mode's timer is set to wake at the next one.
    void Timer1_Timer();
    void Timer2_Timer();
    // A wait that is not recorded (a pause, the close question) begins or ends: the ticks stop
    // and the time line stands still until the last wait ends.
    void HoldCapture();
    void ReleaseCapture();
    const FrameTimeline& Timeline() const { return timeline_; }
    const SoundTrack& Sound() const { return sound_; }

    // Caption and frame handlers. X and Y are twips of the piece.
    void backcaption_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void backcaption_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void backcaption_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void backcaption_DblClick();
    void leftcaption_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void leftcaption_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void leftcaption_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void leftcaption_DblClick();
    void rightcaption_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void rightcaption_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void leftborder_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void leftborder_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void rightborder_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void rightborder_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void bottomborder_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void bottomborder_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);

    void tmsg_msgevent(platform::Handle hwnd, std::int32_t msg, std::int32_t arg1, std::int32_t arg2,
                       std::int32_t arg3);
    void Button1_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Button2_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Button3_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Button4_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);

    // A recording is in progress, paused included, exactly while a capture timer has an interval.
    bool RecordingInProgress() const;
    platform::Text FrameFilePath() const { return temppath + u"tem.bmp"; }
    // A dialog or message box of the recorder is open.
    bool ModalOpen() const { return modalDepth_ > 0; }

    platform::Form& Window() { return *window_; }
    platform::PictureBox& Picture1() { return *picture1_; }
    platform::Timer& Timer1() { return *timer1_; }
    platform::Timer& Timer2() { return *timer2_; }
    platform::PictureBox& backcaption() { return *backcaption_; }
    platform::PictureBox& leftcaption() { return *leftcaption_; }
    platform::Label& Label1() { return *label1_; }
    platform::PictureBox& rightcaption() { return *rightcaption_; }
    platform::PictureBox& toolbarback() { return *toolbarback_; }
    platform::PictureBox& leftborder() { return *leftborder_; }
    platform::PictureBox& rightborder() { return *rightborder_; }
    platform::PictureBox& bottomborder() { return *bottomborder_; }
    // Button1 minimises, Button2 maximises, Button3 closes, Button4 restores.
    recorder::Button& CaptionButton(int number) { return *buttons_.at(static_cast<std::size_t>(number - 1)); }
    const std::shared_ptr<msghook>& tmsg() const { return tmsg_; }

    // The part of the screen the next recording takes, in pixels: the control menu sets the
    // whole screen back, the area selection a dragged rectangle.
    void SetArea(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
        x0 = left;
        y0 = top;
        aviwidth = width;
        aviheight = height;
    }

    // Recording state; the area is read here and set through SetArea.
    std::int32_t aviwidth = 0;
    std::int32_t aviheight = 0;
    std::int32_t x0 = 0;
    std::int32_t y0 = 0;
    std::int32_t starttime = 0;
    platform::Text temppath;
    platform::Text avipath;
    std::int32_t framecount = 0;
    platform::Handle hcursor = 0;
    platform::Point cursorpos;
    platform::Handle sysmenu = 0;
    std::int16_t icondblclick = 0;

protected:
    // Appends the frame file at `framecount`. When the file cannot take it, the recording is
    // stopped as by the stop command and the user told once; returns false then.
    bool WriteFrame();
    // The same for any write's result: true while the recording goes on.
    bool Written(FrameWrite result);

private:
    void CreatePieces();
    void WirePieces();
    void PaintToolbar();
    void ApplyOutline();
    void RepaintBottomCorner();
    bool Maximized() const;
    void GiveForegroundToForm2();
    void SendSystemCommand(std::int32_t command);
    void SideBorderDown(platform::PictureBox& border, std::int16_t Button, std::int32_t command);
    // The icon's single click waits this long for a second one before opening the menu.
    bool WaitForIconDoubleClick();
    void PopUpSystemMenu(std::uint32_t flags, platform::Point screenPixels);
    void ToggleMaximized();

    bool AskForOutputPath();
    // The stop command's work, without a word to the user: for the end of the session too.
    void StopRecording();
    // Once after a recording: how many frames were written as the one before them, and whether
    // the sound device failed.
    void TellReplacedFrames();
    // Opens the recording device when sound is asked for; when it cannot be opened the person
    // chooses between recording without sound (true) and not starting (false).
    bool OpenSoundDevice();
    // The sound gathered so far into the file; false when the file ended.
    bool WriteSound();
    void PrepareCanvas();
    // The whole screen the next full-screen recording takes: the monitor the window is on.
    void TakeMonitorOfWindow();
    void StartCaptureTimer();
    void SetRecordingMenus(bool recording);
    std::int64_t Now() { return platform_.toolkit.MonotonicMicroseconds(); }
    // The slots that are due: false when none is (or the file ended while the missed ones were
    // filled); otherwise the missed ones are written and the canvas is to be grabbed for the next.
    bool BeginFrame();
    // Saves and writes the canvas as the next frame and schedules the next tick.
    bool EndFrame();
    void ScheduleNextTick();
    bool GrabScreenThroughClipboard();
    void CopyScreen(std::int32_t left, std::int32_t top);
    void DrawCursor(std::int32_t offsetX, std::int32_t offsetY);

    platform::Platform& platform_;
    AVIDecs& avi_;
    Form2* form2_ = nullptr;
    std::unique_ptr<platform::Form> window_;
    std::unique_ptr<platform::PictureBox> backcaption_, leftcaption_, rightcaption_, toolbarback_;
    std::unique_ptr<platform::PictureBox> leftborder_, rightborder_, bottomborder_;
    std::unique_ptr<platform::Label> label1_;
    std::array<std::unique_ptr<platform::PictureBox>, 4> buttonSurfaces_;
    std::array<std::unique_ptr<recorder::Button>, 4> buttons_;
    std::unique_ptr<platform::PictureBox> picture1_;
    std::unique_ptr<platform::Timer> timer1_;
    std::unique_ptr<platform::Timer> timer2_;
    std::shared_ptr<msghook> tmsg_;
    platform::Handle winrgn_ = 0;
    bool unloaded_ = false;
    int modalDepth_ = 0;
    struct ModalScope {
        explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
        ~ModalScope() { --depth_; }
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;
        int& depth_;
    };
    // Clipboard content already used for a frame; an unchanged clipboard holds no new screen.
    std::uint32_t clipboardSequence_ = 0;
    // Where a full-screen frame lies on the virtual screen, and whether it is all of it (one
    // monitor), as the system's PrintScreen picture is.
    platform::Point monitorOrigin_;
    bool wholeScreen_ = true;
    FrameTimeline timeline_;
    SoundTrack sound_;
    bool soundFailed_ = false;  // told once, after the stop
};

// Text of the save dialog's filter list: two pairs, each part NUL-terminated.
platform::Text SaveDialogFilter();
// The path the user typed, up to its NUL, blanks trimmed, with ".avi" unless it ends so exactly.
platform::Text NormaliseAviPath(const platform::Text& dialogBuffer);
// Elapsed recording time for the caption: the clock's value less the start, with as many
// fractional digits as the clock carries at 15 significant digits, trailing zeros dropped.
platform::Text FormatElapsed(double clock, std::int32_t starttime);

}  // namespace kest::recorder
