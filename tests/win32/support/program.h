// A program of the build started in a process of its own, as a person or a launcher starts it,
// for the end-to-end tests; ended when the test is done with it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kest::testing {

// A file of the build folder, `levelsUp` folders above the running test program's own.
std::wstring BuildFile(const std::wstring& name, int levelsUp);

class Program {
public:
    // `show`: the show state a launcher asks for, or none, as from a command line. `folder`: the
    // current folder it starts in, this process's unless given.
    explicit Program(const std::wstring& path, std::optional<WORD> show = std::nullopt,
                     const std::wstring& folder = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return started_; }
    DWORD Id() const { return process_.dwProcessId; }
    bool ExitsWithin(DWORD milliseconds) const;
    bool Ended() const { return ExitsWithin(0); }
    DWORD ExitCode() const;
    // Ends the process at once and waits until it is gone.
    bool Kill() const;

private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

}  // namespace kest::testing
