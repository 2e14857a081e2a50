// The main window's start-up, fade, shutdown and the dispatch of its hooked messages and
// caption buttons.
#include "recorder/mainwindow/form1.h"

#include <algorithm>
#include <climits>

#include "recorder/engine/app_title.h"
#include "recorder/engine/clock.h"
#include "recorder/engine/rounding.h"
#include "recorder/mainwindow/skin.h"
#include "site_address.h"

namespace kest::recorder {

namespace {

const platform::Text kLandingPage = SiteAddress(u"/kest/z");
const platform::Text kStopRecordingQuestion = u"正在录制，是否停止？";
const platform::Text kTaskbarClass = u"Shell_TrayWnd";

constexpr std::int32_t kMaxPositionPixels = -4;
constexpr std::int32_t kMaxSizeExtraPixels = 8;
constexpr std::int32_t kMinTrackWidth = 400;
constexpr std::int32_t kMinTrackHeight = 300;

}  // namespace

SizeLimits ComputeSizeLimits(std::int32_t screenWidthTwips, std::int32_t screenHeightTwips,
                             const platform::Rect& taskbar) {
    SizeLimits limits;
    limits.maxPosition = {kMaxPositionPixels, kMaxPositionPixels};
    // The taskbar's rectangle is whatever the system reports: its height is taken in 64 bits and
    // the sizes kept within what the message's 32-bit fields hold.
    const auto pixels = [](double value) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(RoundHalfEven(value), INT32_MIN, INT32_MAX));
    };
    const double taskbarHeight = static_cast<double>(std::int64_t{taskbar.bottom} - taskbar.top);
    limits.maxSize.x = pixels(static_cast<double>(screenWidthTwips) / platform::kTwipsPerPixel + kMaxSizeExtraPixels);
    limits.maxSize.y = pixels(static_cast<double>(screenHeightTwips) / platform::kTwipsPerPixel - taskbarHeight +
                              kMaxSizeExtraPixels + 1);
    limits.minTrackSize = {kMinTrackWidth, kMinTrackHeight};
    return limits;
}

Form1::Form1(platform::Platform& platform, AVIDecs& avi) : platform_(platform), avi_(avi) {}

Form1::~Form1() {
    if (tmsg_) {
        tmsg_->msgevent = nullptr;
        tmsg_->setmsghook(0, false);
    }
}

void Form1::CreatePieces() {
    platform::Form& w = *window_;
    backcaption_ = w.CreatePictureBox(skin::kBackCaption);
    leftcaption_ = w.CreatePictureBox(skin::kLeftCaption, backcaption_.get());
    label1_ = w.CreateLabel(skin::kLabel1, kProductCaption, backcaption_.get());
    rightcaption_ = w.CreatePictureBox(skin::kRightCaption);
    const std::array<platform::Rect, 4> places{skin::kButton1, skin::kButton2, skin::kButton3, skin::kButton4};
    for (std::size_t i = 0; i < places.size(); ++i) {
        buttonSurfaces_[i] = w.CreatePictureBox(places[i], rightcaption_.get());
        buttons_[i] = std::make_unique<recorder::Button>(*buttonSurfaces_[i], platform_.windows);
    }
    // Both toggle buttons share a place; the one that says "maximise" shows while the window is normal.
    buttonSurfaces_[1]->ZOrderTop();
    toolbarback_ = w.CreatePictureBox(skin::kToolbarBack);
    leftborder_ = w.CreatePictureBox(skin::kLeftBorder);
    rightborder_ = w.CreatePictureBox(skin::kRightBorder);
    bottomborder_ = w.CreatePictureBox(skin::kBottomBorder);
    picture1_ = w.CreatePictureBox(skin::kPicture1);
    timer1_ = w.CreateTimer();
    timer2_ = w.CreateTimer();

    auto& toolkit = platform_.toolkit;
    backcaption_->SetPicture(toolkit.LoadResourcePicture(skin::kBackCaptionImage));
    leftcaption_->SetPicture(toolkit.LoadResourcePicture(skin::kIconImage));
    rightcaption_->SetPicture(toolkit.LoadResourcePicture(skin::kRightCaptionImage));
    toolbarback_->SetPicture(toolkit.LoadResourcePicture(skin::kToolbarImage));
    leftborder_->SetPicture(toolkit.LoadResourcePicture(skin::kLeftBorderImage));
    rightborder_->SetPicture(toolkit.LoadResourcePicture(skin::kRightBorderImage));
    bottomborder_->SetPicture(toolkit.LoadResourcePicture(skin::kBottomBorderImage));
    // The caption buttons keep their designed state in the window's layout.
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        PropertyBag design;
        design.WriteProperty("BackGroundPicture", toolkit.LoadResourcePicture(skin::kButtonImages[i].normal));
        design.WriteProperty("MouseMovePicture", toolkit.LoadResourcePicture(skin::kButtonImages[i].hover));
        design.WriteProperty("MouseDownPicture", toolkit.LoadResourcePicture(skin::kButtonImages[i].pressed));
        design.WriteProperty("Button", std::int16_t{1});
        design.WriteProperty("Text", platform::Text{});
        design.WriteProperty("fcolor", std::int32_t{0});
        design.WriteProperty("value", false);
        buttons_[i]->ReadProperties(design);
    }
}

