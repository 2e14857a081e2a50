// Recording what is on the screen: a window with a known pattern is recorded through the main
// window's own capture ticks, and ffmpeg's decoding of the file must show the pattern and the
// cursor where the pointer was.

#include <gtest/gtest.h>

#include <optional>

#include "recorder/controlmenu/form2.h"
#include "recorder/mainwindow/form1.h"

#include <windows.h>
#include "win32/support/dialog_watcher.h"
#include "win32/support/pattern_window.h"
#include "win32/support/test_platform.h"
#include "win32/support/tools.h"
#include "support/recorder_test.h"

namespace kest::testing {
namespace {

using recorder::AVIDecs;
using recorder::Form1;
using recorder::Form2;

// Away from where the save and compression dialogs come up, so nothing they leave behind
// can cover it.
constexpr RECT kPattern{1400, 650, 1800, 950};  // screen pixels
constexpr COLORREF kQuadrants[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};

// The colour of the quadrant at pattern-relative (x, y).
COLORREF QuadrantColour(int x, int y) {
    const int w = kPattern.right - kPattern.left, h = kPattern.bottom - kPattern.top;
    return kQuadrants[(x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0)];
}

class CaptureTest : public RecorderTest<TestPlatform> {
protected:
    void SetUp() override {
        if (!RunningUnderWine()) GTEST_SKIP() << "the recordings are judged by the host's ffmpeg";
        pattern.emplace(kPattern, QuadrantColour);
        form1.Load(form2);
        form2.Window().Show();
        // The cursor a person sees over our windows; the recording draws the one current at start.
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }

    // Records until `frames` frames are written, then stops.
    void Record(const std::wstring& file, int frames) {
        ASSERT_TRUE(AnswerStart([&] { form2.start_Click(); }, file));
        ASSERT_TRUE(form1.RecordingInProgress());
        pattern->Repaint();
        ASSERT_TRUE(WaitUntil([&] { return Rec().Fields().framecount >= frames; }, std::chrono::seconds(60)))
            << "only " << Rec().Fields().framecount << " frames";
        form2.done_Click();
        ASSERT_TRUE(windows.toolkit.messages.empty());
    }

    struct Frame {
        std::vector<std::uint8_t> bgra;
        int width;
        bool Has(int x, int y, COLORREF colour) const {
            const std::uint8_t* p = bgra.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            return p[0] == GetBValue(colour) && p[1] == GetGValue(colour) && p[2] == GetRValue(colour);
        }
        bool Opaque() const {
            for (std::size_t i = 3; i < bgra.size(); i += 4)
                if (bgra[i] != 0xFF) return false;
            return true;
        }
        bool Dark(int x, int y) const {
            const std::uint8_t* p = bgra.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            return p[0] < 64 && p[1] < 64 && p[2] < 64;
        }
    };

    Frame Decode(const std::wstring& file, int index, int width) {
        auto pixels = DecodeFrame(file, index, "bgra");
        EXPECT_TRUE(pixels.has_value()) << "frame " << index;
        return {pixels.value_or(std::vector<std::uint8_t>{}), width};
    }

    // The pattern at its place in the frame (`at`: where its corner lies), but for the cursor's
    // box, which is checked on its own.
    void ExpectPattern(const Frame& frame, POINT at, POINT cursor) {
        const RECT box{cursor.x - 2, cursor.y - 2, cursor.x + 40, cursor.y + 40};
        EXPECT_EQ(pattern->Differences(frame.bgra, frame.width, at, box), 0);
    }

    // The cursor's picture starts 8 pixels up and left of the pointer: dark pixels of the arrow
    // just there, and the untouched background just outside its corner.
    void ExpectCursorAt(const Frame& frame, POINT corner, COLORREF background) {
        int dark = 0;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) dark += frame.Dark(corner.x + x, corner.y + y) ? 1 : 0;
        EXPECT_GT(dark, 3) << "no cursor at " << corner.x << "," << corner.y;
        EXPECT_TRUE(frame.Has(corner.x - 2, corner.y - 2, background));
        EXPECT_TRUE(frame.Has(corner.x + 60, corner.y + 60, background));
    }

