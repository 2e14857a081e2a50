// Every screen a person has. The main window at the display's scaling, read back from the screen
// and checked against its layout; scripts/screens-run.sh runs it again at 144 dpi. On two monitors
// (the same script's Xephyr display): a full-screen recording with the main window on the second
// monitor, and a rectangle dragged there with the X pointer, each recorded exactly.
#include "recorder/areaselect/form3.h"
#include "recorder/controlmenu/form2.h"
#include "recorder/mainwindow/form1.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "win32/support/dialog_watcher.h"
#include "win32/support/test_platform.h"
#include "win32/support/tools.h"
#include "support/recorder_test.h"

inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; }

namespace kest::testing {
namespace {

constexpr COLORREF kToolbarLine = RGB(107, 153, 209);
constexpr COLORREF kQuadrants[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
constexpr int kPatternWidth = 400, kPatternHeight = 300;

bool Dark(COLORREF c) { return GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c) < 1000; }

LRESULT CALLBACK PatternProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    for (int q = 0; q < 4; ++q) {
        RECT part{(q % 2) * kPatternWidth / 2, (q / 2) * kPatternHeight / 2, (q % 2 + 1) * kPatternWidth / 2,
                  (q / 2 + 1) * kPatternHeight / 2};
        HBRUSH brush = CreateSolidBrush(kQuadrants[q]);
        FillRect(dc, &part, brush);
        DeleteObject(brush);
    }
    EndPaint(hwnd, &paint);
    return 0;
}

COLORREF PatternAt(int x, int y) { return kQuadrants[(x >= kPatternWidth / 2 ? 1 : 0) + (y >= kPatternHeight / 2 ? 2 : 0)]; }

class ScreensTest : public RecorderTest<TestPlatform> {
protected:
    void TearDown() override {
        if (pattern_) DestroyWindow(pattern_);
    }
    static HWND Hwnd(const platform::Control& c) { return reinterpret_cast<HWND>(c.Hwnd()); }
    static RECT OnScreen(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        return r;
    }
    // The part of the screen a window's region lets through, in screen pixels.
    static RECT RegionOnScreen(HWND window) {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        RECT box{};
        if (GetWindowRgn(window, region) != ERROR) GetRgnBox(region, &box);
        DeleteObject(region);
        const RECT at = OnScreen(window);
        OffsetRect(&box, at.left, at.top);
        return box;
    }
    // Rows of `area` that hold dark (text) pixels: first and one past the last; empty when none.
    static std::pair<int, int> InkRows(const RECT& area) {
        HDC screen = GetDC(nullptr);
        int first = area.bottom, last = area.top;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (Dark(GetPixel(screen, x, y))) {
                    first = std::min(first, y);
                    last = std::max(last, y + 1);
                }
        ReleaseDC(nullptr, screen);
        return {first, last};
    }

