// The menu strip and the area overlay on real windows: the strip inside the main window, pause
// and continue in a real recording, a rectangle dragged with real input and recorded exactly,
// and the menu answering real keys while the capture ticks run.
#include "recorder/areaselect/form3.h"
#include "recorder/controlmenu/form2.h"
#include "recorder/mainwindow/form1.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "win32/support/dialog_watcher.h"
#include "win32/support/input.h"
#include "win32/support/pattern_window.h"
#include "win32/support/test_platform.h"
#include "win32/support/tools.h"
#include "support/recorder_test.h"

namespace kest::testing {
namespace {

using recorder::AVIDecs;
using recorder::Form1;
using recorder::Form2;

// A picture of known colours away from the main window and from where the dialogs appear.
constexpr RECT kPattern{1300, 600, 1700, 900};

COLORREF PatternColour(int x, int y) {  // pattern-relative
    return RGB((x * 7) & 0xFF, (y * 5) & 0xFF, ((x / 20 + y / 20) % 2) ? 230 : 20);
}

class ControlMenuWin32Test : public RecorderTest<TestPlatform> {
protected:
    void SetUp() override {
        form1.Load(form2);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(Main()) != 0; }, std::chrono::seconds(10)));
    }
    HWND Main() { return reinterpret_cast<HWND>(form1.Window().Hwnd()); }
    HWND Strip() { return reinterpret_cast<HWND>(form2.Window().Hwnd()); }
    bool StartRecording(const std::wstring& file) {
        return AnswerStart([&] { form2.start_Click(); }, file) && form1.RecordingInProgress();
    }
    bool FramesReach(int frames) {
        return WaitUntil([&] { return Rec().Fields().framecount >= frames; }, std::chrono::seconds(60));
    }
    void Pump(std::chrono::milliseconds time) {
        WaitUntil([] { return false; }, time);
    }

    TestPlatform& windows = host;
    std::wstring folder = ScratchFolder(L"menu");
};

TEST_F(ControlMenuWin32Test, StripLiesInsideTheMainWindowOverTheToolbarCutToItsMenuBar) {
    EXPECT_EQ(GetAncestor(Strip(), GA_PARENT), Main());
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(Strip(), region), ERROR);
    RECT box{};
    GetRgnBox(region, &box);
    DeleteObject(region);
    // The strip shows the menu bar and nothing of the caption above it or the client below.
    MENUBARINFO bar{};
    bar.cbSize = sizeof bar;
    ASSERT_TRUE(GetMenuBarInfo(Strip(), OBJID_MENU, 0, &bar));
    RECT window{};
    GetWindowRect(Strip(), &window);
    OffsetRect(&bar.rcBar, -window.left, -window.top);
    EXPECT_GE(box.top, bar.rcBar.top);
    EXPECT_LE(box.bottom, bar.rcBar.bottom + 1);
    EXPECT_GE(box.bottom - box.top, bar.rcBar.bottom - bar.rcBar.top - 2);
    // On screen the strip lies within the toolbar band.
    RECT toolbar{};
    GetWindowRect(reinterpret_cast<HWND>(form1.toolbarback().Hwnd()), &toolbar);
    OffsetRect(&box, window.left, window.top);
    EXPECT_GE(box.top, toolbar.top);
    EXPECT_LE(box.bottom, toolbar.bottom);
    EXPECT_GE(box.left, toolbar.left);
}

TEST_F(ControlMenuWin32Test, PauseStopsTheFramesAndContinueResumesThem) {
    if (!RunningUnderWine()) GTEST_SKIP() << "the recording is judged by the host's ffprobe";
    const std::wstring file = folder + L"paused.avi";
    ASSERT_TRUE(StartRecording(file));
    ASSERT_TRUE(FramesReach(3));
    form2.pause_Click();
    const int paused = Rec().Fields().framecount;
    Pump(std::chrono::milliseconds(700));
    EXPECT_EQ(Rec().Fields().framecount, paused);
    EXPECT_EQ(form2.pause().Caption(), u"继续");
    form2.pause_Click();
    ASSERT_TRUE(FramesReach(paused + 3));
    const int frames = Rec().Fields().framecount;
    form2.done_Click();
    auto probe = ProbeVideo(file);
    EXPECT_EQ(std::atoi(probe["nb_frames"].c_str()), frames);
    EXPECT_EQ(std::atoi(probe["nb_read_frames"].c_str()) + HeldSlots(file), frames)
        << "slots held on a busy machine included";
    EXPECT_EQ(StrictDecode(file).output, "");
}

