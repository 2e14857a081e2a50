#include "recorder/controlmenu/form2.h"

#include <algorithm>

#include "recorder/engine/app_title.h"
#include "recorder/engine/rounding.h"

namespace kest::recorder {

namespace {
// Designed client size; only the menu strip of the form is ever meant to be seen.
constexpr std::int32_t kDesignWidthTwips = 4800;
constexpr std::int32_t kDesignHeightTwips = 1200;
constexpr std::int16_t kSpace = 32;
// The strip takes these pixel columns of the form, and lies this far into the toolbar.
constexpr std::int32_t kStripLeft = 4;
constexpr std::int32_t kStripRight = 100;
constexpr std::int32_t kStripInset = 4;
constexpr std::int32_t kStripLeftTwips = 60;
constexpr std::int32_t kStripDropTwips = 60;

}  // namespace

MenuStripPlacement PlaceMenuStrip(std::int32_t nc1, std::int32_t nc2, std::int32_t toolbarTop,
                                  const platform::Rect& menuBar) {
    const double twips = platform::kTwipsPerPixel;
    platform::Rect strip{kStripLeft, RoundToInt(nc1 / twips - kStripInset), kStripRight,
                         RoundToInt(nc2 / twips - kStripInset)};
    // The heights give the menu bar's place only as long as both frames are alike; where the
    // system puts the bar elsewhere, the strip keeps to the bar, and it is never narrower than
    // the titles on it.
    if (menuBar.bottom > menuBar.top) {
        strip.top = std::clamp(strip.top, menuBar.top, menuBar.bottom);
        strip.bottom = std::clamp(strip.bottom, strip.top, menuBar.bottom);
        strip.right = std::max(strip.right, menuBar.right);
    }
    return {strip, {kStripLeftTwips, toolbarTop + kStripDropTwips - nc1 + kStripDropTwips}};
}

Form2::Form2(platform::Platform& platform, MainWindowPeer& mainWindow, AreaOverlayPeer& areaOverlay)
    : platform_(platform), form1_(mainWindow), form3_(areaOverlay) {}

Form2::~Form2() = default;

void Form2::Form_Load() {
    window_ = platform_.toolkit.CreateForm({kProductCaption, kDesignWidthTwips, kDesignHeightTwips});
    file_ = window_->CreateMenuItem(nullptr, u"文件(&F)");
    start_ = window_->CreateMenuItem(file_.get(), u"开始");
    pause_ = window_->CreateMenuItem(file_.get(), kPauseCaption);
    done_ = window_->CreateMenuItem(file_.get(), u"停止");
    quit_ = window_->CreateMenuItem(file_.get(), u"退出");
    setting_ = window_->CreateMenuItem(nullptr, u"设置(&O)");
    recordcursor_ = window_->CreateMenuItem(setting_.get(), u"录制光标");
    recordareae_ = window_->CreateMenuItem(setting_.get(), u"录制区域");
    // Unchecked at every start, like the rest nothing is stored: sound is recorded only when
    // the person asks for it.
    recordsound_ = window_->CreateMenuItem(setting_.get(), u"录制声音");
    framerate_ = window_->CreateMenuItem(setting_.get(), u"帧率");
    for (std::size_t i = 0; i < fps_.size(); ++i) {
        fps_[i] = window_->CreateMenuItem(framerate_.get(), kFrameRates[i].caption);
        fps_[i]->OnClick([this, i] { fps_Click(static_cast<std::int16_t>(i)); });
    }
    recordcursor_->SetChecked(true);
    recordareae_->SetChecked(true);

    window_->OnQueryUnload([this] { return !Form_Unload(); });
    window_->Paint = [this] { Form_Paint(); };
    window_->KeyDown = [this](std::int16_t key, std::int16_t shift) { Form_KeyDown(key, shift); };
    start_->OnClick([this] { start_Click(); });
    pause_->OnClick([this] { pause_Click(); });
    done_->OnClick([this] { done_Click(); });
    quit_->OnClick([this] { quit_Click(); });
    recordcursor_->OnClick([this] { recordcursor_Click(); });
    recordareae_->OnClick([this] { recordareae_Click(); });
    recordsound_->OnClick([this] { recordsound_Click(); });

    platform::Form& main = form1_.Window();
    const std::int32_t nc1 = main.Height() - main.ScaleHeight();
    const std::int32_t nc2 = window_->Height() - window_->ScaleHeight();
    const MenuStripPlacement place = PlaceMenuStrip(nc1, nc2, form1_.ToolbarTop(), window_->MenuBarRect());
    auto& windows = platform_.windows;
    const platform::Rect& r = place.regionPixels;
    platform::Region(windows, windows.CreateRectRgn(r.left, r.top, r.right, r.bottom)).GiveTo(window_->Hwnd(), true);
    windows.SetParent(window_->Hwnd(), main.Hwnd());
    window_->Move(place.positionTwips.x, place.positionTwips.y, window_->Width(), window_->Height());

    done_->SetEnabled(false);
    pause_->SetEnabled(false);
    ShowSettings();
    TheRecording().OnChange([this] { ShowRecordingState(); });
}

void Form2::ShowSettings() {
    recordcursor_->SetChecked(settings_.cursor);
    recordareae_->SetChecked(settings_.area);
    recordsound_->SetChecked(settings_.sound);
    for (std::size_t i = 0; i < fps_.size(); ++i) fps_[i]->SetChecked(kFrameRates[i].fps == settings_.fps);
}

// Start, exit and the settings wait out a recording; pause and stop are for one. The pause
// item's caption says what it will do.
void Form2::ShowRecordingState() {
    const Recording& recording = TheRecording();
    const bool inProgress = recording.InProgress();
    start_->SetEnabled(!inProgress);
    pause_->SetEnabled(inProgress);
    done_->SetEnabled(inProgress);
    quit_->SetEnabled(!inProgress);
    recordcursor_->SetEnabled(!inProgress);
    recordareae_->SetEnabled(!inProgress);
    recordsound_->SetEnabled(!inProgress);
    framerate_->SetEnabled(!inProgress);
    pause_->SetCaption(recording.Paused() ? kContinueCaption : kPauseCaption);
}

void Form2::Form_Paint() { platform_.desktop.SetForegroundWindow(window_->Hwnd()); }

void Form2::Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift) {
    if (KeyCode == kSpace && Shift == platform::kAltMask) form1_.ShowSystemMenu();
}

