// The real kestlaunch.exe, copied into a folder of its own and started from somewhere else, as
// a person would double-click it: with a stand-in recorder beside it, and with none.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "win32/support/dialog_watcher.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

constexpr wchar_t kAboutClass[] = L"KestLaunchAbout";

std::wstring BuildFile(const std::wstring& name, int levelsUp) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    for (int i = 0; i < levelsUp; ++i) path = path.substr(0, path.find_last_of(L"\\/"));
    return path + L"\\" + name;
}

class Launcher {
public:
    // Starts `folder`\kestlaunch.exe with a current directory that holds no recorder, so only the
    // launcher's own folder can supply one.
    explicit Launcher(const std::wstring& folder) {
        const std::wstring elsewhere = ScratchFolder(L"launch-cwd");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + folder + L"kestlaunch.exe\"";
        started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, elsewhere.c_str(),
                                  &startup, &process_) != 0;
    }
    ~Launcher() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    bool Started() const { return started_; }
    DWORD Id() const { return process_.dwProcessId; }
    bool Ended() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

std::wstring ReadLog(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string raw = bytes.str();
    return std::wstring(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
}

int Opacity(HWND window) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, &key, &alpha, &flags) ? alpha : -1;
}

std::wstring PrepareFolder(const std::wstring& name, bool withRecorder) {
    const std::wstring folder = ScratchFolder(name);
    EXPECT_TRUE(CopyFileW(BuildFile(L"kestlaunch.exe", 3).c_str(), (folder + L"kestlaunch.exe").c_str(), FALSE));
    if (withRecorder) {
        EXPECT_TRUE(CopyFileW(BuildFile(L"standin_recorder.exe", 1).c_str(), (folder + L"kest35.exe").c_str(), FALSE));
    }
    return folder;
}

TEST(LauncherEndToEnd, StartsTheRecorderOnceMinimisedWithoutArgumentsAfterTheFadeOutAndEnds) {
    const std::wstring folder = PrepareFolder(L"launch", true);
    const std::wstring log = folder + L"started.txt";
    Launcher launcher(folder);
    ASSERT_TRUE(launcher.Started());
    HWND window = WaitForWindow(launcher.Id(), kAboutClass, [](HWND) { return true; }, std::chrono::seconds(30));
    ASSERT_NE(window, nullptr) << "the launcher's window did not appear";
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << "a tool window has no taskbar button";
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);

    // Watch the opacity as the cycle runs: the recorder must not start before the hold is over
    // and the fade-out under way.
    bool held = false, fadingOut = false, startedBeforeFadeOut = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!launcher.Ended() && std::chrono::steady_clock::now() < deadline) {
        const int alpha = IsWindow(window) ? Opacity(window) : -1;
        held = held || alpha == 255;
        fadingOut = fadingOut || (held && alpha > 0 && alpha < 255);
        if (!fadingOut && !ReadLog(log).empty()) startedBeforeFadeOut = true;
        Sleep(2);
    }
    ASSERT_TRUE(launcher.Ended()) << "the launcher must end once it has started the recorder";
    EXPECT_EQ(launcher.ExitCode(), 0u);
    EXPECT_TRUE(held);
    EXPECT_TRUE(fadingOut);
    EXPECT_FALSE(startedBeforeFadeOut);

    ASSERT_TRUE(WaitUntil([&] { return !ReadLog(log).empty(); }, std::chrono::seconds(30))) << "no recorder started";
    const std::wstring started = ReadLog(log);
    EXPECT_EQ(std::count(started.begin(), started.end(), L'\n'), 1) << "started once";
    // Shown minimised; the launcher's window was gone or fully transparent; the bare name alone.
    EXPECT_EQ(started.rfind(L"show=" + std::to_wstring(SW_SHOWMINIMIZED) + L" ", 0), 0u);
    const bool launcherDone = started.find(L" launcher=0 ") != std::wstring::npos ||
                              started.find(L" launcher=-1 ") != std::wstring::npos;
    EXPECT_TRUE(launcherDone);
    EXPECT_NE(started.find(L" cmd=kest35.exe\n"), std::wstring::npos) << "no path, no arguments";
}

TEST(LauncherEndToEnd, WithoutARecorderSaysSoInChineseAndEndsCleanly) {
    const std::wstring folder = PrepareFolder(L"launch-alone", false);
    Launcher launcher(folder);
    ASSERT_TRUE(launcher.Started());
    std::wstring caption, text;
    DialogStep box = DismissMessageBox(&text);
    box.answer = [answer = box.answer, &caption](HWND dialog) {
        caption = WindowText(dialog);
        answer(dialog);
    };
    DialogWatcher watcher({box}, std::chrono::seconds(60), launcher.Id());
    ASSERT_TRUE(watcher.Finish()) << watcher.Failure();
    EXPECT_EQ(caption, L"Velvra");
    EXPECT_EQ(text.rfind(L"无法启动录像程序 kest35.exe。", 0), 0u);
    ASSERT_TRUE(WaitUntil([&] { return launcher.Ended(); }, std::chrono::seconds(30)));
    EXPECT_EQ(launcher.ExitCode(), 1u) << "its own code for a missing recorder, not a crash";
}

}  // namespace
}  // namespace kest::testing
