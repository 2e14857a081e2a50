#include "win32/support/dialog_watcher.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <utility>

#include "win32/support/tools.h"

namespace kest::testing {

namespace {

std::string Narrow(const std::wstring& text) {
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(), bytes, nullptr,
                        nullptr);
    return narrow;
}

// A hung window must not hang the report about it.
std::wstring TextWithin(HWND window, UINT milliseconds) {
    wchar_t buffer[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, milliseconds,
                        &copied);
    std::wstring text = buffer;
    text.erase(text.find_last_not_of(L' ') + 1);  // the recorder's dialog buffers are blank-filled
    return text;
}

void Describe(std::ostringstream& out, HWND window, int depth) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    RECT r{};
    GetWindowRect(window, &r);
    out << std::string(static_cast<std::size_t>(2 * depth + 2), ' ') << Narrow(className) << " \""
        << Narrow(TextWithin(window, 1000)) << "\" " << (IsWindowVisible(window) ? "visible" : "hidden") << " ("
        << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")\n";
}

BOOL CALLBACK ListChild(HWND window, LPARAM out) {
    int depth = 0;
    for (HWND up = GetAncestor(window, GA_PARENT); up && up != GetDesktopWindow(); up = GetAncestor(up, GA_PARENT))
        ++depth;
    Describe(*reinterpret_cast<std::ostringstream*>(out), window, depth);
    return TRUE;
}

void Press(HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD process) {
    struct Search {
        DWORD process;
        std::vector<HWND> found;
    } search{process, {}};
    EnumWindows(
        [](HWND window, LPARAM data) {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s.process) s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string DescribeWindowsOf(DWORD process) {
    std::ostringstream out;
    out << "windows of process " << process << ":\n";
    for (HWND window : TopLevelWindowsOf(process)) {
        Describe(out, window, 0);
        EnumChildWindows(window, ListChild, reinterpret_cast<LPARAM>(&out));
    }
    return out.str();
}

std::string SaveScreenshot(const std::string& name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = self;
    folder = folder.substr(0, folder.find_last_of(L"\\/") + 1);
    std::string file = name;
    for (char& c : file)
        if (c == ' ') c = '-';
    const std::string target = HostPath(folder) + file + "-" + std::to_string(GetCurrentProcessId()) + ".png";
    const ToolResult shot = RunHostShell("import -window root " + ShellQuote(target));
    return shot.exitCode == 0 ? target : "no screenshot (" + shot.output + ")";
}

bool TwoMonitors() {
    const auto two = [] { return GetSystemMetrics(SM_CMONITORS) >= 2; };
    if (!std::getenv("KEST_MONITORS") || WaitUntil(two, std::chrono::seconds(30))) return two();
    ADD_FAILURE() << "scripts/screens-run.sh promised two monitors; Wine reports " << GetSystemMetrics(SM_CMONITORS);
    return false;
}

std::wstring WindowText(HWND window) {
    wchar_t buffer[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

int Opacity(HWND window) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, &key, &alpha, &flags) ? alpha : -1;
}

HWND WaitForDialog(const std::function<bool(HWND)>& matches, std::chrono::milliseconds timeout, DWORD process) {
    return WaitForWindow(process ? process : GetCurrentProcessId(), L"#32770", matches, timeout);
}

HWND WaitForWindow(DWORD process, const std::wstring& className, const std::function<bool(HWND)>& matches,
                   std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        for (HWND window : TopLevelWindowsOf(process)) {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (IsWindowVisible(window) && className == name && matches(window)) return window;
        }
        Sleep(20);
    } while (std::chrono::steady_clock::now() < deadline);
    return nullptr;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // The condition is looked at after every message: a busy timer keeps the queue from
        // ever running empty.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
            if (condition()) return true;
            if (std::chrono::steady_clock::now() >= deadline) return false;
        }
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(20);
    }
}

DialogStep AnswerSaveDialog(std::wstring fileName) {
    return {"save dialog", [](HWND dialog) { return GetDlgItem(dialog, kFileNameCombo) != nullptr; },
            [fileName](HWND dialog) {
                if (fileName.empty()) {
                    Press(dialog, IDCANCEL);
                    return;
                }
                SendMessageW(GetDlgItem(dialog, kFileNameCombo), WM_SETTEXT, 0,
                             reinterpret_cast<LPARAM>(fileName.c_str()));
                Press(dialog, IDOK);
            }};
}

DialogStep AnswerCompressionDialog(std::wstring compressor, bool ok, std::wstring* preselected) {
    return {"compression dialog", [](HWND dialog) { return GetDlgItem(dialog, kCompressorCombo) != nullptr; },
            [compressor, ok, preselected](HWND dialog) {
                HWND list = GetDlgItem(dialog, kCompressorCombo);
                if (preselected) {
                    const auto current = SendMessageW(list, CB_GETCURSEL, 0, 0);
                    wchar_t text[256] = {};
                    if (current >= 0) SendMessageW(list, CB_GETLBTEXT, current, reinterpret_cast<LPARAM>(text));
                    *preselected = text;
                }
                const auto index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(compressor.c_str()));
                if (index != CB_ERR) {
                    SendMessageW(list, CB_SETCURSEL, index, 0);
                    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kCompressorCombo, CBN_SELCHANGE),
                                 reinterpret_cast<LPARAM>(list));
                }
                Press(dialog, ok ? IDOK : IDCANCEL);
            }};
}

DialogStep DismissMessageBox(std::wstring* text) {
    return {"message box", [](HWND dialog) { return GetDlgItem(dialog, 0xFFFF) != nullptr; },
            [text](HWND dialog) {
                if (text) *text = WindowText(GetDlgItem(dialog, 0xFFFF));
                for (int button : {IDOK, IDYES, IDNO, IDCANCEL}) {
                    if (GetDlgItem(dialog, button)) {
                        Press(dialog, button);
                        return;
                    }
                }
            }};
}

DialogWatcher::DialogWatcher(std::vector<DialogStep> steps, std::chrono::milliseconds perStep, DWORD process)
    : steps_(std::move(steps)), perStep_(perStep), process_(process), thread_([this] { Run(); }) {}

DialogWatcher::~DialogWatcher() {
    if (thread_.joinable()) thread_.join();
}

void DialogWatcher::Run() {
    for (auto& step : steps_) {
        HWND dialog = WaitForDialog(step.matches, perStep_, process_);
        if (!dialog) {
            // What was there instead tells a slow start from a dialog that never comes.
            failure_ = "no " + step.name + " appeared within " + std::to_string(perStep_.count()) + " ms\n" +
                       DescribeWindowsOf(process_ ? process_ : GetCurrentProcessId()) +
                       "screen: " + SaveScreenshot("no-" + step.name);
            break;
        }
        step.answer(dialog);
        const auto deadline = std::chrono::steady_clock::now() + perStep_;
        while (IsWindow(dialog) && IsWindowVisible(dialog) && std::chrono::steady_clock::now() < deadline) Sleep(20);
        if (IsWindow(dialog) && IsWindowVisible(dialog)) {
            failure_ = "the " + step.name + " did not close";
            break;
        }
    }
}

bool DialogWatcher::Finish() {
    if (thread_.joinable()) thread_.join();
    return failure_.empty();
}

::testing::AssertionResult AnswerStart(const std::function<void()>& start, const std::wstring& file,
                                       const std::wstring& compressor, DWORD process) {
    DialogWatcher watcher({AnswerSaveDialog(file), AnswerCompressionDialog(compressor)}, std::chrono::seconds(60),
                          process);
    start();
    if (watcher.Finish()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << watcher.Failure();
}

}  // namespace kest::testing
