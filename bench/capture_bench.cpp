// Capture benchmark. With a desktop-like scene on the screen, either records through the main
// window's own capture ticks for a fixed time and reports the rate, the file's size and the
// process's working set ("full", "area"); or runs the frame path one stage at a time and reports
// what each stage costs, with a table of the codec's block sizes and zlib levels on frames of the
// scene ("stages"); or drives the full-screen tick itself and notes a checksum of every frame
// written, for the script to compare with ffmpeg's decoding ("verify"). Dialogs are answered as
// a person would.
//
// Scenes: "still" is a page where only a clock changes, once a second; "active" is an editor in
// which someone types (a character every 150 ms) while the page scrolls up a line a second.

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
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

double Ms(Clock::time_point begin) { return std::chrono::duration<double, std::milli>(Clock::now() - begin).count(); }
double Seconds(Clock::time_point begin) { return std::chrono::duration<double>(Clock::now() - begin).count(); }

double WorkingSetMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize / 1048576.0;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// ---- the scene ----

constexpr int kLineHeight = 17;
constexpr int kTextTop = 140;
constexpr UINT_PTR kClockTimer = 1, kTypingTimer = 2, kScrollTimer = 3;
bool activeScene = false;
int firstLine = 0;       // the editor's top line, one more each second
std::wstring typed;      // what has been typed on the editor's last line

int VisibleLines(const RECT& all) { return (all.bottom - kTextTop) / kLineHeight; }

RECT LineRect(const RECT& all, int row) {
    return {0, kTextTop + row * kLineHeight, all.right * 2 / 3, kTextTop + (row + 1) * kLineHeight};
}

void PaintPage(HDC dc, const RECT& all) {
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
        const int left = all.right * 2 / 3 + 20 + (i % 3) * all.right / 10, top = 160 + (i / 3) * 220;
        RECT box{left, top, left + all.right / 12, top + 200};
        HBRUSH brush = CreateSolidBrush(boxes[i % 4]);
        FillRect(dc, &box, brush);
        DeleteObject(brush);
    }
    SetBkMode(dc, TRANSPARENT);
    const int lines = VisibleLines(all);
    for (int row = 0; row < lines; ++row) {
        const int line = firstLine + row;
        std::wstring text = std::to_wstring(line) + L"  ";
        for (int part = 0; part < 3; ++part) {  // lines as long as an editor's, two thirds of the screen
            text += L"for (int i = " + std::to_wstring((line * 7919 + part * 104729) % 1000) +
                    L"; i < count; ++i) total += values[i] * w; ";
        }
        if (activeScene && row == lines - 1) text = std::to_wstring(line) + L"  " + typed;
        TextOutW(dc, 40, kTextTop + row * kLineHeight, text.c_str(), static_cast<int>(text.size()));
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t clock[16];
    swprintf(clock, 16, L"%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutW(dc, all.right - 120, 50, clock, 8);
}

LRESULT CALLBACK SceneProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    RECT all;
    GetClientRect(hwnd, &all);
    if (message == WM_TIMER) {
        if (wParam == kClockTimer) {
            RECT clock{all.right - 130, 40, all.right, 80};
            InvalidateRect(hwnd, &clock, FALSE);
        } else if (wParam == kTypingTimer) {
            static const std::wstring source = L"the quick brown fox jumps over the lazy dog; ";
            typed += source[typed.size() % source.size()];
            if (typed.size() > 150) typed.clear();
            RECT line = LineRect(all, VisibleLines(all) - 1);
            InvalidateRect(hwnd, &line, FALSE);
        } else if (wParam == kScrollTimer) {
            ++firstLine;
            RECT text{0, kTextTop, all.right * 2 / 3, kTextTop + VisibleLines(all) * kLineHeight};
            InvalidateRect(hwnd, &text, FALSE);
        }
        return 0;
    }
    if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    PaintPage(dc, all);  // drawing outside the update region is clipped away
    EndPaint(hwnd, &paint);
    return 0;
}

HWND CreateScene(bool active) {
    activeScene = active;
    WNDCLASSW scene{};
    scene.lpfnWndProc = SceneProcedure;
    scene.hInstance = GetModuleHandleW(nullptr);
    scene.lpszClassName = L"KestBenchScene";
    RegisterClassW(&scene);
    HWND window = CreateWindowExW(0, L"KestBenchScene", L"scene", WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  scene.hInstance, nullptr);
    SetTimer(window, kClockTimer, 1000, nullptr);
    if (active) {
        SetTimer(window, kTypingTimer, 150, nullptr);
        SetTimer(window, kScrollTimer, 1000, nullptr);
    }
    UpdateWindow(window);
    return window;
}

