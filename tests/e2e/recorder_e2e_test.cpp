// The real recorder, driven from outside as a person would: open its File menu with the keyboard,
// choose Start, name the file in the save dialog, take the compressor offered, let it record,
// then choose Stop and close it, or kill it, or end the session under it. The file it leaves is
// judged by ffprobe and ffmpeg.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/little_endian.h"
#include "support/riff.h"
#include "win32/support/dialog_watcher.h"
#include "win32/support/pattern_window.h"
#include "win32/support/program.h"
#include "win32/support/recorder_window.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

constexpr std::uint32_t kAvifHasIndex = 0x10;

// The recorder started as a person starts it, its main window and the menu strip inside it
// found, driven through that strip's menus.
class RecorderFixture : public ::testing::Test {
protected:
    // `show`: the show state a launcher asks for, or none, as from a command line.
    explicit RecorderFixture(std::optional<WORD> show = std::nullopt) : recorder(BuildFile(L"kest35.exe", 3), show) {}

    void Appears() {
        ASSERT_TRUE(recorder.Started()) << "could not start the recorder";
        main = WaitForWindow(
            recorder.Id(), L"Kest35Form", [](HWND w) { return IsWindowVisible(w) != 0; }, std::chrono::seconds(30));
        ASSERT_NE(main, nullptr) << "the main window did not appear\n" << DescribeWindowsOf(recorder.Id());
        ASSERT_TRUE(WaitUntil([&] { return (strip = FindWindowExW(main, nullptr, L"Kest35Form", nullptr)) != nullptr; },
                              std::chrono::seconds(10)))
            << "the menu strip is not inside the main window";
    }
    // File > Start (a menu opened with its access key comes up with its first item selected),
    // the save dialog answered with `typed`, `compressor` taken, until `frames` frames are counted.
    void Records(const std::wstring& typed, const wchar_t* compressor, int frames) {
        ASSERT_TRUE(
            AnswerStart([&] { ChooseMenuItem(strip, recorder.Id(), 'f', 0); }, typed, compressor, recorder.Id()));
        ASSERT_TRUE(WaitUntil([&] { return FramesInCaption(main) >= frames; }, std::chrono::seconds(60)))
            << "no frames counted in the caption\n"
            << DescribeWindowsOf(recorder.Id()) << SaveScreenshot("no-frames");
    }
    // An item of the settings menu, `downs` below its first (and `subDowns` into its submenu),
    // chosen and its menus gone. Wine keeps a menu's items in its own process, so a check mark
    // is judged by the file.
    bool ChoosesSetting(int downs, std::optional<int> subDowns = {}) {
        std::vector<WPARAM> then;
        if (subDowns) {
            then.push_back(VK_RIGHT);
            then.insert(then.end(), *subDowns, VK_DOWN);
        }
        return ChooseMenuItem(strip, recorder.Id(), 'o', downs, then) &&
               WaitUntil(
                   [&] {
                       return WaitForWindow(
                                  recorder.Id(), L"#32768", [](HWND w) { return IsWindowVisible(w) != 0; },
                                  std::chrono::milliseconds(0)) == nullptr;
                   },
                   std::chrono::seconds(10));
    }
    // File > Stop, two below Start: the caption shows the idle title again.
    bool Stops() {
        return ChooseMenuItem(strip, recorder.Id(), 'f', 2) &&
               WaitUntil([&] { return WindowText(main) == kIdleCaption; }, std::chrono::seconds(30));
    }
    bool Closes() {
        PostMessageW(main, WM_CLOSE, 0, 0);
        return recorder.ExitsWithin(20000);
    }

    Program recorder;
    HWND main = nullptr;
    HWND strip = nullptr;
};

