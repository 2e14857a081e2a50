// Stands in for kest35.exe beside a copy of the launcher: notes how it was started (show state,
// command line) and how the launcher's window looked at that moment, one line per start, in
// started.txt beside itself, then ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    int launcherAlpha = -1;  // no launcher window any more
    if (HWND launcher = FindWindowW(L"KestLaunchAbout", nullptr)) {
        COLORREF key = 0;
        BYTE alpha = 0;
        DWORD flags = 0;
        launcherAlpha = GetLayeredWindowAttributes(launcher, &key, &alpha, &flags) ? alpha : 256;
    }

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring log = self;
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"started.txt";
    const std::wstring line = L"show=" + std::to_wstring(show) + L" launcher=" + std::to_wstring(launcherAlpha) +
                              L" cmd=" + GetCommandLineW() + L"\n";
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}
