#include "platform/win32/win32_window_api.h"

#include <windows.h>

#include "platform/win32/text.h"

namespace kest::platform::win32 {

namespace {
HWND AsWindow(Handle handle) { return reinterpret_cast<HWND>(handle); }
HRGN AsRegion(Handle handle) { return reinterpret_cast<HRGN>(handle); }
Handle AsHandle(const void* native) { return reinterpret_cast<Handle>(native); }
}  // namespace

std::int32_t Win32WindowApi::GetWindowLongValue(Handle window, std::int32_t index) {
    return ::GetWindowLongW(AsWindow(window), index);
}

std::int32_t Win32WindowApi::SetWindowLongValue(Handle window, std::int32_t index, std::int32_t value) {
    return ::SetWindowLongW(AsWindow(window), index, value);
}

bool Win32WindowApi::SetLayeredWindowAttributes(Handle window, std::uint32_t colorKey, std::uint8_t alpha,
                                                std::uint32_t flags) {
    return ::SetLayeredWindowAttributes(AsWindow(window), colorKey, alpha, flags) != 0;
}

Handle Win32WindowApi::CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    return AsHandle(::CreateRectRgn(left, top, right, bottom));
}

Handle Win32WindowApi::CreateRoundRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                                          std::int32_t ellipseWidth, std::int32_t ellipseHeight) {
    return AsHandle(::CreateRoundRectRgn(left, top, right, bottom, ellipseWidth, ellipseHeight));
}

std::int32_t Win32WindowApi::CombineRgn(Handle destination, Handle source1, Handle source2, std::int32_t mode) {
    return ::CombineRgn(AsRegion(destination), AsRegion(source1), AsRegion(source2), mode);
}

bool Win32WindowApi::DeleteObject(Handle object) { return ::DeleteObject(reinterpret_cast<HGDIOBJ>(object)) != 0; }

std::int32_t Win32WindowApi::SetWindowRgn(Handle window, Handle region, bool redraw) {
    return ::SetWindowRgn(AsWindow(window), AsRegion(region), redraw ? TRUE : FALSE);
}

Handle Win32WindowApi::SetParent(Handle child, Handle parent) {
    return AsHandle(::SetParent(AsWindow(child), AsWindow(parent)));
}

Handle Win32WindowApi::SetCapture(Handle window) { return AsHandle(::SetCapture(AsWindow(window))); }

bool Win32WindowApi::ReleaseCapture() { return ::ReleaseCapture() != 0; }

std::intptr_t Win32WindowApi::SendWindowMessage(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                                std::intptr_t lParam) {
    return ::SendMessageW(AsWindow(window), message, wParam, lParam);
}

bool Win32WindowApi::ClientToScreen(Handle window, Point* point) {
    POINT native{point->x, point->y};
    const BOOL ok = ::ClientToScreen(AsWindow(window), &native);
    *point = {native.x, native.y};
    return ok != 0;
}

Handle Win32WindowApi::GetSystemMenu(Handle window, bool revert) {
    return AsHandle(::GetSystemMenu(AsWindow(window), revert ? TRUE : FALSE));
}

bool Win32WindowApi::TrackPopupMenu(Handle menu, std::uint32_t flags, std::int32_t x, std::int32_t y,
                                    std::int32_t reserved, Handle owner) {
    return ::TrackPopupMenu(reinterpret_cast<HMENU>(menu), flags, x, y, reserved, AsWindow(owner), nullptr) != 0;
}

Handle Win32WindowApi::FindTopLevelWindow(const Text& className, const std::optional<Text>& title) {
    return AsHandle(::FindWindowW(Wide(className), title ? Wide(*title) : nullptr));
}

bool Win32WindowApi::GetWindowRect(Handle window, Rect* rect) {
    RECT native{};
    const BOOL ok = ::GetWindowRect(AsWindow(window), &native);
    if (ok) *rect = {native.left, native.top, native.right, native.bottom};
    return ok != 0;
}

std::vector<Handle> Win32WindowApi::EnumThreadWindows() {
    std::vector<Handle> windows;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM found) noexcept -> BOOL {
            reinterpret_cast<std::vector<Handle>*>(found)->push_back(AsHandle(window));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool Win32WindowApi::IsWindowVisible(Handle window) { return ::IsWindowVisible(AsWindow(window)) != 0; }

bool Win32WindowApi::IsIconic(Handle window) { return ::IsIconic(AsWindow(window)) != 0; }

bool Win32WindowApi::SetCursorPos(std::int32_t x, std::int32_t y) { return ::SetCursorPos(x, y) != 0; }

bool Win32WindowApi::ClipCursor(const Rect* rect) {
    if (!rect) return ::ClipCursor(nullptr) != 0;
    const RECT native{rect->left, rect->top, rect->right, rect->bottom};
    return ::ClipCursor(&native) != 0;
}

std::uint32_t Win32WindowApi::GetSysColor(std::int32_t index) { return ::GetSysColor(index); }

}  // namespace kest::platform::win32