// The recorder started, recording the whole screen into a file named in its own save dialog.
class RecorderEndToEnd : public RecorderFixture, public ::testing::WithParamInterface<Compressor> {
protected:
    void SetUp() override {
        if (!RunningUnderWine()) GTEST_SKIP() << "the recording is judged by the host's ffprobe";
        const std::wstring folder =
            ScratchFolder(std::wstring(L"e2e-") + GetParam().inDialog[0] + std::to_wstring(++runs_)) + L"录像";
        CreateDirectoryW(folder.c_str(), nullptr);
        file = folder + L"\\第一次.avi";
        ASSERT_NO_FATAL_FAILURE(Appears());
        EXPECT_NE(GetMenu(strip), nullptr);
        // Settings > 帧率 (three below the first) > the rate, in the submenu's order.
        if (fps != 10) {
            ASSERT_TRUE(ChoosesSetting(3, fps == 15 ? 1 : 2));
        }
        ASSERT_NO_FATAL_FAILURE(Records(folder + L"\\第一次", GetParam().inDialog, 5));
    }

    // What every recording must be: the whole screen at the chosen rate, in the chosen codec, at least
    // `frames` frames found and decoded cleanly.
    void ExpectReadable(int frames) {
        auto probe = ProbeVideo(file);
        EXPECT_EQ(probe["codec_name"], GetParam().codecName) << probe["output"];
        EXPECT_EQ(probe["width"], std::to_string(GetSystemMetrics(SM_CXSCREEN)));
        EXPECT_EQ(probe["height"], std::to_string(GetSystemMetrics(SM_CYSCREEN)));
        EXPECT_EQ(probe["r_frame_rate"], std::to_string(fps) + "/1");
        const int held = HeldSlots(file);
        EXPECT_GE(std::atoi(probe["nb_read_frames"].c_str()) + held, frames);
        EXPECT_GE(std::atoi(probe["nb_frames"].c_str()), frames) << "the header counts them too";
        const ToolResult strict = StrictDecode(file);
        EXPECT_EQ(strict.exitCode, 0);
        EXPECT_EQ(strict.output, "");
    }

    // Complete as the library finishes a file: its header counts every frame it indexes.
    void ExpectComplete() {
        auto probe = ProbeVideo(file);
        EXPECT_EQ(std::atoi(probe["nb_frames"].c_str()), std::atoi(probe["nb_read_frames"].c_str()) + HeldSlots(file));
        const Riff riff{std::filesystem::path(file)};
        const auto avih = riff.Find({"hdrl", "avih"}), index = riff.Find({"idx1"});
        ASSERT_TRUE(avih && index) << "no main header or no index";
        EXPECT_NE(riff.U32(avih->Data() + 12) & kAvifHasIndex, 0u) << "the library's own main header (its flags)";
        EXPECT_EQ(std::to_string(index->size / 16), probe["nb_frames"]);
    }

    // Frames a second counted in the caption while it changes, and the file as long as that.
    void PlaysAsLongAsItWasRecorded();

    std::wstring file;
    int fps = 10;  // chosen in the settings menu before the start

private:
    static inline int runs_ = 0;
};

// The same at 30 frames a second.
class RecorderAtThirty : public RecorderEndToEnd {
protected:
    RecorderAtThirty() { fps = 30; }
};

TEST_P(RecorderEndToEnd, StopFromItsOwnMenuLeavesTheLibrarysCompleteFile) {
    ASSERT_TRUE(Stops());
    EXPECT_TRUE(Closes()) << "closing the main window must end the recorder";
    ExpectReadable(5);
    ExpectComplete();
    EXPECT_EQ(ProbeVideo(file)["nb_streams"], "1") << "no sound unless asked for";
}

// The rate's frames for every second of life, whatever the machine's pace: the caption's count is
// read as it changes, and the file plays for as long as it was recorded.
TEST_P(RecorderEndToEnd, RecordingPlaysAsLongAsItWasRecorded) { PlaysAsLongAsItWasRecorded(); }

TEST_P(RecorderAtThirty, RecordingPlaysAsLongAsItWasRecorded) { PlaysAsLongAsItWasRecorded(); }