    std::optional<PatternWindow> pattern;
    TestPlatform& windows = host;
    std::wstring folder = ScratchFolder(L"capture");
};

TEST_F(CaptureTest, FullScreenFramesShowTheScreenAndTheCursor) {
    const POINT pointer{kPattern.left + 300, kPattern.top + 225};  // over the white quadrant
    SetCursorPos(pointer.x, pointer.y);
    const std::wstring file = folder + L"full.avi";
    Record(file, 4);

    const int width = GetSystemMetrics(SM_CXSCREEN);
    auto probe = ProbeVideo(file);
    EXPECT_EQ(probe["width"], std::to_string(width));
    EXPECT_EQ(probe["height"], std::to_string(GetSystemMetrics(SM_CYSCREEN)));
    // A busy machine holds a slot now and then: it decodes to no frame.
    const int decoded = std::atoi(probe["nb_read_frames"].c_str());
    EXPECT_EQ(std::atoi(probe["nb_frames"].c_str()), decoded + HeldSlots(file));
    EXPECT_GE(decoded + HeldSlots(file), 4);
    for (int n : {0, decoded - 1}) {
        const Frame frame = Decode(file, n, width);
        ASSERT_FALSE(frame.bgra.empty());
        EXPECT_TRUE(frame.Opaque()) << "players that honour alpha must see the picture";
        const POINT corner{pointer.x - 8, pointer.y - 8};
        ExpectPattern(frame, {kPattern.left, kPattern.top}, corner);
        ExpectCursorAt(frame, corner, RGB(255, 255, 255));
    }
    EXPECT_EQ(form1.Window().Caption(), u"Tamsy");
}

// On two monitors (scripts/screens-run.sh) with the main window moved to the second, right of
// the primary: that monitor is recorded, the cursor where the pointer is on it.
TEST_F(CaptureTest, OnTwoMonitorsFullScreenRecordsTheMonitorOfTheMainWindow) {
    if (!TwoMonitors()) GTEST_SKIP() << "one monitor";
    MONITORINFO second{};
    second.cbSize = sizeof second;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint({GetSystemMetrics(SM_CXSCREEN), 0}, MONITOR_DEFAULTTONULL), &second));
    const RECT m = second.rcMonitor;
    const POINT at{m.left + 600, m.top + 200};
    pattern->MoveTo(at);
    SetWindowPos(reinterpret_cast<HWND>(form1.Window().Hwnd()), nullptr, m.left + 100, m.top + 550, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    const POINT pointer{at.x + 300, at.y + 225};
    SetCursorPos(pointer.x, pointer.y);
    const std::wstring file = folder + L"second.avi";
    Record(file, 5);

    auto probe = ProbeVideo(file);
    EXPECT_EQ(probe["width"], std::to_string(m.right - m.left));
    EXPECT_EQ(probe["height"], std::to_string(m.bottom - m.top));
    const Frame frame = Decode(file, std::atoi(probe["nb_read_frames"].c_str()) - 1, m.right - m.left);
    ASSERT_FALSE(frame.bgra.empty());
    const POINT corner{pointer.x - 8 - m.left, pointer.y - 8 - m.top};
    ExpectPattern(frame, {at.x - m.left, at.y - m.top}, corner);
    ExpectCursorAt(frame, corner, RGB(255, 255, 255));
}

TEST_F(CaptureTest, AreaFramesShowTheRectangleAndTheCursorInItsCoordinates) {
    // Chosen on the overlay as a person would: dragged from corner to corner, then a click.
    form2.recordareae_Click();
    ASSERT_TRUE(form3.Loaded());
    const auto twips = [](LONG pixels) { return static_cast<float>(pixels * 15); };
    form3.Form_MouseDown(1, 0, twips(kPattern.left), twips(kPattern.top));
    form3.Form_MouseMove(1, 0, twips(kPattern.right), twips(kPattern.bottom));
    form3.Form_MouseUp(1, 0, twips(kPattern.right), twips(kPattern.bottom));
    form3.Form_MouseDown(1, 0, twips((kPattern.left + kPattern.right) / 2),
                         twips((kPattern.top + kPattern.bottom) / 2));
    ASSERT_FALSE(form3.Loaded());
    ClipCursor(nullptr);
    const POINT pointer{kPattern.left + 320, kPattern.top + 240};
    SetCursorPos(pointer.x, pointer.y);
    const std::wstring file = folder + L"area.avi";
    Record(file, 4);

    auto probe = ProbeVideo(file);
    EXPECT_EQ(probe["width"], "400");
    EXPECT_EQ(probe["height"], "300");
    EXPECT_EQ(probe["r_frame_rate"], "10/1");
    const int decoded = std::atoi(probe["nb_read_frames"].c_str());
    EXPECT_EQ(std::atoi(probe["nb_frames"].c_str()), decoded + HeldSlots(file));
    for (int n : {0, decoded - 1}) {
        const Frame frame = Decode(file, n, 400);
        ASSERT_EQ(frame.bgra.size(), 400u * 300 * 4);
        EXPECT_TRUE(frame.Opaque());
        const POINT corner{320 - 8, 240 - 8};
        ExpectPattern(frame, {0, 0}, corner);
        ExpectCursorAt(frame, corner, RGB(255, 255, 255));
    }
}

}  // namespace
}  // namespace kest::testing
