// Capture benchmark. With a desktop-like picture on the screen (text lines, coloured boxes, a
// gradient, a counter that changes), either records through the main window's own capture
// ticks for a fixed time and prints the rate, the process's working set and the codec's share,
// or ("stages") runs the frame path one stage at a time and prints what each stage costs, and
// what each zlib level would give on the same frame. Dialogs are answered as a person would.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "codec/win32_screen_codec.h"
#include "codec/zmbv.h"
#include "recorder/controlmenu/form2.h"
#include "recorder/engine/cdib.h"
#include "recorder/mainwindow/form1.h"

#include <windows.h>
#include <psapi.h>

#include "win32/support/dialog_watcher.h"
#include "win32/support/frames.h"
#include "win32/support/test_platform.h"

namespace {

using Clock = std::chrono::steady_clock;
int repaints = 0;

double Ms(Clock::time_point begin) { return std::chrono::duration<double, std::milli>(Clock::now() - begin).count(); }

double WorkingSetMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize / 1048576.0;
}

LRESULT CALLBACK DesktopProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        ++repaints;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT all;
    GetClientRect(hwnd, &all);
    for (int x = 0; x < all.right; x += 8) {  // a gradient band along the top
        RECT band{x, 0, x + 8, 120};
        HBRUSH brush = CreateSolidBrush(RGB(x * 255 / all.right, 80, 255 - x * 255 / all.right));
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
    RECT page{0, 120, all.right, all.bottom};
    FillRect(dc, &page, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const COLORREF boxes[] = {RGB(220, 60, 60), RGB(60, 160, 60), RGB(60, 90, 200), RGB(240, 200, 40)};
    for (int i = 0; i < 12; ++i) {
        RECT box{1300 + (i % 3) * 200, 160 + (i / 3) * 220, 1480 + (i % 3) * 200, 360 + (i / 3) * 220};
        HBRUSH brush = CreateSolidBrush(boxes[i % 4]);
        FillRect(dc, &box, brush);
        DeleteObject(brush);
    }
    SetBkMode(dc, TRANSPARENT);
    for (int line = 0; line < 55; ++line) {
        const std::wstring text = L"Line " + std::to_wstring(line) + L": the quick brown fox jumps over the lazy dog " +
                                  L"0123456789 录像 " + std::to_wstring(repaints * 7 + line);
        TextOutW(dc, 40, 140 + line * 17, text.c_str(), static_cast<int>(text.size()));
    }
    EndPaint(hwnd, &paint);
    return 0;
}

HWND ShowDesktop() {
    WNDCLASSW desktop{};
    desktop.lpfnWndProc = DesktopProcedure;
    desktop.hInstance = GetModuleHandleW(nullptr);
    desktop.lpszClassName = L"KestBenchDesktop";
    RegisterClassW(&desktop);
    HWND window = CreateWindowExW(0, L"KestBenchDesktop", L"desktop", WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  desktop.hInstance, nullptr);
    SetTimer(window, 1, 500, nullptr);  // the page changes, and is repainted after the dialogs
    UpdateWindow(window);
    return window;
}

struct Stage {
    const char* name;
    double total = 0;
};

// The frame path one stage at a time on the recorder's own canvas and writer.
void RunStages(kest::testing::TestPlatform& windows, kest::recorder::Form1& form1, kest::recorder::AVIDecs& avi,
               double seconds) {
    using kest::codec::win32::ScreenCodecWork;
    auto& canvas = form1.Picture1();
    const auto frameFile = form1.FrameFilePath();
    kest::recorder::cDIB reader(windows.files, windows.toolkit);
    Stage grab{"grab (BitBlt)"}, save{"frame-file save (with alpha)"}, read{"read-back (cDIB)"},
        write{"read-back + AVIStreamWrite"};
    const auto codecBefore = ScreenCodecWork();
    int frames = 0;
    const auto begin = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - begin).count() < seconds) {
        auto t = Clock::now();
        const kest::platform::Handle screen = windows.desktop.GetDC(0);
        windows.desktop.BitBlt(canvas.Hdc(), 0, 0, form1.aviwidth, form1.aviheight, screen, 0, 0,
                               kest::platform::kSrcCopy);
        windows.desktop.ReleaseDC(0, screen);
        grab.total += Ms(t);
        t = Clock::now();
        canvas.SaveImage(frameFile);
        save.total += Ms(t);
        t = Clock::now();
        reader.CreateFromFile(frameFile);
        read.total += Ms(t);
        t = Clock::now();
        if (avi.WriteAviFrame(frames, frameFile) != kest::recorder::FrameWrite::Written) break;
        write.total += Ms(t);
        ++frames;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    const auto codec = ScreenCodecWork();
    const double compress = (codec.seconds - codecBefore.seconds) * 1000;
    const double n = frames ? frames : 1;
    std::printf("stages frames=%d\n", frames);
    for (const Stage* s : {&grab, &save, &read}) std::printf("  %-34s %7.2f ms\n", s->name, s->total / n);
    std::printf("  %-34s %7.2f ms\n", "compression (inside the codec)", compress / n);
    std::printf("  %-34s %7.2f ms\n", "AVI write (the rest of the write)", (write.total - read.total - compress) / n);
    if (codec.frames > codecBefore.frames) {
        std::printf("  %-34s %7.1f kB\n", "compressed frame",
                    (codec.bytes - codecBefore.bytes) / 1000.0 / (codec.frames - codecBefore.frames));
    }

    // Two ways of making the canvas opaque, on a buffer of the frame's size.
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(form1.aviwidth) * form1.aviheight * 4);
    auto t = Clock::now();
    for (int r = 0; r < 20; ++r)
        for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0xFF;
    const double bytewise = Ms(t) / 20;
    t = Clock::now();
    for (int r = 0; r < 20; ++r) {
        auto* words = reinterpret_cast<std::uint32_t*>(pixels.data());
        for (std::size_t i = 0; i < pixels.size() / 4; ++i) words[i] |= 0xFF000000u;
    }
    std::printf("  alpha 0xFF: byte stores %.2f ms, word OR %.2f ms\n", bytewise, Ms(t) / 20);

    // What each zlib level gives on the last frame.
    reader.CreateFromFile(frameFile);
    kest::codec::BitmapHeader input;
    input.width = reader.Width();
    input.height = reader.Height();
    input.bitCount = static_cast<std::uint16_t>(reader.BitCount());
    std::vector<std::uint8_t> out(kest::codec::MaxFrameBytes(input));
    std::printf("  zlib level   ms/frame   kB/frame\n");
    for (int level : {1, 2, 3, 4, 6, 9}) {
        kest::codec::ZmbvEncoder encoder(level);
        encoder.Begin(input);
        std::size_t size = 0;
        t = Clock::now();
        for (int r = 0; r < 5; ++r) size = encoder.EncodeKeyFrame(reader.PointerToBits(), nullptr, out.data(), out.size()).value_or(0);
        std::printf("  %10d %10.1f %10.1f\n", level, Ms(t) / 5, size / 1000.0);
    }
}

