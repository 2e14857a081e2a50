// Starting and stopping a recording: the main window's start and stop commands.
#include <optional>
#include <string>

#include "recorder/controlmenu/form2.h"
#include "recorder/engine/app_title.h"
#include "recorder/engine/rounding.h"
#include "recorder/engine/screens.h"
#include "recorder/mainwindow/form1.h"

namespace kest::recorder {

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::int32_t kPlaybackFps = 10;
constexpr std::int32_t kDialogBufferChars = 255;
// The first frame is due at once; from then on each tick sets the wait for the next slot.
constexpr std::int32_t kFirstTickMs = 1;

const platform::Text kChooseAnotherCodec = u"请选择其它编码！";
const platform::Text kInvalidArea = u"录制区域无效，请重新选择录制区域。";
const platform::Text kWriteFailed = u"写入录像文件失败，录制已停止。文件中保留了已录制的内容。";
const platform::Text kSizeLimit = u"录像文件已达到 2 GB 的大小上限，录制已停止。文件中保留了已录制的内容。";
const platform::Text kFramesReplaced =
    u" 帧画面无法读取，已用前一帧代替：录制时屏幕的大小或颜色改变了，或临时文件夹已满。";
const platform::Text kDiskFull = u"磁盘空间已满，录制已停止。文件中保留了已录制的内容。";
const platform::Text kNoSoundDevice = u"没有找到录音设备。\n\n要不录声音，只录制画面吗？";
const platform::Text kSoundDeviceRefused = u"录音设备无法打开，可能正被其他程序占用。\n\n要不录声音，只录制画面吗？";
const platform::Text kSoundDeviceFailed = u"录音设备在录制中出现故障，此后的声音已用静音代替。";

platform::Text TrimBlanks(const platform::Text& text) {
    const auto first = text.find_first_not_of(u' ');
    if (first == platform::Text::npos) return {};
    const auto last = text.find_last_not_of(u' ');
    return text.substr(first, last - first + 1);
}

}  // namespace

platform::Text SaveDialogFilter() {
    using namespace std::string_literals;
    return u"Avi Files (*.avi)\0*.avi\0All Files (*.*)\0*.*\0\0"s;
}

platform::Text NormaliseAviPath(const platform::Text& dialogBuffer) {
    platform::Text path = TrimBlanks(dialogBuffer.substr(0, dialogBuffer.find(u'\0')));
    const platform::Text extension = u".avi";
    if (path.size() < extension.size() || path.compare(path.size() - extension.size(), extension.size(), extension) != 0) {
        path += extension;
    }
    return path;
}

bool Form1::AskForOutputPath() {
    platform::FileDialogRecord request;
    request.owner = window_->Hwnd();
    request.instance = platform_.toolkit.Instance();
    request.filter = SaveDialogFilter();
    request.filterIndex = 1;
    request.file = platform::Text(kDialogBufferChars - 1, u' ');
    request.maxFile = kDialogBufferChars;
    request.fileTitle = platform::Text(kDialogBufferChars - 1, u' ');
    request.maxFileTitle = kDialogBufferChars;
    request.initialDir = platform_.toolkit.ProgramDirectory();
    request.title = u"保存文件";
    // No "file must exist": the user is naming a recording that does not exist yet, and the
    // save dialog would refuse every new name with it.
    request.flags = platform::kOfnHideReadOnly | platform::kOfnPathMustExist;
    if (platform_.dialogs.ShowDialog(platform::FileDialogKind::Save, request) == 0) return false;
    avipath = NormaliseAviPath(request.file);
    return true;
}

void Form1::PrepareCanvas() {
    picture1_->SetSizeTwips(PixelsToTwips(aviwidth), PixelsToTwips(aviheight));
    picture1_->SetBackColor(kBlack);
    picture1_->RemovePicture();
    picture1_->SaveImage(FrameFilePath());
}

// With one monitor the frame keeps the size the settings left it, as it always has. With more,
// the whole screen is the monitor that holds the larger part of the main window when the
// recording starts: the primary unless the person moved the window.
void Form1::TakeMonitorOfWindow() {
    const platform::Rect monitor = MonitorOfWindow(platform_.desktop, window_->Hwnd());
    wholeScreen_ = monitor == VirtualScreen(platform_.desktop);
    monitorOrigin_ = wholeScreen_ ? platform::Point{} : platform::Point{monitor.left, monitor.top};
    if (!wholeScreen_) {
        aviwidth = monitor.right - monitor.left;
        aviheight = monitor.bottom - monitor.top;
    }
}

void Form1::SetRecordingMenus(bool recording) {
    form2_->start().SetEnabled(!recording);
    form2_->pause().SetEnabled(recording);
    form2_->done().SetEnabled(recording);
    form2_->quit().SetEnabled(!recording);
    form2_->recordcursor().SetEnabled(!recording);
    form2_->recordareae().SetEnabled(!recording);
    form2_->recordsound().SetEnabled(!recording);
    // A recording stopped while paused must not start the next one in the continue state.
    if (!recording) form2_->pause().SetCaption(kPauseCaption);
}

