// Capture benchmark. With a desktop-like scene on the screen, either records through the main
// window's own capture ticks for a fixed time and reports the recording's start on the host's
// clock, its slots, the file's size, the CPU time of this process and of the host processes named
// in BENCH_WATCH, and the working set ("full", "area"); or runs the frame path one stage at a time
// and reports what each stage costs, with a table of the codec's block sizes and zlib levels on
// frames of the scene ("stages"); or drives the full-screen tick itself and notes a checksum of
// every frame written, for the script to compare with ffmpeg's decoding ("verify"). Dialogs are
// answered as a person would.
//
// The scene is another process ("scene" mode: the same program), as the screen a person records
// would be, so that its painting is neither done inside the recorder's ticks nor counted in the
// recorder's CPU time. "still" is a page where only a clock changes, once a second; "active" is an
// editor in which someone types (a character every 150 ms) while the page scrolls up a line a
// second. Both carry a time code: the host's clock in 10 ms steps as a Gray code in black and white
// cells, repainted at every step, from which bench/timecode.py reads when each frame was taken.

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "codec/win32_screen_codec.h"
#include "codec/zmbv.h"
#include "recorder/engine/cdib.h"
#include "recorder/recorder.h"

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

std::uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The host's real-time clock in 100 ns units since 1601. Under Wine every process reads the same
// clock here, and so does ffmpeg for x11grab's time stamps.
std::uint64_t HostTime() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return FileTimeValue(now);
}

// ---- CPU time ----

double OwnCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return (FileTimeValue(kernel) + FileTimeValue(user)) / 1e7;
}

// Host processes whose work the recording causes (the X server, wineserver), from BENCH_WATCH:
// "xvfb:PID wineserver:PID". Their CPU time is read from /proc through Wine's Z: drive, in clock
// ticks of BENCH_CLK_TCK a second (getconf CLK_TCK; 100 unless said).
struct Watched {
    std::string name;
    int pid;
};

std::vector<Watched> WatchedProcesses() {
    std::vector<Watched> watched;
    const char* list = std::getenv("BENCH_WATCH");
    std::istringstream in(list ? list : "");
    std::string item;
    while (in >> item) {
        const auto colon = item.find(':');
        if (colon != std::string::npos) watched.push_back({item.substr(0, colon), std::atoi(item.c_str() + colon + 1)});
    }
    return watched;
}

double HostCpuSeconds(int pid) {
    char path[64], stat[1024];
    std::snprintf(path, sizeof path, "Z:\\proc\\%d\\stat", pid);
    FILE* file = std::fopen(path, "rb");
    if (!file) return 0;
    const std::size_t size = std::fread(stat, 1, sizeof stat - 1, file);
    std::fclose(file);
    stat[size] = 0;
    const char* afterName = std::strrchr(stat, ')');  // the name in parentheses may hold blanks
    if (!afterName) return 0;
    std::istringstream fields(afterName + 1);
    std::string field;
    double ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number >= 14) ticks += std::atof(field.c_str());  // utime, stime
    }
    const char* hz = std::getenv("BENCH_CLK_TCK");
    return ticks / (hz ? std::atof(hz) : 100.0);
}

struct CpuSample {
    double own = 0;
    std::vector<double> watched;  // in the order of WatchedProcesses()
};

CpuSample SampleCpu(const std::vector<Watched>& watched) {
    CpuSample sample;
    sample.own = OwnCpuSeconds();
    for (const Watched& process : watched) sample.watched.push_back(HostCpuSeconds(process.pid));
    return sample;
}

void PrintCpu(const std::vector<Watched>& watched, const CpuSample& begin, const CpuSample& end) {
    std::printf(" cpu_s=%.2f", end.own - begin.own);
    for (std::size_t i = 0; i < watched.size(); ++i) {
        std::printf(" %s_cpu_s=%.2f", watched[i].name.c_str(), end.watched[i] - begin.watched[i]);
    }
}

// ---- the time code ----

// The host's clock in 10 ms steps as a Gray code: a white and a black cell that mark the strip,
// then the code's bits, highest first, a cell each. Neighbouring steps differ in one cell, so a
// frame grabbed while the strip was being painted still reads as one of the two.
constexpr int kCodeMarks = 2, kCodeBits = 24, kCodeCell = 32;
constexpr std::uint64_t kCodeStep = 100000;  // 10 ms in the host clock's units