TEST_F(ControlMenuWin32Test, DraggedRectangleIsRecordedPixelForPixel) {
    if (!RunningUnderWine()) GTEST_SKIP() << "the recording is judged by the host's ffmpeg";
    // Not topmost: the overlay must cover it.
    PatternWindow pattern(kPattern, PatternColour, false);
    Pump(std::chrono::milliseconds(200));

    form2.recordareae_Click();
    ASSERT_TRUE(form3.Loaded());
    const POINT from{kPattern.left + 40, kPattern.top + 30}, to{kPattern.left + 240, kPattern.top + 150};
    auto steps = Drag(from, to);
    // Released, the rectangle follows the pointer, which now sits on its centre; a click fixes it.
    steps.push_back(Press());
    steps.push_back(Release());
    {
        InputScript drag(steps);
        ASSERT_TRUE(WaitUntil([&] { return drag.Done() && !form3.Loaded(); }, std::chrono::seconds(20)));
    }
    EXPECT_EQ(Rec().Fields().x0, from.x);
    EXPECT_EQ(Rec().Fields().y0, from.y);
    EXPECT_EQ(Rec().Fields().aviwidth, 200);
    EXPECT_EQ(Rec().Fields().aviheight, 120);
    EXPECT_TRUE(form2.recordareae().Checked());
    RECT clip{};
    GetClipCursor(&clip);
    EXPECT_EQ(clip.right - clip.left, GetSystemMetrics(SM_CXSCREEN)) << "the pointer is free again";

    form2.recordcursor_Click();  // no cursor over the pixels to compare
    pattern.Repaint();
    const std::wstring file = folder + L"area.avi";
    ASSERT_TRUE(StartRecording(file));
    EXPECT_EQ(form1.Timer1().Interval(), 0);
    EXPECT_GT(form1.Timer2().Interval(), 0);
    pattern.Repaint();
    ASSERT_TRUE(FramesReach(4));
    form2.done_Click();

    auto probe = ProbeVideo(file);
    EXPECT_EQ(probe["width"], "200");
    EXPECT_EQ(probe["height"], "120");
    const auto pixels = DecodeFrame(file, 3, "bgra");
    ASSERT_TRUE(pixels.has_value());
    ASSERT_EQ(pixels->size(), 200u * 120u * 4u);
    EXPECT_EQ(pattern.Differences(*pixels, 200, {-40, -30}), 0);
}