// What keeping the file readable costs on its own: frames so small that the rest of the frame
// path costs next to nothing, written with the headers kept and without, in alternating rounds.
// The machine is shared, so each setting's fastest round is the best estimate of its cost.
void RunHeaderCost(kest::testing::TestPlatform& windows, const std::wstring& output, double seconds) {
    const auto frame = kest::testing::ToText(output + L".bmp");
    kest::testing::WriteFile(windows.files, frame, kest::testing::PatternBmp(64, 48, 32, 0));
    constexpr int kRounds = 8;
    std::vector<double> us[2];
    for (int round = 0; round < kRounds; ++round) {
        for (bool keep : {true, false}) {
            kest::recorder::AVIDecs avi(windows.platform);
            avi.SetKeepsFileReadable(keep);
            kest::testing::DialogWatcher watcher({kest::testing::AnswerCompressionDialog(L"Full Frames (Uncompressed)")});
            if (!avi.OpenAviOutput(0, frame, kest::testing::ToText(output), 10) || !watcher.Finish()) return;
            int frames = 0;
            const auto begin = Clock::now();
            while (std::chrono::duration<double>(Clock::now() - begin).count() < seconds / (2 * kRounds) &&
                   avi.WriteAviFrame(frames, frame) == kest::recorder::FrameWrite::Written) {
                ++frames;
            }
            us[keep].push_back(std::chrono::duration<double, std::micro>(Clock::now() - begin).count() / frames);
            avi.CloseAviOutput();
            DeleteFileW(output.c_str());
        }
    }
    for (bool keep : {true, false}) {
        auto& v = us[keep];
        std::sort(v.begin(), v.end());
        std::printf("header readable=%-3s us_per_frame min=%.1f median=%.1f max=%.1f\n", keep ? "on" : "off", v.front(),
                    v[v.size() / 2], v.back());
    }
    std::printf("header cost us_per_frame=%.1f (fastest rounds)\n", us[1].front() - us[0].front());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: capture_bench full|area|stages|header raw|zmbv SECONDS OUTPUT.avi [unkept]\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    const bool ours = std::wstring(argv[2]) == L"zmbv";
    const double seconds = _wtof(argv[3]);
    const std::wstring output = argv[4];
    kest::codec::win32::InstallScreenCodec();
    HWND desktop = ShowDesktop();

    kest::testing::TestPlatform windows;
    kest::recorder::AVIDecs avi(windows.platform);
    // "unkept": the same run without keeping the file readable, to see what that costs.
    avi.SetKeepsFileReadable(!(argc > 5 && std::wstring(argv[5]) == L"unkept"));
    if (mode == L"header") {
        RunHeaderCost(windows, output, seconds);
        DestroyWindow(desktop);
        return 0;
    }
    kest::recorder::Form1 form1(windows.platform, avi);
    kest::recorder::Form2 form2(windows.platform, form1);
    form1.Load(form2);
    form2.Window().Show();
    if (mode == L"area") {
        // A quarter of the screen, from its centre part.
        const int width = GetSystemMetrics(SM_CXSCREEN) / 2, height = GetSystemMetrics(SM_CYSCREEN) / 2;
        form2.recordareae().SetChecked(true);
        form1.x0 = width / 2;
        form1.y0 = height / 2;
        form1.aviwidth = width;
        form1.aviheight = height;
    }

    const wchar_t* compressor = ours ? L"Velvra 无损屏幕编码 (ZMBV)" : L"Full Frames (Uncompressed)";
    kest::testing::DialogWatcher watcher(
        {kest::testing::AnswerSaveDialog(output), kest::testing::AnswerCompressionDialog(compressor)});
    form2.start_Click();
    if (!watcher.Finish() || !form1.RecordingInProgress()) {
        std::fprintf(stderr, "could not start: %s\n", watcher.Failure().c_str());
        return 1;
    }
    if (mode == L"stages") {
        form1.Timer1().SetInterval(0);  // the stages are driven here instead of by the ticks
        form1.Timer2().SetInterval(0);
        RunStages(windows, form1, avi, seconds);
        avi.CloseAviOutput();
        DestroyWindow(desktop);
        return 0;
    }

    const auto begin = Clock::now();
    const auto limit = std::chrono::duration<double>(seconds);
    double startMemory = 0, peakMemory = 0;
    int frames = 0;
    kest::testing::WaitUntil(
        [&] {
            frames = form1.framecount;
            const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
            if (startMemory == 0 && elapsed >= 2) startMemory = WorkingSetMb();
            if (startMemory != 0) peakMemory = std::max(peakMemory, WorkingSetMb());
            return !form1.RecordingInProgress() || Clock::now() - begin >= limit;
        },
        std::chrono::seconds(static_cast<int>(seconds) + 30));
    const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
    const bool hitLimit = !form1.RecordingInProgress();
    if (!hitLimit) frames = form1.framecount;
    const double endMemory = WorkingSetMb();
    form2.done_Click();
    const auto codec = kest::codec::win32::ScreenCodecWork();
    std::printf("mode=%ls codec=%s size=%dx%d frames=%d seconds=%.2f fps=%.1f working_set_mb(2s/peak/end)=%.1f/%.1f/%.1f",
                mode.c_str(), ours ? "zmbv" : "raw", form1.aviwidth, form1.aviheight, frames, elapsed, frames / elapsed,
                startMemory, peakMemory, endMemory);
    if (codec.frames) std::printf(" compress_ms=%.1f", codec.seconds * 1000 / codec.frames);
    std::printf("%s\n", hitLimit ? " (stopped early: size limit or full disk)" : "");
    DestroyWindow(desktop);
    return 0;
}
