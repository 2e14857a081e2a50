#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include "fake/fake_platform.h"
#include "recorder/controlmenu/form2.h"
#include "recorder/mainwindow/form1.h"
#include "support/recorder_test.h"

namespace kest::recorder {
namespace {

using kest::testing::RecorderTest;

using Log = std::vector<std::string>;

const std::string kCanvas = std::to_string(fake::FakePictureBox::kHdc);
const std::string kScreen = std::to_string(fake::FakeDesktop::kScreenDc);
const std::string kSrcCopy = std::to_string(platform::kSrcCopy);

// The log with the screen copy's bands joined into one copy when they cover the rectangle
// row after row, each from the same place on the screen.
Log JoinBands(const Log& log) {
    Log joined;
    for (const std::string& entry : log) {
        std::istringstream next(entry);
        std::string word;
        long dst, x, y, w, h, src, sx, sy, rop;
        if (!(next >> word >> dst >> x >> y >> w >> h >> src >> sx >> sy >> rop) || word != "BitBlt" || joined.empty()) {
            joined.push_back(entry);
            continue;
        }
        std::istringstream last(joined.back());
        long ldst, lx, ly, lw, lh, lsrc, lsx, lsy, lrop;
        if (last >> word >> ldst >> lx >> ly >> lw >> lh >> lsrc >> lsx >> lsy >> lrop && word == "BitBlt" &&
            ldst == dst && lx == x && lw == w && lsrc == src && lsx == sx && lrop == rop && ly + lh == y &&
            sy - y == lsy - ly) {
            joined.back() = "BitBlt " + std::to_string(dst) + " " + std::to_string(x) + " " + std::to_string(ly) + " " +
                            std::to_string(w) + " " + std::to_string(lh + h) + " " + std::to_string(src) + " " +
                            std::to_string(sx) + " " + std::to_string(lsy) + " " + std::to_string(rop);
        } else {
            joined.push_back(entry);
        }
    }
    return joined;
}

class FrameCaptureTest : public RecorderTest<fake::FakePlatform> {
protected:
    FrameCaptureTest() { form1.Load(form2); }

    // Starts a recording in the given mode and forgets the calls start made.
    void Start(bool area, std::int32_t x = 0, std::int32_t y = 0, std::int32_t w = 1920, std::int32_t h = 1080) {
        form2.recordareae().SetChecked(area);
        form1.x0 = x;
        form1.y0 = y;
        form1.aviwidth = w;
        form1.aviheight = h;
        fake.toolkit.clock = 36000.0;
        form2.start_Click();
        ASSERT_TRUE(form1.RecordingInProgress());
        fake.log.clear();
    }
    std::string Cursor() const { return std::to_string(fake.desktop.cursor); }
    // The mode's tick, `ms` milliseconds of recorded time after the start.
    void TickAt(std::int64_t ms) {
        fake.toolkit.clock = 36000.0 + static_cast<double>(ms) / 1000;
        form2.recordareae().Checked() ? form1.Timer2_Timer() : form1.Timer1_Timer();
    }

