#include "win32/support/program.h"

namespace kest::testing {

std::wstring BuildFile(const std::wstring& name, int levelsUp) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    for (int i = 0; i < levelsUp; ++i) path = path.substr(0, path.find_last_of(L"\\/"));
    return path + L"\\" + name;
}

Program::Program(const std::wstring& path, std::optional<WORD> show, const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (show) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = *show;
    }
    std::wstring commandLine = L"\"" + path + L"\"";
    started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.empty() ? nullptr : folder.c_str(), &startup, &process_) != 0;
}

Program::~Program() {
    if (!started_) return;
    if (!Ended()) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool Program::ExitsWithin(DWORD milliseconds) const {
    return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

bool Program::Kill() const { return TerminateProcess(process_.hProcess, 1) && ExitsWithin(20000); }

}  // namespace kest::testing
