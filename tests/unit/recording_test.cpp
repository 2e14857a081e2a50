// A recording from its start to its end on the test double: the output file asked for, the
// canvas and the mode's timer, the waits left out of its time, and every way it ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "recorder/engine/app_title.h"
#include "unit/recording_fixture.h"

namespace kest::recorder {
namespace {

using namespace std::string_literals;
using platform::MsgBoxIcon;
using platform::Text;

class RecordingTest : public RecordingFixture {
protected:
    std::size_t LogIndex(const std::string& entry) {
        return static_cast<std::size_t>(std::find(fake.log.begin(), fake.log.end(), entry) - fake.log.begin());
    }
    // Starts without forgetting what the start did.
    bool StartLogged() {
        fake.toolkit.clock = kStartClock;
        return recording.Start(settings);
    }
};

TEST_F(RecordingTest, BeginsIdleWithTheScreenSizeAndTheTemporaryDirectory) {
    EXPECT_EQ(Fields().aviwidth, 1920);
    EXPECT_EQ(Fields().aviheight, 1080);
    EXPECT_EQ(fake::Utf8(Fields().temppath), "C:\\Temp\\");
    EXPECT_FALSE(recording.InProgress());
    EXPECT_EQ(RecordingSettings{}, (RecordingSettings{true, false, false})) << "cursor on, full screen, no sound";
}

TEST_F(RecordingTest, SaveDialogIsAskedForAnAviFileNamedByTheUser) {
    StartLogged();
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    const auto& request = fake.dialogs.shown[0];
    EXPECT_EQ(request.owner, window->Hwnd());
    EXPECT_EQ(request.instance, 0x400000u);
    EXPECT_EQ(request.filter, u"Avi Files (*.avi)\0*.avi\0All Files (*.*)\0*.*\0\0"s);
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
    const char16_t* typed;
    const char* saved;
};

class ExtensionTest : public RecordingTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ExtensionTest, AppendsDotAviUnlessTheNameEndsExactlySo) {
    fake.saveDialog.typedName = GetParam().typed;
    StartLogged();
    EXPECT_EQ(fake::Utf8(Fields().avipath), GetParam().saved);
    ASSERT_FALSE(fake.avi.openedPaths.empty());
    EXPECT_EQ(fake::Utf8(fake.avi.openedPaths.back()), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(Names, ExtensionTest,
                         ::testing::Values(NameCase{u"C:\\rec\\movie", "C:\\rec\\movie.avi"},
                                           NameCase{u"C:\\rec\\movie.avi", "C:\\rec\\movie.avi"},
                                           NameCase{u"C:\\rec\\movie.AVI", "C:\\rec\\movie.AVI.avi"},
                                           NameCase{u"C:\\rec\\movie.av", "C:\\rec\\movie.av.avi"},
                                           NameCase{u"  C:\\rec\\trim.avi   ", "C:\\rec\\trim.avi"},
                                           NameCase{u"a", "a.avi"}, NameCase{u"D:\\录像\\会议", "D:\\录像\\会议.avi"}));

TEST_F(RecordingTest, ExistingFileIsDeletedBeforeTheRecordingIsOpened) {
    fake.files.contents[u"C:\\rec\\movie.avi"] = {1, 2, 3};
    StartLogged();
    EXPECT_LT(LogIndex("Remove C:\\rec\\movie.avi"), LogIndex("AVIFileOpen"));
    EXPECT_LT(LogIndex("DoEvents"), LogIndex("SaveImage C:\\Temp\\tem.bmp"));
}

TEST_F(RecordingTest, BlackCanvasOfTheFrameSizeFixesTheStreamFormat) {
    StartLogged();
    EXPECT_EQ(Canvas().widthTwips, 1920 * 15);
    EXPECT_EQ(Canvas().heightTwips, 1080 * 15);
    EXPECT_EQ(Canvas().backColor, 0u);
    EXPECT_FALSE(Canvas().hasPicture);
    EXPECT_LT(LogIndex("SaveImage C:\\Temp\\tem.bmp"), LogIndex("AVIFileOpen"));
    EXPECT_EQ(fake.avi.streamInfo.rcFrame, (platform::Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(fake.avi.streamInfo.dwRate, 10u);
}

TEST_F(RecordingTest, StartTakesTheCursorAndTheStartTimeRoundedHalfToEven) {
    int changes = 0;
    recording.OnChange([&] { ++changes; });
    for (const auto& [clock, start] : {std::pair{36000.5, 36000}, std::pair{36001.5, 36002}}) {
        fake.toolkit.clock = clock;
        ASSERT_TRUE(recording.Start(settings));
        EXPECT_TRUE(timer1->Enabled());
        EXPECT_TRUE(timer2->Enabled());
        EXPECT_EQ(Fields().hcursor, fake.desktop.cursor);
        EXPECT_EQ(Fields().starttime, start);
        EXPECT_TRUE(recording.InProgress());
        EXPECT_TRUE(fake.toolkit.messages.empty());
        EXPECT_TRUE(recording.Stop(Ending::Stopped).empty());
    }
    EXPECT_EQ(changes, 4) << "each start and each stop is shown";
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
    settings.area = c.area;
    recording.SetArea(0, 0, c.width, c.height);
    ASSERT_TRUE(Start());
    EXPECT_EQ(timer1->Interval(), c.timer1);
    EXPECT_EQ(timer2->Interval(), c.timer2);
    EXPECT_EQ(fake.avi.streamInfo.rcFrame, (platform::Rect{0, 0, c.width, c.height}));
    EXPECT_EQ(Canvas().widthTwips, c.width * 15) << "no 16-bit overflow";
    EXPECT_EQ(Canvas().heightTwips, c.height * 15);
}

INSTANTIATE_TEST_SUITE_P(Modes, TimerIntervalTest,
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

// A start that does not happen leaves nothing running and nothing open; only a refusal of the
// output or of the area is told, a change of mind is not.
struct RefusalCase {
    const char* name;
    int dialogResult;
    platform::Status setFormatStatus;
    std::int32_t areaWidth;
    std::vector<std::string> told;
    MsgBoxIcon icon;
    std::size_t dialogsShown;
};

class RefusedStartTest : public RecordingTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedStartTest, StaysIdleAndSaysWhyOnlyWhenRefused) {
    const RefusalCase& c = GetParam();
    fake.saveDialog.result = c.dialogResult;
    fake.avi.script.setFormatStatus = c.setFormatStatus;
    settings.area = c.areaWidth != 1920;
    recording.SetArea(0, 0, c.areaWidth, 1080);
    EXPECT_FALSE(StartLogged());
    EXPECT_EQ(MessageTexts(), c.told);
    for (const auto& message : fake.toolkit.messages) {
        EXPECT_EQ(message.icon, c.icon);
        EXPECT_EQ(message.caption, kAppTitle);
    }
    EXPECT_EQ(fake.dialogs.shown.size(), c.dialogsShown);
    EXPECT_FALSE(recording.InProgress());
    EXPECT_EQ(timer1->Interval() + timer2->Interval(), 0);
    EXPECT_FALSE(avi.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusedStartTest,
    ::testing::Values(
        RefusalCase{"DialogCancelled", 0, 0, 1920, {}, MsgBoxIcon::None, 1},
        RefusalCase{"CodecRefusesTheFormat",
                    1,
                    static_cast<platform::Status>(0x80044070),
                    1920,
                    {"请选择其它编码！"},
                    MsgBoxIcon::None,
                    1},
        RefusalCase{"AreaWithoutPixels", 1, 0, 0, {"录制区域无效，请重新选择录制区域。"}, MsgBoxIcon::Exclamation, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordingTest, StopFinishesTheFileAndReturnsToIdle) {
    ASSERT_TRUE(Start());
    TickAt(0);
    TickAt(100);
    EXPECT_TRUE(recording.Stop(Ending::Stopped).empty());
    EXPECT_EQ(timer1->Interval(), 0);
    EXPECT_EQ(timer2->Interval(), 0);
    EXPECT_FALSE(avi.IsOpen());
    EXPECT_EQ(fake.avi.exitCount, 1);
    EXPECT_TRUE(fake.files.Exists(u"C:\\rec\\movie.avi"));
    EXPECT_EQ(Fields().framecount, 0);
    EXPECT_FALSE(Canvas().hasPicture);
    EXPECT_FALSE(recording.InProgress());
}

TEST_F(RecordingTest, StopRemovesAnEmptyFile) {
    fake.avi.script.writesFileOnRelease = false;
    ASSERT_TRUE(Start());
    recording.Stop(Ending::Stopped);
    EXPECT_FALSE(fake.files.Exists(u"C:\\rec\\movie.avi"));
}

TEST_F(RecordingTest, SecondRecordingStartsCleanAfterTheFirst) {
    ASSERT_TRUE(Start());
    TickAt(0);
    recording.Stop(Ending::Stopped);
    fake.saveDialog.typedName = u"C:\\rec\\second.avi";
    ASSERT_TRUE(Start());
    EXPECT_EQ(fake::Utf8(fake.avi.openedPaths.back()), "C:\\rec\\second.avi");
    EXPECT_EQ(fake.avi.initCount, 2);
    EXPECT_EQ(fake.avi.exitCount, 1);
    TickAt(0);
    EXPECT_EQ(fake.avi.writes.back().position, 0) << "the second file starts at its own first frame";
}

// A write that fails, a full disk or the size limit ends the recording at once and keeps what
// was written; the reason is the first thing told. A later stop finds nothing more to do.
struct WriteEndCase {
    const char* name;
    std::int32_t width, height;
    std::optional<std::int32_t> failWriteAt;
    std::optional<std::int64_t> freeBytesAfterFirst;
    const char* told;
};

class WriteEndTest : public RecordingTest, public ::testing::WithParamInterface<WriteEndCase> {};

TEST_P(WriteEndTest, EndsTheRecordingKeepsTheFileAndSaysWhy) {
    const WriteEndCase& c = GetParam();
    fake.avi.script.failWriteAt = c.failWriteAt;
    fake.avi.script.keepWrittenData = false;
    recording.SetArea(0, 0, c.width, c.height);
    fake.toolkit.screenWidthTwips = c.width * 15;
    fake.toolkit.screenHeightTwips = c.height * 15;
    ASSERT_TRUE(Start());
    TickResult tick = TickAt(0);
    if (c.freeBytesAfterFirst) fake.files.freeBytes = *c.freeBytesAfterFirst;
    std::int64_t ms = 0;
    while (!tick.ended && ms < 20'000) tick = TickAt(ms += 100);
    ASSERT_TRUE(tick.ended);
    EXPECT_FALSE(tick.wrote);
    ASSERT_FALSE(tick.notices.empty());
    EXPECT_EQ(fake::Utf8(tick.notices[0].text), c.told);
    EXPECT_EQ(tick.notices[0].icon, MsgBoxIcon::Exclamation);
    EXPECT_FALSE(recording.InProgress());
    EXPECT_TRUE(fake.files.Exists(u"C:\\rec\\movie.avi"));
    EXPECT_TRUE(fake.toolkit.messages.empty()) << "told by whoever shows the recording, after the stop";
    const auto writes = fake.avi.writes.size();
    EXPECT_FALSE(TickAt(ms + 100).wrote) << "a tick already queued writes nothing";
    EXPECT_TRUE(recording.Stop(Ending::Stopped).empty());
    EXPECT_EQ(fake.avi.writes.size(), writes);
    EXPECT_EQ(fake.avi.exitCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, WriteEndTest,
    ::testing::Values(
        WriteEndCase{"WriteFails", 64, 48, 2, std::nullopt, "写入录像文件失败，录制已停止。文件中保留了已录制的内容。"},
        WriteEndCase{"DiskFull", 64, 48, std::nullopt, 1024, "磁盘空间已满，录制已停止。文件中保留了已录制的内容。"},
        WriteEndCase{"SizeLimit", 3840, 2160, std::nullopt, std::nullopt,
                     "录像文件已达到 2 GB 的大小上限，录制已停止。文件中保留了已录制的内容。"}),
    [](const auto& info) { return std::string(info.param.name); });

// Waits that are not recorded move the start on by their length, so that the caption's seconds
// leave them out; the close question asked during a pause is already inside the pause.
struct WaitStep {
    enum { Hold, Release } what;
    Wait why;
    double clock;
};

struct WaitCase {
    const char* name;
    double startClock;
    std::vector<WaitStep> steps;
    std::int32_t pausetime, startAfter;
    bool paused;
};

class WaitTest : public RecordingTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(WaitTest, MovesTheStartByTheWait) {
    const WaitCase& c = GetParam();
    fake.toolkit.clock = c.startClock;
    ASSERT_TRUE(recording.Start(settings));
    for (const WaitStep& step : c.steps) {
        fake.toolkit.clock = step.clock;
        step.what == WaitStep::Hold ? recording.Hold(step.why) : recording.Release(step.why);
    }
    EXPECT_EQ(Fields().pausetime, c.pausetime);
    EXPECT_EQ(Fields().starttime, c.startAfter);
    EXPECT_EQ(recording.Paused(), c.paused);
    EXPECT_EQ(timer1->Enabled(), !c.paused) << "the full-screen timer runs again only after the last wait";
    EXPECT_FALSE(timer2->Enabled()) << "the area timer has no interval";
}

INSTANTIATE_TEST_SUITE_P(
    Waits, WaitTest,
    ::testing::Values(WaitCase{"Pause",
                               35000,
                               {{WaitStep::Hold, Wait::Pause, 36000}, {WaitStep::Release, Wait::Pause, 36030.4}},
                               36000,
                               35030,
                               false},
                      WaitCase{"StillPaused", 35000, {{WaitStep::Hold, Wait::Pause, 36000.5}}, 36000, 35000, true},
                      WaitCase{"PauseAcrossMidnight",
                               86000,
                               {{WaitStep::Hold, Wait::Pause, 86390}, {WaitStep::Release, Wait::Pause, 30}},
                               86390,
                               86040,
                               false},
                      WaitCase{
                          "Question",
                          35000,
                          {{WaitStep::Hold, Wait::Question, 36000.2}, {WaitStep::Release, Wait::Question, 36012.7}},
                          0,
                          35013,
                          false},
                      WaitCase{"QuestionAcrossMidnight",
                               86000,
                               {{WaitStep::Hold, Wait::Question, 86390.0}, {WaitStep::Release, Wait::Question, 10.4}},
                               0,
                               86020,
                               false},
                      WaitCase{"QuestionDuringAPause",
                               35000,
                               {{WaitStep::Hold, Wait::Pause, 36000},
                                {WaitStep::Hold, Wait::Question, 36010},
                                {WaitStep::Release, Wait::Question, 36015},
                                {WaitStep::Release, Wait::Pause, 36020}},
                               36000,
                               35020,
                               false},
                      WaitCase{"QuestionAnsweredNoStaysPaused",
                               35000,
                               {{WaitStep::Hold, Wait::Pause, 36000},
                                {WaitStep::Hold, Wait::Question, 36010},
                                {WaitStep::Release, Wait::Question, 36015}},
                               36000,
                               35000,
                               true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordingTest, WaitsAreIgnoredWhenNothingIsRecorded) {
    recording.Hold(Wait::Pause);
    EXPECT_FALSE(recording.Paused());
    recording.Release(Wait::Question);
    EXPECT_TRUE(recording.Stop(Ending::Stopped).empty()) << "nothing ended, nothing to tell";
}

}  // namespace
}  // namespace kest::recorder