void Form1::WirePieces() {
    using std::placeholders::_1, std::placeholders::_2, std::placeholders::_3, std::placeholders::_4;
    window_->OnQueryUnload([this] { return !Form_Unload(); });
    window_->EndSession = [this] { Form_EndSession(); };
    window_->Resize = [this] { Form_Resize(); };
    window_->MouseDown = [this](std::int16_t, std::int16_t, float, float) { GiveForegroundToForm2(); };
    window_->MouseUp = [this](std::int16_t, std::int16_t, float, float) { GiveForegroundToForm2(); };
    timer1_->OnTick([this] { Timer1_Timer(); });
    timer2_->OnTick([this] { Timer2_Timer(); });

    backcaption_->MouseMove = std::bind(&Form1::backcaption_MouseMove, this, _1, _2, _3, _4);
    backcaption_->MouseDown = std::bind(&Form1::backcaption_MouseDown, this, _1, _2, _3, _4);
    backcaption_->MouseUp = std::bind(&Form1::backcaption_MouseUp, this, _1, _2, _3, _4);
    backcaption_->DblClick = [this] { backcaption_DblClick(); };
    // The title lies on the caption strip and behaves as the strip does.
    const auto forward = [this](void (Form1::*handler)(std::int16_t, std::int16_t, float, float)) {
        return [this, handler](std::int16_t button, std::int16_t shift, float x, float y) {
            (this->*handler)(button, shift, x + static_cast<float>(label1_->Left()),
                             y + static_cast<float>(label1_->Top()));
        };
    };
    label1_->MouseMove = forward(&Form1::backcaption_MouseMove);
    label1_->MouseDown = forward(&Form1::backcaption_MouseDown);
    label1_->MouseUp = forward(&Form1::backcaption_MouseUp);
    label1_->DblClick = [this] { backcaption_DblClick(); };

    leftcaption_->MouseMove = std::bind(&Form1::leftcaption_MouseMove, this, _1, _2, _3, _4);
    leftcaption_->MouseDown = std::bind(&Form1::leftcaption_MouseDown, this, _1, _2, _3, _4);
    leftcaption_->MouseUp = std::bind(&Form1::leftcaption_MouseUp, this, _1, _2, _3, _4);
    leftcaption_->DblClick = [this] { leftcaption_DblClick(); };
    rightcaption_->MouseMove = std::bind(&Form1::rightcaption_MouseMove, this, _1, _2, _3, _4);
    rightcaption_->MouseDown = std::bind(&Form1::rightcaption_MouseDown, this, _1, _2, _3, _4);
    leftborder_->MouseMove = std::bind(&Form1::leftborder_MouseMove, this, _1, _2, _3, _4);
    leftborder_->MouseDown = std::bind(&Form1::leftborder_MouseDown, this, _1, _2, _3, _4);
    rightborder_->MouseMove = std::bind(&Form1::rightborder_MouseMove, this, _1, _2, _3, _4);
    rightborder_->MouseDown = std::bind(&Form1::rightborder_MouseDown, this, _1, _2, _3, _4);
    bottomborder_->MouseMove = std::bind(&Form1::bottomborder_MouseMove, this, _1, _2, _3, _4);
    bottomborder_->MouseDown = std::bind(&Form1::bottomborder_MouseDown, this, _1, _2, _3, _4);
    const auto onlyForeground = [this](std::int16_t, std::int16_t, float, float) { GiveForegroundToForm2(); };
    toolbarback_->MouseDown = onlyForeground;
    toolbarback_->MouseUp = onlyForeground;
    picture1_->MouseDown = onlyForeground;

    buttons_[0]->MouseUp = std::bind(&Form1::Button1_MouseUp, this, _1, _2, _3, _4);
    buttons_[1]->MouseUp = std::bind(&Form1::Button2_MouseUp, this, _1, _2, _3, _4);
    buttons_[2]->MouseUp = std::bind(&Form1::Button3_MouseUp, this, _1, _2, _3, _4);
    buttons_[3]->MouseUp = std::bind(&Form1::Button4_MouseUp, this, _1, _2, _3, _4);
}