// The scene runs on a thread of its own, with its own message queue, as another program would:
// its painting does not happen inside the recorder's ticks.
void ShowScene(bool active) {
    HANDLE shown = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread([active, shown] {
        CreateScene(active);
        SetEvent(shown);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    }).detach();
    WaitForSingleObject(shown, INFINITE);
    CloseHandle(shown);
}

// ---- stages ----

struct Stage {
    const char* name;
    double total = 0;
};

kest::codec::BitmapHeader HeaderOf(const kest::recorder::cDIB& dib) {
    kest::codec::BitmapHeader input;
    input.width = dib.Width();
    input.height = dib.Height();
    input.bitCount = static_cast<std::uint16_t>(dib.BitCount());
    return input;
}

// The codec's block sizes and zlib levels on the same frames of the scene: a key frame, then
// inter frames.
void BlockAndLevelTable(kest::recorder::Form1& form1, kest::recorder::cDIB& reader, int count) {
    std::vector<std::vector<std::uint8_t>> frames;
    auto& canvas = form1.Picture1();
    const auto frameFile = form1.FrameFilePath();
    for (int n = 0; n < count; ++n) {
        const auto until = Clock::now() + std::chrono::milliseconds(150);
        while (Clock::now() < until) {
            PumpMessages();
            Sleep(5);
        }
        HDC screen = GetDC(nullptr);
        BitBlt(reinterpret_cast<HDC>(canvas.Hdc()), 0, 0, form1.aviwidth, form1.aviheight, screen, 0, 0, SRCCOPY);
        ReleaseDC(nullptr, screen);
        canvas.SaveImage(frameFile);
        reader.CreateFromFile(frameFile);
        frames.emplace_back(reader.PointerToBits(), reader.PointerToBits() + reader.SizeImage());
    }
    const auto input = HeaderOf(reader);
    std::printf("  %d frames of the scene, 150 ms apart:\n", count);
    std::printf("  %6s %6s %12s %12s %14s %14s\n", "block", "level", "key ms", "key kB", "inter ms", "inter kB");
    for (int block : {8, 16, 32}) {
        for (int level : {1, 3, 6}) {
            kest::codec::ZmbvEncoder encoder(level, block, level);
            encoder.Begin(input);
            std::vector<std::uint8_t> out(kest::codec::MaxFrameBytes(input, block));
            double keyMs = 0, interMs = 0;
            std::size_t keyBytes = 0, interBytes = 0;
            for (std::size_t n = 0; n < frames.size(); ++n) {
                const auto t = Clock::now();
                const auto coded = encoder.Encode(frames[n].data(), nullptr, n == 0, out.data(), out.size());
                const double ms = Ms(t);
                const std::size_t size = coded ? coded->size : 0;
                (n == 0 ? keyMs : interMs) += ms;
                (n == 0 ? keyBytes : interBytes) += size;
            }
            const double inter = static_cast<double>(frames.size() - 1);
            std::printf("  %6d %6d %12.1f %12.1f %14.2f %14.2f\n", block, level, keyMs, keyBytes / 1000.0,
                        interMs / inter, interBytes / 1000.0 / inter);
        }
    }
}

// The screen copied in one piece and in bands of so many kilobytes, the sizes taking turns so
// that the machine's other work falls on all of them alike; the median of each.
void GrabTable(kest::recorder::Form1& form1) {
    const int sizes[] = {0, 32, 64, 128, 256, 512, 1024};
    std::vector<double> times[std::size(sizes)];
    HDC canvas = reinterpret_cast<HDC>(form1.Picture1().Hdc());
    for (int round = 0; round < 9; ++round) {
        for (std::size_t i = 0; i < std::size(sizes); ++i) {
            const int rows = sizes[i] ? std::max(1, sizes[i] * 1024 / (form1.aviwidth * 4)) : form1.aviheight;
            const auto t = Clock::now();
            for (int r = 0; r < 4; ++r) {
                HDC screen = GetDC(nullptr);
                for (int top = 0; top < form1.aviheight; top += rows) {
                    BitBlt(canvas, 0, top, form1.aviwidth, std::min(rows, form1.aviheight - top), screen, 0, top, SRCCOPY);
                }
                ReleaseDC(nullptr, screen);
            }
            times[i].push_back(Ms(t) / 4);
        }
        PumpMessages();
    }
    std::printf("  grab in bands of kB (median ms):");
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        std::sort(times[i].begin(), times[i].end());
        if (sizes[i]) std::printf("  %d: %.1f", sizes[i], times[i][times[i].size() / 2]);
        else std::printf("  whole: %.1f", times[i][times[i].size() / 2]);
    }
    std::printf("\n");
}