void RecorderEndToEnd::PlaysAsLongAsItWasRecorded() {
    using Clock = std::chrono::steady_clock;
    const auto watch = [&](Clock::time_point until) {  // the last count seen, and when it changed
        int count = FramesInCaption(main);
        auto changed = Clock::now();
        while (Clock::now() < until) {
            const int now = FramesInCaption(main);
            if (now != count) {
                count = now;
                changed = Clock::now();
            }
            Sleep(5);
        }
        return std::pair{count, changed};
    };
    const auto [first, firstAt] = watch(Clock::now() + std::chrono::milliseconds(300));
    const auto [last, lastAt] = watch(firstAt + std::chrono::seconds(8));
    const double seconds = std::chrono::duration<double>(lastAt - firstAt).count();
    // The count is read from outside, every few milliseconds of a loaded machine: 150 ms of room.
    EXPECT_NEAR(last - first, seconds * fps, 0.15 * fps)
        << "frames " << first << " to " << last << " in " << seconds << " s";

    ASSERT_TRUE(Stops());
    const double untilStop = std::chrono::duration<double>(Clock::now() - lastAt).count();
    auto probe = ProbeVideo(file);
    const int frames = std::atoi(probe["nb_frames"].c_str());
    EXPECT_GE(frames, last);
    // A tenth of a second of room: the slot under way at the stop, its picture taken up to half a
    // slot early.
    EXPECT_LE(frames, last + untilStop * fps + 0.1 * fps) << "no more than the rate's frames a second until the stop";
    EXPECT_NEAR(std::atof(probe["duration"].c_str()), frames / static_cast<double>(fps), 0.05) << probe["output"];
    const Riff riff{std::filesystem::path(file)};
    const auto avih = riff.Find({"hdrl", "avih"});
    ASSERT_TRUE(avih.has_value());
    EXPECT_EQ(riff.U32(avih->Data()), static_cast<std::uint32_t>(std::lround(1e6 / fps)))
        << "the main header's time per frame, rounded";
    ExpectReadable(frames);
    ExpectComplete();
    EXPECT_TRUE(Closes());
}

// Another program holds the frame file left in the temporary folder and spoils it: the frames
// do not pass through it, so the recording goes on unharmed, every slot a picture, and nothing
// is told after the stop.
TEST_P(RecorderEndToEnd, AFrameFileSpoiledFromOutsideChangesNothing) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring frameFile = std::wstring(temp) + L"tem.bmp";
    int spoiled = 0;
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
         std::chrono::steady_clock::now() < until; Sleep(50)) {
        HANDLE file = CreateFileW(frameFile.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        // Alternately cut the pixels short and make the header claim another width.
        if (++spoiled % 2 == 0) {
            SetFilePointer(file, 100, nullptr, FILE_BEGIN);
            SetEndOfFile(file);
        } else {
            const std::int32_t width = 77;
            DWORD wrote = 0;
            SetFilePointer(file, 18, nullptr, FILE_BEGIN);
            WriteFile(file, &width, sizeof width, &wrote, nullptr);
        }
        Sleep(150);
        CloseHandle(file);
    }
    ASSERT_GT(spoiled, 5);
    EXPECT_TRUE(IsWindow(main)) << "the recorder goes on";

    ASSERT_TRUE(Stops());
    EXPECT_EQ(WaitForWindow(
                  recorder.Id(), L"#32770", [](HWND) { return true; }, std::chrono::seconds(2)),
              nullptr)
        << "nothing to tell";
    const int slots = std::atoi(ProbeVideo(file)["nb_frames"].c_str());
    EXPECT_GT(slots, 30);
    ExpectReadable(slots);
    ExpectComplete();
    EXPECT_TRUE(Closes());
}

// As a crash, the task manager or a power cut ends it: no code of the recorder runs any more.
TEST_P(RecorderEndToEnd, KilledWhileRecordingLeavesEveryFrameItCounted) {
    const int counted = FramesInCaption(main);  // each written before it was counted
    ASSERT_TRUE(recorder.Kill());
    ExpectReadable(counted);
}