bool Form2::Form_Unload() { return form1_.Window().Visible(); }

void Form2::Unload() {
    if (!window_ || unloaded_ || Form_Unload()) return;
    unloaded_ = true;
    form3_.Unload();
    window_->Unload();
}

bool Form2::Busy() const { return form1_.ModalOpen(); }

void Form2::start_Click() {
    if (!Busy()) form1_.start_click();
}

void Form2::done_Click() {
    if (!Busy()) form1_.stop_click();
}

void Form2::quit_Click() {
    if (!Busy()) form1_.Unload();
}

void Form2::pause_Click() {
    if (Busy()) return;
    Recording& recording = TheRecording();
    if (!recording.Paused()) {
        recording.Hold(Wait::Pause);
        return;
    }
    // Out of the picture before capture resumes.
    form1_.Window().SetWindowState(platform::WindowState::Minimized);
    platform_.toolkit.DoEvents();
    recording.Release(Wait::Pause);
}

void Form2::recordcursor_Click() {
    if (Busy()) return;
    settings_.cursor = !settings_.cursor;
    ShowSettings();
}

void Form2::recordsound_Click() {
    if (Busy()) return;
    settings_.sound = !settings_.sound;
    ShowSettings();
}

void Form2::fps_Click(std::int16_t Index) {
    if (Busy()) return;
    settings_.fps = kFrameRates.at(static_cast<std::size_t>(Index)).fps;
    ShowSettings();
}

void Form2::recordareae_Click() {
    if (Busy()) return;
    auto& toolkit = platform_.toolkit;
    toolkit.DoEvents();
    settings_.area = !settings_.area;
    ShowSettings();
    if (settings_.area) {
        toolkit.DoEvents();
        form3_.Show(
            [this](const platform::Rect& area) {
                TheRecording().SetArea(area.left, area.top, area.right, area.bottom);
            },
            [this] {
                settings_.area = false;
                ShowSettings();
            });
    } else {
        // The whole screen again; the corner of the last area stays as it was.
        const RecordingFields& fields = TheRecording().Fields();
        TheRecording().SetArea(fields.x0, fields.y0,
                               RoundToInt(static_cast<double>(toolkit.ScreenWidthTwips()) / platform::kTwipsPerPixel),
                               RoundToInt(static_cast<double>(toolkit.ScreenHeightTwips()) / platform::kTwipsPerPixel));
    }
}

}  // namespace kest::recorder
