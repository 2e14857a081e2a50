#include <gtest/gtest.h>

#include <algorithm>

#include "fake/fake_platform.h"
#include "recorder/controlmenu/form2.h"
#include "recorder/mainwindow/form1.h"
#include "recorder/msghook/msghook_module.h"
#include "support/recorder_test.h"

namespace kest::recorder {
namespace {

using kest::testing::RecorderTest;

using platform::Text;

class TestableForm1 : public Form1 {
public:
    using Form1::Form1;
    using Form1::WriteFrame;
};

class RecordingTest : public RecorderTest<fake::FakePlatform, TestableForm1> {
protected:
    RecordingTest() { form1.Load(form2); }

    struct MenuState {
        bool start, pause, done, quit, recordcursor, recordareae;
        friend bool operator==(const MenuState&, const MenuState&) = default;
    };
    MenuState Menus() {
        return {form2.start().Enabled(), form2.pause().Enabled(), form2.done().Enabled(),
                form2.quit().Enabled(),  form2.recordcursor().Enabled(), form2.recordareae().Enabled()};
    }
    static constexpr MenuState kIdle{true, false, false, true, true, true};
    static constexpr MenuState kRecording{false, true, true, false, false, false};

    std::size_t LogIndex(const std::string& entry) {
        return static_cast<std::size_t>(std::find(fake.log.begin(), fake.log.end(), entry) - fake.log.begin());
    }
    fake::FakeForm& MainWindow() { return static_cast<fake::FakeForm&>(form1.Window()); }

