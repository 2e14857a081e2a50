// Starting and ending a recording, and the waits it leaves out of its time.
#include "recorder/engine/recording.h"

#include <optional>
#include <string>

#include "recorder/engine/app_title.h"
#include "recorder/engine/clock.h"
#include "recorder/engine/rounding.h"
#include "recorder/engine/screens.h"

namespace kest::recorder {

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::int32_t kDialogBufferChars = 255;
// The first frame is due at once; from then on each tick sets the wait for the next slot.
constexpr std::int32_t kFirstTickMs = 1;

const platform::Text kChooseAnotherCodec = u"请选择其它编码！";
const platform::Text kInvalidArea = u"录制区域无效，请重新选择录制区域。";
const platform::Text kWriteFailed = u"写入录像文件失败，录制已停止。文件中保留了已录制的内容。";
const platform::Text kSizeLimit = u"录像文件已达到 2 GB 的大小上限，录制已停止。文件中保留了已录制的内容。";
const platform::Text kFramesReplaced = u" 帧画面无法读取，已用前一帧代替：录制时屏幕的颜色设置改变了。";
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
    if (path.size() < extension.size() ||
        path.compare(path.size() - extension.size(), extension.size(), extension) != 0) {
        path += extension;
    }
    return path;
}

Recording::Recording(platform::Platform& platform, AVIDecs& avi, RecordingSurface surface)
    : platform_(platform), avi_(avi), surface_(surface), sound_(platform.sound) {
    fields_.temppath = platform_.desktop.TempPath();
    fields_.aviwidth = TwipsToPixels(platform_.toolkit.ScreenWidthTwips());
    fields_.aviheight = TwipsToPixels(platform_.toolkit.ScreenHeightTwips());
}

void Recording::SetArea(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    fields_.x0 = left;
    fields_.y0 = top;
    fields_.aviwidth = width;
    fields_.aviheight = height;
}

bool Recording::InProgress() const { return surface_.fullScreenTimer.Interval() + surface_.areaTimer.Interval() != 0; }

void Recording::Changed() {
    for (const auto& observer : observers_) observer();
}

void Recording::Tell(const platform::Text& text, platform::MsgBoxIcon icon) {
    platform_.toolkit.MsgBox(text, platform::MsgBoxButtons::Ok, icon, kAppTitle);
}

bool Recording::AskForOutputPath() {
    platform::FileDialogRecord request;
    request.owner = surface_.window;
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
    fields_.avipath = NormaliseAviPath(request.file);
    return true;
}

void Recording::PrepareCanvas() {
    platform::PictureBox& canvas = surface_.canvas;
    canvas.SetSizeTwips(PixelsToTwips(fields_.aviwidth), PixelsToTwips(fields_.aviheight));
    canvas.SetBackColor(kBlack);
    canvas.RemovePicture();
    canvas.SaveImage(FrameFilePath());
}

// With one monitor the frame keeps the size the settings left it, as it always has. With more,
// the whole screen is the monitor that holds the larger part of the main window when the
// recording starts: the primary unless the person moved the window.
void Recording::TakeMonitorOfWindow() {
    const platform::Rect monitor = MonitorOfWindow(platform_.desktop, surface_.window);
    wholeScreen_ = monitor == VirtualScreen(platform_.desktop);
    monitorOrigin_ = wholeScreen_ ? platform::Point{} : platform::Point{monitor.left, monitor.top};
    if (!wholeScreen_) {
        fields_.aviwidth = monitor.right - monitor.left;
        fields_.aviheight = monitor.bottom - monitor.top;
    }
}

void Recording::StartCaptureTimer() {
    clipboardSequence_ = platform_.desktop.ClipboardSequenceNumber();
    surface_.fullScreenTimer.SetEnabled(true);
    surface_.areaTimer.SetEnabled(true);
    ModeTimer().SetInterval(kFirstTickMs);
}

bool Recording::OpenSoundDevice() {
    if (!settings_.sound) return true;
    const platform::SoundOpen opened = sound_.Open();
    if (opened == platform::SoundOpen::Opened) return true;
    const platform::Text& why = opened == platform::SoundOpen::NoDevice ? kNoSoundDevice : kSoundDeviceRefused;
    return platform_.toolkit.MsgBox(why, platform::MsgBoxButtons::YesNo, platform::MsgBoxIcon::Question, kAppTitle) ==
           platform::MsgBoxResult::Yes;
}

