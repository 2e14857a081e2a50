#include "platform/win32/win32_desktop.h"

#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "platform/win32/text.h"

namespace kest::platform::win32 {

namespace {

std::vector<wchar_t> Buffer(const Text& initial, std::uint32_t capacity) {
    std::vector<wchar_t> buffer(capacity == 0 ? 1 : capacity, L'\0');
    const std::size_t copied = std::min<std::size_t>(initial.size(), buffer.size() - 1);
    std::copy(initial.begin(), initial.begin() + static_cast<std::ptrdiff_t>(copied), buffer.begin());
    return buffer;
}

}  // namespace

std::int32_t Win32Desktop::SaveFileDialog(OpenFileName& request) {
    std::vector<wchar_t> file = Buffer(request.file, request.maxFile);
    std::vector<wchar_t> fileTitle = Buffer(request.fileTitle, request.maxFileTitle);
    OPENFILENAMEW native{};
    native.lStructSize = sizeof native;
    native.hwndOwner = reinterpret_cast<HWND>(request.owner);
    native.hInstance = reinterpret_cast<HINSTANCE>(request.instance);
    native.lpstrFilter = request.filter.empty() ? nullptr : Wide(request.filter);
    native.nFilterIndex = request.filterIndex;
    native.lpstrFile = file.data();
    native.nMaxFile = static_cast<DWORD>(file.size());
    native.lpstrFileTitle = request.maxFileTitle ? fileTitle.data() : nullptr;
    native.nMaxFileTitle = request.maxFileTitle ? static_cast<DWORD>(fileTitle.size()) : 0;
    native.lpstrInitialDir = request.initialDir.empty() ? nullptr : Wide(request.initialDir);
    native.lpstrTitle = request.title.empty() ? nullptr : Wide(request.title);
    native.Flags = request.flags;
    native.lpstrDefExt = request.defExt.empty() ? nullptr : Wide(request.defExt);
    const BOOL chosen = GetSaveFileNameW(&native);
    request.file = FromWide(file.data(), file.size());
    request.fileTitle = FromWide(fileTitle.data(), fileTitle.size());
    request.filterIndex = native.nFilterIndex;
    return chosen ? 1 : 0;
}

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

bool Win32Desktop::BitBlt(Handle destination, std::int32_t x, std::int32_t y, std::int32_t width,
                          std::int32_t height, Handle source, std::int32_t sourceX, std::int32_t sourceY,
                          std::uint32_t rop) {
    return ::BitBlt(reinterpret_cast<HDC>(destination), x, y, width, height, reinterpret_cast<HDC>(source), sourceX,
                    sourceY, rop) != 0;
}

bool Win32Desktop::DrawIcon(Handle dc, std::int32_t x, std::int32_t y, Handle icon) {
    return ::DrawIcon(reinterpret_cast<HDC>(dc), x, y, reinterpret_cast<HICON>(icon)) != 0;
}

}  // namespace kest::platform::win32
