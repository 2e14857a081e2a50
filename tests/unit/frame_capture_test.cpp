#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include "unit/recording_fixture.h"

namespace kest::recorder {
namespace {

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
        if (!(next >> word >> dst >> x >> y >> w >> h >> src >> sx >> sy >> rop) || word != "BitBlt" ||
            joined.empty()) {
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

class FrameCaptureTest : public RecordingFixture {
protected:
    // Starts a recording in the given mode.
    void Start(bool area, std::int32_t x = 0, std::int32_t y = 0, std::int32_t w = 1920, std::int32_t h = 1080) {
        settings.area = area;
        recording.SetArea(x, y, w, h);
        ASSERT_TRUE(RecordingFixture::Start());
    }
    std::string Cursor() const { return std::to_string(fake.desktop.cursor); }
    // The video stream's slots so far: "F" a picture, "h" an empty chunk holding the one before.
    std::string Slots() const {
        std::string slots;
        for (const auto& write : fake.avi.writes) {
            if (write.stream == fake::FakeAvi::kSoundStream) continue;
            slots += write.stream == fake::FakeAvi::kStream && write.size == 0 ? 'h' : 'F';
        }
        return slots;
    }
};

TEST_F(FrameCaptureTest, FullScreenTickGrabsThroughTheClipboard) {
    Start(false);
    EXPECT_TRUE(TickAt(0).wrote);
    EXPECT_EQ(fake.log,
              (Log{"keybd_event 44 0 0 0", "LoadClipboardBitmap", "PaintPicture 0 0 28800 16200", "GetCursorPos",
                   "DrawIcon " + kCanvas + " 92 92 " + Cursor(), "ReadImage", "AVIStreamWrite 0"}));
    EXPECT_EQ(Fields().framecount, 1);
    EXPECT_EQ(Fields().cursorpos, (platform::Point{100, 100}));
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
    TickAt(0);
    Log expected{"keybd_event 44 0 0 0"};
    if (GetParam().triesToLoad) expected.push_back("LoadClipboardBitmap");
    expected.insert(expected.end(), {"GetDC 0", "BitBlt " + kCanvas + " 0 0 1920 1080 " + kScreen + " 0 0 " + kSrcCopy,
                                     "ReleaseDC 0 " + kScreen});
    const Log log = JoinBands(fake.log);
    EXPECT_EQ(Log(log.begin(), log.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(std::count(log.begin(), log.end(), "AVIStreamWrite 0"), 1);
}

INSTANTIATE_TEST_SUITE_P(Clipboard, ClipboardFallbackTest,
                         ::testing::Values(ClipboardCase{"KeyLeavesClipboardUnchanged", false, false, false},
                                           // A bitmap copied before the recording is not a picture of the screen now.
                                           ClipboardCase{"OldBitmapStillThere", false, true, false},
                                           ClipboardCase{"ClipboardChangedWithoutBitmap", true, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameCaptureTest, AreaTickCopiesTheRectangle) {
    Start(true, 300, 200, 960, 540);
    TickAt(0);
    TickAt(100);
    const Log log = JoinBands(fake.log);
    EXPECT_EQ(Log(log.begin(), log.begin() + 7),
              (Log{"GetDC 0", "BitBlt " + kCanvas + " 0 0 960 540 " + kScreen + " 300 200 " + kSrcCopy,
                   "ReleaseDC 0 " + kScreen, "GetCursorPos", "DrawIcon " + kCanvas + " -208 -108 " + Cursor(),
                   "ReadImage", "AVIStreamWrite 0"}));
    EXPECT_EQ(Fields().framecount, 2);
    EXPECT_EQ(
        std::count_if(fake.log.begin(), fake.log.end(), [](const std::string& e) { return e.starts_with("BitBlt"); }),
        1 + 2)
        << "the recording's first copy in one piece, the later ones in bands of a megabyte";
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
    EXPECT_EQ(
        Log(log.begin(), log.begin() + 5),
        (Log{"GetDC 0",
             "BitBlt " + kCanvas + " 0 0 " + std::to_string(c.rect.right) + " " + std::to_string(c.rect.bottom) + " " +
                 kScreen + " " + std::to_string(c.rect.left) + " " + std::to_string(c.rect.top) + " " + kSrcCopy,
             "ReleaseDC 0 " + kScreen, "GetCursorPos",
             "DrawIcon " + kCanvas + " " + std::to_string(c.drawnAt.x) + " " + std::to_string(c.drawnAt.y) + " " +
                 Cursor()}));
}

INSTANTIATE_TEST_SUITE_P(Screens, MonitorCaptureTest,
                         ::testing::Values(MonitorCase{"WholeMonitorLeftOfAndAboveThePrimary",
                                                       {{0, 0, 1920, 1080}, {-1280, -300, 0, 724}},
                                                       1,
                                                       false,
                                                       {-1280, -300, 1280, 1024},
                                                       {-1000, -100},
                                                       {272, 192}},
                                           MonitorCase{"PrimaryOfTwoWithoutPrintScreen",
                                                       {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}},
                                                       0,
                                                       false,
                                                       {0, 0, 1920, 1080},
                                                       {100, 100},
                                                       {92, 92}},
                                           MonitorCase{"AreaAcrossAMonitorLeftOfThePrimary",
                                                       {{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}},
                                                       0,
                                                       true,
                                                       {-300, 200, 600, 400},
                                                       {-10, 300},
                                                       {282, 92}},
                                           MonitorCase{"AreaAcrossAMonitorAboveThePrimary",
                                                       {{0, 0, 1920, 1080}, {0, -1080, 1920, 0}},
                                                       0,
                                                       true,
                                                       {100, -50, 640, 100},
                                                       {100, 100},
                                                       {-8, 142}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameCaptureTest, APointerFarOffTheScreenIsDrawnOffTheCanvasWithoutOverflow) {
    Start(true, 300, 200, 64, 48);
    fake.desktop.cursorPosition = {INT32_MIN, INT32_MIN + 5};
    TickAt(0);
    const std::string min = std::to_string(INT32_MIN);
    EXPECT_NE(
        std::find(fake.log.begin(), fake.log.end(), "DrawIcon " + kCanvas + " " + min + " " + min + " " + Cursor()),
        fake.log.end());
}

TEST_F(FrameCaptureTest, CursorIsNeitherReadNorDrawnWhenNotRecorded) {
    settings.cursor = false;
    Start(false);
    TickAt(0);
    auto seen = fake.log;
    recording.Stop(Ending::Stopped);
    Start(true, 10, 10, 100, 100);
    TickAt(0);
    seen.insert(seen.end(), fake.log.begin(), fake.log.end());
    for (const auto& entry : seen) {
        EXPECT_NE(entry, "GetCursorPos");
        EXPECT_NE(entry.rfind("DrawIcon", 0), 0u) << entry;
    }
    EXPECT_EQ(Fields().cursorpos, (platform::Point{})) << "never read";
}

// An hour's slots missed at once (a machine that slept) are held, and the frame count goes past
// what 16 bits hold.
TEST_F(FrameCaptureTest, FramesPastThirtyTwoThousandKeepCounting) {
    Start(true, 0, 0, 8, 8);
    TickAt(0);
    TickAt(3'276'800);
    TickAt(3'276'900);
    ASSERT_EQ(fake.avi.writes.size(), 32770u);
    EXPECT_EQ(fake.avi.writes[32768].position, 32768);
    EXPECT_EQ(fake.avi.writes[32768].stream, fake::FakeAvi::kCompressed);
    EXPECT_EQ(fake.avi.writes[32769].position, 32769);
    EXPECT_EQ(Fields().framecount, 32770);
}

TEST_F(FrameCaptureTest, EveryTickHandsTheCanvasAsItIsToTheWriter) {
    Start(true, 0, 0, 16, 16);
    TickAt(0);
    ASSERT_EQ(fake.avi.writes.size(), 1u);
    ASSERT_FALSE(Canvas().lentPixels.empty());
    EXPECT_EQ(fake.avi.writes[0].data, Canvas().lentPixels);
}

// Ticks at these times after the start, as a timer that cannot wake exactly on time delivers
// them; the stream gets one entry for each slot that has come: "F" a frame grabbed now, "h" an
// empty chunk on the file's own stream that holds the picture before it.
struct SlotCase {
    const char* name;
    bool area;
    std::vector<std::int64_t> ticksMs;
    std::string slots;
    std::int32_t grabs;       // screen copies made
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
    EXPECT_EQ(Fields().framecount, static_cast<std::int32_t>(c.slots.size()));
    EXPECT_EQ(std::count(fake.log.begin(), fake.log.end(), "ReadImage"), c.grabs);
    EXPECT_EQ((c.area ? timer2 : timer1)->Interval(), c.nextTickMs);
    EXPECT_EQ((c.area ? timer1 : timer2)->Interval(), 0);
}

INSTANTIATE_TEST_SUITE_P(Ticks, SlotTest,
                         ::testing::Values(SlotCase{"OnTime", false, {0, 100, 200}, "FFF", 3, 100},
                                           SlotCase{"AreaOnTime", true, {2, 103, 201}, "FFF", 3, 99},
                                           SlotCase{"EarlyTicksGrabNothing", false, {0, 40, 99, 100}, "FF", 2, 100},
                                           SlotCase{"LateFramesTakeTheirOwnSlot", false, {0, 180, 430}, "FhFhF", 3, 70},
                                           SlotCase{"AreaMuchTooLate", true, {0, 1000}, "FhhhhhhhhhF", 2, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameCaptureTest, PauseAndTheCloseQuestionLeaveTheirTimeOut) {
    Start(false, 0, 0, 64, 48);
    const auto wait = [&](Wait why, double from, double to) {
        fake.toolkit.clock = from;
        recording.Hold(why);
        fake.toolkit.clock = to;
        recording.Release(why);
    };
    TickAt(0);
    TickAt(100);
    fake.toolkit.clock = kStartClock + 0.1;
    recording.Hold(Wait::Pause);             // at 100 ms of recorded time
    TickAt(3000);                            // a tick already queued when the pause came
    wait(Wait::Question, 36010.0, 36015.0);  // asked while paused: No must not end the pause
    EXPECT_FALSE(timer1->Enabled());
    fake.toolkit.clock = 36020.0;
    recording.Release(Wait::Pause);
    EXPECT_TRUE(timer1->Enabled());
    fake.toolkit.clock = 36020.1;
    recording.Tick();
    wait(Wait::Question, 36020.1, 36030.1);  // the question stays open for 10 s
    EXPECT_TRUE(timer1->Enabled());
    fake.toolkit.clock = 36030.2;
    recording.Tick();
    EXPECT_EQ(fake.avi.writes.size(), 4u);
    for (const auto& write : fake.avi.writes) EXPECT_EQ(write.stream, fake::FakeAvi::kCompressed);
    EXPECT_EQ(recording.Timeline().RecordedMicroseconds(36030'200'000), 300'000);
    EXPECT_EQ(Fields().starttime, 36000 + 20 + 10);  // the caption's seconds leave out the same waits
}

// The recorder keeps out of its own recording: while one of its windows shows on the recorded
// part (here from 200 to 300 ms), the slots hold the picture before it; beside the part, on the
// other monitor, minimised or hidden, it holds nothing.
struct OwnWindowCase {
    const char* name;
    bool area;  // the rectangle (300, 200) 640 x 480, or the whole screen
    std::vector<platform::Rect> monitors;
    std::size_t windowMonitor;  // the main window's at the start: the whole screen recorded
    fake::FakeWindowApi::TopLevel window;
    const char* slots;
};

class OwnWindowTest : public FrameCaptureTest, public ::testing::WithParamInterface<OwnWindowCase> {};

TEST_P(OwnWindowTest, SlotsHoldWhileTheRecordersWindowShowsOnTheRecordedPart) {
    const OwnWindowCase& c = GetParam();
    fake.desktop.monitors = c.monitors;
    fake.desktop.windowMonitor = c.windowMonitor;
    c.area ? Start(true, 300, 200, 640, 480) : Start(false);
    TickAt(0);
    TickAt(100);
    fake.windows.threadWindows[0x3001] = c.window;
    TickAt(200);
    TickAt(300);
    fake.windows.threadWindows.clear();
    TickAt(400);
    EXPECT_EQ(Slots(), c.slots);
    EXPECT_EQ(Fields().framecount, 5) << "held slots are counted: the file plays as long as it was recorded";
}

const std::vector<platform::Rect> kOneMonitor{{0, 0, 1920, 1080}};
const std::vector<platform::Rect> kTwoMonitors{{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}};

INSTANTIATE_TEST_SUITE_P(
    Windows, OwnWindowTest,
    ::testing::Values(
        OwnWindowCase{"MainWindowRestored", false, kOneMonitor, 0, {{748, 356, 1172, 724}}, "FFhhF"},
        OwnWindowCase{"MenuOpen", false, kOneMonitor, 0, {{750, 380, 830, 460}}, "FFhhF"},
        OwnWindowCase{"MainWindowMinimised", false, kOneMonitor, 0, {{748, 356, 1172, 724}, true, true}, "FFFFF"},
        OwnWindowCase{"HiddenWindow", false, kOneMonitor, 0, {{748, 356, 1172, 724}, false}, "FFFFF"},
        OwnWindowCase{"AreaQuestionOverTheRectangle", true, kOneMonitor, 0, {{500, 400, 700, 500}}, "FFhhF"},
        OwnWindowCase{"AreaWindowTouchingTheRectangle", true, kOneMonitor, 0, {{939, 679, 1200, 900}}, "FFhhF"},
        OwnWindowCase{"AreaMainWindowBeside", true, kOneMonitor, 0, {{940, 680, 1364, 1048}}, "FFFFF"},
        OwnWindowCase{"MessageBoxOnTheOtherMonitor", false, kTwoMonitors, 1, {{800, 500, 1100, 650}}, "FFFFF"},
        OwnWindowCase{"MessageBoxOnTheRecordedMonitor", false, kTwoMonitors, 1, {{2000, 100, 2300, 300}}, "FFhhF"}),
    [](const auto& info) { return std::string(info.param.name); });

// After the start the main window is on its way down; the first picture is taken once it has
// gone from the recorded part, and the slots it waited through hold that first picture.
TEST_F(FrameCaptureTest, TheFirstPictureWaitsForTheMainWindowToGo) {
    fake.windows.threadWindows[0x3001] = {{748, 356, 1172, 724}};
    Start(false);
    TickAt(0);
    TickAt(50);
    EXPECT_EQ(Slots(), "");
    EXPECT_EQ(timer1->Interval(), 10) << "it looks again soon";
    fake.windows.threadWindows[0x3001].iconic = true;
    TickAt(150);
    TickAt(300);
    EXPECT_EQ(Slots(), "FhhF") << "slot 0 is the picture without the window, held until the next comes";
    EXPECT_EQ(fake.avi.writes[0].position, 0);
}

// A person who keeps the window there (recording the recorder on purpose) is not kept waiting.
TEST_F(FrameCaptureTest, TheFirstPictureWaitsOnlyASecond) {
    fake.windows.threadWindows[0x3001] = {{0, 0, 400, 300}};
    Start(false);
    TickAt(500);
    EXPECT_EQ(Slots(), "");
    TickAt(1001);
    EXPECT_EQ(Slots(), "F");
}

// Older games switch the display to fewer colours: the canvas then no longer has the stream's
// format. A canvas that cannot lend its pixels is no better. The recording goes on with the
// picture before them, and says so once.
class UnusableFrameTest : public FrameCaptureTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UnusableFrameTest, KeepsRecordingAndIsToldOnceAfterTheStop) {
    Start(false, 0, 0, 64, 48);
    TickAt(0);
    if (GetParam()) {
        fake.displayBitCount = 16;
    } else {
        Canvas().readImageFails = true;
    }
    TickAt(100);
    TickAt(200);
    EXPECT_TRUE(recording.InProgress());
    const std::vector<Notice> told = recording.Stop(Ending::Stopped);
    EXPECT_EQ(Texts(told),
              std::vector<std::string>{
                  "录制中有 2 帧画面无法读取，已用前一帧代替：录制时屏幕的颜色设置改变了。"});
    EXPECT_EQ(told[0].icon, platform::MsgBoxIcon::Information);
    EXPECT_EQ(Slots(), "Fhh");
}

INSTANTIATE_TEST_SUITE_P(Causes, UnusableFrameTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "DepthChanged" : "NothingLent"; });

}  // namespace
}  // namespace kest::recorder