// As the system ends a session (what `wineboot --end-session` does): every top-level window of
// the process is asked, then told, then the process is ended.
TEST_P(RecorderEndToEnd, EndOfTheSessionWhileRecordingCompletesTheFileWithoutAsking) {
    const int counted = FramesInCaption(main);
    for (UINT message : {WM_QUERYENDSESSION, WM_ENDSESSION}) {
        for (HWND window : TopLevelWindowsOf(recorder.Id())) {
            DWORD_PTR answer = 0;
            ASSERT_NE(SendMessageTimeoutW(window, message, message == WM_ENDSESSION, 0, SMTO_NORMAL, 20000, &answer), 0)
                << "the recorder did not answer";
            if (message == WM_QUERYENDSESSION) {
                EXPECT_NE(answer, 0u) << "the recorder must not hold up the session";
            }
        }
    }
    EXPECT_EQ(WaitForWindow(
                  recorder.Id(), L"#32770", [](HWND) { return true; }, std::chrono::milliseconds(0)),
              nullptr)
        << "nobody is there to answer a question";
    ASSERT_TRUE(recorder.Kill());
    ExpectReadable(counted);
    ExpectComplete();
}

// As the launcher starts it: minimised, and restored by the user later to the designed window
// with its menu strip.
class RecorderStart : public RecorderFixture {
protected:
    RecorderStart() : RecorderFixture(SW_SHOWMINIMIZED) {}
};

TEST_F(RecorderStart, StartedMinimisedItAppearsMinimisedAndRestoresToTheDesignedWindow) {
    ASSERT_NO_FATAL_FAILURE(Appears());
    EXPECT_TRUE(IsIconic(main)) << DescribeWindowsOf(recorder.Id());

    PostMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);  // as its taskbar button would
    RECT outer{};
    // Wine may report the window restored a moment before it has its restored size.
    ASSERT_TRUE(
        WaitUntil([&] { return !IsIconic(main) && GetWindowRect(main, &outer) && outer.right - outer.left == 424; },
                  std::chrono::seconds(10)))
        << "restored to a width of " << outer.right - outer.left;
    EXPECT_EQ(outer.right - outer.left, 424);
    EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 424) / 2, 1);
    EXPECT_TRUE(IsWindowVisible(strip) && !IsIconic(strip)) << "the menu strip shows inside the restored window";
    EXPECT_TRUE(Closes());
}

// A still picture recorded full screen and stopped as a person stops it: the main window restored,
// 文件 opened and held open for about a second while the hand reaches 停止. None of it is in the
// recording: its last frame is the picture as it was before the window came.
class RecorderKeepsOut : public RecorderFixture {};

TEST_F(RecorderKeepsOut, StoppedThroughItsWindowTheLastFrameShowsNoneOfIt) {
    if (!RunningUnderWine()) GTEST_SKIP() << "the recording is judged by the host's ffmpeg";
    const RECT still{1100, 480, 1800, 1000};  // another program's window, under where ours will come
    const PatternWindow picture(
        still, [](int x, int y) { return RGB(x * 255 / 700, y * 255 / 520, (x / 50 + y / 50) % 2 ? 200 : 40); }, false);
    ASSERT_NO_FATAL_FAILURE(Appears());
    // Without a window manager the minimised window's X window stays drawn where the window was,
    // although Windows says it is minimised: every frame shows it there. That rectangle is left
    // out of the comparison, and the window is brought back elsewhere, over the picture, so that
    // what must not be recorded lies outside it.
    RECT drawnWhileMinimised{};
    ASSERT_TRUE(GetWindowRect(main, &drawnWhileMinimised));
    const std::wstring typed = ScratchFolder(L"e2e-keeps-out") + L"still";
    ASSERT_NO_FATAL_FAILURE(Records(typed, kScreenCodec, 10));

    PostMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);  // as its taskbar button would
    ASSERT_TRUE(WaitUntil([&] { return !IsIconic(main); }, std::chrono::seconds(10)));
    SetWindowPos(main, nullptr, 1250, 560, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    WaitUntil([] { return false; }, std::chrono::milliseconds(500));
    PostMessageW(strip, WM_SYSCOMMAND, SC_KEYMENU, 'f');
    const HWND menu = WaitForWindow(
        recorder.Id(), L"#32768", [](HWND) { return true; }, std::chrono::seconds(10));
    ASSERT_NE(menu, nullptr);
    WaitUntil([] { return false; }, std::chrono::seconds(1));  // the hand on its way to 停止
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main) == kIdleCaption; }, std::chrono::seconds(30)));
    ASSERT_TRUE(Closes());

    const std::wstring file = typed + L".avi";
    auto probe = ProbeVideo(file);
    const int pictures = std::atoi(probe["nb_read_frames"].c_str());
    ASSERT_GE(pictures, 2) << probe["output"];
    EXPECT_GE(HeldSlots(file), 15) << "the window and its menu were there for a second and a half";
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const auto first = DecodeFrame(file, 0, "bgra"), last = DecodeFrame(file, pictures - 1, "bgra");
    ASSERT_TRUE(first && last);
    ASSERT_EQ(last->size(), static_cast<std::size_t>(width) * height * 4);
    ASSERT_EQ(first->size(), last->size());
    int differing = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const POINT at{x, y};
            if (PtInRect(&drawnWhileMinimised, at)) continue;
            const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 4;
            differing += !std::equal(first->begin() + i, first->begin() + i + 3, last->begin() + i);
        }
    }
    EXPECT_EQ(differing, 0) << "the last frame differs from the first outside the minimised window's place";
    EXPECT_EQ(picture.Differences(*first, width, {still.left, still.top}, drawnWhileMinimised), 0)
        << "the picture was recorded; the minimised window was left out at " << drawnWhileMinimised.left << ","
        << drawnWhileMinimised.top << "-" << drawnWhileMinimised.right << "," << drawnWhileMinimised.bottom;
}