    fake::FakePlatform& fake = host;
};

TEST_F(RecordingTest, LoadTakesTheScreenSizeAndTemporaryDirectory) {
    EXPECT_EQ(form1.aviwidth, 1920);
    EXPECT_EQ(form1.aviheight, 1080);
    EXPECT_EQ(fake::Utf8(form1.temppath), "C:\\Temp\\");
    EXPECT_EQ(Menus(), kIdle);
    EXPECT_TRUE(form2.recordcursor().Checked());
    EXPECT_FALSE(form2.recordareae().Checked());
    EXPECT_FALSE(form1.RecordingInProgress());
}

TEST_F(RecordingTest, SaveDialogIsAskedForAnAviFileNamedByTheUser) {
    form2.start_Click();
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    const auto& request = fake.dialogs.shown[0];
    EXPECT_EQ(request.owner, form1.Window().Hwnd());
    EXPECT_EQ(request.instance, 0x400000u);
    EXPECT_EQ(request.filter, SaveDialogFilter());
    EXPECT_EQ(request.filter.size(), std::char_traits<char16_t>::length(u"Avi Files (*.avi)") + 1 + 5 + 1 +
                                         std::char_traits<char16_t>::length(u"All Files (*.*)") + 1 + 3 + 1 + 1);
    EXPECT_EQ(request.filterIndex, 1u);
    EXPECT_EQ(request.file, Text(254, u' '));
    EXPECT_EQ(request.maxFile, 255u);
    EXPECT_EQ(request.fileTitle, Text(254, u' '));
    EXPECT_EQ(request.maxFileTitle, 255u);
    EXPECT_EQ(fake::Utf8(request.initialDir), "C:\\Program Files\\kest35");
    EXPECT_EQ(fake::Utf8(request.title), "保存文件");
    // Hide read-only and path-must-exist; a file that must already exist would forbid new names.
    EXPECT_EQ(request.flags, 0x0804u);
    EXPECT_TRUE(request.defExt.empty());
}

struct NameCase {
    const char* typed;
    const char* saved;
};

class ExtensionTest : public RecordingTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ExtensionTest, AppendsDotAviUnlessTheNameEndsExactlySo) {
    Text typed;
    for (const char* c = GetParam().typed; *c; ++c) typed += static_cast<char16_t>(*c);
    fake.saveDialog.typedName = typed;
    form2.start_Click();
    EXPECT_EQ(fake::Utf8(form1.avipath), GetParam().saved);
    ASSERT_FALSE(fake.avi.openedPaths.empty());
    EXPECT_EQ(fake::Utf8(fake.avi.openedPaths.back()), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(Names, ExtensionTest,
                         ::testing::Values(NameCase{"C:\\rec\\movie", "C:\\rec\\movie.avi"},
                                           NameCase{"C:\\rec\\movie.avi", "C:\\rec\\movie.avi"},
                                           NameCase{"C:\\rec\\movie.AVI", "C:\\rec\\movie.AVI.avi"},
                                           NameCase{"C:\\rec\\movie.av", "C:\\rec\\movie.av.avi"},
                                           NameCase{"  C:\\rec\\trim.avi   ", "C:\\rec\\trim.avi"},
                                           NameCase{"a", "a.avi"}));

TEST_F(RecordingTest, ChineseNameSurvivesTheDialogUnchanged) {
    fake.saveDialog.typedName = u"D:\\录像\\会议";
    form2.start_Click();
    EXPECT_EQ(fake::Utf8(form1.avipath), "D:\\录像\\会议.avi");
}

TEST_F(RecordingTest, CancelledDialogChangesNothing) {
    fake.saveDialog.result = 0;
    form2.start_Click();
    EXPECT_TRUE(fake.avi.openedPaths.empty());
    EXPECT_EQ(Menus(), kIdle);
    EXPECT_EQ(form1.Timer1().Interval(), 0);
    EXPECT_EQ(form1.Timer2().Interval(), 0);
    EXPECT_TRUE(fake.toolkit.messages.empty());
    EXPECT_EQ(MainWindow().state, platform::WindowState::Normal);
}

TEST_F(RecordingTest, ExistingFileIsDeletedBeforeTheRecordingIsOpened) {
    fake.files.contents[u"C:\\rec\\movie.avi"] = {1, 2, 3};
    form2.start_Click();
    EXPECT_LT(LogIndex("Remove C:\\rec\\movie.avi"), LogIndex("AVIFileOpen"));
    EXPECT_LT(LogIndex("DoEvents"), LogIndex("SaveImage C:\\Temp\\tem.bmp"));
}

TEST_F(RecordingTest, BlackCanvasOfTheFrameSizeFixesTheStreamFormat) {
    form2.start_Click();
    auto& canvas = static_cast<fake::FakePictureBox&>(form1.Picture1());
    EXPECT_EQ(canvas.widthTwips, 1920 * 15);
    EXPECT_EQ(canvas.heightTwips, 1080 * 15);
    EXPECT_EQ(canvas.backColor, 0u);
    EXPECT_FALSE(canvas.hasPicture);
    EXPECT_LT(LogIndex("SaveImage C:\\Temp\\tem.bmp"), LogIndex("AVIFileOpen"));
    EXPECT_EQ(fake.avi.streamInfo.rcFrame, (platform::Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(fake.avi.streamInfo.dwRate, 10u);
}

TEST_F(RecordingTest, StartingPutsTheMenusAndWindowIntoRecording) {
    fake.toolkit.clock = 36000.5;
    form2.start_Click();
    EXPECT_EQ(Menus(), kRecording);
    EXPECT_EQ(MainWindow().state, platform::WindowState::Minimized);
    EXPECT_TRUE(form1.Timer1().Enabled());
    EXPECT_TRUE(form1.Timer2().Enabled());
    EXPECT_EQ(form1.hcursor, fake.desktop.cursor);
    EXPECT_EQ(form1.starttime, 36000) << "halves round to even";
    EXPECT_TRUE(form1.RecordingInProgress());
    EXPECT_TRUE(fake.toolkit.messages.empty());
}

TEST_F(RecordingTest, StartTimeRoundsHalvesToEven) {
    fake.toolkit.clock = 36001.5;
    form2.start_Click();
    EXPECT_EQ(form1.starttime, 36002);
}

struct TimerCase {
    const char* name;
    std::int32_t screenW, screenH;
    bool area;
    std::int32_t width, height;
    std::int32_t timer1, timer2;
};

class TimerIntervalTest : public RecordingTest, public ::testing::WithParamInterface<TimerCase> {};

// The mode's timer wakes at once for the first frame, whatever the size; the other stays stopped.
TEST_P(TimerIntervalTest, OnlyTheModesTimerTicks) {
    const auto& c = GetParam();
    fake.toolkit.screenWidthTwips = c.screenW * 15;
    fake.toolkit.screenHeightTwips = c.screenH * 15;
    form2.recordareae().SetChecked(c.area);
    form1.aviwidth = c.width;
    form1.aviheight = c.height;
    form2.start_Click();
    EXPECT_EQ(form1.Timer1().Interval(), c.timer1);
    EXPECT_EQ(form1.Timer2().Interval(), c.timer2);
    EXPECT_EQ(fake.avi.streamInfo.rcFrame, (platform::Rect{0, 0, c.width, c.height}));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TimerIntervalTest,
    ::testing::Values(TimerCase{"FullHd", 1920, 1080, false, 1920, 1080, 1, 0},
                      TimerCase{"QuarterArea", 1920, 1080, true, 960, 540, 0, 1},
                      TimerCase{"WholeScreenArea", 1920, 1080, true, 1920, 1080, 0, 1},
                      TimerCase{"OddSizedArea", 1920, 1080, true, 1000, 700, 0, 1},
                      TimerCase{"AreaOnASquareScreen", 1000, 1000, true, 800, 500, 0, 1},
                      TimerCase{"AreaOnAWideScreen", 700, 100, true, 200, 100, 0, 1},
                      TimerCase{"OnePixelArea", 1920, 1080, true, 1, 1, 0, 1},
                      TimerCase{"Qhd", 2560, 1440, false, 2560, 1440, 1, 0},
                      TimerCase{"UhdFullScreen", 3840, 2160, false, 3840, 2160, 1, 0},
                      TimerCase{"UhdQuarterArea", 3840, 2160, true, 1920, 1080, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordingTest, UhdCanvasIsSizedWithoutSixteenBitOverflow) {
    form1.aviwidth = 3840;
    form1.aviheight = 2160;
    form2.start_Click();
    auto& canvas = static_cast<fake::FakePictureBox&>(form1.Picture1());
    EXPECT_EQ(canvas.widthTwips, 57600);
    EXPECT_EQ(canvas.heightTwips, 32400);
}

TEST_F(RecordingTest, RefusedOutputAsksForAnotherCodecAndStaysIdle) {
    fake.avi.script.setFormatStatus = static_cast<platform::Status>(0x80044070);
    form2.start_Click();
    ASSERT_EQ(fake.toolkit.messages.size(), 1u);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].text), "请选择其它编码！");
    EXPECT_EQ(fake.toolkit.messages[0].icon, platform::MsgBoxIcon::None);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].caption), "Velvra");
    EXPECT_EQ(Menus(), kIdle);
    EXPECT_FALSE(form1.RecordingInProgress());
    EXPECT_EQ(MainWindow().state, platform::WindowState::Normal);
}

TEST_F(RecordingTest, AreaWithoutPixelsIsRefusedBeforeTheDialog) {
    form1.aviwidth = 0;
    form2.start_Click();
    EXPECT_TRUE(fake.dialogs.shown.empty());
    ASSERT_EQ(fake.toolkit.messages.size(), 1u);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].caption), "Velvra");
    EXPECT_FALSE(form1.RecordingInProgress());
}