// On two monitors (scripts/screens-run.sh), with the X server's pointer as a person's hand moves
// it: a rectangle dragged on the second monitor, right of the primary, is recorded exactly.
TEST_F(ControlMenuWin32Test, OnTwoMonitorsARectangleDraggedOnTheSecondIsRecordedExactly) {
    if (!RunningUnderWine() || !TwoMonitors()) GTEST_SKIP() << "two monitors under Wine";
    const POINT at{GetSystemMetrics(SM_CXSCREEN) + 500, 300}, from{at.x + 40, at.y + 30}, to{at.x + 240, at.y + 150};
    PatternWindow pattern(kPattern, PatternColour, false);
    pattern.MoveTo(at);
    form2.recordareae_Click();
    const recorder::Form3& overlay = form3;
    const auto hand = [&](const std::string& moves, const std::function<bool()>& done) {
        ToolResult result;
        std::thread xdotool([&] { result = RunHostShell("xdotool " + moves); });
        const bool reached = WaitUntil(done, std::chrono::seconds(20));
        xdotool.join();
        return reached ? std::string{} : moves + ": " + result.output + SaveScreenshot("no-rectangle");
    };
    const auto point = [](int x, int y) { return " " + std::to_string(x) + " " + std::to_string(y); };
    ASSERT_EQ(hand("mousemove" + point(from.x, from.y) + " mousedown 1 mousemove" + point(at.x + 140, from.y) +
                       " mousemove" + point(to.x, to.y) + " mouseup 1",
                   [&] { return overlay.moving; }),
              "");
    ASSERT_EQ(hand("mousemove" + point((from.x + to.x) / 2, (from.y + to.y) / 2) + " click 1",
                   [&] { return !overlay.Loaded(); }),
              "");
    EXPECT_EQ(
        std::vector<int>({Rec().Fields().x0, Rec().Fields().y0, Rec().Fields().aviwidth, Rec().Fields().aviheight}),
        std::vector<int>({from.x, from.y, 200, 120}));

    form2.recordcursor_Click();
    const std::wstring file = folder + L"second.avi";
    ASSERT_TRUE(StartRecording(file));
    pattern.Repaint();
    ASSERT_TRUE(FramesReach(4));
    form2.done_Click();
    const auto pixels = DecodeFrame(file, std::atoi(ProbeVideo(file)["nb_read_frames"].c_str()) - 1, "bgra");
    ASSERT_TRUE(pixels.has_value() && pixels->size() == 200u * 120u * 4u);
    EXPECT_EQ(pattern.Differences(*pixels, 200, {-40, -30}), 0);
}

TEST_F(ControlMenuWin32Test, EscapeClosesTheOverlayAndFreesThePointer) {
    form2.recordareae_Click();
    ASSERT_TRUE(form3.Loaded());
    {
        InputScript drag(Drag({300, 300}, {500, 420}));
        ASSERT_TRUE(WaitUntil([&] { return drag.Done() && form3.moving; }, std::chrono::seconds(20)));
    }
    RECT clip{};
    GetClipCursor(&clip);
    EXPECT_LT(clip.right - clip.left, GetSystemMetrics(SM_CXSCREEN)) << "move mode keeps the rectangle on screen";
    {
        InputScript escape(Keys({VK_ESCAPE}));
        ASSERT_TRUE(WaitUntil([&] { return escape.Done() && !form3.Loaded(); }, std::chrono::seconds(20)));
    }
    GetClipCursor(&clip);
    EXPECT_EQ(clip.left, 0);
    EXPECT_EQ(clip.top, 0);
    EXPECT_EQ(clip.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(clip.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_FALSE(form2.recordareae().Checked());
}

TEST_F(ControlMenuWin32Test, MenuTakesEveryKeyWhileRecordingTenStopsInARow) {
    if (!RunningUnderWine()) GTEST_SKIP() << "the recordings are made with Wine's AVI library";
    int missed = 0;
    for (int take = 0; take < 10; ++take) {
        ASSERT_TRUE(StartRecording(folder + L"take" + std::to_wstring(take) + L".avi")) << "take " << take;
        ASSERT_TRUE(FramesReach(2));
        // A person brings the window back while it records and stops it from the File menu.
        ShowWindow(Main(), SW_RESTORE);
        SetForegroundWindow(Strip());
        SetFocus(Strip());
        Pump(std::chrono::milliseconds(100));
        auto keys = Keys({'F'}, {VK_MENU});
        keys.push_back(Wait(200));
        for (const auto& step : Keys({VK_DOWN, VK_DOWN, VK_RETURN})) keys.push_back(step);
        InputScript script(keys);
        if (!WaitUntil([&] { return script.Done() && !form1.RecordingInProgress(); }, std::chrono::seconds(10))) {
            ++missed;
            WaitUntil([&] { return script.Done(); }, std::chrono::seconds(10));
            keybd_event(VK_ESCAPE, 0, 0, 0);
            keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
            Pump(std::chrono::milliseconds(200));
            if (form1.RecordingInProgress()) form2.done_Click();
        }
    }
    EXPECT_EQ(missed, 0);
}

}  // namespace
}  // namespace kest::testing