void Form1::Load(ControlMenuPeer& controlMenu) {
    form2_ = &controlMenu;
    window_ =
        platform_.toolkit.CreateForm({kProductCaption, skin::kClientWidth, skin::kClientHeight, false, false, true});
    CreatePieces();
    WirePieces();
    recording_.emplace(platform_, avi_, RecordingSurface{window_->Hwnd(), *picture1_, *timer1_, *timer2_});
    recording_->OnChange([this] { ShowRecordingState(); });

    // A page that cannot be opened (no browser, no network) must not hold up the recorder.
    platform_.toolkit.OpenWebPage(kLandingPage);
    if (platform_.toolkit.PrevInstance()) {
        platform_.toolkit.EndProcess();
        return;
    }
    const platform::Handle hwnd = window_->Hwnd();
    const auto style = static_cast<std::uint32_t>(platform_.windows.GetWindowLongValue(hwnd, platform::kGwlStyle));
    platform_.windows.SetWindowLongValue(hwnd, platform::kGwlStyle,
                                         static_cast<std::int32_t>(style & ~platform::kWsCaption));
    tmsg_ = msghook::New(platform_.hooks);
    tmsg_->msgevent = [this](platform::Handle h, std::int32_t msg, std::int32_t a1, std::int32_t a2, std::int32_t a3) {
        tmsg_msgevent(h, msg, a1, a2, a3);
    };
    tmsg_->setmsghook(hwnd, true);
    controlMenu.Form_Load();
    tmsg_->setmsghook(controlMenu.Window().Hwnd(), true);
    sysmenu = platform_.windows.GetSystemMenu(hwnd, false);
    window_->SetBackColor(skin::kWindowBackColor);
    window_->Move((platform_.toolkit.ScreenWidthTwips() - window_->Width()) / 2,
                  (platform_.toolkit.ScreenHeightTwips() - window_->Height()) / 2, window_->Width(), window_->Height());
    leftborder_->ZOrderTop();
    rightborder_->ZOrderTop();
    bottomborder_->ZOrderTop();
    controlMenu.Window().Show();
    PaintToolbar();
    FadeWindow(true);
}

void Form1::FadeWindow(bool fadeIn) {
    auto& windows = platform_.windows;
    const platform::Handle hwnd = window_->Hwnd();
    const std::int32_t exStyle = windows.GetWindowLongValue(hwnd, platform::kGwlExStyle);
    windows.SetWindowLongValue(hwnd, platform::kGwlExStyle,
                               static_cast<std::int32_t>(static_cast<std::uint32_t>(exStyle) | platform::kWsExLayered));
    if (fadeIn) {
        windows.SetLayeredWindowAttributes(hwnd, 0, 0, platform::kLwaAlpha);
        window_->Show();
        for (int alpha = 0; alpha <= 255; ++alpha) {
            platform_.toolkit.DoEvents();
            windows.SetLayeredWindowAttributes(hwnd, 0, static_cast<std::uint8_t>(alpha), platform::kLwaAlpha);
        }
    } else {
        for (int alpha = 255; alpha >= 0; --alpha) {
            platform_.toolkit.DoEvents();
            windows.SetLayeredWindowAttributes(hwnd, 0, static_cast<std::uint8_t>(alpha), platform::kLwaAlpha);
        }
    }
    windows.SetWindowLongValue(hwnd, platform::kGwlExStyle, exStyle);
}

void Form1::Unload() {
    if (window_ && !unloaded_) window_->Close();
}