TEST_F(RecordingTest, StopFinishesTheFileAndReturnsToIdle) {
    form2.start_Click();
    form1.framecount = 12;
    form2.done_Click();
    EXPECT_EQ(form1.Timer1().Interval(), 0);
    EXPECT_EQ(form1.Timer2().Interval(), 0);
    EXPECT_FALSE(avi.IsOpen());
    EXPECT_EQ(fake.avi.exitCount, 1);
    EXPECT_TRUE(fake.files.Exists(u"C:\\rec\\movie.avi"));
    EXPECT_EQ(form1.framecount, 0);
    EXPECT_EQ(fake::Utf8(form1.Window().Caption()), "Tamsy");
    EXPECT_EQ(Menus(), kIdle);
    EXPECT_EQ(fake.desktop.foregrounded, std::vector<platform::Handle>{form2.Window().Hwnd()});
    EXPECT_FALSE(form1.RecordingInProgress());
}

TEST_F(RecordingTest, StopRemovesAnEmptyFile) {
    fake.avi.script.writesFileOnRelease = false;
    form2.start_Click();
    form2.done_Click();
    EXPECT_FALSE(fake.files.Exists(u"C:\\rec\\movie.avi"));
}

TEST_F(RecordingTest, FailedFrameWriteStopsTheRecordingAndKeepsTheFile) {
    fake.avi.script.failWriteAt = 2;
    form2.start_Click();
    for (int n = 0; n < 2; ++n) {
        EXPECT_TRUE(form1.WriteFrame());
        ++form1.framecount;
    }
    EXPECT_FALSE(form1.WriteFrame());
    EXPECT_EQ(Menus(), kIdle);
    EXPECT_FALSE(form1.RecordingInProgress());
    EXPECT_EQ(fake::Utf8(form1.Window().Caption()), "Tamsy");
    EXPECT_TRUE(fake.files.Exists(u"C:\\rec\\movie.avi"));
    EXPECT_EQ(fake.avi.writes.size(), 2u);
    ASSERT_EQ(fake.toolkit.messages.size(), 1u);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].text),
              "写入录像文件失败，录制已停止。文件中保留了已录制的内容。");
    EXPECT_EQ(fake.toolkit.messages[0].icon, platform::MsgBoxIcon::Exclamation);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].caption), "Velvra");
    EXPECT_LT(LogIndex("SetCaption Tamsy"), LogIndex("MsgBox 写入录像文件失败，录制已停止。文件中保留了已录制的内容。"))
        << "the recording is stopped before the user is asked to read anything";

    // A later stop (the user's) finds nothing left to do and says nothing more.
    form2.done_Click();
    EXPECT_TRUE(fake.files.Exists(u"C:\\rec\\movie.avi"));
    EXPECT_EQ(fake.toolkit.messages.size(), 1u);
    EXPECT_EQ(fake.avi.exitCount, 1);
}