// The frame path one stage at a time on the recorder's own canvas and writer.
void RunStages(kest::testing::TestPlatform& windows, kest::recorder::Form1& form1, kest::recorder::AVIDecs& avi,
               double seconds, bool table) {
    using kest::codec::win32::ScreenCodecWork;
    auto& canvas = form1.Picture1();
    const auto frameFile = form1.FrameFilePath();
    kest::recorder::cDIB reader(windows.files, windows.toolkit);
    Stage grab{"grab (BitBlt)"}, save{"frame-file save (with alpha)"}, read{"read-back (cDIB)"},
        write{"read-back + AVIStreamWrite"};
    const auto codecBefore = ScreenCodecWork();
    int frames = 0;
    const auto begin = Clock::now();
    while (Seconds(begin) < seconds) {
        auto t = Clock::now();
        const kest::platform::Handle screen = windows.desktop.GetDC(0);
        const int bandRows = std::max(1, (128 << 10) / (form1.aviwidth * 4));  // as the recorder's ticks copy it
        for (int top = 0; top < form1.aviheight; top += bandRows) {
            windows.desktop.BitBlt(canvas.Hdc(), 0, top, form1.aviwidth, std::min(bandRows, form1.aviheight - top),
                                   screen, 0, top, kest::platform::kSrcCopy);
        }
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
        PumpMessages();
    }
    const auto codec = ScreenCodecWork();
    const double compress = (codec.seconds - codecBefore.seconds) * 1000;
    const double n = frames ? frames : 1;
    std::printf("stages frames=%d\n", frames);
    for (const Stage* s : {&grab, &save, &read}) std::printf("  %-34s %7.2f ms\n", s->name, s->total / n);
    std::printf("  %-34s %7.2f ms\n", "compression (inside the codec)", compress / n);
    std::printf("  %-34s %7.2f ms\n", "AVI write (the rest of the write)", (write.total - read.total - compress) / n);
    if (codec.frames > codecBefore.frames) {
        std::printf("  %-34s %7.1f kB (%llu key frames)\n", "compressed frame",
                    (codec.bytes - codecBefore.bytes) / 1000.0 / (codec.frames - codecBefore.frames),
                    static_cast<unsigned long long>(codec.keyFrames - codecBefore.keyFrames));
    }
    // The tick as its timer runs it, with the PrintScreen key and the clipboard check.
    form1.framecount = frames;
    const auto t = Clock::now();
    for (int r = 0; r < 10; ++r) form1.Timer1_Timer();
    std::printf("  %-34s %7.2f ms\n", "whole full-screen tick", Ms(t) / 10);
    GrabTable(form1);
    if (table) BlockAndLevelTable(form1, reader, 16);
}

// ---- verify ----