    // The monitor that is not the primary.
    static RECT SecondMonitor() {
        RECT found{};
        EnumDisplayMonitors(
            nullptr, nullptr,
            [](HMONITOR monitor, HDC, LPRECT, LPARAM data) {
                MONITORINFO info{};
                info.cbSize = sizeof info;
                GetMonitorInfoW(monitor, &info);
                if (!(info.dwFlags & MONITORINFOF_PRIMARY)) *reinterpret_cast<RECT*>(data) = info.rcMonitor;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }
    // Above the recorder's dialogs when `topmost`; the overlay must lie above it where it drags.
    void ShowPattern(int x, int y, bool topmost) {
        WNDCLASSW cls{};
        cls.lpfnWndProc = PatternProcedure;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"KestScreensPattern";
        RegisterClassW(&cls);
        pattern_ = CreateWindowExW((topmost ? WS_EX_TOPMOST : 0) | WS_EX_TOOLWINDOW, cls.lpszClassName, L"pattern", WS_POPUP | WS_VISIBLE,
                                   x, y, kPatternWidth, kPatternHeight, nullptr, nullptr, cls.hInstance, nullptr);
        UpdateWindow(pattern_);
    }
    void Record(const std::wstring& file, int frames) {
        DialogWatcher watcher({AnswerSaveDialog(file), AnswerCompressionDialog(L"Full Frames (Uncompressed)")});
        form2.start_Click();
        ASSERT_TRUE(watcher.Finish()) << watcher.Failure();
        ASSERT_TRUE(form1.RecordingInProgress());
        RedrawWindow(pattern_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        ASSERT_TRUE(WaitUntil([&] { return form1.framecount >= frames; }, std::chrono::seconds(60)));
        form2.done_Click();
    }
    // The last picture of the file as rows of BGRA pixels, checked to be `width` x `height`
    // (slots the machine had no time for hold no picture of their own).
    std::vector<std::uint8_t> LastFrame(const std::wstring& file, int width, int height) {
        auto probe = ProbeVideo(file);
        EXPECT_EQ(probe["width"], std::to_string(width));
        EXPECT_EQ(probe["height"], std::to_string(height));
        const int pictures = std::atoi(probe["nb_read_frames"].c_str());
        EXPECT_GE(pictures, 2) << probe["output"];
        auto pixels = DecodeFrame(file, pictures - 1, "bgra").value_or(std::vector<std::uint8_t>{});
        EXPECT_EQ(pixels.size(), static_cast<std::size_t>(width) * height * 4);
        return pixels;
    }
    static COLORREF At(const std::vector<std::uint8_t>& bgra, int width, int x, int y) {
        const std::uint8_t* p = bgra.data() + (static_cast<std::size_t>(y) * width + x) * 4;
        return RGB(p[2], p[1], p[0]);
    }

    HWND pattern_ = nullptr;
    std::wstring folder_ = ScratchFolder(L"screens");
};

// Skin, title, menu strip and outline as designed; at 150 % the system's text was 1.5 times as
// tall, cutting the title and pushing the strip over the toolbar's line, and a line of the wider
// frame showed outside the borders.
TEST_F(ScreensTest, TheWindowLooksAsDesignedAtTheDisplaysScaling) {
    form1.Load(form2);
    const RECT label = OnScreen(Hwnd(form1.Label1()));
    const RECT caption = OnScreen(Hwnd(form1.backcaption()));
    // The title's columns, left of the caption's buttons.
    const RECT title{label.left, caption.top, std::min(label.right, OnScreen(Hwnd(form1.rightcaption())).left), caption.bottom};
    ASSERT_TRUE(WaitUntil([&] { return InkRows(title).first < title.bottom; }, std::chrono::seconds(10)))
        << "no title drawn; " << SaveScreenshot("no-title");
    HDC dc = GetDC(nullptr);
    std::printf("at %d dpi\n", GetDeviceCaps(dc, LOGPIXELSY));
    ReleaseDC(nullptr, dc);
    const std::string shot = SaveScreenshot("window-look");

    // The title: its first letter whole, a row clear below it, inside the caption strip above
    // the strip's bottom line.
    const auto [titleTop, titleEnd] = InkRows(title);
    EXPECT_GE(titleTop, label.top) << shot;
    EXPECT_LE(titleEnd, label.bottom) << shot;
    EXPECT_LT(titleEnd, caption.bottom - 1) << shot;
    int firstColumn = label.left;
    while (firstColumn < label.right && InkRows({firstColumn, label.top, firstColumn + 1, label.bottom}).first >= label.bottom)
        ++firstColumn;
    EXPECT_LE(InkRows({firstColumn, label.top, firstColumn + 3, label.bottom}).second, label.bottom - 1)
        << "the title's first letter is cut; " << shot;

    // The menu strip: inside the toolbar's band, above its bottom line, the titles whole inside it.
    const RECT toolbar = OnScreen(Hwnd(form1.toolbarback()));
    const RECT strip = RegionOnScreen(reinterpret_cast<HWND>(form2.Window().Hwnd()));
    const int line = toolbar.bottom - 1;
    EXPECT_GT(strip.top, toolbar.top) << shot;
    EXPECT_LT(strip.bottom, line) << shot;
    const auto [menuTop, menuEnd] = InkRows(strip);
    EXPECT_GT(menuTop, strip.top) << shot;
    EXPECT_LT(menuEnd, strip.bottom) << shot;
    dc = GetDC(nullptr);
    for (int x = strip.left; x < strip.right; ++x) {
        ASSERT_EQ(GetPixel(dc, x, line), kToolbarLine) << "the toolbar's line is covered at " << x << "; " << shot;
    }
    ReleaseDC(nullptr, dc);

    // The outline ends on the right and bottom borders, so no line of the frame shows outside them.
    const RECT outline = RegionOnScreen(reinterpret_cast<HWND>(form1.Window().Hwnd()));
    EXPECT_EQ(outline.right, OnScreen(Hwnd(form1.rightborder())).right) << shot;
    EXPECT_EQ(outline.bottom, OnScreen(Hwnd(form1.bottomborder())).bottom) << shot;
}

class TwoMonitorsTest : public ScreensTest {
protected:
    void SetUp() override {
        if (!RunningUnderWine()) GTEST_SKIP() << "the recordings are judged by the host's ffmpeg";
        if (GetSystemMetrics(SM_CMONITORS) < 2) GTEST_SKIP() << "one monitor (scripts/screens-run.sh gives two)";
        second_ = SecondMonitor();
        form1.Load(form2);
        form2.Window().Show();
    }
    RECT second_{};
};

TEST_F(TwoMonitorsTest, FullScreenRecordsTheMonitorTheMainWindowIsOn) {
    const POINT at{second_.left + 600, second_.top + 200};  // the pattern, on the second monitor
    ShowPattern(at.x, at.y, true);
    const HWND main = reinterpret_cast<HWND>(form1.Window().Hwnd());
    SetWindowPos(main, nullptr, second_.left + 100, second_.top + 550, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const POINT pointer{at.x + 300, at.y + 225};  // over the white quadrant
    SetCursorPos(pointer.x, pointer.y);
    const std::wstring file = folder_ + L"second.avi";
    Record(file, 5);

    const int width = second_.right - second_.left, height = second_.bottom - second_.top;
    const auto frame = LastFrame(file, width, height);
    ASSERT_FALSE(frame.empty());
    const int px = at.x - second_.left, py = at.y - second_.top;
    for (int y = 5; y < kPatternHeight; y += 37)
        for (int x = 5; x < kPatternWidth; x += 41)
            if (x < 280 || y < 205) ASSERT_EQ(At(frame, width, px + x, py + y), PatternAt(x, y)) << x << "," << y;
    int dark = 0;  // the cursor, 8 pixels up and left of the pointer on this monitor
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) dark += Dark(At(frame, width, pointer.x - 8 - second_.left + x, pointer.y - 8 - second_.top + y));
    EXPECT_GT(dark, 3) << "no cursor where the pointer was";
}

TEST_F(TwoMonitorsTest, ARectangleDraggedWithThePointerOnTheSecondMonitorIsRecordedExactly) {
    const POINT at{second_.left + 500, second_.top + 300};
    ShowPattern(at.x, at.y, false);
    form2.recordareae_Click();
    ASSERT_NE(form2.AreaOverlay(), nullptr);
    const POINT from{at.x + 50, at.y + 40}, to{at.x + 350, at.y + 260};
    const recorder::Form3& overlay = *form2.AreaOverlay();
    // The X server's pointer, as a person's hand moves it: drag, and once the rectangle follows
    // the pointer, click to fix it.
    const auto person = [&](const std::string& xdotool, const std::function<bool()>& done) {
        ToolResult result;
        std::thread hand([&] { result = RunHostShell("xdotool " + xdotool); });
        const bool reached = WaitUntil(done, std::chrono::seconds(20));
        hand.join();
        return reached ? std::string{} : "xdotool " + xdotool + ": " + result.output + SaveScreenshot("no-rectangle");
    };
    const auto point = [](POINT p) { return std::to_string(p.x) + " " + std::to_string(p.y); };
    ASSERT_EQ(person("mousemove " + point(from) + " mousedown 1 mousemove " + point({(from.x + to.x) / 2, from.y}) +
                         " mousemove " + point(to) + " mouseup 1",
                     [&] { return overlay.moving; }),
              "");
    ASSERT_EQ(person("mousemove " + point({(from.x + to.x) / 2, (from.y + to.y) / 2}) + " click 1",
                     [&] { return !overlay.Loaded(); }),
              "");
    EXPECT_EQ((RECT{form1.x0, form1.y0, form1.x0 + form1.aviwidth, form1.y0 + form1.aviheight}),
              (RECT{from.x, from.y, to.x, to.y}));

    SetCursorPos(second_.left + 5, second_.bottom - 5);  // out of the picture
    const std::wstring file = folder_ + L"dragged.avi";
    Record(file, 5);
    const int width = to.x - from.x, height = to.y - from.y;
    const auto frame = LastFrame(file, width, height);
    ASSERT_FALSE(frame.empty());
    for (int y = 0; y < height; y += 7)
        for (int x = 0; x < width; x += 9) ASSERT_EQ(At(frame, width, x, y), PatternAt(x + 50, y + 40)) << x << "," << y;
}

}  // namespace
}  // namespace kest::testing
