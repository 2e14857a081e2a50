// Answers this process's modal dialogs from a second thread, as a person at the keyboard would:
// finds the dialog, fills its fields and presses OK or Cancel.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kest::testing {

// Control ids of the common dialogs as Wine and Windows build them.
inline constexpr int kFileNameCombo = 0x47C;
inline constexpr int kCompressorCombo = 880;
// Compressors as the compression dialog lists them.
inline constexpr wchar_t kFullFrames[] = L"Full Frames (Uncompressed)";
inline constexpr wchar_t kScreenCodec[] = L"Velvra 无损屏幕编码 (ZMBV)";
// The two a recording is judged with, each with the name ffprobe gives what it writes.
struct Compressor {
    const char* name;
    const wchar_t* inDialog;
    const char* codecName;
};
inline constexpr Compressor kRecordingCompressors[] = {{"FullFrames", kFullFrames, "rawvideo"},
                                                       {"ScreenCodec", kScreenCodec, "zmbv"}};
inline std::string CompressorName(const ::testing::TestParamInfo<Compressor>& info) { return info.param.name; }

struct DialogStep {
    std::string name;                   // for failure messages
    std::function<bool(HWND)> matches;  // is this the dialog this step answers?
    std::function<void(HWND)> answer;   // fill it and press a button
};

// The save dialog: type `fileName` (a Windows path) and press OK, or Cancel when empty.
DialogStep AnswerSaveDialog(std::wstring fileName);
// The compression dialog: pick `compressor` from the list and press OK (or Cancel). The text
// selected when the dialog came up is stored in *preselected when given.
DialogStep AnswerCompressionDialog(std::wstring compressor, bool ok = true, std::wstring* preselected = nullptr);
// Any message box: note its text and press its first button.
DialogStep DismissMessageBox(std::wstring* text = nullptr);

class DialogWatcher {
public:
    // Answers dialogs of `process` (this one unless given).
    explicit DialogWatcher(std::vector<DialogStep> steps, std::chrono::milliseconds perStep = std::chrono::seconds(60),
                           DWORD process = 0);
    ~DialogWatcher();
    // Waits for the thread; true when every step found its dialog and the dialog closed.
    bool Finish();
    const std::string& Failure() const { return failure_; }

private:
    void Run();
    std::vector<DialogStep> steps_;
    std::chrono::milliseconds perStep_;
    DWORD process_;
    std::string failure_;
    std::thread thread_;
};

// A recording started as a person starts one: `start` (the Start command) brings up the save
// dialog, answered with `file`, then the compression dialog, where `compressor` is taken; of
// `process` (this one unless given).
::testing::AssertionResult AnswerStart(const std::function<void()>& start, const std::wstring& file,
                                       const std::wstring& compressor = kFullFrames, DWORD process = 0);

// The visible dialog (#32770) of `process` (this one when 0) that `matches`, polled until `timeout`.
HWND WaitForDialog(const std::function<bool(HWND)>& matches, std::chrono::milliseconds timeout, DWORD process = 0);
// The top-level windows of `process`.
std::vector<HWND> TopLevelWindowsOf(DWORD process);
// The visible top-level window of `process` with class `className` that `matches`.
HWND WaitForWindow(DWORD process, const std::wstring& className, const std::function<bool(HWND)>& matches,
                   std::chrono::milliseconds timeout);
// Polls `condition` every 20 ms, running this thread's messages, until it holds or time runs out.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
// True on two monitors or more. Where scripts/screens-run.sh promises them (KEST_MONITORS), they
// are waited for, since the prefix's desktop may still be setting them up; not getting them
// then is a failure.
bool TwoMonitors();
std::wstring WindowText(HWND window);
// A layered window's opacity, 0 to 255; -1 for a window that is not layered (or gone).
int Opacity(HWND window);
// Every window of `process` with its children: class, text, visibility and rectangle, for a
// failure message that says what was on the screen instead.
std::string DescribeWindowsOf(DWORD process);
// A screenshot of the whole X display beside the test program; its host path, or why there is none.
std::string SaveScreenshot(const std::string& name);

}  // namespace kest::testing