// A box that flashes white while a beep sounds, and beside it the time since the sound began
// as a Gray code of 10 ms steps, so that each recorded frame says when it was taken. The sound
// is played by the host's own player into the sound server's sink: a player under Wine, on two
// busy cores, lets the server run dry and stretches the gaps between beeps. The player notes the
// moment it starts on the monotonic clock that Wine's performance counter reads.
class BeepingBox {
public:
    static constexpr int kLeft = 200, kTop = 200, kCells = 16, kCell = 24, kBox = 120;
    static constexpr int kFirstBeepMs = 700, kBeepEveryMs = 1000, kBeepMs = 200, kLengthMs = 16000;

    explicit BeepingBox(const std::wstring& folder) {
        const std::wstring sound = folder + L"beeps.wav", stamp = folder + L"started", player = folder + L"play.py";
        // Beeps of 200 ms every second from 0.7 s on: silence, beep, silence, repeated.
        RunHostShell("sox -n -r 44100 -c 1 -b 16 " + ShellQuote(HostPath(sound)) +
                     " synth 0.2 sine 1000 vol 0.4 pad 0.7 0.1 repeat " + std::to_string(kLengthMs / kBeepEveryMs - 1));
        DeleteFileW(stamp.c_str());  // Wine reuses process ids, and with them scratch folders
        std::ofstream(std::filesystem::path(player))
            << "import os, time\n"
               "with open('"
            << HostPath(stamp)
            << ".part', 'w') as f:\n"
               "    f.write(str(time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) // 100))\n"
               "os.rename('"
            << HostPath(stamp) << ".part', '" << HostPath(stamp)
            << "')\n"
               "os.execvp('paplay', ['paplay', '"
            << HostPath(sound) << "'])\n";
        RunHostShell("python3 " + ShellQuote(HostPath(player)) + " >/dev/null 2>&1 &");
        WaitUntil([&] { return std::ifstream(std::filesystem::path(stamp)) >> start_ ? true : false; },
                  std::chrono::seconds(10));
        LARGE_INTEGER now{}, frequency{};
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        // The stamp is in the counter's units only where the counter is that clock at 10 MHz.
        now_ = now.QuadPart;
        playing_ = start_ > 0 && frequency.QuadPart == 10'000'000 && now.QuadPart >= start_ &&
                   now.QuadPart - start_ < 10 * frequency.QuadPart;
        if (playing_) thread_ = std::thread([this] { Flash(); });
    }
    ~BeepingBox() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        RunHostShell("pkill -f " + ShellQuote("paplay .*beeps.wav"));
    }
    bool Playing() const { return playing_; }
    std::string Why() const { return "started at " + std::to_string(start_) + ", counter " + std::to_string(now_); }
    static bool Beeping(long ms) { return ms >= kFirstBeepMs && (ms - kFirstBeepMs) % kBeepEveryMs < kBeepMs; }

