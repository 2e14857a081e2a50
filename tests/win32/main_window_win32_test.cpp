// The skinned main window on real windows: its outline and pieces read back from the system,
// real mouse input dragging and sizing it, the caption buttons, the close question, and the
// regions a long resize makes.
#include "recorder/controlmenu/form2.h"
#include "recorder/mainwindow/form1.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "win32/support/dialog_watcher.h"
#include "win32/support/input.h"
#include "win32/support/test_platform.h"
#include "win32/support/tools.h"
#include "support/recorder_test.h"

namespace kest::testing {
namespace {

using recorder::AVIDecs;
using recorder::Form1;
using recorder::Form2;

// Counts the regions made and freed at the seam, where Wine reports no GDI object count.
class CountingWindowApi : public platform::win32::Win32WindowApi {
public:
    int live = 0;
    platform::Handle CreateRectRgn(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override {
        ++live;
        return Win32WindowApi::CreateRectRgn(l, t, r, b);
    }
    platform::Handle CreateRoundRectRgn(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, std::int32_t w,
                                        std::int32_t h) override {
        ++live;
        return Win32WindowApi::CreateRoundRectRgn(l, t, r, b, w, h);
    }
    bool DeleteObject(platform::Handle object) override {
        const bool deleted = Win32WindowApi::DeleteObject(object);
        if (deleted) --live;
        return deleted;
    }
    std::int32_t SetWindowRgn(platform::Handle window, platform::Handle region, bool redraw) override {
        const std::int32_t taken = Win32WindowApi::SetWindowRgn(window, region, redraw);
        if (taken) --live;  // the window owns it now
        return taken;
    }
};

struct CountingPlatform : TestPlatform {
    CountingWindowApi counting;
    platform::Platform countingPlatform{avi, files, desktop, toolkit, counting, hooks, dialogs, sound};
};
platform::Platform& PlatformOf(CountingPlatform& windows) { return windows.countingPlatform; }

class MainWindowWin32Test : public RecorderTest<CountingPlatform> {
protected:
    void SetUp() override {
        form1.Load(form2);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(Main()) != 0; }, std::chrono::seconds(10)));
    }
    HWND Main() { return reinterpret_cast<HWND>(form1.Window().Hwnd()); }
    HWND Piece(platform::Control& control) { return reinterpret_cast<HWND>(control.Hwnd()); }
    // A piece's rectangle in the main window's client coordinates.
    RECT InClient(HWND piece) {
        RECT r{};
        GetWindowRect(piece, &r);
        MapWindowPoints(HWND_DESKTOP, Main(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    POINT ScreenPointOf(HWND piece, int x, int y) {
        POINT p{x, y};
        ClientToScreen(piece, &p);
        return p;
    }
    void Pump(std::chrono::milliseconds time) {
        WaitUntil([] { return false; }, time);
    }

    CountingPlatform& windows = host;
};

TEST_F(MainWindowWin32Test, LoadsWithoutACaptionCentredAndCutToItsOutline) {
    EXPECT_EQ(GetWindowLongW(Main(), GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_EQ(GetWindowLongW(Main(), GWL_EXSTYLE) & WS_EX_LAYERED, 0) << "the fade ends unlayered";
    // The designed 416 x 341 client area; the frame the system gives the captionless window
    // may be a pixel or two narrower than the designed one, and the caption's height is client now.
    RECT client{};
    GetClientRect(Main(), &client);
    EXPECT_NEAR(client.right, 416, 2);
    EXPECT_GE(client.bottom, 341);
    RECT outer{};
    GetWindowRect(Main(), &outer);
    EXPECT_EQ(outer.right - outer.left, 424) << "outer size as designed: 416 and a 4-pixel frame each side";
    EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, 1);
    EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2, 1);

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(Main(), region), ERROR);
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_EQ(box.left, 4);
    EXPECT_EQ(box.right, outer.right - outer.left - 4);
    EXPECT_FALSE(PtInRegion(region, box.left, box.top)) << "top corners are rounded";
    EXPECT_FALSE(PtInRegion(region, box.right - 1, box.top));
    EXPECT_TRUE(PtInRegion(region, box.left, box.bottom - 1)) << "bottom corners are square";
    EXPECT_TRUE(PtInRegion(region, (box.left + box.right) / 2, box.top));
    DeleteObject(region);
}

// Read back from the screen at the display's scaling (scripts/screens-run.sh runs it at 144 dpi):
// the title whole inside the caption strip, the menu strip above the toolbar's line with its
// titles whole, and the outline ending on the right and bottom borders.
TEST_F(MainWindowWin32Test, LooksAsDesignedAtTheDisplaysScaling) {
    const auto onScreen = [](HWND w, bool region) {
        RECT r{}, box{};
        GetWindowRect(w, &r);
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        if (!region || GetWindowRgn(w, rgn) == ERROR)
            box = {0, 0, r.right - r.left, r.bottom - r.top};
        else
            GetRgnBox(rgn, &box);
        DeleteObject(rgn);
        OffsetRect(&box, r.left, r.top);
        return box;
    };
    const auto inkRows = [](const RECT& area) {  // first and one past the last row with dark pixels
        HDC screen = GetDC(nullptr);
        std::pair<int, int> rows{area.bottom, area.top};
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (const COLORREF c = GetPixel(screen, x, y);
                    GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c) < 1000)
                    rows = {std::min(rows.first, y), std::max(rows.second, y + 1)};
        ReleaseDC(nullptr, screen);
        return rows;
    };
    const RECT label = onScreen(Piece(form1.Label1()), false), caption = onScreen(Piece(form1.backcaption()), false);
    const RECT title{label.left, caption.top, onScreen(Piece(form1.rightcaption()), false).left, caption.bottom};
    ASSERT_TRUE(WaitUntil([&] { return inkRows(title).first < title.bottom; }, std::chrono::seconds(10)));
    const std::string shot = SaveScreenshot("window-look");
    EXPECT_GE(inkRows(title).first, label.top) << shot;
    EXPECT_LT(inkRows(title).second, caption.bottom - 1) << "above the caption's line; " << shot;
    int first = label.left;  // the first letter's columns: whole, with a clear row below it
    while (first < label.right && inkRows({first, label.top, first + 1, label.bottom}).first >= label.bottom) ++first;
    EXPECT_LT(inkRows({first, label.top, first + 3, label.bottom}).second, label.bottom) << shot;

    const RECT toolbar = onScreen(Piece(form1.toolbarback()), false);
    const RECT strip = onScreen(reinterpret_cast<HWND>(form2.Window().Hwnd()), true);
    const int line = toolbar.bottom - 1;
    EXPECT_GT(strip.top, toolbar.top) << shot;
    EXPECT_LT(strip.bottom, line) << shot;
    EXPECT_GT(inkRows(strip).first, strip.top) << "menu titles whole; " << shot;
    EXPECT_LT(inkRows(strip).second, strip.bottom) << shot;
    HDC screen = GetDC(nullptr);
    for (int x = strip.left; x < strip.right; ++x) EXPECT_EQ(GetPixel(screen, x, line), RGB(107, 153, 209)) << x;
    ReleaseDC(nullptr, screen);

    const RECT outline = onScreen(Main(), true);
    EXPECT_EQ(outline.right, onScreen(Piece(form1.rightborder()), false).right) << shot;
    EXPECT_EQ(outline.bottom, onScreen(Piece(form1.bottomborder()), false).bottom) << shot;
}

TEST_F(MainWindowWin32Test, PiecesFollowAResize) {
    SetWindowPos(Main(), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    GetClientRect(Main(), &client);
    const RECT right = InClient(Piece(form1.rightcaption()));
    EXPECT_EQ(right.left, client.right - 101 - 2);
    EXPECT_EQ(right.right - right.left, 101);
    EXPECT_EQ(InClient(Piece(form1.rightborder())).left, client.right - 4 - 1);
    EXPECT_EQ(InClient(Piece(form1.bottomborder())).top, client.bottom - 26);
    const RECT canvas = InClient(Piece(form1.Picture1()));
    EXPECT_EQ(canvas.right, client.right - 4 - 1);
    EXPECT_EQ(canvas.bottom, client.bottom - 26);
}

TEST_F(MainWindowWin32Test, RealMouseDragsTheCaptionAndSizesFromTheCorner) {
    RECT before{};
    GetWindowRect(Main(), &before);
    const POINT grip = ScreenPointOf(Piece(form1.backcaption()), 60, 12);
    {
        InputScript drag(Drag(grip, {grip.x + 120, grip.y + 70}));
        ASSERT_TRUE(WaitUntil([&] { return drag.Done(); }, std::chrono::seconds(20)));
    }
    Pump(std::chrono::milliseconds(200));
    RECT moved{};
    GetWindowRect(Main(), &moved);
    EXPECT_EQ(moved.left - before.left, 120);
    EXPECT_EQ(moved.top - before.top, 70);
    EXPECT_EQ(moved.right - moved.left, before.right - before.left);

    // The bottom-right corner of the bottom strip.
    RECT strip{};
    GetClientRect(Piece(form1.bottomborder()), &strip);
    RECT client{};
    GetClientRect(Main(), &client);
    const POINT corner = ScreenPointOf(Piece(form1.bottomborder()), client.right - 3, strip.bottom - 3);
    {
        InputScript size(Drag(corner, {corner.x + 150, corner.y + 90}));
        ASSERT_TRUE(WaitUntil([&] { return size.Done(); }, std::chrono::seconds(20)));
    }
    Pump(std::chrono::milliseconds(200));
    RECT sized{};
    GetWindowRect(Main(), &sized);
    EXPECT_EQ(sized.left, moved.left);
    EXPECT_EQ(sized.right - sized.left, moved.right - moved.left + 150);
    EXPECT_EQ(sized.bottom - sized.top, moved.bottom - moved.top + 90);
}

TEST_F(MainWindowWin32Test, RightClickOnTheCaptionOpensTheMenuAtThePointerAndLeavesTheWindowInPlace) {
    RECT before{};
    GetWindowRect(Main(), &before);
    const POINT at = ScreenPointOf(Piece(form1.backcaption()), 60, 12);
    RECT menu{};
    // The menu runs its own loop on this thread, so another one looks for it.
    std::thread watch([&] {
        HWND popup = WaitForWindow(
            GetCurrentProcessId(), L"#32768", [](HWND) { return true; }, std::chrono::seconds(10));
        if (popup) GetWindowRect(popup, &menu);
    });
    {
        InputScript click({MoveTo(at.x, at.y), Press(true), Release(true), Wait(600), KeyPress(VK_ESCAPE),
                           KeyRelease(VK_ESCAPE), Wait(200), MoveTo(at.x + 100, at.y + 80), Wait(200),
                           MoveTo(at.x + 160, at.y + 120), Wait(200)});
        ASSERT_TRUE(WaitUntil([&] { return click.Done(); }, std::chrono::seconds(20)));
    }
    watch.join();
    Pump(std::chrono::milliseconds(200));
    EXPECT_NEAR(menu.left, at.x, 2) << "the system menu opens at the pointer";
    EXPECT_NEAR(menu.top, at.y, 2);
    RECT after{};
    GetWindowRect(Main(), &after);
    EXPECT_EQ(after.left, before.left) << "the window does not follow the pointer after the menu";
    EXPECT_EQ(after.top, before.top);
}

TEST_F(MainWindowWin32Test, MaximiseButtonMaximisesWithinTheLimitsAndRestoreComesBack) {
    RECT normal{};
    GetWindowRect(Main(), &normal);
    const POINT maximise = ScreenPointOf(Piece(form1.CaptionButton(2).Surface()), 9, 9);
    {
        InputScript click(ClickAt(maximise));
        ASSERT_TRUE(WaitUntil([&] { return click.Done() && IsZoomed(Main()); }, std::chrono::seconds(20)));
    }
    Pump(std::chrono::milliseconds(200));
    RECT maximised{};
    GetWindowRect(Main(), &maximised);
    EXPECT_EQ(maximised.left, -4);
    EXPECT_EQ(maximised.top, -4);
    EXPECT_EQ(maximised.right - maximised.left, GetSystemMetrics(SM_CXSCREEN) + 8);
    RECT taskbar{};
    if (HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr)) GetWindowRect(tray, &taskbar);
    EXPECT_EQ(maximised.bottom - maximised.top, GetSystemMetrics(SM_CYSCREEN) - (taskbar.bottom - taskbar.top) + 9);
    EXPECT_FALSE(IsWindowVisible(Piece(form1.CaptionButton(2).Surface())));

    const POINT restore = ScreenPointOf(Piece(form1.CaptionButton(4).Surface()), 9, 9);
    {
        InputScript click(ClickAt(restore));
        ASSERT_TRUE(WaitUntil([&] { return click.Done() && !IsZoomed(Main()); }, std::chrono::seconds(20)));
    }
    RECT back{};
    GetWindowRect(Main(), &back);
    EXPECT_EQ(back.right - back.left, normal.right - normal.left);
    EXPECT_TRUE(IsWindowVisible(Piece(form1.CaptionButton(2).Surface())));
}

TEST_F(MainWindowWin32Test, PressingCloseAndReleasingElsewhereKeepsTheWindow) {
    const POINT close = ScreenPointOf(Piece(form1.CaptionButton(3).Surface()), 9, 9);
    {
        InputScript slip(Drag(close, {close.x - 80, close.y + 60}));
        ASSERT_TRUE(WaitUntil([&] { return slip.Done(); }, std::chrono::seconds(20)));
    }
    Pump(std::chrono::milliseconds(300));
    EXPECT_TRUE(IsWindow(Main()));
    {
        InputScript click(ClickAt(close));
        ASSERT_TRUE(WaitUntil([&] { return click.Done() && !IsWindow(Main()); }, std::chrono::seconds(20)));
    }
}

TEST_F(MainWindowWin32Test, RegionsStayBalancedOverTwoHundredResizeSteps) {
    const int before = windows.counting.live;
    for (int step = 0; step < 200; ++step) {
        SetWindowPos(Main(), nullptr, 0, 0, 430 + step, 380 + step / 2, SWP_NOMOVE | SWP_NOZORDER);
    }
    EXPECT_EQ(windows.counting.live, before);
}

TEST_F(MainWindowWin32Test, ClosingWhileRecordingAsksAndTheAnswerDecides) {
    if (!RunningUnderWine()) GTEST_SKIP() << "the recording is judged by the host's ffprobe";
    const std::wstring file = ScratchFolder(L"close") + L"closing";
    ASSERT_TRUE(AnswerStart([&] { form2.start_Click(); }, file));
    ASSERT_TRUE(WaitUntil([&] { return Rec().Fields().framecount >= 3; }, std::chrono::seconds(60)));

    windows.toolkit.questionAnswer = platform::MsgBoxResult::No;
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !windows.toolkit.messages.empty(); }, std::chrono::seconds(10)));
    EXPECT_EQ(windows.toolkit.messages.back().text, u"正在录制，是否停止？");
    EXPECT_EQ(windows.toolkit.messages.back().caption, u"Velvra");
    const int frames = Rec().Fields().framecount;
    ASSERT_TRUE(WaitUntil([&] { return Rec().Fields().framecount >= frames + 3; }, std::chrono::seconds(60)))
        << "the recording goes on after No";
    EXPECT_TRUE(IsWindow(Main()));

    windows.toolkit.questionAnswer = platform::MsgBoxResult::Yes;
    PostMessageW(Main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(Main()); }, std::chrono::seconds(10)));
    EXPECT_FALSE(form1.RecordingInProgress());
    auto probe = ProbeVideo(file + L".avi");
    EXPECT_EQ(probe["codec_name"], "rawvideo");
    const int slots = std::atoi(probe["nb_read_frames"].c_str()) + HeldSlots(file + L".avi");
    EXPECT_EQ(std::atoi(probe["nb_frames"].c_str()), slots);
    EXPECT_GE(slots, frames + 3);
}

}  // namespace
}  // namespace kest::testing