void Form1::StartCaptureTimer() {
    clipboardSequence_ = platform_.desktop.ClipboardSequenceNumber();
    timer1_->SetEnabled(true);
    timer2_->SetEnabled(true);
    (form2_->recordareae().Checked() ? timer2_ : timer1_)->SetInterval(kFirstTickMs);
}

void Form1::start_click() {
    const ModalScope modal(modalDepth_);
    if (!form2_->recordareae().Checked()) TakeMonitorOfWindow();
    if (aviwidth <= 0 || aviheight <= 0) {
        // A rectangle without area cannot become a frame; say so instead of failing later.
        platform_.toolkit.MsgBox(kInvalidArea, platform::MsgBoxButtons::Ok, platform::MsgBoxIcon::Exclamation,
                                 kAppTitle);
        return;
    }
    if (!OpenSoundDevice()) return;
    if (!AskForOutputPath()) {
        sound_.Close();
        return;
    }
    if (platform_.files.IsNormalFile(avipath)) platform_.files.Remove(avipath);
    platform_.toolkit.DoEvents();

    PrepareCanvas();
    avi_.SetSoundFormat(sound_.IsOpen() ? std::optional{SoundTrack::kFormat} : std::nullopt);
    if (!avi_.OpenAviOutput(window_->Hwnd(), FrameFilePath(), avipath, kPlaybackFps)) {
        sound_.Close();
        platform_.toolkit.MsgBox(kChooseAnotherCodec, platform::MsgBoxButtons::Ok, platform::MsgBoxIcon::None,
                                 kAppTitle);
        return;
    }
    platform_.toolkit.DoEvents();
    SetRecordingMenus(true);
    window_->SetWindowState(platform::WindowState::Minimized);
    StartCaptureTimer();
    hcursor = platform_.desktop.GetCursor();
    starttime = static_cast<std::int32_t>(RoundHalfEven(platform_.toolkit.SecondsSinceMidnight()));
    timeline_.Start(Now());
    soundFailed_ = false;
    if (avi_.HasSound()) sound_.Start(timeline_.RecordedMicroseconds(Now()));
}

bool Form1::OpenSoundDevice() {
    if (!form2_->recordsound().Checked()) return true;
    const platform::SoundOpen opened = sound_.Open();
    if (opened == platform::SoundOpen::Opened) return true;
    const platform::Text& why = opened == platform::SoundOpen::NoDevice ? kNoSoundDevice : kSoundDeviceRefused;
    return platform_.toolkit.MsgBox(why, platform::MsgBoxButtons::YesNo, platform::MsgBoxIcon::Question, kAppTitle) ==
           platform::MsgBoxResult::Yes;
}

void Form1::stop_click() {
    StopRecording();
    TellReplacedFrames();
}

void Form1::TellReplacedFrames() {
    if (soundFailed_) {
        soundFailed_ = false;
        const ModalScope modal(modalDepth_);
        platform_.toolkit.MsgBox(kSoundDeviceFailed, platform::MsgBoxButtons::Ok, platform::MsgBoxIcon::Exclamation,
                                 kAppTitle);
    }
    const std::int32_t replaced = avi_.ReplacedFrames();
    if (replaced == 0) return;
    const std::string count = std::to_string(replaced);
    const ModalScope modal(modalDepth_);
    platform_.toolkit.MsgBox(u"录制中有 " + platform::Text(count.begin(), count.end()) + kFramesReplaced,
                             platform::MsgBoxButtons::Ok, platform::MsgBoxIcon::Information, kAppTitle);
}

void Form1::StopRecording() {
    timer1_->SetInterval(0);
    timer2_->SetInterval(0);
    if (avi_.HasSound()) {
        // The sound ends where the picture does: its last frame plays one slot.
        avi_.WriteAviSound(sound_.Finish(std::int64_t{framecount} * FrameTimeline::kSlotMicroseconds));
        soundFailed_ = sound_.DeviceFailed();
    }
    sound_.Close();
    avi_.CloseAviOutput();
    if (platform_.files.Length(avipath) == std::optional<std::int64_t>{0}) platform_.files.Remove(avipath);

    picture1_->RemovePicture();
    platform_.desktop.SetForegroundWindow(form2_->Window().Hwnd());
    framecount = 0;
    window_->SetCaption(u"Tamsy");
    SetRecordingMenus(false);
}

bool Form1::WriteFrame() { return Written(avi_.WriteAviFrame(framecount, FrameFilePath())); }

bool Form1::Written(FrameWrite result) {
    if (result == FrameWrite::Written || result == FrameWrite::NotOpen) return true;
    // Stop first: with both intervals 0 no tick can run inside the message box's loop.
    StopRecording();
    const platform::Text& text = result == FrameWrite::Failed     ? kWriteFailed
                                 : result == FrameWrite::DiskFull ? kDiskFull
                                                                  : kSizeLimit;
    {
        const ModalScope modal(modalDepth_);
        platform_.toolkit.MsgBox(text, platform::MsgBoxButtons::Ok, platform::MsgBoxIcon::Exclamation, kAppTitle);
    }
    TellReplacedFrames();
    return false;
}

}  // namespace kest::recorder
