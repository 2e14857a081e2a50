// Capture-rate benchmark: records through the main window's own capture ticks for a fixed time,
// with the save and compression dialogs answered as a person would, and prints the rate.

#include <chrono>
#include <cstdio>
#include <string>

#include "recorder/controlmenu/form2.h"
#include "recorder/mainwindow/form1.h"

#include <windows.h>
#include "win32/support/dialog_watcher.h"
#include "win32/support/test_platform.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: capture_bench full|area SECONDS OUTPUT.avi\n");
        return 2;
    }
    const bool area = std::wstring(argv[1]) == L"area";
    const double seconds = _wtof(argv[2]);
    const std::wstring output = argv[3];

    kest::testing::TestPlatform windows;
    kest::recorder::AVIDecs avi(windows.platform);
    kest::recorder::Form1 form1(windows.platform, avi);
    kest::recorder::Form2 form2(windows.platform, form1);
    form1.Load(form2);
    form2.Window().Show();
    if (area) {
        // A quarter of the screen, from its centre part.
        const int width = GetSystemMetrics(SM_CXSCREEN) / 2, height = GetSystemMetrics(SM_CYSCREEN) / 2;
        form2.recordareae().SetChecked(true);
        form1.x0 = width / 2;
        form1.y0 = height / 2;
        form1.aviwidth = width;
        form1.aviheight = height;
    }

    kest::testing::DialogWatcher watcher({kest::testing::AnswerSaveDialog(output),
                                          kest::testing::AnswerCompressionDialog(L"Full Frames (Uncompressed)")});
    form2.start_Click();
    if (!watcher.Finish() || !form1.RecordingInProgress()) {
        std::fprintf(stderr, "could not start: %s\n", watcher.Failure().c_str());
        return 1;
    }
    const auto begin = std::chrono::steady_clock::now();
    const auto limit = std::chrono::duration<double>(seconds);
    int frames = 0;
    kest::testing::WaitUntil(
        [&] {
            frames = form1.framecount;
            return !form1.RecordingInProgress() || std::chrono::steady_clock::now() - begin >= limit;
        },
        std::chrono::seconds(static_cast<int>(seconds) + 30));
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const bool hitLimit = !form1.RecordingInProgress();
    if (!hitLimit) frames = form1.framecount;
    form2.done_Click();
    std::printf("mode=%s size=%dx%d frames=%d seconds=%.2f fps=%.1f%s\n", area ? "area" : "full", form1.aviwidth,
                form1.aviheight, frames, elapsed, frames / elapsed, hitLimit ? " (stopped at the 2 GiB limit)" : "");
    return 0;
}