bool Form1::Form_Unload() {
    if (RecordingInProgress()) {
        Recording& recording = *recording_;
        recording.Hold(Wait::Question);
        const ModalScope modal(modalDepth_);
        const auto answer = platform_.toolkit.MsgBox(kStopRecordingQuestion, platform::MsgBoxButtons::YesNo,
                                                     platform::MsgBoxIcon::None, kAppTitle);
        if (answer != platform::MsgBoxResult::Yes) {
            recording.Release(Wait::Question);
            return true;
        }
        // The same stop as the menu's, sound and all; the person who closes the recorder is
        // not kept from going by what the stop would have told.
        recording.Stop(Ending::Closed);
    }
    unloaded_ = true;
    tmsg_->setmsghook(window_->Hwnd(), false);
    tmsg_->setmsghook(form2_->Window().Hwnd(), false);
    window_->Hide();
    form2_->Unload();
    return false;
}

// Nobody is there to answer a question, and the system ends the process soon after this
// returns: the file must be complete by then.
void Form1::Form_EndSession() {
    if (RecordingInProgress()) recording_->Stop(Ending::SessionEnded);
}

bool Form1::Maximized() const { return window_->GetWindowState() == platform::WindowState::Maximized; }

void Form1::GiveForegroundToForm2() { platform_.desktop.SetForegroundWindow(form2_->Window().Hwnd()); }

void Form1::tmsg_msgevent(platform::Handle hwnd, std::int32_t msg, std::int32_t arg1, std::int32_t, std::int32_t) {
    if (hwnd == form2_->Window().Hwnd()) {
        if (msg == msghook::WM_SYSCOMMAND() && arg1 == msghook::SC_CLOSE()) {
            tmsg_->Enabled = true;
            Unload();
        }
        return;
    }
    if (hwnd != window_->Hwnd()) return;
    if (msg == msghook::WM_GETMINMAXINFO()) {
        platform::Rect taskbar;
        const platform::Handle tray = platform_.windows.FindTopLevelWindow(kTaskbarClass, std::nullopt);
        if (tray) platform_.windows.GetWindowRect(tray, &taskbar);
        const SizeLimits limits =
            ComputeSizeLimits(platform_.toolkit.ScreenWidthTwips(), platform_.toolkit.ScreenHeightTwips(), taskbar);
        tmsg_->MaxPositionX = limits.maxPosition.x;
        tmsg_->MaxPositionY = limits.maxPosition.y;
        tmsg_->MaxSizeX = limits.maxSize.x;
        tmsg_->MaxSizeY = limits.maxSize.y;
        tmsg_->MinTrackSizeX = limits.minTrackSize.x;
        tmsg_->MinTrackSizeY = limits.minTrackSize.y;
    } else if (msg == msghook::WM_COMMAND()) {
        // The caption's system menu answers with WM_COMMAND; the system carries the command out.
        platform_.windows.SendWindowMessage(window_->Hwnd(), platform::kWmSysCommand, static_cast<std::uint32_t>(arg1),
                                            0);
    }
}

namespace {
// The caption buttons act on a left release inside them: a press dragged off the button and
// released elsewhere is a change of mind.
bool ReleasedInside(const platform::PictureBox& surface, std::int16_t Button, float X, float Y) {
    return Button == platform::kLeftButton && X > 0 && X < static_cast<float>(surface.Width()) && Y > 0 &&
           Y < static_cast<float>(surface.Height());
}
}  // namespace

void Form1::Button1_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (ReleasedInside(*buttonSurfaces_[0], Button, X, Y)) {
        window_->SetWindowState(platform::WindowState::Minimized);
    }
}

// The toggle buttons do what a double click on the caption does, but not its zone test: the
// caption's pointer is whatever zone the mouse last crossed there, and a sizing loop from the top
// edge leaves it on the grip, which would silently disable the button.
void Form1::Button2_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (ReleasedInside(*buttonSurfaces_[1], Button, X, Y)) ToggleMaximized();
}

void Form1::Button3_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (ReleasedInside(*buttonSurfaces_[2], Button, X, Y)) Unload();
}

void Form1::Button4_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (ReleasedInside(*buttonSurfaces_[3], Button, X, Y)) ToggleMaximized();
}

}  // namespace kest::recorder
