#include "platform/win32/win32_window_hook.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <vector>

#include "platform/win32/text.h"

namespace kest::platform::win32 {

// The record is copied whole between the message and the portable copy.
static_assert(sizeof(MinMaxInfo) == sizeof(MINMAXINFO));
static_assert(offsetof(MinMaxInfo, ptReserved) == offsetof(MINMAXINFO, ptReserved));
static_assert(offsetof(MinMaxInfo, ptMaxSize) == offsetof(MINMAXINFO, ptMaxSize));
static_assert(offsetof(MinMaxInfo, ptMaxPosition) == offsetof(MINMAXINFO, ptMaxPosition));
static_assert(offsetof(MinMaxInfo, ptMinTrackSize) == offsetof(MINMAXINFO, ptMinTrackSize));
static_assert(offsetof(MinMaxInfo, ptMaxTrackSize) == offsetof(MINMAXINFO, ptMaxTrackSize));
static_assert(sizeof(Handle) == sizeof(HWND) && sizeof(Handle) == sizeof(WNDPROC));
static_assert(sizeof(std::uintptr_t) == sizeof(WPARAM) && sizeof(std::intptr_t) == sizeof(LPARAM));

namespace {

HWND AsWindow(Handle handle) { return reinterpret_cast<HWND>(handle); }

// A window procedure receives nothing but the message, so the portable procedure it hands on to
// has to be found at a fixed place.
std::atomic<WindowProcedure> forwardTarget{nullptr};

// Nothing to catch here: the target's own type says it lets nothing out (WindowProcedure).
LRESULT CALLBACK Forward(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    const WindowProcedure target = forwardTarget.load();
    if (!target) return DefWindowProcW(hwnd, message, wParam, lParam);
    return target(reinterpret_cast<Handle>(hwnd), message, wParam, lParam);
}

// EnumChildWindows carries one argument to its callback; it carries both of ours.
struct Enumeration {
    EnumChildCallback callback;
    std::intptr_t argument;
};

BOOL CALLBACK EnumerateChild(HWND hwnd, LPARAM lParam) noexcept {  // the callback is noexcept too
    const auto* enumeration = reinterpret_cast<const Enumeration*>(lParam);
    return enumeration->callback(reinterpret_cast<Handle>(hwnd), enumeration->argument) != 0 ? TRUE : FALSE;
}

}  // namespace

Handle Win32WindowHook::ForwardingProcedure(WindowProcedure target) {
    forwardTarget.store(target);
    return reinterpret_cast<Handle>(&Forward);
}

Handle Win32WindowHook::SetWindowProcedure(Handle window, Handle procedure) {
    return static_cast<Handle>(SetWindowLongPtrW(AsWindow(window), GWLP_WNDPROC, static_cast<LONG_PTR>(procedure)));
}

std::intptr_t Win32WindowHook::CallWindowProcedure(Handle procedure, Handle window, std::uint32_t message,
                                                   std::uintptr_t wParam, std::intptr_t lParam) {
    return CallWindowProcW(reinterpret_cast<WNDPROC>(procedure), AsWindow(window), message, wParam, lParam);
}

Handle Win32WindowHook::SetClipboardViewer(Handle window) {
    return reinterpret_cast<Handle>(::SetClipboardViewer(AsWindow(window)));
}

bool Win32WindowHook::ChangeClipboardChain(Handle remove, Handle next) {
    return ::ChangeClipboardChain(AsWindow(remove), AsWindow(next)) != 0;
}

std::intptr_t Win32WindowHook::SendWindowMessage(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                                 std::intptr_t lParam) {
    return SendMessageW(AsWindow(window), message, wParam, lParam);
}

bool Win32WindowHook::RegisterHotKey(Handle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vkey) {
    return ::RegisterHotKey(AsWindow(window), id, modifiers, vkey) != 0;
}

bool Win32WindowHook::UnregisterHotKey(Handle window, std::int32_t id) {
    return ::UnregisterHotKey(AsWindow(window), id) != 0;
}

bool Win32WindowHook::EnumChildWindows(Handle parent, EnumChildCallback callback, std::intptr_t argument) {
    Enumeration enumeration{callback, argument};
    return ::EnumChildWindows(AsWindow(parent), EnumerateChild, reinterpret_cast<LPARAM>(&enumeration)) != 0;
}

Text Win32WindowHook::GetWindowClassName(Handle window, std::int32_t bufferLength) {
    if (bufferLength <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(bufferLength), L'\0');
    const int length = GetClassNameW(AsWindow(window), buffer.data(), bufferLength);
    return length > 0 ? FromWide(buffer.data(), static_cast<std::size_t>(length)) : Text{};
}

MinMaxInfo Win32WindowHook::ReadMinMaxInfo(std::intptr_t address) {
    MinMaxInfo info{};
    RtlMoveMemory(&info, reinterpret_cast<const void*>(address), sizeof info);
    return info;
}

void Win32WindowHook::WriteMinMaxInfo(std::intptr_t address, const MinMaxInfo& info) {
    RtlMoveMemory(reinterpret_cast<void*>(address), &info, sizeof info);
}

}  // namespace kest::platform::win32
