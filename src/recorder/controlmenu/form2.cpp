#include "recorder/controlmenu/form2.h"

#include "recorder/mainwindow/form1.h"

namespace kest::recorder {

namespace {
// Designed outer size; only the menu strip of the form is ever meant to be seen.
constexpr std::int32_t kDesignWidthTwips = 4800;
constexpr std::int32_t kDesignHeightTwips = 1200;
}  // namespace

Form2::Form2(platform::Platform& platform, Form1& mainWindow) : platform_(platform), form1_(mainWindow) {}

Form2::~Form2() = default;

void Form2::Form_Load() {
    window_ = platform_.toolkit.CreateForm({kProductCaption, kDesignWidthTwips, kDesignHeightTwips});
    file_ = window_->CreateMenuItem(nullptr, u"文件(&F)");
    start_ = window_->CreateMenuItem(file_.get(), u"开始");
    pause_ = window_->CreateMenuItem(file_.get(), u"暂停");
    done_ = window_->CreateMenuItem(file_.get(), u"停止");
    quit_ = window_->CreateMenuItem(file_.get(), u"退出");
    setting_ = window_->CreateMenuItem(nullptr, u"设置(&O)");
    recordcursor_ = window_->CreateMenuItem(setting_.get(), u"录制光标");
    recordareae_ = window_->CreateMenuItem(setting_.get(), u"录制区域");
    recordcursor_->SetChecked(true);

    // The menu strip is part of the main window: closing it closes the recorder.
    window_->OnQueryUnload([this] {
        form1_.Window().Close();
        return false;
    });
    start_->OnClick([this] { start_Click(); });
    done_->OnClick([this] { done_Click(); });

    done_->SetEnabled(false);
    pause_->SetEnabled(false);
    recordareae_->SetChecked(false);
}

void Form2::start_Click() { form1_.start_click(); }

void Form2::done_Click() { form1_.stop_click(); }

}  // namespace kest::recorder
