#include "win32/support/dialog_watcher.h"

#include <utility>

namespace kest::testing {

namespace {

struct Search {
    const std::function<bool(HWND)>* matches;
    DWORD process;
    std::wstring className;
    HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (process == search->process && IsWindowVisible(window) && search->className == className &&
        (*search->matches)(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void Press(HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

}  // namespace

std::wstring WindowText(HWND window) {
    wchar_t buffer[512] = {};
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

HWND WaitForDialog(const std::function<bool(HWND)>& matches, std::chrono::milliseconds timeout, DWORD process) {
    return WaitForWindow(process ? process : GetCurrentProcessId(), L"#32770", matches, timeout);
}

HWND WaitForWindow(DWORD process, const std::wstring& className, const std::function<bool(HWND)>& matches,
                   std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        Search search{&matches, process, className};
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
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
            failure_ = "no " + step.name + " appeared";
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

}  // namespace kest::testing
