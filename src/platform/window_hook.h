// The user32 and kernel32 calls behind window subclassing: replacing and calling window
// procedures, the clipboard-viewer chain, global hot keys, walking child windows and the
// MINMAXINFO record a WM_GETMINMAXINFO message points at.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace kest::platform {

// Same memory layout as MINMAXINFO: ten 32-bit fields, 40 bytes (checked by a Windows-build test).
struct MinMaxInfo {
    Point ptReserved;
    Point ptMaxSize;
    Point ptMaxPosition;
    Point ptMinTrackSize;
    Point ptMaxTrackSize;
    friend bool operator==(const MinMaxInfo&, const MinMaxInfo&) = default;
};

// A window procedure as portable code writes it. It must not throw: the system calls it
// through frames that cannot carry a C++ exception.
using WindowProcedure = std::intptr_t (*)(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam) noexcept;
// Called once per descendant by EnumChildWindows; returning 0 stops the walk.
using EnumChildCallback = std::int32_t (*)(Handle window, std::intptr_t argument) noexcept;

class WindowHook {
public:
    virtual ~WindowHook() = default;

    // The address of a real window procedure that hands every message it receives to
    // `target`; it is what SetWindowProcedure installs. One target per process.
    virtual Handle ForwardingProcedure(WindowProcedure target) = 0;
    // SetWindowLongPtrW(window, GWLP_WNDPROC, procedure): the previous procedure, 0 on failure.
    virtual Handle SetWindowProcedure(Handle window, Handle procedure) = 0;
    // CallWindowProcW; `procedure` is what SetWindowProcedure returned.
    virtual std::intptr_t CallWindowProcedure(Handle procedure, Handle window, std::uint32_t message,
                                              std::uintptr_t wParam, std::intptr_t lParam) = 0;

    // The next viewer in the chain, 0 when the chain was empty.
    virtual Handle SetClipboardViewer(Handle window) = 0;
    virtual bool ChangeClipboardChain(Handle remove, Handle next) = 0;
    // SendMessageW.
    virtual std::intptr_t SendWindowMessage(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                            std::intptr_t lParam) = 0;

    virtual bool RegisterHotKey(Handle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vkey) = 0;
    virtual bool UnregisterHotKey(Handle window, std::int32_t id) = 0;

    // Hands every descendant of `parent` to `callback` with `argument`, each child followed by
    // its own descendants, until the callback returns 0.
    virtual bool EnumChildWindows(Handle parent, EnumChildCallback callback, std::intptr_t argument) = 0;
    // GetClassNameW into a buffer of `bufferLength` characters: at most bufferLength - 1 of them.
    virtual Text GetWindowClassName(Handle window, std::int32_t bufferLength) = 0;

    // The 40-byte record at `address` (RtlMoveMemory), as WM_GETMINMAXINFO's lParam gives it.
    virtual MinMaxInfo ReadMinMaxInfo(std::intptr_t address) = 0;
    virtual void WriteMinMaxInfo(std::intptr_t address, const MinMaxInfo& info) = 0;
};

}  // namespace kest::platform
