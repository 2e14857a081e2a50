// A program of the build started in a process of its own, as a person or a launcher starts it,
// for the end-to-end tests; ended when the test is done with it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kest::testing {

// A file of the build folder, `levelsUp` folders above the running test program's own.
inline std::wstring BuildFile(const std::wstring& name, int levelsUp) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    for (int i = 0; i < levelsUp; ++i) path = path.substr(0, path.find_last_of(L"\\/"));
    return path + L"\\" + name;
}

class Program {
public:
    // `show`: the show state a launcher asks for, or none, as from a command line. `folder`: the
    // current folder it starts in, this process's unless given.
    explicit Program(const std::wstring& path, std::optional<WORD> show = std::nullopt,
                     const std::wstring& folder = {}) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = show ? STARTF_USESHOWWINDOW : 0;
        startup.wShowWindow = show.value_or(0);
        std::wstring commandLine = L"\"" + path + L"\"";
        started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.empty() ? nullptr : folder.c_str(), &startup, &process_) != 0;
    }
    ~Program() {
        if (!started_) return;
        if (!ExitsWithin(0)) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return started_; }
    DWORD Id() const { return process_.dwProcessId; }
    bool ExitsWithin(DWORD milliseconds) const {
        return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
    // Ends the process at once and waits until it is gone.
    bool Kill() const { return TerminateProcess(process_.hProcess, 1) && ExitsWithin(20000); }

private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

}  // namespace kest::testing
