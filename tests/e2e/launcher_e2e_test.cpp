// The real kestlaunch.exe, copied into a folder of its own and started from somewhere else, as
// a person would double-click it: with a stand-in recorder beside it, and with none.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "win32/support/dialog_watcher.h"
#include "win32/support/program.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

// A copy of the launcher (and the stand-in as kest35.exe) in a fresh folder, started with a
// current directory that holds no recorder, so only the launcher's own folder can supply one.
struct Launcher {
    Launcher(const std::wstring& name, bool withRecorder)
        : folder(Copied(name, withRecorder)),
          program(folder + L"kestlaunch.exe", std::nullopt, ScratchFolder(name + L"-cwd")) {}
    static std::wstring Copied(const std::wstring& name, bool withRecorder) {
        const std::wstring folder = ScratchFolder(name);
        CopyFileW(BuildFile(L"kestlaunch.exe", 3).c_str(), (folder + L"kestlaunch.exe").c_str(), FALSE);
        if (withRecorder)
            CopyFileW(BuildFile(L"standin_recorder.exe", 1).c_str(), (folder + L"kest35.exe").c_str(), FALSE);
        return folder;
    }
    // What the stand-in noted, one line per start.
    std::wstring Started() const {
        const auto raw = FileBytes(folder + L"started.txt");
        return std::wstring(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
    }

    std::wstring folder;
    Program program;
};

TEST(LauncherEndToEnd, StartsTheRecorderOnceMinimisedWithoutArgumentsAfterTheFadeOutAndEnds) {
    Launcher launcher(L"launch", true);
    ASSERT_TRUE(launcher.program.Started());
    HWND window = WaitForWindow(
        launcher.program.Id(), L"KestLaunchAbout", [](HWND) { return true; }, std::chrono::seconds(30));
    ASSERT_NE(window, nullptr) << "the launcher's window did not appear";
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_TRUE((exStyle & WS_EX_TOOLWINDOW) && !(exStyle & WS_EX_APPWINDOW)) << "no taskbar button";
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);

    // Watch the opacity as the cycle runs: the recorder must not start before the hold is over
    // and the fade-out under way.
    bool held = false, fadingOut = false, startedEarly = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!launcher.program.ExitsWithin(0) && std::chrono::steady_clock::now() < deadline) {
        const int alpha = Opacity(window);
        held = held || alpha == 255;
        fadingOut = fadingOut || (held && alpha > 0 && alpha < 255);
        startedEarly = startedEarly || (!fadingOut && !launcher.Started().empty());
        Sleep(2);
    }
    ASSERT_TRUE(launcher.program.ExitsWithin(0)) << "the launcher must end once it has started the recorder";
    EXPECT_EQ(launcher.program.ExitCode(), 0u);
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
    ASSERT_TRUE(launcher.program.Started());
    std::wstring caption, text;
    DialogStep box = DismissMessageBox(&text);
    box.answer = [answer = box.answer, &caption](HWND dialog) {
        caption = WindowText(dialog);
        answer(dialog);
    };
    DialogWatcher watcher({box}, std::chrono::seconds(60), launcher.program.Id());
    ASSERT_TRUE(watcher.Finish()) << watcher.Failure();
    EXPECT_EQ(caption, L"Velvra");
    EXPECT_EQ(text.rfind(L"无法启动录像程序 kest35.exe。", 0), 0u);
    ASSERT_TRUE(WaitUntil([&] { return launcher.program.ExitsWithin(0); }, std::chrono::seconds(30)));
    EXPECT_EQ(launcher.program.ExitCode(), 1u) << "its own code for a missing recorder, not a crash";
}

}  // namespace
}  // namespace kest::testing
