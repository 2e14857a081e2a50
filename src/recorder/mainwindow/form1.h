// The recorder's main window: owner of the recording state, the frame canvas and the two
// capture timers.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "recorder/engine/avidecs.h"

namespace kest::recorder {

class Form2;

inline const platform::Text kProductCaption = u"Velvra（Lumo）3.5";

class Form1 {
public:
    Form1(platform::Platform& platform, AVIDecs& avi);
    ~Form1();

    // Creates the window and its pieces and reads the temporary directory and screen size.
    void Load(Form2& controlMenu);

    void start_click();
    void stop_click();

    // Capture ticks: the whole screen (Timer1) or the chosen rectangle (Timer2), one frame each.
    void Timer1_Timer();
    void Timer2_Timer();

    // A recording is in progress, paused included, exactly while a capture timer has an interval.
    bool RecordingInProgress() const;
    platform::Text FrameFilePath() const { return temppath + u"tem.bmp"; }

    platform::Form& Window() { return *window_; }
    platform::PictureBox& Picture1() { return *picture1_; }
    platform::Timer& Timer1() { return *timer1_; }
    platform::Timer& Timer2() { return *timer2_; }

    // Recording state, written by the control menu and the area selection as well.
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

protected:
    // Appends the frame file at `framecount`. When the file cannot take it, the recording is
    // stopped as by the stop command and the user told once; returns false then.
    bool WriteFrame();

private:
    bool AskForOutputPath();
    void PrepareCanvas();
    void StartCaptureTimer();
    void SetRecordingMenus(bool recording);
    bool GrabScreenThroughClipboard();
    void CopyScreen(std::int32_t left, std::int32_t top);
    void DrawCursor(std::int32_t offsetX, std::int32_t offsetY);

    platform::Platform& platform_;
    AVIDecs& avi_;
    Form2* form2_ = nullptr;
    std::unique_ptr<platform::Form> window_;
    std::unique_ptr<platform::PictureBox> picture1_;
    std::unique_ptr<platform::Timer> timer1_;
    std::unique_ptr<platform::Timer> timer2_;
    // Clipboard content already used for a frame; an unchanged clipboard holds no new screen.
    std::uint32_t clipboardSequence_ = 0;
};

// Text of the save dialog's filter list: two pairs, each part NUL-terminated.
platform::Text SaveDialogFilter();
// The path the user typed, up to its NUL, blanks trimmed, with ".avi" unless it ends so exactly.
platform::Text NormaliseAviPath(const platform::Text& dialogBuffer);
// Milliseconds between area-mode ticks: screen pixels over rectangle pixels, within what a
// platform timer accepts.
// Elapsed recording time for the caption: the clock's value less the start, with as many
// fractional digits as the clock carries at 15 significant digits, trailing zeros dropped.
platform::Text FormatElapsed(double clock, std::int32_t starttime);
std::int32_t AreaTimerInterval(std::int32_t screenWidthTwips, std::int32_t screenHeightTwips,
                               std::int32_t width, std::int32_t height);

}  // namespace kest::recorder
