// The recorder's main window: a borderless, skinned window that owns the recording, the frame
// canvas and the two capture timers that wake it, and the message hook of both of the program's
// windows. It shows the recording in its caption and forwards the commands to it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include <optional>

#include "platform/platform.h"
#include "recorder/controls/button.h"
#include "recorder/engine/app_title.h"
#include "recorder/engine/avidecs.h"
#include "recorder/engine/recording.h"
#include "recorder/msghook/msghook.h"
#include "recorder/peers.h"

namespace kest::recorder {

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

class Form1 : public MainWindowPeer {
public:
    Form1(platform::Platform& platform, AVIDecs& avi);
    ~Form1();

    // The window's load event: the start of the program.
    void Load(ControlMenuPeer& controlMenu);
    // Fades the main window in (showing it first) or out.
    void FadeWindow(bool fadeIn);
    // Closes the main window through its unload event, which may refuse.
    void Unload() override;
    // The unload event; true keeps the window open.
    bool Form_Unload();
    // The session ends and the process with it: a running recording is finished as by stop.
    void Form_EndSession();
    void Form_Resize();

    void start_click() override;
    void stop_click() override;

    // Capture ticks: the whole screen (Timer1) or the chosen rectangle (Timer2) wake the
    // recording, which writes one frame for each slot that has come.
    void Timer1_Timer();
    void Timer2_Timer();
    Recording& CurrentRecording() override { return *recording_; }

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
    bool RecordingInProgress() const { return recording_ && recording_->InProgress(); }
    bool ModalOpen() const override { return modalDepth_ > 0; }
    std::int32_t ToolbarTop() const override { return toolbarback_->Top(); }
    // Alt+Space in the menu strip: the system menu under the icon, as a right click there opens it.
    void ShowSystemMenu() override;

    platform::Form& Window() override { return *window_; }
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

    platform::Handle sysmenu = 0;
    std::int16_t icondblclick = 0;

private:
    void CreatePieces();
    void WirePieces();
    void PaintToolbar();
    void ApplyOutline();
    void RepaintBottomCorner();
    bool Maximized() const;
    void GiveForegroundToForm2();
    void SendSystemCommand(std::int32_t command);
    struct Zone {
        std::int16_t pointer;
        std::int32_t command;
    };
    Zone ZoneAt(const platform::PictureBox& piece, float X, float Y) const;
    void ShowZone(platform::PictureBox& piece, float X, float Y);
    void EdgeDown(platform::PictureBox& piece, std::int16_t Button, float X, float Y);
    // The icon's single click waits this long for a second one before opening the menu.
    bool WaitForIconDoubleClick();
    void PopUpSystemMenu(std::uint32_t flags, platform::Point screenPixels);
    void ToggleMaximized();

    // Shows the recording's end: the stop's notices, each in a message box of its own.
    void Tell(const std::vector<Notice>& notices);
    void CaptureTick(bool showProgress);
    void ShowRecordingState();

    platform::Platform& platform_;
    AVIDecs& avi_;
    ControlMenuPeer* form2_ = nullptr;
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
    // Where the caption was last pressed or crossed, in its twips: the double click's place.
    // Before any, a point below the top grip, as a click that came from nowhere would be.
    struct {
        float x = 0, y = 300;
    } captionPoint_;
    bool unloaded_ = false;
    int modalDepth_ = 0;
    struct ModalScope {
        explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
        ~ModalScope() { --depth_; }
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;
        int& depth_;
    };
    std::optional<Recording> recording_;
};

// Elapsed recording time for the caption: the clock's value less the start, with as many
// fractional digits as the clock carries at 15 significant digits, trailing zeros dropped.
platform::Text FormatElapsed(double clock, std::int32_t starttime);

}  // namespace kest::recorder
