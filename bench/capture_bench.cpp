// Capture benchmark. With a desktop-like scene on the screen, either records through the main
// window's own capture ticks for a fixed time and reports the recording's start on the host's
// clock, its slots, the file's size, the CPU time of this process and of the host processes named
// in BENCH_WATCH, and the working set ("full", "area"); or runs the frame path one stage at a time
// and reports what each stage costs, with a table of the codec's block sizes and zlib levels on
// frames of the scene ("stages"); or drives the full-screen tick itself and notes a checksum of
// every frame written, for the script to compare with ffmpeg's decoding ("verify"); or drives the
// real kest35.exe, running beside it, through its own menus and dialogs and reports the same of
// that process ("real"). Dialogs are answered as a person would.
//
// The scene is another process ("scene" mode: the same program), as the screen a person records
// would be, so that its painting is neither done inside the recorder's ticks nor counted in the
// recorder's CPU time: a page that is "still" or "active", or a working "desktop" (see the scenes
// below). Each carries a time code: the host's clock in 10 ms steps as a Gray code in black and
// white cells, repainted at every step, from which bench/timecode.py reads when each frame was
// taken.

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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
#include "win32/support/recorder_window.h"
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

// ---- the scenes ----

// "still": a page with a gradient band, coloured boxes and an editor over two thirds of the
// screen, where only a clock changes, once a second. "active": the same page while someone types
// (a character every 150 ms) and the editor scrolls up a line a second. "desktop": a working
// desktop as a person records it, in one topmost full-screen window, as a full-screen program
// draws: a gradient wallpaper, desktop icons, an editor window in which a character is typed every
// 100 ms and the text scrolls a line a second, a chart that moves on each second, and a taskbar
// whose clock shows milliseconds and changes every 15 ms; the whole window repaints itself every
// second.
enum class Scene { Still, Active, Desktop };

Scene SceneNamed(const std::wstring& name) {
    return name == L"still" ? Scene::Still : name == L"desktop" ? Scene::Desktop : Scene::Active;
}
const wchar_t* SceneName(Scene scene) {
    return scene == Scene::Still ? L"still" : scene == Scene::Desktop ? L"desktop" : L"active";
}

constexpr int kLineHeight = 17;
constexpr int kTextTop = 140;
constexpr int kTaskbarHeight = 40, kCaptionHeight = 24;
constexpr UINT_PTR kClockTimer = 1, kTypingTimer = 2, kScrollTimer = 3;
Scene shownScene = Scene::Active;
int firstLine = 0;   // the editor's top line, one more each second
std::wstring typed;  // what has been typed on the editor's last line

void Fill(HDC dc, const RECT& box, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &box, brush);
    DeleteObject(brush);
}

// The desktop's parts, from the screen's size.
struct DesktopLayout {
    RECT editor, chart, taskbar, clock;
};

DesktopLayout LayoutOf(const RECT& all) {
    const int w = all.right, h = all.bottom;
    return {{w * 12 / 100, h * 6 / 100, w * 62 / 100, h - kTaskbarHeight - h * 6 / 100},
            {w * 66 / 100, h * 8 / 100, w * 96 / 100, h * 50 / 100},
            {0, h - kTaskbarHeight, w, h},
            {w - 150, h - kTaskbarHeight, w, h}};
}

// Where the editor's lines go, and the left edge of their text.
struct Editor {
    RECT area;
    int textLeft;
};

Editor EditorOf(const RECT& all) {
    if (shownScene != Scene::Desktop) return {{0, kTextTop, all.right * 2 / 3, all.bottom}, 40};
    const RECT window = LayoutOf(all).editor;
    return {{window.left + 1, window.top + kCaptionHeight, window.right - 1, window.bottom - 1}, window.left + 8};
}

int VisibleLines(const Editor& editor) { return (editor.area.bottom - editor.area.top) / kLineHeight; }

RECT LineRect(const Editor& editor, int row) {
    return {editor.area.left, editor.area.top + row * kLineHeight, editor.area.right,
            editor.area.top + (row + 1) * kLineHeight};
}

void PaintEditor(HDC dc, const Editor& editor) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    const int lines = VisibleLines(editor);
    for (int row = 0; row < lines; ++row) {
        const int line = firstLine + row;
        std::wstring text = std::to_wstring(line) + L"  ";
        for (int part = 0; part < 3; ++part) {  // lines as long as an editor's, two thirds of the screen
            text += L"for (int i = " + std::to_wstring((line * 7919 + part * 104729) % 1000) +
                    L"; i < count; ++i) total += values[i] * w; ";
        }
        if (shownScene != Scene::Still && row == lines - 1) text = std::to_wstring(line) + L"  " + typed;
        const RECT box = LineRect(editor, row);
        ExtTextOutW(dc, editor.textLeft, box.top, ETO_CLIPPED, &box, text.c_str(), static_cast<UINT>(text.size()),
                    nullptr);
    }
}

