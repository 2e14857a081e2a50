#include "recorder/mainwindow/form1.h"

#include "recorder/controlmenu/form2.h"
#include "recorder/engine/rounding.h"

namespace kest::recorder {

namespace {
constexpr std::int32_t kClientWidthTwips = 6240;
constexpr std::int32_t kClientHeightTwips = 5115;
}  // namespace

Form1::Form1(platform::Platform& platform, AVIDecs& avi) : platform_(platform), avi_(avi) {}

Form1::~Form1() = default;

void Form1::Load(Form2& controlMenu) {
    form2_ = &controlMenu;
    window_ = platform_.toolkit.CreateForm({kProductCaption, kClientWidthTwips, kClientHeightTwips});
    picture1_ = window_->CreatePictureBox({0, 0, kClientWidthTwips, kClientHeightTwips});
    timer1_ = window_->CreateTimer();
    timer2_ = window_->CreateTimer();
    // Until the window asks before closing, a close finishes the recording rather than lose it.
    window_->OnQueryUnload([this] {
        if (RecordingInProgress()) stop_click();
        return true;
    });
    timer1_->OnTick([this] { Timer1_Timer(); });
    timer2_->OnTick([this] { Timer2_Timer(); });
    controlMenu.Form_Load();

    temppath = platform_.desktop.TempPath();
    aviwidth = static_cast<std::int32_t>(
        RoundHalfEven(static_cast<double>(platform_.toolkit.ScreenWidthTwips()) / platform::kTwipsPerPixel));
    aviheight = static_cast<std::int32_t>(
        RoundHalfEven(static_cast<double>(platform_.toolkit.ScreenHeightTwips()) / platform::kTwipsPerPixel));
}

bool Form1::RecordingInProgress() const { return timer1_->Interval() + timer2_->Interval() != 0; }

}  // namespace kest::recorder
