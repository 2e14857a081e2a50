// Test double of the window-hook seam: each window has a current procedure, the clipboard
// chain is a head the fake remembers, and every call is recorded in order.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/window_hook.h"

namespace kest::fake {

class FakeWindowHook : public platform::WindowHook {
public:
    using Handle = platform::Handle;

    // What ForwardingProcedure answers, standing in for the real forwarding procedure.
    static constexpr Handle kForwardingProcedure = 0x7FF6'0000'1000;

    // The procedure currently installed on each window; SetWindowProcedure answers the old one
    // (0 for a window not listed, as for a failed call).
    std::map<Handle, Handle> procedures;
    platform::WindowProcedure forwardTarget = nullptr;

    struct ProcedureCall {
        Handle procedure;
        Handle window;
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        friend bool operator==(const ProcedureCall&, const ProcedureCall&) = default;
    };
    std::vector<ProcedureCall> procedureCalls;
    std::map<Handle, std::intptr_t> procedureResults;  // what each procedure answers; 0 if absent

    Handle clipboardViewer = 0;  // head of the chain; SetClipboardViewer answers and replaces it
    std::vector<Handle> viewersSet;
    std::vector<std::pair<Handle, Handle>> chainChanges;  // (removed, next)

    struct SentMessage {
        Handle window;
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        friend bool operator==(const SentMessage&, const SentMessage&) = default;
    };
    std::vector<SentMessage> sent;

    struct HotKey {
        Handle window;
        std::int32_t id;
        std::uint32_t modifiers;
        std::uint32_t vkey;
        friend bool operator==(const HotKey&, const HotKey&) = default;
    };
    std::vector<HotKey> hotKeysRegistered;
    std::vector<std::pair<Handle, std::int32_t>> hotKeysUnregistered;
    std::map<std::pair<Handle, std::int32_t>, HotKey> hotKeysHeld;  // by window and id, as the system keeps them
    bool registerHotKeySucceeds = true;

    std::map<Handle, std::vector<Handle>> children;  // direct children, in enumeration order
    std::map<Handle, platform::Text> classNames;
    std::vector<std::int32_t> classNameBufferLengths;

    std::map<std::intptr_t, platform::MinMaxInfo> records;  // MINMAXINFO by address

    // Ordered names of the calls, for sequences: "SetWindowProcedure", "SendWindowMessage", ...
    std::vector<std::string> log;

    Handle ForwardingProcedure(platform::WindowProcedure target) override;
    Handle SetWindowProcedure(Handle window, Handle procedure) override;
    std::intptr_t CallWindowProcedure(Handle procedure, Handle window, std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) override;
    Handle SetClipboardViewer(Handle window) override;
    bool ChangeClipboardChain(Handle remove, Handle next) override;
    std::intptr_t SendWindowMessage(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) override;
    bool RegisterHotKey(Handle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vkey) override;
    bool UnregisterHotKey(Handle window, std::int32_t id) override;
    bool EnumChildWindows(Handle parent, platform::EnumChildCallback callback, std::intptr_t argument) override;
    platform::Text GetWindowClassName(Handle window, std::int32_t bufferLength) override;
    platform::MinMaxInfo ReadMinMaxInfo(std::intptr_t address) override;
    void WriteMinMaxInfo(std::intptr_t address, const platform::MinMaxInfo& info) override;

private:
    bool Walk(Handle parent, platform::EnumChildCallback callback, std::intptr_t argument);
};

}  // namespace kest::fake