bool Recording::Start(const RecordingSettings& settings) {
    if (InProgress()) return false;
    settings_ = settings;
    if (!settings_.area) TakeMonitorOfWindow();
    if (fields_.aviwidth <= 0 || fields_.aviheight <= 0) {
        // A rectangle without area cannot become a frame; say so instead of failing later.
        Tell(kInvalidArea, platform::MsgBoxIcon::Exclamation);
        return false;
    }
    if (!OpenSoundDevice()) return false;
    if (!AskForOutputPath()) {
        sound_.Close();
        return false;
    }
    if (platform_.files.IsNormalFile(fields_.avipath)) platform_.files.Remove(fields_.avipath);
    platform_.toolkit.DoEvents();

    PrepareCanvas();
    avi_.SetSoundFormat(sound_.IsOpen() ? std::optional{SoundTrack::kFormat} : std::nullopt);
    if (!avi_.OpenAviOutput(surface_.window, FrameFilePath(), fields_.avipath, settings_.fps)) {
        sound_.Close();
        Tell(kChooseAnotherCodec, platform::MsgBoxIcon::None);
        return false;
    }
    platform_.toolkit.DoEvents();
    paused_ = false;
    StartCaptureTimer();
    fields_.hcursor = platform_.desktop.GetCursor();
    fields_.starttime = static_cast<std::int32_t>(RoundHalfEven(platform_.toolkit.SecondsSinceMidnight()));
    timeline_.Start(Now(), settings_.fps);
    if (avi_.HasSound()) sound_.Start(timeline_.RecordedMicroseconds(Now()));
    Changed();
    return true;
}

void Recording::Hold(Wait why) {
    if (!InProgress()) return;
    if (why == Wait::Pause) {
        if (paused_) return;
        paused_ = true;
        fields_.pausetime =
            static_cast<std::int32_t>(RoundHalfEven(static_cast<float>(platform_.toolkit.SecondsSinceMidnight())));
    } else {
        questionAskedAt_ = static_cast<double>(RoundHalfEven(platform_.toolkit.SecondsSinceMidnight()));
        // During a pause the pause already leaves this wait out; counting it again would make
        // the caption's seconds run short.
        askedWhilePaused_ = paused_;
    }
    HoldCapture();
    if (why == Wait::Pause) Changed();
}

void Recording::Release(Wait why) {
    if (!InProgress()) return;
    const double now = platform_.toolkit.SecondsSinceMidnight();
    if (why == Wait::Pause) {
        if (!paused_) return;
        paused_ = false;
        fields_.starttime = StartAfterWait(fields_.starttime, fields_.pausetime, now);
    } else if (!askedWhilePaused_) {
        fields_.starttime = StartAfterWait(fields_.starttime, questionAskedAt_, now);
    }
    ReleaseCapture();
    if (why == Wait::Pause) Changed();
}

void Recording::HoldCapture() {
    const bool first = !timeline_.Held();
    timeline_.Hold(Now());
    // The sound stops with the picture, at the same moment of the recording.
    if (first && avi_.HasSound()) sound_.Hold(timeline_.RecordedMicroseconds(Now()));
    surface_.fullScreenTimer.SetEnabled(false);
    surface_.areaTimer.SetEnabled(false);
}

void Recording::ReleaseCapture() {
    timeline_.Release(Now());
    if (timeline_.Held()) return;  // the close question, asked during a pause, leaves it paused
    if (avi_.HasSound()) sound_.Release(timeline_.RecordedMicroseconds(Now()));
    ScheduleNextTick();
    if (surface_.fullScreenTimer.Interval() != 0) surface_.fullScreenTimer.SetEnabled(true);
    if (surface_.areaTimer.Interval() != 0) surface_.areaTimer.SetEnabled(true);
}

std::vector<Notice> Recording::Stop(Ending why) {
    const bool wasRecording = InProgress();
    surface_.fullScreenTimer.SetInterval(0);
    surface_.areaTimer.SetInterval(0);
    bool soundFailed = false;
    if (avi_.HasSound()) {
        // The sound ends where the picture does, held or not: its last frame plays one slot.
        const std::int64_t length = timeline_.SlotStart(fields_.framecount);
        avi_.WriteAviSound(sound_.Finish(length));
        soundFailed = sound_.DeviceFailed();
    }
    sound_.Close();
    avi_.CloseAviOutput();
    if (platform_.files.Length(fields_.avipath) == std::optional<std::int64_t>{0}) {
        platform_.files.Remove(fields_.avipath);
    }
    surface_.canvas.RemovePicture();
    fields_.framecount = 0;
    paused_ = false;
    Changed();
    if (!wasRecording) return {};

    std::vector<Notice> notices;
    if (why == Ending::WriteFailed) notices.push_back({kWriteFailed, platform::MsgBoxIcon::Exclamation});
    if (why == Ending::DiskFull) notices.push_back({kDiskFull, platform::MsgBoxIcon::Exclamation});
    if (why == Ending::SizeLimitReached) notices.push_back({kSizeLimit, platform::MsgBoxIcon::Exclamation});
    if (soundFailed) notices.push_back({kSoundDeviceFailed, platform::MsgBoxIcon::Exclamation});
    if (const std::int32_t replaced = avi_.ReplacedFrames(); replaced != 0) {
        const std::string count = std::to_string(replaced);
        notices.push_back({u"录制中有 " + platform::Text(count.begin(), count.end()) + kFramesReplaced,
                           platform::MsgBoxIcon::Information});
    }
    return notices;
}

}  // namespace kest::recorder