void PaintPage(HDC dc, const RECT& all) {
    for (int x = 0; x < all.right; x += 8) {  // a gradient band along the top
        Fill(dc, {x, 0, x + 8, 120}, RGB(x * 255 / all.right, 80, 255 - x * 255 / all.right));
    }
    Fill(dc, {0, 120, all.right, all.bottom}, RGB(255, 255, 255));
    const COLORREF boxes[] = {RGB(220, 60, 60), RGB(60, 160, 60), RGB(60, 90, 200), RGB(240, 200, 40)};
    for (int i = 0; i < 12; ++i) {
        const int left = all.right * 2 / 3 + 20 + (i % 3) * all.right / 10, top = 160 + (i / 3) * 220;
        Fill(dc, {left, top, left + all.right / 12, top + 200}, boxes[i % 4]);
    }
    PaintEditor(dc, EditorOf(all));
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t clock[16];
    swprintf(clock, 16, L"%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutW(dc, all.right - 120, 50, clock, 8);
}

// A window on the desktop: a caption with its title over a white client.
void PaintDesktopWindow(HDC dc, const RECT& window, const wchar_t* title) {
    Fill(dc, {window.left, window.top, window.right, window.top + kCaptionHeight}, RGB(0, 84, 166));
    Fill(dc, {window.left, window.top + kCaptionHeight, window.right, window.bottom}, RGB(255, 255, 255));
    FrameRect(dc, &window, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutW(dc, window.left + 8, window.top + 5, title, static_cast<int>(wcslen(title)));
}

// The last minute of a made-up load, a point a second, with a grid and its newest value as bars.
void PaintChart(HDC dc, const RECT& window) {
    PaintDesktopWindow(dc, window, L"Load - last minute");
    const RECT plot{window.left + 40, window.top + kCaptionHeight + 16, window.right - 16, window.bottom - 24};
    HPEN grid = CreatePen(PS_SOLID, 1, RGB(220, 220, 220)), line = CreatePen(PS_SOLID, 2, RGB(30, 110, 200));
    HGDIOBJ before = SelectObject(dc, grid);
    for (int i = 0; i <= 4; ++i) {
        const int y = plot.top + (plot.bottom - plot.top) * i / 4;
        MoveToEx(dc, plot.left, y, nullptr);
        LineTo(dc, plot.right, y);
    }
    constexpr int kPoints = 60;
    POINT points[kPoints];
    const int height = plot.bottom - plot.top;
    for (int i = 0; i < kPoints; ++i) {
        const int second = firstLine + i;  // the editor's line counts the seconds too
        const int value = 50 + static_cast<int>(30 * std::sin(second * 0.3)) + (second * 7919) % 17;
        points[i] = {plot.left + (plot.right - plot.left) * i / (kPoints - 1), plot.bottom - height * value / 100};
        if (i % 6 == 5) Fill(dc, {points[i].x - 6, points[i].y, points[i].x + 6, plot.bottom}, RGB(250, 180, 60));
    }
    SelectObject(dc, line);
    Polyline(dc, points, kPoints);
    SelectObject(dc, before);
    DeleteObject(grid);
    DeleteObject(line);
}

void PaintTaskbarClock(HDC dc, const RECT& clock) {
    Fill(dc, clock, RGB(36, 40, 52));
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[16];
    swprintf(text, 16, L"%02d:%02d:%02d.%03d", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutW(dc, clock.left + 20, clock.top + 12, text, static_cast<int>(wcslen(text)));
}

void PaintDesktop(HDC dc, const RECT& all) {
    const DesktopLayout layout = LayoutOf(all);
    // The wallpaper: a gradient from each corner's colour.
    TRIVERTEX corners[4] = {{0, 0, 0x1000, 0x3000, 0x6000, 0},
                            {all.right, 0, 0x2000, 0x7000, 0xA000, 0},
                            {0, layout.taskbar.top, 0x5000, 0x2000, 0x7000, 0},
                            {all.right, layout.taskbar.top, 0xE000, 0x9000, 0x5000, 0}};
    GRADIENT_TRIANGLE halves[2] = {{0, 1, 2}, {1, 2, 3}};
    GradientFill(dc, corners, 4, halves, 2, GRADIENT_FILL_TRIANGLE);
    const LPCWSTR icons[] = {IDI_APPLICATION, IDI_INFORMATION, IDI_WARNING, IDI_ERROR,
                             IDI_QUESTION,    IDI_SHIELD,      IDI_WINLOGO, IDI_APPLICATION};
    const wchar_t* names[] = {L"Computer", L"Documents", L"Recycle Bin", L"Network",
                              L"Help",     L"Settings",  L"Projects",    L"Notes.txt"};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    for (int i = 0; i < 8; ++i) {
        const int top = 24 + i * 96;
        DrawIconEx(dc, 36, top, LoadIconW(nullptr, icons[i]), 48, 48, 0, nullptr, DI_NORMAL);
        TextOutW(dc, 24, top + 54, names[i], static_cast<int>(wcslen(names[i])));
    }
    PaintDesktopWindow(dc, layout.editor, L"capture.cpp - Editor");
    PaintEditor(dc, EditorOf(all));
    PaintChart(dc, layout.chart);
    Fill(dc, layout.taskbar, RGB(36, 40, 52));
    const wchar_t* tasks[] = {L"Start", L"capture.cpp - Editor", L"Load", L"Files"};
    for (int i = 0; i < 4; ++i) {
        const RECT button{8 + i * 180, layout.taskbar.top + 5, 180 + i * 180, layout.taskbar.bottom - 5};
        Fill(dc, button, i == 1 ? RGB(70, 80, 110) : RGB(52, 58, 74));
        TextOutW(dc, button.left + 10, button.top + 7, tasks[i], static_cast<int>(wcslen(tasks[i])));
    }
    PaintTaskbarClock(dc, layout.clock);
}

LRESULT CALLBACK SceneProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    RECT all;
    GetClientRect(hwnd, &all);
    const bool desktop = shownScene == Scene::Desktop;
    if (message == WM_TIMER) {
        if (wParam == kClockTimer) {
            const RECT clock = desktop ? LayoutOf(all).clock : RECT{all.right - 130, 40, all.right, 80};
            InvalidateRect(hwnd, &clock, FALSE);
        } else if (wParam == kTypingTimer) {
            static const std::wstring source = L"the quick brown fox jumps over the lazy dog; ";
            typed += source[typed.size() % source.size()];
            if (typed.size() > 150) typed.clear();
            const Editor editor = EditorOf(all);
            RECT line = LineRect(editor, VisibleLines(editor) - 1);
            InvalidateRect(hwnd, &line, FALSE);
        } else if (wParam == kScrollTimer) {
            ++firstLine;
            const Editor editor = EditorOf(all);
            RECT text{editor.area.left, editor.area.top, editor.area.right,
                      editor.area.top + VisibleLines(editor) * kLineHeight};
            InvalidateRect(hwnd, desktop ? nullptr : &text, FALSE);  // the desktop repaints all of itself
        }
        return 0;
    }
    if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (desktop) {
        PaintDesktop(dc, all);  // drawing outside the update region is clipped away
    } else {
        PaintPage(dc, all);
    }
    PaintTimeCode(dc, TimeCode(HostTime()));  // over the page, which the editor scrolls under it
    EndPaint(hwnd, &paint);
    return 0;
}

HWND CreateScene(Scene kind) {
    shownScene = kind;
    WNDCLASSW scene{};
    scene.lpfnWndProc = SceneProcedure;
    scene.hInstance = GetModuleHandleW(nullptr);
    scene.lpszClassName = L"KestBenchScene";
    RegisterClassW(&scene);
    HWND window = CreateWindowExW(kind == Scene::Desktop ? WS_EX_TOPMOST : 0, L"KestBenchScene", L"scene",
                                  WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                  GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, scene.hInstance, nullptr);
    const bool desktop = kind == Scene::Desktop;
    SetTimer(window, kClockTimer, desktop ? 15 : 1000, nullptr);
    if (kind != Scene::Still) {
        SetTimer(window, kTypingTimer, desktop ? 100 : 150, nullptr);
        SetTimer(window, kScrollTimer, 1000, nullptr);
    }
    UpdateWindow(window);
    return window;
}

// The time code, repainted just after each 10 ms step by a thread of its own, so that it is never
// more than a step behind the clock while the scene's thread paints (the desktop repaints all of
// itself every second) or handles its messages. Wine puts what the process drew on the X screen
// when one of its threads goes to wait.
DWORD WINAPI KeepTimeCode(void* window) {
    const HWND scene = static_cast<HWND>(window);
    std::uint32_t painted = 0;
    for (;;) {
        const std::uint64_t now = HostTime();
        if (const std::uint32_t code = TimeCode(now); code != painted) {
            HDC dc = GetDC(scene);
            PaintTimeCode(dc, code);
            ReleaseDC(scene, dc);
            painted = code;
        }
        const auto untilNextStep = static_cast<DWORD>((kCodeStep - now % kCodeStep) / 10000);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, untilNextStep + 1, QS_ALLINPUT);
    }
}

// The scene as a program of its own, for `seconds`: its window over the whole screen with the
// time code kept on it. Sets the event named `shown`, if any, once the window is on the screen,
// and otherwise says so on stdout.
int RunScene(Scene kind, double seconds, const wchar_t* shown) {
    HWND window = CreateScene(kind);
    CloseHandle(CreateThread(nullptr, 0, KeepTimeCode, window, 0, nullptr));  // ends with the process
    if (HANDLE event = shown ? OpenEventW(EVENT_MODIFY_STATE, FALSE, shown) : nullptr) {
        SetEvent(event);
        CloseHandle(event);
    } else {
        std::printf("scene shown\n");
        std::fflush(stdout);
    }
    const auto begin = Clock::now();
    while (Seconds(begin) < seconds) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        PumpMessages();
    }
    return 0;
}