// Drives the full-screen tick and notes the Adler-32 of every frame written, as ffmpeg's
// framecrc reports it for rgb24 (rows top-down, red first, summed from 0).
void RunVerify(kest::testing::TestPlatform& windows, kest::recorder::Form1& form1, double seconds,
               const std::wstring& listPath) {
    kest::recorder::cDIB reader(windows.files, windows.toolkit);
    FILE* list = _wfopen(listPath.c_str(), L"wb");  // lines as the host's tools read them
    std::vector<std::uint8_t> row(static_cast<std::size_t>(form1.aviwidth) * 3);
    const auto begin = Clock::now();
    int frames = 0;
    while (Seconds(begin) < seconds && form1.RecordingInProgress()) {
        form1.Timer1_Timer();
        ++frames;
        reader.CreateFromFile(form1.FrameFilePath());
        const int width = reader.Width(), height = reader.Height(), bytes = reader.BitCount() / 8;
        const std::size_t stride = (static_cast<std::size_t>(width) * reader.BitCount() + 31) / 32 * 4;
        uLong sum = 0;
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* from = reader.PointerToBits() + static_cast<std::size_t>(height - 1 - y) * stride;
            for (int x = 0; x < width; ++x) {
                row[x * 3] = from[x * bytes + 2];
                row[x * 3 + 1] = from[x * bytes + 1];
                row[x * 3 + 2] = from[x * bytes];
            }
            sum = adler32(sum, row.data(), static_cast<uInt>(width * 3));
        }
        std::fprintf(list, "0x%08lx\n", sum);
    }
    std::fclose(list);
    std::printf("verify frames=%d\n", frames);
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
        std::fprintf(stderr, "usage: capture_bench full|area|stages|verify|header raw|zmbv SECONDS OUTPUT.avi [still|active [unkept]]\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    const bool ours = std::wstring(argv[2]) == L"zmbv";
    const double seconds = _wtof(argv[3]);
    const std::wstring output = argv[4];
    const bool active = argc < 6 || std::wstring(argv[5]) != L"still";
    kest::codec::win32::InstallScreenCodec();
    ShowScene(active);

    kest::testing::TestPlatform windows;
    kest::recorder::AVIDecs avi(windows.platform);
    // "unkept": the same run without keeping the file readable, to see what that costs.
    avi.SetKeepsFileReadable(!(argc > 6 && std::wstring(argv[6]) == L"unkept"));
    if (mode == L"header") {
        RunHeaderCost(windows, output, seconds);
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
    if (mode == L"stages" || mode == L"verify") {
        form1.Timer1().SetInterval(0);  // the frames are driven here instead of by the ticks
        form1.Timer2().SetInterval(0);
        if (mode == L"stages") {
            RunStages(windows, form1, avi, seconds, ours && GetSystemMetrics(SM_CXSCREEN) <= 1920);
        } else {
            form1.Timer1().SetInterval(1);
            form1.Timer1().SetEnabled(false);  // recording, but the ticks come from here
            RunVerify(windows, form1, seconds, output + L".crc");
        }
        form1.stop_click();
        return 0;
    }

    const auto begin = Clock::now();
    double earlyMemory = 0, minuteMemory = 0, peakMemory = 0;
    // What the recording had counted when last seen running: a recording that the size guard
    // ends (Full Frames reaches 2 GiB within seconds) is counted up to there, not from its reset.
    int frames = 0;
    double elapsed = 0;
    // The recorder's own loop waits in GetMessage; a poll that sleeps while the queue is empty
    // would cost the ticks their timer messages. This one blocks the same way, waking at least
    // every 100 ms to look at the clock.
    for (;;) {
        PumpMessages();
        if (!form1.RecordingInProgress()) break;
        frames = form1.framecount;
        elapsed = Seconds(begin);
        if (earlyMemory == 0 && elapsed >= 2) earlyMemory = WorkingSetMb();
        if (minuteMemory == 0 && elapsed >= 60) minuteMemory = WorkingSetMb();
        if (earlyMemory != 0) peakMemory = std::max(peakMemory, WorkingSetMb());
        if (elapsed >= seconds) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    const bool hitLimit = !form1.RecordingInProgress();
    if (!hitLimit) {
        frames = form1.framecount;
        elapsed = Seconds(begin);
    }
    const double endMemory = WorkingSetMb();
    form2.done_Click();
    WIN32_FILE_ATTRIBUTE_DATA file{};
    GetFileAttributesExW(output.c_str(), GetFileExInfoStandard, &file);
    const double bytes = static_cast<double>(file.nFileSizeHigh) * 4294967296.0 + file.nFileSizeLow;
    const auto codec = kest::codec::win32::ScreenCodecWork();
    std::printf("mode=%ls codec=%s scene=%s size=%dx%d frames=%d seconds=%.2f fps=%.1f mb_per_minute=%.2f "
                "working_set_mb(2s/60s/peak/end)=%.1f/%.1f/%.1f/%.1f",
                mode.c_str(), ours ? "zmbv" : "raw", active ? "active" : "still", form1.aviwidth, form1.aviheight,
                frames, elapsed, frames / elapsed, bytes / 1e6 / elapsed * 60, earlyMemory, minuteMemory, peakMemory,
                endMemory);
    if (codec.frames) {
        std::printf(" compress_ms=%.1f key_frames=%llu", codec.seconds * 1000 / codec.frames,
                    static_cast<unsigned long long>(codec.keyFrames));
    }
    std::printf("%s\n", hitLimit ? " (stopped early: size limit or full disk)" : "");
    return 0;
}