// In the middle quarter of the screen, which the area runs record, and clear of the recorder's
// windows; in screen pixels.
POINT CodeStrip() { return {GetSystemMetrics(SM_CXSCREEN) / 4 + 48, GetSystemMetrics(SM_CYSCREEN) / 4 + 48}; }

std::uint32_t TimeCode(std::uint64_t hostTime) {
    const auto step = static_cast<std::uint32_t>(hostTime / kCodeStep) & ((1u << kCodeBits) - 1);
    return step ^ (step >> 1);
}

void PaintTimeCode(HDC dc, std::uint32_t code) {
    const POINT strip = CodeStrip();
    for (int cell = 0; cell < kCodeMarks + kCodeBits; ++cell) {
        const bool white = cell < kCodeMarks ? cell == 0 : (code >> (kCodeMarks + kCodeBits - 1 - cell)) & 1;
        RECT box{strip.x + cell * kCodeCell, strip.y, strip.x + (cell + 1) * kCodeCell, strip.y + kCodeCell};
        FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(white ? WHITE_BRUSH : BLACK_BRUSH)));
    }
}

// ---- the scene ----

constexpr int kLineHeight = 17;
constexpr int kTextTop = 140;
constexpr UINT_PTR kClockTimer = 1, kTypingTimer = 2, kScrollTimer = 3;
bool activeScene = false;
int firstLine = 0;   // the editor's top line, one more each second
std::wstring typed;  // what has been typed on the editor's last line

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
    PaintPage(dc, all);                       // drawing outside the update region is clipped away
    PaintTimeCode(dc, TimeCode(HostTime()));  // over the page, which the editor scrolls under it
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
    HWND window =
        CreateWindowExW(0, L"KestBenchScene", L"scene", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, scene.hInstance, nullptr);
    SetTimer(window, kClockTimer, 1000, nullptr);
    if (active) {
        SetTimer(window, kTypingTimer, 150, nullptr);
        SetTimer(window, kScrollTimer, 1000, nullptr);
    }
    UpdateWindow(window);
    return window;
}

// The scene as a program of its own, for `seconds`: its window over the whole screen, and the time
// code repainted just after each 10 ms step, so that it is never more than a step behind the
// clock (Wine puts what was drawn on the X screen when the thread goes to wait). Sets the event
// named `shown`, if any, once the window is on the screen, and otherwise says so on stdout.
int RunScene(bool active, double seconds, const wchar_t* shown) {
    HWND window = CreateScene(active);
    if (HANDLE event = shown ? OpenEventW(EVENT_MODIFY_STATE, FALSE, shown) : nullptr) {
        SetEvent(event);
        CloseHandle(event);
    } else {
        std::printf("scene shown\n");
        std::fflush(stdout);
    }
    std::uint32_t painted = 0;
    const auto begin = Clock::now();
    while (Seconds(begin) < seconds) {
        const std::uint64_t now = HostTime();
        if (const std::uint32_t code = TimeCode(now); code != painted) {
            HDC dc = GetDC(window);
            PaintTimeCode(dc, code);
            ReleaseDC(window, dc);
            painted = code;
        }
        const auto untilNextStep = static_cast<DWORD>((kCodeStep - now % kCodeStep) / 10000);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, untilNextStep + 1, QS_ALLINPUT);
        PumpMessages();
    }
    return 0;
}

// The scene started as another process for the life of this object, as the program a person
// records would run: its painting is not the recorder's work, and not in its CPU time.
class SceneProcess {
public:
    SceneProcess(bool active, double seconds) {
        wchar_t program[MAX_PATH];
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        const std::wstring shownName = L"kest-bench-scene-" + std::to_wstring(GetCurrentProcessId());
        HANDLE shown = CreateEventW(nullptr, TRUE, FALSE, shownName.c_str());
        std::wstring command = L"\"" + std::wstring(program) + L"\" scene " + std::to_wstring(seconds) +
                               (active ? L" active " : L" still ") + shownName;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process_)) {
            const HANDLE either[] = {shown, process_.hProcess};
            WaitForMultipleObjects(2, either, FALSE, 60000);
        }
        CloseHandle(shown);
    }
    ~SceneProcess() {
        if (!process_.hProcess) return;
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 10000);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    SceneProcess(const SceneProcess&) = delete;
    SceneProcess& operator=(const SceneProcess&) = delete;

