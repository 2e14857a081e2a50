// The real kestlaunch.exe, copied into a folder of its own and started from somewhere else, as
// a person would double-click it: with a stand-in recorder beside it, and with none.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "win32/support/dialog_watcher.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

std::wstring BuildFile(const std::wstring& name, int levelsUp) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    for (int i = 0; i < levelsUp; ++i) path = path.substr(0, path.find_last_of(L"\\/"));
    return path + L"\\" + name;
}

// A copy of the launcher (and the stand-in as kest35.exe) in a fresh folder, started with a
// current directory that holds no recorder, so only the launcher's own folder can supply one.
struct Launcher {
    Launcher(const std::wstring& name, bool withRecorder) : folder(ScratchFolder(name)) {
        CopyFileW(BuildFile(L"kestlaunch.exe", 3).c_str(), (folder + L"kestlaunch.exe").c_str(), FALSE);
        if (withRecorder) CopyFileW(BuildFile(L"standin_recorder.exe", 1).c_str(), (folder + L"kest35.exe").c_str(), FALSE);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + folder + L"kestlaunch.exe\"";
        started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 ScratchFolder(name + L"-cwd").c_str(), &startup, &process) != 0;
    }
    ~Launcher() {
        if (!started) return;
        if (!Ended()) TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    bool Ended() const { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }
    // What the stand-in noted, one line per start.
    std::wstring Started() const {
        std::ifstream in(std::filesystem::path(folder + L"started.txt"), std::ios::binary);
        const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return std::wstring(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
    }

    std::wstring folder;
    PROCESS_INFORMATION process{};
    bool started = false;
};

int Opacity(HWND window) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, &key, &alpha, &flags) ? alpha : -1;
}

TEST(LauncherEndToEnd, StartsTheRecorderOnceMinimisedWithoutArgumentsAfterTheFadeOutAndEnds) {
    Launcher launcher(L"launch", true);
    ASSERT_TRUE(launcher.started);
    HWND window = WaitForWindow(launcher.process.dwProcessId, L"KestLaunchAbout", [](HWND) { return true; },
                                std::chrono::seconds(30));
    ASSERT_NE(window, nullptr) << "the launcher's window did not appear";
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_TRUE((exStyle & WS_EX_TOOLWINDOW) && !(exStyle & WS_EX_APPWINDOW)) << "no taskbar button";
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);

    // Watch the opacity as the cycle runs: the recorder must not start before the hold is over
    // and the fade-out under way.
    bool held = false, fadingOut = false, startedEarly = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!launcher.Ended() && std::chrono::steady_clock::now() < deadline) {
        const int alpha = Opacity(window);
        held = held || alpha == 255;
        fadingOut = fadingOut || (held && alpha > 0 && alpha < 255);
        startedEarly = startedEarly || (!fadingOut && !launcher.Started().empty());
        Sleep(2);
    }
    ASSERT_TRUE(launcher.Ended()) << "the launcher must end once it has started the recorder";
    EXPECT_EQ(launcher.ExitCode(), 0u);
    EXPECT_TRUE(held && fadingOut);
    EXPECT_FALSE(startedEarly);

    ASSERT_TRUE(WaitUntil([&] { return !launcher.Started().empty(); }, std::chrono::seconds(30)));
    // Once, minimised, by the bare name alone; the launcher's window gone or fully transparent.
    const std::wstring started = launcher.Started();
    EXPECT_EQ(std::count(started.begin(), started.end(), L'\n'), 1);
    EXPECT_EQ(started.rfind(L"show=" + std::to_wstring(SW_SHOWMINIMIZED) + L" ", 0), 0u) << started;
    EXPECT_TRUE(started.find(L" launcher=0 ") != std::wstring::npos ||
                started.find(L" launcher=-1 ") != std::wstring::npos);
    EXPECT_NE(started.find(L" cmd=kest35.exe\n"), std::wstring::npos);
}

TEST(LauncherEndToEnd, WithoutARecorderSaysSoInChineseAndEndsCleanly) {
    Launcher launcher(L"launch-alone", false);
    ASSERT_TRUE(launcher.started);
    std::wstring caption, text;
    DialogStep box = DismissMessageBox(&text);
    box.answer = [answer = box.answer, &caption](HWND dialog) {
        caption = WindowText(dialog);
        answer(dialog);
    };
    DialogWatcher watcher({box}, std::chrono::seconds(60), launcher.process.dwProcessId);
    ASSERT_TRUE(watcher.Finish()) << watcher.Failure();
    EXPECT_EQ(caption, L"Velvra");
    EXPECT_EQ(text.rfind(L"无法启动录像程序 kest35.exe。", 0), 0u);
    ASSERT_TRUE(WaitUntil([&] { return launcher.Ended(); }, std::chrono::seconds(30)));
    EXPECT_EQ(launcher.ExitCode(), 1u) << "its own code for a missing recorder, not a crash";
}

}  // namespace
}  // namespace kest::testing
