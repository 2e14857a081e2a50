// The toolkit's process services: message boxes, the event loop, clocks, the screen, resources,
// the single-instance check and the shell.
#include "platform/win32/win32_toolkit.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_forms.h"

namespace kest::platform::win32 {

// ---- toolkit ----

Win32Toolkit::Win32Toolkit() {
    Win32Form::RegisterFormClass();
    RegisterControlClasses();
}

std::unique_ptr<Form> Win32Toolkit::CreateForm(const FormDesign& design) {
    return std::make_unique<Win32Form>(*this, design);
}

void Win32Toolkit::FormClosed(Handle hwnd, bool startupWindow) const {
    if ((quitWith_ != 0 && hwnd == quitWith_) || (quitWithStartup_ && startupWindow)) PostQuitMessage(0);
}

MsgBoxResult Win32Toolkit::MsgBox(const Text& text, MsgBoxButtons buttons, MsgBoxIcon icon, const Text& caption) {
    UINT flags = buttons == MsgBoxButtons::YesNo ? MB_YESNO : MB_OK;
    switch (icon) {
        case MsgBoxIcon::Critical: flags |= MB_ICONHAND; break;
        case MsgBoxIcon::Question: flags |= MB_ICONQUESTION; break;
        case MsgBoxIcon::Exclamation: flags |= MB_ICONEXCLAMATION; break;
        case MsgBoxIcon::Information: flags |= MB_ICONASTERISK; break;
        case MsgBoxIcon::None: break;
    }
    switch (MessageBoxW(GetActiveWindow(), Wide(text), Wide(caption), flags)) {
        case IDYES: return MsgBoxResult::Yes;
        case IDNO: return MsgBoxResult::No;
        case IDCANCEL: return MsgBoxResult::Cancel;
        default: return MsgBoxResult::Ok;
    }
}

void Win32Toolkit::DoEvents() {
    // An open menu runs its own loop and reads its keys and clicks from the queue; taking them
    // here would make the menu miss them. That loop dispatches everything else meanwhile.
    if (menuLoops_ > 0) return;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // leave it for the main loop
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (menuLoops_ > 0) return;
    }
}

void Win32Toolkit::WaitForEvents(std::int32_t milliseconds) {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::max(0, milliseconds)), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
}

std::uint32_t Win32Toolkit::TickCount() { return GetTickCount(); }

std::int32_t Win32Toolkit::DoubleClickTime() { return static_cast<std::int32_t>(GetDoubleClickTime()); }

int Win32Toolkit::RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

double Win32Toolkit::SecondsSinceMidnight() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

std::int64_t Win32Toolkit::MonotonicMicroseconds() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    // Whole seconds and the rest apart, so the product cannot overflow at any frequency.
    const std::int64_t seconds = now.QuadPart / frequency.QuadPart;
    const std::int64_t rest = now.QuadPart % frequency.QuadPart;
    return seconds * 1'000'000 + rest * 1'000'000 / frequency.QuadPart;
}

std::int32_t Win32Toolkit::ScreenWidthTwips() { return GetSystemMetrics(SM_CXSCREEN) * kTwipsPerPixel; }

std::int32_t Win32Toolkit::ScreenHeightTwips() { return GetSystemMetrics(SM_CYSCREEN) * kTwipsPerPixel; }

Text Win32Toolkit::ProgramDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            Text path = FromWide(buffer.data(), length);
            const auto slash = path.find_last_of(u"\\/");
            return slash == Text::npos ? Text{} : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

Handle Win32Toolkit::Instance() { return reinterpret_cast<Handle>(ModuleInstance()); }

PictureRef Win32Toolkit::LoadResourcePicture(const Text& name) {
    if (auto it = pictures_.find(name); it != pictures_.end()) return it->second;
    auto* bitmap =
        static_cast<HBITMAP>(LoadImageW(ModuleInstance(), Wide(name), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    PictureRef picture = bitmap ? std::make_shared<Win32Picture>(bitmap) : nullptr;
    pictures_[name] = picture;
    return picture;
}

bool Win32Toolkit::PrevInstance() {
    // Asked once per process: the first answer stands, and the mutex lives as long as the process.
    static const bool running = [] {
        wchar_t user[256] = L"";
        DWORD length = 256;
        GetUserNameW(user, &length);
        wchar_t path[MAX_PATH] = L"";
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring program = path;
        program = program.substr(program.find_last_of(L"\\/") + 1);
        const std::wstring name = L"Local\\Velvra." + program + L"." + user;
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
        return mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    }();
    return running;
}

bool Win32Toolkit::OpenWebPage(const Text& address) {
    if (!opensWebPages_) return false;
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_ASYNCOK | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    request.lpVerb = L"open";
    request.lpFile = Wide(address);
    request.nShow = SW_SHOWNORMAL;
    const bool handed = ShellExecuteExW(&request) != 0;
    if (request.hProcess) CloseHandle(request.hProcess);
    return handed;
}

void Win32Toolkit::EndProcess() { ExitProcess(0); }

}  // namespace kest::platform::win32