private:
    PROCESS_INFORMATION process_{};
};

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
    const auto frameFile = form1.CurrentRecording().FrameFilePath();
    for (int n = 0; n < count; ++n) {
        const auto until = Clock::now() + std::chrono::milliseconds(150);
        while (Clock::now() < until) {
            PumpMessages();
            Sleep(5);
        }
        HDC screen = GetDC(nullptr);
        BitBlt(reinterpret_cast<HDC>(canvas.Hdc()), 0, 0, form1.CurrentRecording().Fields().aviwidth,
               form1.CurrentRecording().Fields().aviheight, screen, 0, 0, SRCCOPY);
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
            const int rows = sizes[i] ? std::max(1, sizes[i] * 1024 / (form1.CurrentRecording().Fields().aviwidth * 4))
                                      : form1.CurrentRecording().Fields().aviheight;
            const auto t = Clock::now();
            for (int r = 0; r < 4; ++r) {
                HDC screen = GetDC(nullptr);
                for (int top = 0; top < form1.CurrentRecording().Fields().aviheight; top += rows) {
                    BitBlt(canvas, 0, top, form1.CurrentRecording().Fields().aviwidth,
                           std::min(rows, form1.CurrentRecording().Fields().aviheight - top), screen, 0, top, SRCCOPY);
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
        if (sizes[i])
            std::printf("  %d: %.1f", sizes[i], times[i][times[i].size() / 2]);
        else
            std::printf("  whole: %.1f", times[i][times[i].size() / 2]);
    }
    std::printf("\n");
}

// One full-screen tick as its timer runs it (the PrintScreen key, the clipboard check, the write);
// false when it wrote nothing because no slot of the recording's time line had come yet.
bool TickWrote(kest::recorder::Form1& form1) {
    const auto before = form1.CurrentRecording().Fields().framecount;
    form1.Timer1_Timer();
    return form1.CurrentRecording().Fields().framecount != before;
}

// The tick's cost over `count` ticks that wrote a frame. The first tick is not counted.
double FrameTickMs(kest::recorder::Form1& form1, int count) {
    form1.Timer1_Timer();
    double total = 0;
    int written = 0;
    const auto begin = Clock::now();
    while (written < count && Seconds(begin) < 30) {
        const auto t = Clock::now();
        if (!TickWrote(form1)) {
            Sleep(1);
            continue;
        }
        total += Ms(t);
        ++written;
    }
    return written ? total / written : 0;
}

// The frame path one stage at a time on the recorder's own canvas and writer.
void RunStages(kest::testing::TestPlatform& windows, kest::recorder::Form1& form1, kest::recorder::AVIDecs& avi,
               double seconds, bool table) {
    using kest::codec::win32::ScreenCodecWork;
    auto& canvas = form1.Picture1();
    const auto frameFile = form1.CurrentRecording().FrameFilePath();
    kest::recorder::cDIB reader(windows.files, windows.toolkit);
    Stage grab{"grab (BitBlt)"}, save{"frame-file save (with alpha)"}, read{"read-back (cDIB)"},
        write{"read-back + AVIStreamWrite"};
    // The recorder's own tick first, while its timer still counts as recording; the stages then
    // write after the frames it wrote.
    const double tickMs = FrameTickMs(form1, 10);
    form1.Timer1().SetInterval(0);
    form1.Timer2().SetInterval(0);
    const auto codecBefore = ScreenCodecWork();
    const int first = form1.CurrentRecording().Fields().framecount;
    int frames = 0;
    const auto begin = Clock::now();
    while (Seconds(begin) < seconds) {
        auto t = Clock::now();
        const kest::platform::Handle screen = windows.desktop.GetDC(0);
        const int bandRows = std::max(
            1, (1 << 20) / (form1.CurrentRecording().Fields().aviwidth * 4));  // as the recorder's ticks copy it
        for (int top = 0; top < form1.CurrentRecording().Fields().aviheight; top += bandRows) {
            windows.desktop.BitBlt(canvas.Hdc(), 0, top, form1.CurrentRecording().Fields().aviwidth,
                                   std::min(bandRows, form1.CurrentRecording().Fields().aviheight - top), screen, 0,
                                   top, kest::platform::kSrcCopy);
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
        if (avi.WriteAviFrame(first + frames, frameFile) != kest::recorder::FrameWrite::Written) break;
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
    std::printf("  %-34s %7.2f ms\n", "whole full-screen tick", tickMs);
    GrabTable(form1);
    if (table) BlockAndLevelTable(form1, reader, 16);
}

// ---- verify ----

// Adler-32 of a frame as ffmpeg's framecrc reports it for rgb24: rows top-down, red first, summed
// from 0.
uLong FrameChecksum(const kest::recorder::cDIB& frame) {
    const int width = frame.Width(), height = frame.Height(), bytes = frame.BitCount() / 8;
    const std::size_t stride = (static_cast<std::size_t>(width) * frame.BitCount() + 31) / 32 * 4;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    uLong sum = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = frame.PointerToBits() + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            row[x * 3] = from[x * bytes + 2];
            row[x * 3 + 1] = from[x * bytes + 1];
            row[x * 3 + 2] = from[x * bytes];
        }
        sum = adler32(sum, row.data(), static_cast<uInt>(width * 3));
    }
    return sum;
}

// Drives the full-screen tick and notes the checksum of every frame written. Slots it filled
// with the picture before them decode to no frame, so only the frame a tick grabbed is noted.
void RunVerify(kest::testing::TestPlatform& windows, kest::recorder::Form1& form1, double seconds,
               const std::wstring& listPath) {
    kest::recorder::cDIB reader(windows.files, windows.toolkit);
    FILE* list = _wfopen(listPath.c_str(), L"wb");  // lines as the host's tools read them
    const auto begin = Clock::now();
    int frames = 0;
    while (Seconds(begin) < seconds && form1.RecordingInProgress()) {
        if (!TickWrote(form1)) {
            Sleep(1);
            continue;
        }
        ++frames;
        reader.CreateFromFile(form1.CurrentRecording().FrameFilePath());
        std::fprintf(list, "0x%08lx\n", FrameChecksum(reader));
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
            kest::testing::DialogWatcher watcher(
                {kest::testing::AnswerCompressionDialog(L"Full Frames (Uncompressed)")});
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

// ---- recording through the ticks ----

// Records until `seconds` have gone by or the recording ends by itself (Full Frames reaches the
// 2 GiB guard within seconds at full HD), then prints the report line. The recording's time line
// begins as start_Click returns; the CPU time is counted from there to where it was last seen
// running.
void RunRecording(kest::recorder::Form1& form1, kest::recorder::Form2& form2, kest::recorder::AVIDecs& avi,
                  const std::wstring& mode, bool ours, bool active, double seconds, const std::wstring& output) {
    const auto watched = WatchedProcesses();
    const std::uint64_t startTime = HostTime();
    const CpuSample cpuBegin = SampleCpu(watched);
    const auto begin = Clock::now();
    double earlyMemory = 0, minuteMemory = 0, peakMemory = 0;
    // What the recording had counted when last seen running: a recording that the size guard
    // ends is counted up to there, not from its reset.
    int slots = 0;
    double elapsed = 0;
    // The recorder's own loop waits in GetMessage; a poll that sleeps while the queue is empty
    // would cost the ticks their timer messages. This one blocks the same way, waking at least
    // every 100 ms to look at the clock.
    for (;;) {
        PumpMessages();
        if (!form1.RecordingInProgress()) break;
        slots = form1.CurrentRecording().Fields().framecount;
        elapsed = Seconds(begin);
        if (earlyMemory == 0 && elapsed >= 2) earlyMemory = WorkingSetMb();
        if (minuteMemory == 0 && elapsed >= 60) minuteMemory = WorkingSetMb();
        if (earlyMemory != 0) peakMemory = std::max(peakMemory, WorkingSetMb());
        if (elapsed >= seconds) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    const bool hitLimit = !form1.RecordingInProgress();
    if (!hitLimit) {
        slots = form1.CurrentRecording().Fields().framecount;
        elapsed = Seconds(begin);
    }
    const CpuSample cpuEnd = SampleCpu(watched);
    const double endMemory = WorkingSetMb();
    form2.done_Click();
    WIN32_FILE_ATTRIBUTE_DATA file{};
    GetFileAttributesExW(output.c_str(), GetFileExInfoStandard, &file);
    const double bytes = static_cast<double>(file.nFileSizeHigh) * 4294967296.0 + file.nFileSizeLow;
    const auto codec = kest::codec::win32::ScreenCodecWork();
    const POINT strip = CodeStrip();
    std::printf(
        "mode=%ls codec=%s scene=%s size=%dx%d frames=%d seconds=%.2f fps=%.1f mb_per_minute=%.2f "
        "working_set_mb(2s/60s/peak/end)=%.1f/%.1f/%.1f/%.1f start_time=%llu code=%ld,%ld,%d,%d,%d",
        mode.c_str(), ours ? "zmbv" : "raw", active ? "active" : "still", form1.CurrentRecording().Fields().aviwidth,
        form1.CurrentRecording().Fields().aviheight, slots, elapsed, slots / elapsed, bytes / 1e6 / elapsed * 60,
        earlyMemory, minuteMemory, peakMemory, endMemory, static_cast<unsigned long long>(startTime),
        strip.x - form1.CurrentRecording().Fields().x0, strip.y - form1.CurrentRecording().Fields().y0, kCodeCell,
        kCodeMarks, kCodeBits);
    PrintCpu(watched, cpuBegin, cpuEnd);
    if (codec.frames) {
        std::printf(" compress_ms=%.1f key_frames=%llu", codec.seconds * 1000 / codec.frames,
                    static_cast<unsigned long long>(codec.keyFrames));
    }
    if (form2.recordsound().Checked())
        std::printf(" sound_samples=%lld", static_cast<long long>(avi.SoundSamplesWritten()));
    std::printf("%s\n", hitLimit ? " (stopped early: size limit or full disk)" : "");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"scene" && argc > 3)
        return RunScene(std::wstring(argv[3]) != L"still", _wtof(argv[2]), argc > 4 ? argv[4] : nullptr);
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: capture_bench full|area|stages|verify|header raw|zmbv SECONDS OUTPUT.avi [still|active "
                     "[unkept] [sound]]\n"
                     "       capture_bench scene SECONDS still|active\n");
        return 2;
    }
    const bool ours = std::wstring(argv[2]) == L"zmbv";
    const double seconds = _wtof(argv[3]);
    const std::wstring output = argv[4];
    const bool active = argc < 6 || std::wstring(argv[5]) != L"still";
    kest::codec::win32::InstallScreenCodec();

    kest::testing::TestPlatform windows;
    kest::recorder::Recorder recorder(windows.platform);
    kest::recorder::AVIDecs& avi = recorder.avi;
    // "unkept": the same run without keeping the file readable, to see what that costs;
    // "sound": with the recording device's sound in the file.
    const auto option = [argc, argv](const wchar_t* word) {
        for (int i = 6; i < argc; ++i) {
            if (std::wstring(argv[i]) == word) return true;
        }
        return false;
    };
    avi.SetKeepsFileReadable(!option(L"unkept"));
    if (mode == L"header") {
        RunHeaderCost(windows, output, seconds);
        return 0;
    }
    // Longer than the run with its dialogs; ended with this process.
    const SceneProcess scene(active, seconds + 300);
    kest::recorder::Form1& form1 = recorder.form1;
    kest::recorder::Form2& form2 = recorder.form2;
    recorder.Load();
    form2.Window().Show();
    if (mode == L"area") {
        // A quarter of the screen, from its centre part, chosen on the overlay as a person would.
        const float width = GetSystemMetrics(SM_CXSCREEN) / 2 * 15.0f,
                    height = GetSystemMetrics(SM_CYSCREEN) / 2 * 15.0f;
        form2.recordareae_Click();
        recorder.form3.Form_MouseDown(1, 0, width / 2, height / 2);
        recorder.form3.Form_MouseMove(1, 0, width * 1.5f, height * 1.5f);
        recorder.form3.Form_MouseUp(1, 0, width * 1.5f, height * 1.5f);
        recorder.form3.Form_MouseDown(1, 0, width, height);
        ClipCursor(nullptr);
    }

    if (option(L"sound")) form2.recordsound_Click();
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
    RunRecording(form1, form2, avi, mode, ours, active, seconds, output);
    return 0;
}