private:
    void Flash() {
        long shown = -1;
        PatternWindow window({kLeft, kTop, kLeft + kCells * kCell, kTop + kCell + kBox}, [&shown](int x, int y) {
            const unsigned code = static_cast<unsigned>(shown / 10) ^ static_cast<unsigned>(shown / 10) >> 1;
            const bool white = y < kCell ? (code >> (kCells - 1 - x / kCell)) & 1 : Beeping(shown);
            return white ? RGB(255, 255, 255) : RGB(0, 0, 0);
        });
        while (!stop_) {
            LARGE_INTEGER now{};
            QueryPerformanceCounter(&now);
            const long ms = static_cast<long>((now.QuadPart - start_) / 10'000);
            if (ms / 10 != shown / 10) {  // drawn once for each 10 ms step, the box when it changes
                const RECT strip{0, 0, kCells * kCell, kCell};
                const bool flash = Beeping(ms) != Beeping(shown);
                shown = ms;
                window.Repaint(flash ? nullptr : &strip);
            }
            Sleep(1);
        }
    }

    long long start_ = 0, now_ = 0;
    bool playing_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// With "record sound" checked, the microphone (here the monitor of the sound server's sink) goes
// into the same file as a second stream.
class RecorderSound : public RecorderFixture {
protected:
    void SetUp() override {
        if (!RunningUnderWine()) GTEST_SKIP() << "the recording is judged by the host's ffprobe";
        if (RunHostShell("pactl info").exitCode != 0) GTEST_SKIP() << "no sound server to record from";
        folder = ScratchFolder(L"e2e-sound");
        const std::wstring typed = folder + L"有声音";
        file = typed + L".avi";
        ASSERT_NO_FATAL_FAILURE(Appears());
        // Settings > Record sound: the file has two streams.
        ASSERT_TRUE(ChoosesSetting(2));
        ASSERT_NO_FATAL_FAILURE(Records(typed, kScreenCodec, 3));
    }

    std::wstring folder, file;
};

// Killed, the file keeps both streams readable up to the last second.
TEST_F(RecorderSound, KilledWhileRecordingLeavesBothStreamsReadable) {
    ASSERT_TRUE(WaitUntil([&] { return FramesInCaption(main) >= 30; }, std::chrono::seconds(60)));
    const int counted = FramesInCaption(main);
    ASSERT_TRUE(recorder.Kill());
    auto video = ProbeStream(file, "v:0");
    auto audio = ProbeStream(file, "a:0");
    EXPECT_EQ(video["nb_streams"], "2") << video["output"];
    EXPECT_GE(std::atoi(video["nb_read_frames"].c_str()) + HeldSlots(file), counted);
    EXPECT_EQ(audio["codec_name"], "pcm_s16le") << audio["output"];
    const auto pcm = Decode(file, "-map 0:a -f s16le -ac 1 -ar 22050");
    ASSERT_TRUE(pcm.has_value());
    EXPECT_GE(static_cast<double>(pcm->size()) / 2 / 22050, counted / 10.0 - 1.0) << "sound up to the last second";
    EXPECT_EQ(StrictDecode(file).output, "");
}

// "是" to the close question ends the recording as 停止 does: the sound as long as the picture to
// the sample, in the header and decoded, and the file mended.
TEST_F(RecorderSound, YesToTheCloseQuestionKeepsTheSoundToTheEnd) {
    ASSERT_TRUE(WaitUntil([&] { return FramesInCaption(main) >= 30; }, std::chrono::seconds(60)));
    std::wstring asked;
    DialogWatcher question({DismissMessageBox(&asked)}, std::chrono::seconds(30), recorder.Id());
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(question.Finish()) << question.Failure();
    EXPECT_EQ(asked, L"正在录制，是否停止？");
    ASSERT_TRUE(recorder.ExitsWithin(20000)) << "closing the main window must end the recorder";
    auto video = ProbeStream(file, "v:0");
    auto audio = ProbeStream(file, "a:0");
    const long slots = std::atol(video["nb_frames"].c_str());
    EXPECT_GE(slots, 30);
    EXPECT_EQ(slots, std::atol(video["nb_read_frames"].c_str()) + HeldSlots(file));
    EXPECT_EQ(audio["nb_frames"], std::to_string(slots * 2205)) << "the header's samples";
    const auto pcm = Decode(file, "-map 0:a -f s16le");
    ASSERT_TRUE(pcm.has_value());
    EXPECT_EQ(static_cast<long>(pcm->size() / 2), slots * 2205) << "the decoded samples";
    EXPECT_EQ(StrictDecode(file).output, "");
}

// Every beep where its flash is.
TEST_F(RecorderSound, BeepsAndFlashesStayTogetherInTheFile) {
    {
        BeepingBox box(folder);
        ASSERT_TRUE(box.Playing()) << "the beeps did not start: " << box.Why();
        const int from = FramesInCaption(main);
        ASSERT_TRUE(WaitUntil([&] { return FramesInCaption(main) >= from + 110; }, std::chrono::seconds(60)));
        ASSERT_TRUE(Stops());
    }

    auto video = ProbeStream(file, "v:0");
    auto audio = ProbeStream(file, "a:0");
    EXPECT_EQ(video["nb_streams"], "2");
    EXPECT_EQ(audio["codec_name"], "pcm_s16le") << audio["output"];
    EXPECT_EQ(audio["sample_rate"], "22050");
    // ffprobe gives PCM in AVI no stream duration, not even for ffmpeg's own files; the header's
    // count of samples, and the samples decoded, say how long the sound is: as long as the
    // picture's slots, to the sample, whatever the machine's pace.
    constexpr long long kSamplesPerSlot = 22050 / 10;
    const long long pictureSamples = std::atoll(video["nb_frames"].c_str()) * kSamplesPerSlot;
    ASSERT_GT(pictureSamples, 0) << video["output"];
    EXPECT_EQ(std::atoll(audio["nb_frames"].c_str()), pictureSamples) << video["output"] << audio["output"];
    const ToolResult strict = StrictDecode(file);
    EXPECT_EQ(strict.output, "");

    // Where the sound was in each slot's picture, from the strip: frames duplicated into the
    // held slots, so that index n is the picture of n tenths of a second.
    constexpr int kStripWidth = BeepingBox::kCells * BeepingBox::kCell;
    const auto strips = Decode(file, "-map 0:v -fps_mode cfr -vf crop=" + std::to_string(kStripWidth) + ":" +
                                         std::to_string(BeepingBox::kCell) + ":" + std::to_string(BeepingBox::kLeft) +
                                         ":" + std::to_string(BeepingBox::kTop) + " -f rawvideo -pix_fmt gray");
    ASSERT_TRUE(strips.has_value());
    const std::size_t stripBytes = static_cast<std::size_t>(kStripWidth) * BeepingBox::kCell;
    std::vector<long> positionMs;  // -1 where no strip shows
    for (std::size_t at = 0; at + stripBytes <= strips->size(); at += stripBytes) {
        unsigned gray = 0;
        for (int cell = 0; cell < BeepingBox::kCells; ++cell) {
            const std::size_t centre = at + static_cast<std::size_t>(BeepingBox::kCell / 2) * kStripWidth +
                                       static_cast<std::size_t>(cell * BeepingBox::kCell + BeepingBox::kCell / 2);
            gray = gray << 1 | ((*strips)[centre] > 128 ? 1u : 0u);
        }
        unsigned binary = gray;
        for (unsigned shift = gray >> 1; shift != 0; shift >>= 1) binary ^= shift;
        positionMs.push_back(binary == 0 ? -1 : static_cast<long>(binary) * 10);
    }

    // For each frame, how far the recording's time was ahead of the sound's when it was taken.
    // A busy machine grabs a frame a little early or late, so each beep is judged against the
    // median over the frames around it.
    const auto lead = [&positionMs](long fromMs, long toMs) {
        std::vector<double> leads;
        for (std::size_t frame = 0; frame < positionMs.size(); ++frame) {
            if (positionMs[frame] > fromMs && positionMs[frame] < toMs) {
                leads.push_back(static_cast<double>(frame) / 10 - static_cast<double>(positionMs[frame]) / 1000);
            }
        }
        if (leads.empty()) return std::optional<double>{};
        std::nth_element(leads.begin(), leads.begin() + leads.size() / 2, leads.end());
        return std::optional{leads[leads.size() / 2]};
    };
    const std::optional<double> overall = lead(0, 1'000'000);
    ASSERT_TRUE(overall.has_value()) << "no frame shows the time strip";

    // Each beep's onset in the recorded sound, against the moment of the recording at which the
    // picture showed that beep's flash begin.
    const auto pcm = Decode(file, "-map 0:a -f s16le -ac 1 -ar 22050");
    ASSERT_TRUE(pcm.has_value());
    EXPECT_EQ(static_cast<long long>(pcm->size() / 2), pictureSamples) << "decoded";
    std::vector<long> offsetsMs;
    std::size_t quietSince = 0;
    for (std::size_t i = 0; i + 1 < pcm->size(); i += 2) {
        const std::size_t sample = i / 2;
        const int value = static_cast<std::int16_t>(platform::ReadLE16(*pcm, i));
        if (std::abs(value) < 4000) continue;
        const bool onset = sample - quietSince > 22050 * 4 / 10;
        quietSince = sample;
        if (!onset) continue;
        const double heard = static_cast<double>(sample) / 22050;
        const long beep =
            BeepingBox::kFirstBeepMs +
            std::lround(((heard - *overall) * 1000 - BeepingBox::kFirstBeepMs) / BeepingBox::kBeepEveryMs) *
                BeepingBox::kBeepEveryMs;
        const auto around = lead(beep - 1500, beep + 1500);
        if (beep >= BeepingBox::kFirstBeepMs && around) {
            offsetsMs.push_back(std::lround((heard - (beep / 1000.0 + *around)) * 1000));
        }
    }
    ASSERT_GE(offsetsMs.size(), 8u) << "beeps found in the sound";
    std::string all;
    for (long o : offsetsMs) all += std::to_string(o) + " ";
    std::printf("sound after picture, each beep (ms): %s\n", all.c_str());
    // The first beep, before the drift is first measured at 3 s, shows whether the sound starts in
    // step. The player's start and the server's latency delay every beep alike: each is judged
    // against the others' median, with room for the 25 ms of drift left uncorrected and as much for
    // the picture's clock, read in 10 ms steps from frames that a loaded machine grabs late.
    constexpr long kInStepMs = 50;
    std::vector<long> later(offsetsMs.begin() + 1, offsetsMs.end());
    std::nth_element(later.begin(), later.begin() + later.size() / 2, later.end());
    const long usual = later[later.size() / 2];
    EXPECT_LT(std::abs(usual), 400) << "the player's start and the server's latency (ms): " << all;
    for (std::size_t i = 0; i < offsetsMs.size(); ++i) {
        EXPECT_LE(std::abs(offsetsMs[i] - usual), kInStepMs)
            << (i == 0 ? "the start is out of step with the rest" : "beep " + std::to_string(i + 1) + " left its flash")
            << " (ms): " << all;
    }
    EXPECT_TRUE(Closes());
}

// The recorder's own codec is installed by the recorder itself at start-up.
INSTANTIATE_TEST_SUITE_P(Compressors, RecorderEndToEnd, ::testing::ValuesIn(kRecordingCompressors), CompressorName);
INSTANTIATE_TEST_SUITE_P(Compressors, RecorderAtThirty, ::testing::Values(kRecordingCompressors[1]), CompressorName);

}  // namespace
}  // namespace kest::testing