TEST_F(RecordingTest, SizeLimitStopsTheRecordingWithItsOwnMessage) {
    form1.aviwidth = 3840;
    form1.aviheight = 2160;
    fake.avi.script.keepWrittenData = false;
    form2.start_Click();
    int frames = 0;
    while (frames < 100 && form1.WriteFrame()) form1.framecount = ++frames;
    EXPECT_LT(frames, 100);
    EXPECT_GT(frames, 50);
    EXPECT_FALSE(form1.RecordingInProgress());
    ASSERT_EQ(fake.toolkit.messages.size(), 1u);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].text),
              "录像文件已达到 2 GB 的大小上限，录制已停止。文件中保留了已录制的内容。");
    EXPECT_TRUE(fake.files.Exists(u"C:\\rec\\movie.avi"));
}

TEST_F(RecordingTest, FullDiskStopsTheRecordingWithItsOwnMessage) {
    form2.start_Click();
    ASSERT_TRUE(form1.WriteFrame());
    fake.files.freeBytes = 1024;
    EXPECT_FALSE(form1.WriteFrame());
    EXPECT_FALSE(form1.RecordingInProgress());
    EXPECT_EQ(Menus(), kIdle);
    ASSERT_EQ(fake.toolkit.messages.size(), 1u);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].text), "磁盘空间已满，录制已停止。文件中保留了已录制的内容。");
    EXPECT_TRUE(fake.files.Exists(u"C:\\rec\\movie.avi"));
    EXPECT_EQ(fake.avi.writes.size(), 1u);
}

TEST_F(RecordingTest, ClosingTheMainWindowWhileRecordingFinishesTheFileOnYes) {
    form2.start_Click();
    ASSERT_TRUE(form1.WriteFrame());
    fake.toolkit.messageAnswers = {platform::MsgBoxResult::Yes};
    form1.Window().Close();
    fake.toolkit.DeliverPosted();  // the posted close arrives
    EXPECT_TRUE(MainWindow().closed);
    EXPECT_FALSE(form1.RecordingInProgress());
    EXPECT_FALSE(avi.IsOpen());
    EXPECT_EQ(fake.avi.exitCount, 1);
    EXPECT_TRUE(fake.files.Exists(u"C:\\rec\\movie.avi"));
}

TEST_F(RecordingTest, ClosingTheMenuStripClosesTheMainWindowInstead) {
    auto& strip = static_cast<fake::FakeForm&>(form2.Window());
    strip.Close();
    fake.toolkit.DeliverPosted();  // the posted close arrives
    EXPECT_FALSE(strip.closed) << "the strip refuses while the main window shows";
    // The system's close command for the strip goes through the hook to the main window.
    msghookModule::HookWndProc(strip.Hwnd(), 0x0112, 0xF060, 0);
    fake.toolkit.DeliverPosted();  // the posted close arrives
    EXPECT_TRUE(MainWindow().closed);
    EXPECT_TRUE(strip.unloaded);
}

TEST_F(RecordingTest, SecondRecordingStartsCleanAfterTheFirst) {
    form2.start_Click();
    form2.done_Click();
    fake.saveDialog.typedName = u"C:\\rec\\second.avi";
    form2.start_Click();
    EXPECT_EQ(Menus(), kRecording);
    EXPECT_EQ(fake::Utf8(fake.avi.openedPaths.back()), "C:\\rec\\second.avi");
    EXPECT_EQ(fake.avi.initCount, 2);
    EXPECT_EQ(fake.avi.exitCount, 1);
}

}  // namespace
}  // namespace kest::recorder
