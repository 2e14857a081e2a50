// The real recorder, driven from outside as a person would: open its File menu with the keyboard,
// choose Start, name the file in the save dialog, take the compressor offered, let it record,
// choose Stop, and close it. The file it leaves is judged by ffprobe and ffmpeg.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "win32/support/dialog_watcher.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

std::wstring RecorderPath() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    for (int i = 0; i < 3; ++i) path = path.substr(0, path.find_last_of(L"\\/"));  // .../build/windows
    return path + L"\\kest35.exe";
}

class RecorderProcess {
public:
    // `show`: the show state a launcher asks for, or none, as from a command line.
    explicit RecorderProcess(std::optional<WORD> show = std::nullopt) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (show) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = *show;
        }
        std::wstring commandLine = L"\"" + RecorderPath() + L"\"";
        started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process_) != 0;
    }
    ~RecorderProcess() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    bool Started() const { return started_; }
    DWORD Id() const { return process_.dwProcessId; }
    bool ExitsWithin(DWORD milliseconds) const {
        return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
    }

private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

// Opens the File menu of the menu strip with its access key and takes the item `downs` steps below
// the first.
bool ChooseFileMenuItem(HWND strip, DWORD process, int downs) {
    PostMessageW(strip, WM_SYSCOMMAND, SC_KEYMENU, 'f');
    HWND popup = WaitForWindow(process, L"#32768", [](HWND) { return true; }, std::chrono::seconds(10));
    if (!popup) return false;
    for (int i = 0; i < downs; ++i) PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

int FramesInCaption(HWND window) {
    const std::wstring caption = WindowText(window);
    if (caption.rfind(L"Flame:", 0) != 0) return 0;
    return _wtoi(caption.c_str() + 6);
}

struct Compressor {
    const char* name;
    const wchar_t* inDialog;
    const char* codecName;  // as ffprobe names what it finds
};

class RecorderEndToEnd : public ::testing::TestWithParam<Compressor> {};

TEST_P(RecorderEndToEnd, RecordsTheScreenFromItsOwnMenu) {
    if (!RunningUnderWine()) GTEST_SKIP() << "the recording is judged by the host's ffprobe";
    const std::wstring folder = ScratchFolder(std::wstring(L"e2e-") + GetParam().inDialog[0]) + L"录像";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring typed = folder + L"\\第一次";

    RecorderProcess recorder;
    ASSERT_TRUE(recorder.Started()) << "could not start " << std::string(RecorderPath().begin(), RecorderPath().end());
    HWND main = WaitForWindow(recorder.Id(), L"Kest35Form", [](HWND w) { return IsWindowVisible(w) != 0; },
                              std::chrono::seconds(30));
    ASSERT_NE(main, nullptr) << "the main window did not appear\n" << DescribeWindowsOf(recorder.Id());
    // The menu strip lives inside the main window.
    HWND strip = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (strip = FindWindowExW(main, nullptr, L"Kest35Form", nullptr)) != nullptr; },
                          std::chrono::seconds(10)))
        << "the menu strip is not inside the main window";
    EXPECT_NE(GetMenu(strip), nullptr);

    // File > Start: a menu opened with its access key comes up with its first item selected.
    ASSERT_TRUE(ChooseFileMenuItem(strip, recorder.Id(), 0));
    DialogWatcher dialogs({AnswerSaveDialog(typed), AnswerCompressionDialog(GetParam().inDialog)},
                          std::chrono::seconds(30), recorder.Id());
    ASSERT_TRUE(dialogs.Finish()) << dialogs.Failure();
    ASSERT_TRUE(WaitUntil([&] { return FramesInCaption(main) >= 5; }, std::chrono::seconds(60)))
        << "no frames counted in the caption\n" << DescribeWindowsOf(recorder.Id()) << SaveScreenshot("no-frames");

    // File > Stop, two below Start.
    ASSERT_TRUE(ChooseFileMenuItem(strip, recorder.Id(), 2));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main) == L"Tamsy"; }, std::chrono::seconds(30)));

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(recorder.ExitsWithin(20000)) << "closing the main window must end the recorder";

    const std::wstring file = typed + L".avi";
    auto probe = ProbeVideo(file);
    EXPECT_EQ(probe["codec_name"], GetParam().codecName);
    EXPECT_EQ(probe["width"], std::to_string(GetSystemMetrics(SM_CXSCREEN)));
    EXPECT_EQ(probe["height"], std::to_string(GetSystemMetrics(SM_CYSCREEN)));
    EXPECT_EQ(probe["r_frame_rate"], "10/1");
    EXPECT_EQ(probe["nb_frames"], probe["nb_read_frames"]);
    EXPECT_GE(std::atoi(probe["nb_read_frames"].c_str()), 5);
    const ToolResult strict = StrictDecode(file);
    EXPECT_EQ(strict.exitCode, 0);
    EXPECT_EQ(strict.output, "");
}

// As the launcher starts it: minimised, and restored by the user later to the designed window
// with its menu strip.
TEST(RecorderStart, StartedMinimisedItAppearsMinimisedAndRestoresToTheDesignedWindow) {
    RecorderProcess recorder(SW_SHOWMINIMIZED);
    ASSERT_TRUE(recorder.Started());
    HWND main = WaitForWindow(recorder.Id(), L"Kest35Form", [](HWND w) { return IsWindowVisible(w) != 0; },
                              std::chrono::seconds(30));
    ASSERT_NE(main, nullptr) << "the main window did not appear\n" << DescribeWindowsOf(recorder.Id());
    EXPECT_TRUE(IsIconic(main)) << DescribeWindowsOf(recorder.Id());

    PostMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);  // as its taskbar button would
    ASSERT_TRUE(WaitUntil([&] { return !IsIconic(main); }, std::chrono::seconds(10)));
    RECT outer{};
    GetWindowRect(main, &outer);
    EXPECT_EQ(outer.right - outer.left, 424);
    EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 424) / 2, 1);
    HWND strip = FindWindowExW(main, nullptr, L"Kest35Form", nullptr);
    ASSERT_NE(strip, nullptr);
    EXPECT_TRUE(IsWindowVisible(strip) && !IsIconic(strip)) << "the menu strip shows inside the restored window";
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(recorder.ExitsWithin(20000));
}

// The recorder's own codec is installed by the recorder itself at start-up.
INSTANTIATE_TEST_SUITE_P(Compressors, RecorderEndToEnd,
                         ::testing::Values(Compressor{"FullFrames", L"Full Frames (Uncompressed)", "rawvideo"},
                                           Compressor{"ScreenCodec", L"Velvra 无损屏幕编码 (ZMBV)", "zmbv"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kest::testing