// The scene started as another process for the life of this object, as the program a person
// records would run: its painting is not the recorder's work, and not in its CPU time.
class SceneProcess {
public:
    SceneProcess(Scene kind, double seconds) {
        wchar_t program[MAX_PATH];
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        const std::wstring shownName = L"kest-bench-scene-" + std::to_wstring(GetCurrentProcessId());
        HANDLE shown = CreateEventW(nullptr, TRUE, FALSE, shownName.c_str());
        std::wstring command = L"\"" + std::wstring(program) + L"\" scene " + std::to_wstring(seconds) + L" " +
                               SceneName(kind) + L" " + shownName;
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
                  const std::wstring& mode, bool ours, Scene scene, double seconds, const std::wstring& output) {
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
        "mode=%ls codec=%s scene=%ls size=%dx%d frames=%d seconds=%.2f fps=%.1f mb_per_minute=%.2f "
        "working_set_mb(2s/60s/peak/end)=%.1f/%.1f/%.1f/%.1f start_time=%llu code=%ld,%ld,%d,%d,%d",
        mode.c_str(), ours ? "zmbv" : "raw", SceneName(scene), form1.CurrentRecording().Fields().aviwidth,
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

// ---- the real recorder, driven from outside ----

// The real recorder's main window: visible, of the forms' class, with the menu strip inside it.
HWND FindRecorder() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND window, LPARAM data) {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (!IsWindowVisible(window) || std::wstring(name) != L"Kest35Form" ||
                !FindWindowExW(window, nullptr, L"Kest35Form", nullptr))
                return TRUE;
            *reinterpret_cast<HWND*>(data) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool MenuOpen(DWORD process) {
    return kest::testing::WaitForWindow(
               process, L"#32768", [](HWND) { return true; }, std::chrono::milliseconds(0)) != nullptr;
}

// kest35.exe, started beside this process by bench/desktop.sh (which knows its host process and
// names it "kest35" in BENCH_WATCH), driven through its own menus as a person drives it: at 15 or
// 30 frames a second 设置 > 帧率 > 每秒 N 帧 first; then 文件 > 开始, the file typed into the save
// dialog and the compressor taken in the compression dialog. From the first frame the caption
// counts, the recording is measured for `seconds`; then the main window is restored, 文件 > 停止
// chosen and the recorder closed. Prints the report line: the slots the caption counted at either
// end of the measured part (the file's slots FIRST to LAST - 1), its length, the file's size and
// the CPU seconds of the watched processes over the measured part.
int RunReal(bool ours, double seconds, const std::wstring& output, int rate) {
    using namespace kest::testing;
    HWND main = nullptr;
    if (!WaitUntil([&] { return (main = FindRecorder()) != nullptr; }, std::chrono::seconds(60))) {
        std::fprintf(stderr, "the recorder's main window did not appear\n");
        return 1;
    }
    DWORD process = 0;
    GetWindowThreadProcessId(main, &process);
    HWND strip = FindWindowExW(main, nullptr, L"Kest35Form", nullptr);
    // Held from here, so that how the recorder ended can be told if it ends before its stop.
    const HANDLE recorder = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    const auto ended = [recorder] {
        DWORD code = STILL_ACTIVE;
        if (recorder && WaitForSingleObject(recorder, 0) == WAIT_OBJECT_0) GetExitCodeProcess(recorder, &code);
        return code;
    };
    if (rate != 10) {
        // 帧率 is 设置's fourth item; its submenu offers 每秒 10 帧, 15 帧 and 30 帧 in that order.
        const int downs = rate == 15 ? 1 : rate == 30 ? 2 : -1;
        if (downs < 0) {
            std::fprintf(stderr, "the recorder offers 10, 15 and 30 frames a second\n");
            return 2;
        }
        std::vector<WPARAM> keys{VK_RIGHT};
        keys.insert(keys.end(), downs, VK_DOWN);
        if (!ChooseMenuItem(strip, process, 'o', 3, keys) ||
            !WaitUntil([&] { return !MenuOpen(process); }, std::chrono::seconds(10))) {
            std::fprintf(stderr, "could not choose the frame rate in the settings menu\n");
            return 1;
        }
    }
    const auto started = AnswerStart([&] { ChooseMenuItem(strip, process, 'f', 0); }, output,
                                     ours ? kScreenCodec : kFullFrames, process);
    if (!started || !WaitUntil([&] { return FramesInCaption(main) >= 1; }, std::chrono::seconds(30))) {
        std::fprintf(stderr, "could not start: %s", started.message());
        if (ended() != STILL_ACTIVE) std::fprintf(stderr, " (the recorder ended, exit code 0x%lx)", ended());
        std::fprintf(stderr, "\n");
        return 1;
    }

    const auto watched = WatchedProcesses();
    const int firstSlot = FramesInCaption(main);
    const CpuSample cpuBegin = SampleCpu(watched);
    const auto begin = Clock::now();
    // Looked at seldom, so that this process costs the recorder and the servers next to nothing.
    while (Seconds(begin) < seconds && IsWindow(main)) Sleep(100);
    const CpuSample cpuEnd = SampleCpu(watched);
    const int lastSlot = FramesInCaption(main);
    const double elapsed = Seconds(begin);

    PostMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);  // as its taskbar button would
    WaitUntil([&] { return !IsIconic(main); }, std::chrono::seconds(10));
    const bool stopped = ChooseMenuItem(strip, process, 'f', 2) &&
                         WaitUntil([&] { return WindowText(main) == kIdleCaption; }, std::chrono::seconds(60));
    std::wstring told;  // a message after the stop, if any
    const DialogStep message = DismissMessageBox(&told);
    if (HWND box = WaitForDialog(message.matches, std::chrono::seconds(2), process)) message.answer(box);
    const DWORD endedEarly = ended();
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (recorder) {
        WaitForSingleObject(recorder, 20000);
        CloseHandle(recorder);
    }

    WIN32_FILE_ATTRIBUTE_DATA file{};
    GetFileAttributesExW(output.c_str(), GetFileExInfoStandard, &file);
    const POINT code = CodeStrip();
    std::printf(
        "mode=real codec=%s rate=%d size=%dx%d first_slot=%d last_slot=%d seconds=%.2f bytes=%.0f "
        "code=%ld,%ld,%d,%d,%d stopped=%s",
        ours ? "zmbv" : "raw", rate, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), firstSlot, lastSlot,
        elapsed, static_cast<double>(file.nFileSizeHigh) * 4294967296.0 + file.nFileSizeLow, code.x, code.y, kCodeCell,
        kCodeMarks, kCodeBits, stopped ? "yes" : "no");
    PrintCpu(watched, cpuBegin, cpuEnd);
    std::printf("\n");
    if (endedEarly != STILL_ACTIVE)
        std::fprintf(stderr, "the recorder ended before its stop, exit code 0x%lx\n", endedEarly);
    if (!told.empty()) std::fprintf(stderr, "the recorder said after the stop: %ls\n", told.c_str());
    return stopped ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"scene" && argc > 3)
        return RunScene(SceneNamed(argv[3]), _wtof(argv[2]), argc > 4 ? argv[4] : nullptr);
    if (mode == L"real" && argc > 4)
        return RunReal(std::wstring(argv[2]) == L"zmbv", _wtof(argv[3]), argv[4], argc > 5 ? _wtoi(argv[5]) : 10);
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: capture_bench full|area|stages|verify|header raw|zmbv SECONDS OUTPUT.avi "
                     "[still|active|desktop [unkept] [sound]]\n"
                     "       capture_bench real raw|zmbv SECONDS OUTPUT.avi [FRAMES_A_SECOND]\n"
                     "       capture_bench scene SECONDS still|active|desktop\n");
        return 2;
    }
    const bool ours = std::wstring(argv[2]) == L"zmbv";
    const double seconds = _wtof(argv[3]);
    const std::wstring output = argv[4];
    const Scene scene = SceneNamed(argc < 6 ? L"active" : argv[5]);
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
    const SceneProcess shown(scene, seconds + 300);
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
    RunRecording(form1, form2, avi, mode, ours, scene, seconds, output);
    return 0;
}
