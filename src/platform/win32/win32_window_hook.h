#pragma once

#include "platform/window_hook.h"

namespace kest::platform::win32 {

class Win32WindowHook : public WindowHook {
public:
    Handle ForwardingProcedure(WindowProcedure target) override;
    Handle SetWindowProcedure(Handle window, Handle procedure) override;
    std::intptr_t CallWindowProcedure(Handle procedure, Handle window, std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) override;
    Handle SetClipboardViewer(Handle window) override;
    bool ChangeClipboardChain(Handle remove, Handle next) override;
    std::intptr_t SendWindowMessage(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) override;
    bool RegisterHotKey(Handle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vkey) override;
    bool UnregisterHotKey(Handle window, std::int32_t id) override;
    bool EnumChildWindows(Handle parent, EnumChildCallback callback, std::intptr_t argument) override;
    Text GetWindowClassName(Handle window, std::int32_t bufferLength) override;
    MinMaxInfo ReadMinMaxInfo(std::intptr_t address) override;
    void WriteMinMaxInfo(std::intptr_t address, const MinMaxInfo& info) override;
};

}  // namespace kest::platform::win32
