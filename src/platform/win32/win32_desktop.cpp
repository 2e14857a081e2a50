#include "platform/win32/win32_desktop.h"

#include <windows.h>

#include <vector>

#include "platform/win32/text.h"

namespace kest::platform::win32 {

static_assert(kVkSnapshot == VK_SNAPSHOT && kSrcCopy == SRCCOPY);
static_assert(kSmXVirtualScreen == SM_XVIRTUALSCREEN && kSmYVirtualScreen == SM_YVIRTUALSCREEN &&
              kSmCxVirtualScreen == SM_CXVIRTUALSCREEN && kSmCyVirtualScreen == SM_CYVIRTUALSCREEN);
static_assert(kMonitorDefaultToNearest == MONITOR_DEFAULTTONEAREST && kMonitorInfoPrimary == MONITORINFOF_PRIMARY);

Handle Win32Desktop::GetCursor() { return reinterpret_cast<Handle>(::GetCursor()); }

bool Win32Desktop::SetForegroundWindow(Handle window) {
    return ::SetForegroundWindow(reinterpret_cast<HWND>(window)) != 0;
}

bool Win32Desktop::SetRect(Rect* rect, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    RECT native;
    const BOOL ok = ::SetRect(&native, left, top, right, bottom);
    *rect = {native.left, native.top, native.right, native.bottom};
    return ok != 0;
}

Text Win32Desktop::TempPath() {
    const DWORD needed = GetTempPathW(0, nullptr);
    if (needed == 0) return {};
    std::vector<wchar_t> buffer(needed + 1);
    const DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    return length == 0 || length >= buffer.size() ? Text{} : FromWide(buffer.data(), length);
}

void Win32Desktop::KeybdEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                              std::uintptr_t extraInfo) {
    keybd_event(virtualKey, scanCode, flags, extraInfo);
}

std::uint32_t Win32Desktop::ClipboardSequenceNumber() { return GetClipboardSequenceNumber(); }

bool Win32Desktop::GetCursorPos(Point* position) {
    POINT native{};
    const BOOL ok = ::GetCursorPos(&native);
    if (ok) *position = {native.x, native.y};
    return ok != 0;
}

Handle Win32Desktop::GetDC(Handle window) { return reinterpret_cast<Handle>(::GetDC(reinterpret_cast<HWND>(window))); }

std::int32_t Win32Desktop::ReleaseDC(Handle window, Handle dc) {
    return ::ReleaseDC(reinterpret_cast<HWND>(window), reinterpret_cast<HDC>(dc));
}

bool Win32Desktop::BitBlt(Handle destination, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                          Handle source, std::int32_t sourceX, std::int32_t sourceY, std::uint32_t rop) {
    return ::BitBlt(reinterpret_cast<HDC>(destination), x, y, width, height, reinterpret_cast<HDC>(source), sourceX,
                    sourceY, rop) != 0;
}

bool Win32Desktop::DrawIcon(Handle dc, std::int32_t x, std::int32_t y, Handle icon) {
    return ::DrawIcon(reinterpret_cast<HDC>(dc), x, y, reinterpret_cast<HICON>(icon)) != 0;
}

std::int32_t Win32Desktop::GetSystemMetrics(std::int32_t index) { return ::GetSystemMetrics(index); }

Handle Win32Desktop::MonitorFromWindow(Handle window, std::uint32_t flags) {
    return reinterpret_cast<Handle>(::MonitorFromWindow(reinterpret_cast<HWND>(window), flags));
}

bool Win32Desktop::GetMonitorInfoOf(Handle monitor, MonitorInfo* info) {
    MONITORINFO native{};
    native.cbSize = sizeof native;
    if (!::GetMonitorInfoW(reinterpret_cast<HMONITOR>(monitor), &native)) return false;
    const auto rect = [](const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; };
    *info = {rect(native.rcMonitor), rect(native.rcWork), native.dwFlags};
    return true;
}

}  // namespace kest::platform::win32