    fake::FakePlatform& fake = host;
};

TEST_F(FrameCaptureTest, FullScreenTickGrabsThroughTheClipboardAndReportsInTheCaption) {
    Start(false);
    fake.toolkit.clock = 36002.5390625;
    form1.Timer1_Timer();
    EXPECT_EQ(fake.log, (Log{"keybd_event 44 0 0 0", "LoadClipboardBitmap", "PaintPicture 0 0 28800 16200",
                             "GetCursorPos", "DrawIcon " + kCanvas + " 92 92 " + Cursor(),
                             "SaveImage C:\\Temp\\tem.bmp", "AVIStreamWrite 0", "SetCaption Flame:1 Second:2.5390625",
                             "DoEvents"}));
    EXPECT_EQ(form1.framecount, 1);
    EXPECT_EQ(form1.cursorpos, (platform::Point{100, 100}));
}

struct ClipboardCase {
    const char* name;
    bool printScreenFills;
    bool hasBitmap;
    bool triesToLoad;
};

class ClipboardFallbackTest : public FrameCaptureTest, public ::testing::WithParamInterface<ClipboardCase> {};

TEST_P(ClipboardFallbackTest, WithoutANewScreenPictureTheScreenIsCopiedDirectly) {
    Start(false);
    fake.desktop.printScreenFills = GetParam().printScreenFills;
    fake.desktop.clipboardHasBitmap = GetParam().hasBitmap;
    form1.Timer1_Timer();
    Log expected{"keybd_event 44 0 0 0"};
    if (GetParam().triesToLoad) expected.push_back("LoadClipboardBitmap");
    expected.insert(expected.end(), {"GetDC 0", "BitBlt " + kCanvas + " 0 0 1920 1080 " + kScreen + " 0 0 " + kSrcCopy,
                                     "ReleaseDC 0 " + kScreen});
    const Log log = JoinBands(fake.log);
    EXPECT_EQ(Log(log.begin(), log.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(std::count(log.begin(), log.end(), "AVIStreamWrite 0"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Clipboard, ClipboardFallbackTest,
    ::testing::Values(ClipboardCase{"KeyLeavesClipboardUnchanged", false, false, false},
                      // A bitmap copied before the recording is not a picture of the screen now.
                      ClipboardCase{"OldBitmapStillThere", false, true, false},
                      ClipboardCase{"ClipboardChangedWithoutBitmap", true, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameCaptureTest, AreaTickCopiesTheRectangleAndLeavesTheCaption) {
    Start(true, 300, 200, 960, 540);
    const auto caption = form1.Window().Caption();
    TickAt(0);
    TickAt(100);
    const Log log = JoinBands(fake.log);
    EXPECT_EQ(Log(log.begin(), log.begin() + 8),
              (Log{"GetDC 0", "BitBlt " + kCanvas + " 0 0 960 540 " + kScreen + " 300 200 " + kSrcCopy,
                   "ReleaseDC 0 " + kScreen, "GetCursorPos", "DrawIcon " + kCanvas + " -208 -108 " + Cursor(),
                   "SaveImage C:\\Temp\\tem.bmp", "AVIStreamWrite 0", "DoEvents"}));
    EXPECT_EQ(std::count_if(fake.log.begin(), fake.log.end(), [](const auto& e) { return e.rfind("SetCaption", 0) == 0; }),
              0);
    EXPECT_EQ(form1.Window().Caption(), caption);
    EXPECT_EQ(form1.framecount, 2);
}

// With several monitors a full-screen frame is the monitor the main window is on, copied from
// its place on the virtual screen (PrintScreen would picture them all); a rectangle may lie
// anywhere on them. The cursor is drawn where it is in the frame, left of and above the primary too.
struct MonitorCase {
    const char* name;
    std::vector<platform::Rect> monitors;  // the primary first
    std::size_t windowMonitor;
    bool area;
    platform::Rect rect;  // x, y, width, height on the virtual screen: the chosen area, or the monitor
    platform::Point cursor, drawnAt;
};

class MonitorCaptureTest : public FrameCaptureTest, public ::testing::WithParamInterface<MonitorCase> {};

TEST_P(MonitorCaptureTest, FramesComeFromTheirPlaceOnTheVirtualScreen) {
    const MonitorCase& c = GetParam();
    fake.desktop.monitors = c.monitors;
    fake.desktop.windowMonitor = c.windowMonitor;
    fake.desktop.cursorPosition = c.cursor;
    Start(c.area, c.rect.left, c.rect.top, c.rect.right, c.rect.bottom);
    TickAt(0);
    EXPECT_EQ(fake.avi.streamInfo.rcFrame, (platform::Rect{0, 0, c.rect.right, c.rect.bottom}));
    const Log log = JoinBands(fake.log);
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(Log(log.begin(), log.begin() + 5),
              (Log{"GetDC 0",
                   "BitBlt " + kCanvas + " 0 0 " + std::to_string(c.rect.right) + " " + std::to_string(c.rect.bottom) +
                       " " + kScreen + " " + std::to_string(c.rect.left) + " " + std::to_string(c.rect.top) + " " +
                       kSrcCopy,
                   "ReleaseDC 0 " + kScreen, "GetCursorPos",
                   "DrawIcon " + kCanvas + " " + std::to_string(c.drawnAt.x) + " " + std::to_string(c.drawnAt.y) + " " +
                       Cursor()}));
}

INSTANTIATE_TEST_SUITE_P(
    Screens, MonitorCaptureTest,
    ::testing::Values(
        MonitorCase{"WholeMonitorLeftOfAndAboveThePrimary", {{0, 0, 1920, 1080}, {-1280, -300, 0, 724}}, 1, false,
                    {-1280, -300, 1280, 1024}, {-1000, -100}, {272, 192}},
        MonitorCase{"PrimaryOfTwoWithoutPrintScreen", {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}}, 0, false,
                    {0, 0, 1920, 1080}, {100, 100}, {92, 92}},
        MonitorCase{"AreaAcrossAMonitorLeftOfThePrimary", {{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}}, 0, true,
                    {-300, 200, 600, 400}, {-10, 300}, {282, 92}},
        MonitorCase{"AreaAcrossAMonitorAboveThePrimary", {{0, 0, 1920, 1080}, {0, -1080, 1920, 0}}, 0, true,
                    {100, -50, 640, 100}, {100, 100}, {-8, 142}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameCaptureTest, APointerFarOffTheScreenIsDrawnOffTheCanvasWithoutOverflow) {
    Start(true, 300, 200, 64, 48);
    fake.desktop.cursorPosition = {INT32_MIN, INT32_MIN + 5};
    TickAt(0);
    const std::string min = std::to_string(INT32_MIN);
    EXPECT_NE(std::find(fake.log.begin(), fake.log.end(), "DrawIcon " + kCanvas + " " + min + " " + min + " " + Cursor()),
              fake.log.end());
}

TEST_F(FrameCaptureTest, CursorIsNeitherReadNorDrawnWhenNotRecorded) {
    form2.recordcursor().SetChecked(false);
    Start(false);
    form1.cursorpos = {-1, -1};
    form1.Timer1_Timer();
    auto seen = fake.log;
    form2.done_Click();
    Start(true, 10, 10, 100, 100);
    form1.Timer2_Timer();
    seen.insert(seen.end(), fake.log.begin(), fake.log.end());
    for (const auto& entry : seen) {
        EXPECT_NE(entry, "GetCursorPos");
        EXPECT_NE(entry.rfind("DrawIcon", 0), 0u) << entry;
    }
    EXPECT_EQ(form1.cursorpos, (platform::Point{-1, -1}));
}

TEST_F(FrameCaptureTest, ConsecutiveTicksWriteConsecutivePositions) {
    Start(false);
    form1.framecount = 5;
    TickAt(0);
    TickAt(100);
    ASSERT_EQ(fake.avi.writes.size(), 2u);
    EXPECT_EQ(fake.avi.writes[0].position, 5);
    EXPECT_EQ(fake.avi.writes[1].position, 6);
    EXPECT_EQ(form1.framecount, 7);
    EXPECT_EQ(fake::Utf8(form1.Window().Caption()).rfind("Flame:7 Second:", 0), 0u);
}

TEST_F(FrameCaptureTest, FramesPastThirtyTwoThousandKeepCounting) {
    Start(true, 0, 0, 8, 8);
    form1.framecount = 32767;
    TickAt(0);
    TickAt(100);
    ASSERT_EQ(fake.avi.writes.size(), 2u);
    EXPECT_EQ(fake.avi.writes[1].position, 32768);
    EXPECT_EQ(form1.framecount, 32769);
}

TEST_F(FrameCaptureTest, FailedWriteEndsTheRecordingAndLaterTicksAreNotCounted) {
    fake.avi.script.failWriteAt = 1;
    Start(false);
    TickAt(0);
    TickAt(100);
    EXPECT_FALSE(form1.RecordingInProgress());
    EXPECT_EQ(form1.framecount, 0);
    EXPECT_EQ(fake::Utf8(form1.Window().Caption()), "Tamsy");
    EXPECT_EQ(fake.toolkit.messages.size(), 1u);
    EXPECT_TRUE(fake.files.Exists(u"C:\\rec\\movie.avi"));
}

TEST_F(FrameCaptureTest, EveryTickSavesTheFrameBeforeWritingIt) {
    Start(true, 0, 0, 16, 16);
    form1.Timer2_Timer();
    const auto& frame = fake.files.contents[u"C:\\Temp\\tem.bmp"];
    ASSERT_GE(frame.size(), 54u);
    ASSERT_EQ(fake.avi.writes.size(), 1u);
    EXPECT_EQ(fake.avi.writes[0].data, std::vector<std::uint8_t>(frame.begin() + 54, frame.end()));
}

// Ticks at these times after the start, as a timer that cannot wake exactly on time delivers
// them; the stream gets one entry for each slot that has come: "F" a frame grabbed now, "h" an
// empty chunk on the file's own stream that holds the picture before it.
struct SlotCase {
    const char* name;
    bool area;
    std::vector<std::int64_t> ticksMs;
    std::string slots;
    std::int32_t grabs;  // screen copies made
    std::int32_t nextTickMs;  // the wait the mode's timer was given last
};

class SlotTest : public FrameCaptureTest, public ::testing::WithParamInterface<SlotCase> {};

TEST_P(SlotTest, EachSlotThatHasComeIsWrittenOnceAndTheTimerWaitsForTheNext) {
    const SlotCase& c = GetParam();
    Start(c.area, 0, 0, 64, 48);
    for (const std::int64_t ms : c.ticksMs) TickAt(ms);
    std::string slots;
    for (std::size_t i = 0; i < fake.avi.writes.size(); ++i) {
        const auto& write = fake.avi.writes[i];
        EXPECT_EQ(write.position, static_cast<std::int32_t>(i));
        const bool held = write.stream == fake::FakeAvi::kStream && write.size == 0 && write.flags == 0;
        EXPECT_TRUE(held || write.stream == fake::FakeAvi::kCompressed) << "write " << i;
        slots += held ? 'h' : 'F';
    }
    EXPECT_EQ(slots, c.slots);
    EXPECT_EQ(form1.framecount, static_cast<std::int32_t>(c.slots.size()));
    EXPECT_EQ(std::count(fake.log.begin(), fake.log.end(), "SaveImage C:\\Temp\\tem.bmp"), c.grabs);
    EXPECT_EQ((c.area ? form1.Timer2() : form1.Timer1()).Interval(), c.nextTickMs);
    EXPECT_EQ((c.area ? form1.Timer1() : form1.Timer2()).Interval(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, SlotTest,
    ::testing::Values(SlotCase{"OnTime", false, {0, 100, 200}, "FFF", 3, 100},
                      SlotCase{"AreaOnTime", true, {2, 103, 201}, "FFF", 3, 99},
                      SlotCase{"EarlyTicksGrabNothing", false, {0, 40, 99, 100}, "FF", 2, 100},
                      SlotCase{"LateFramesTakeTheirOwnSlot", false, {0, 180, 430}, "FhFhF", 3, 70},
                      SlotCase{"AreaMuchTooLate", true, {0, 1000}, "FhhhhhhhhhF", 2, 100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameCaptureTest, PauseAndTheCloseQuestionLeaveTheirTimeOut) {
    Start(false, 0, 0, 64, 48);
    const auto askToClose = [&](double answeredAt) {
        fake.toolkit.messageAnswers = {platform::MsgBoxResult::No};
        fake.toolkit.onMessage = [&, answeredAt] { fake.toolkit.clock = answeredAt; };
        form1.Unload();
        fake.toolkit.DeliverPosted();
    };
    TickAt(0);
    TickAt(100);
    form2.pause_Click();  // at 100 ms of recorded time
    TickAt(3000);         // a tick already queued when the pause came
    askToClose(36015.0);  // asked while paused: No must not end the pause
    EXPECT_FALSE(form1.Timer1().Enabled());
    fake.toolkit.clock = 36020.0;
    form2.pause_Click();  // continue
    EXPECT_TRUE(form1.Timer1().Enabled());
    fake.toolkit.clock = 36020.1;
    form1.Timer1_Timer();
    askToClose(36030.1);  // the question stays open for 10 s
    EXPECT_TRUE(form1.Timer1().Enabled());
    fake.toolkit.clock = 36030.2;
    form1.Timer1_Timer();
    EXPECT_EQ(fake.avi.writes.size(), 4u);
    for (const auto& write : fake.avi.writes) EXPECT_EQ(write.stream, fake::FakeAvi::kCompressed);
    EXPECT_EQ(form1.Timeline().RecordedMicroseconds(36030'200'000), 300'000);
    EXPECT_EQ(form1.starttime, 36000 + 20 + 10);  // the caption's seconds leave out the same waits
}

// Older games switch the display to fewer colours: the frame files then no longer have the
// stream's format. The recording goes on with the picture before them, and says so once.
TEST_F(FrameCaptureTest, ADisplayThatChangesDepthKeepsRecordingAndIsToldOnceAfterTheStop) {
    Start(false, 0, 0, 64, 48);
    TickAt(0);
    fake.displayBitCount = 16;
    TickAt(100);
    TickAt(200);
    EXPECT_TRUE(form1.RecordingInProgress());
    EXPECT_TRUE(fake.toolkit.messages.empty());
    form2.done_Click();
    ASSERT_EQ(fake.toolkit.messages.size(), 1u);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].text),
              "录制中有 2 帧画面无法读取，已用前一帧代替：录制时屏幕的大小或颜色改变了，或临时文件夹已满。");
    ASSERT_EQ(fake.avi.writes.size(), 3u);
    EXPECT_EQ(fake.avi.writes[2].stream, fake::FakeAvi::kStream);
}

struct ElapsedCase {
    double clock;
    std::int32_t start;
    const char* text;
};

class ElapsedTest : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(ElapsedTest, PrintsAsManyDigitsAsTheClockCarries) {
    EXPECT_EQ(fake::Utf8(FormatElapsed(GetParam().clock, GetParam().start)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Clock, ElapsedTest,
                         ::testing::Values(ElapsedCase{36002.5390625, 36000, "2.5390625"},
                                           ElapsedCase{36000.0 + 2539 / 1000.0, 36000, "2.539"},
                                           ElapsedCase{36002.1, 36000, "2.1"},
                                           ElapsedCase{36000.0, 36000, "0"},
                                           ElapsedCase{36010.0, 36000, "10"},
                                           ElapsedCase{0.25, 0, "0.25"},
                                           ElapsedCase{5.5, 86395, "10.5"},
                                           ElapsedCase{36000.4, 36001, "-0.6"}));

}  // namespace
}  // namespace kest::recorder
