#include "fake/fake_window_hook.h"

namespace kest::fake {

using platform::Handle;

Handle FakeWindowHook::ForwardingProcedure(platform::WindowProcedure target) {
    forwardTarget = target;
    return kForwardingProcedure;
}

Handle FakeWindowHook::SetWindowProcedure(Handle window, Handle procedure) {
    log.push_back("SetWindowProcedure");
    auto it = procedures.find(window);
    if (it == procedures.end()) return 0;
    const Handle previous = it->second;
    it->second = procedure;
    return previous;
}

std::intptr_t FakeWindowHook::CallWindowProcedure(Handle procedure, Handle window, std::uint32_t message,
                                                  std::uintptr_t wParam, std::intptr_t lParam) {
    log.push_back("CallWindowProcedure");
    procedureCalls.push_back({procedure, window, message, wParam, lParam});
    auto it = procedureResults.find(procedure);
    return it == procedureResults.end() ? 0 : it->second;
}

Handle FakeWindowHook::SetClipboardViewer(Handle window) {
    log.push_back("SetClipboardViewer");
    viewersSet.push_back(window);
    const Handle next = clipboardViewer;
    clipboardViewer = window;
    return next;
}

bool FakeWindowHook::ChangeClipboardChain(Handle remove, Handle next) {
    log.push_back("ChangeClipboardChain");
    chainChanges.emplace_back(remove, next);
    if (clipboardViewer == remove) clipboardViewer = next;
    return true;
}

std::intptr_t FakeWindowHook::SendWindowMessage(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                                std::intptr_t lParam) {
    log.push_back("SendWindowMessage");
    sent.push_back({window, message, wParam, lParam});
    return 0;
}

bool FakeWindowHook::RegisterHotKey(Handle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vkey) {
    log.push_back("RegisterHotKey");
    hotKeysRegistered.push_back({window, id, modifiers, vkey});
    if (registerHotKeySucceeds) hotKeysHeld[{window, id}] = {window, id, modifiers, vkey};
    return registerHotKeySucceeds;
}

bool FakeWindowHook::UnregisterHotKey(Handle window, std::int32_t id) {
    log.push_back("UnregisterHotKey");
    hotKeysUnregistered.emplace_back(window, id);
    return hotKeysHeld.erase({window, id}) != 0;
}

bool FakeWindowHook::Walk(Handle parent, platform::EnumChildCallback callback, std::intptr_t argument) {
    auto it = children.find(parent);
    if (it == children.end()) return true;
    for (Handle child : it->second) {
        if (callback(child, argument) == 0) return false;
        if (!Walk(child, callback, argument)) return false;
    }
    return true;
}

bool FakeWindowHook::EnumChildWindows(Handle parent, platform::EnumChildCallback callback, std::intptr_t argument) {
    log.push_back("EnumChildWindows");
    Walk(parent, callback, argument);
    return true;
}

platform::Text FakeWindowHook::GetWindowClassName(Handle window, std::int32_t bufferLength) {
    classNameBufferLengths.push_back(bufferLength);
    auto it = classNames.find(window);
    if (it == classNames.end() || bufferLength <= 0) return {};
    return it->second.substr(0, static_cast<std::size_t>(bufferLength - 1));
}

platform::MinMaxInfo FakeWindowHook::ReadMinMaxInfo(std::intptr_t address) {
    log.push_back("ReadMinMaxInfo");
    return records[address];
}

void FakeWindowHook::WriteMinMaxInfo(std::intptr_t address, const platform::MinMaxInfo& info) {
    log.push_back("WriteMinMaxInfo");
    records[address] = info;
}

}  // namespace kest::fake
