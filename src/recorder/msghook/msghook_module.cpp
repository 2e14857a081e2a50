#include "recorder/msghook/msghook_module.h"

namespace kest::recorder::msghookModule {

std::vector<platform::Handle> HookedHwnds{0};
std::vector<platform::Handle> OldProcs{0};
// Never destroyed: an object that is still registered at exit would otherwise unhook its windows
// through a platform that has already gone.
std::shared_ptr<msghook>& CurrentHook = *new std::shared_ptr<msghook>;
platform::WindowHook* HookPlatform = nullptr;

namespace {

enum class Group { MouseAndHotKey, MoveAndSize, KeysAndCommands, ClipboardAndSession, SizeLimits, None };

Group Classify(std::uint32_t msg) {
    switch (static_cast<std::int32_t>(msg)) {
        case msghook::WM_MOUSEMOVE():
        case msghook::WM_LBUTTONDOWN():
        case msghook::WM_LBUTTONUP():
        case msghook::WM_LBUTTONDBLCLK():
        case msghook::WM_RBUTTONDOWN():
        case msghook::WM_RBUTTONUP():
        case msghook::WM_RBUTTONDBLCLK():
        case msghook::WM_MBUTTONDOWN():
        case msghook::WM_MBUTTONUP():
        case msghook::WM_MBUTTONDBLCLK():
        case msghook::WM_NCMOUSEMOVE():
        case msghook::WM_NCLBUTTONDOWN():
        case msghook::WM_NCLBUTTONUP():
        case msghook::WM_NCLBUTTONDBLCLK():
        case msghook::WM_NCRBUTTONDOWN():
        case msghook::WM_NCRBUTTONUP():
        case msghook::WM_NCRBUTTONDBLCLK():
        case msghook::WM_NCMBUTTONDOWN():
        case msghook::WM_NCMBUTTONUP():
        case msghook::WM_NCMBUTTONDBLCLK():
        case msghook::WM_HOTKEY(): return Group::MouseAndHotKey;
        case msghook::WM_MOVE():
        case msghook::WM_SIZE(): return Group::MoveAndSize;
        case msghook::WM_KEYDOWN():
        case msghook::WM_KEYUP():
        case msghook::WM_SYSCOMMAND():
        case msghook::WM_COMMAND():
        case msghook::WM_ACTIVATEAPP():
        case msghook::WM_NCACTIVATE():
        case msghook::WM_QUERYOPEN(): return Group::KeysAndCommands;
        case msghook::WM_DRAWCLIPBOARD():
        case msghook::WM_QUERYENDSESSION(): return Group::ClipboardAndSession;
        case msghook::WM_GETMINMAXINFO(): return Group::SizeLimits;
        default: return Group::None;
    }
}

// The halves of lParam as the signed 16-bit values that client and screen coordinates are.
std::int32_t Lo(std::intptr_t lParam) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(lParam)); }
std::int32_t Hi(std::intptr_t lParam) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uintptr_t>(lParam) >> 16));
}

// Event arguments are 32-bit; wParam's upper half carries nothing for these messages.
std::int32_t Arg(std::uintptr_t wParam) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam)); }

// A failing handler must not stop the message: it counts as "not handled".
std::int32_t RaiseIgnoringErrors(msghook& hook, platform::Handle hwnd, std::uint32_t msg, std::int32_t arg1,
                                 std::int32_t arg2, std::int32_t arg3) {
    try {
        return hook.gotomsgevent(hwnd, static_cast<std::int32_t>(msg), arg1, arg2, arg3);
    } catch (...) {
        return 0;
    }
}

void StoreLimits(msghook& hook, const platform::MinMaxInfo& info) {
    hook.MaxSizeX = info.ptMaxSize.x;
    hook.MaxSizeY = info.ptMaxSize.y;
    hook.MaxPositionX = info.ptMaxPosition.x;
    hook.MaxPositionY = info.ptMaxPosition.y;
    hook.MinTrackSizeX = info.ptMinTrackSize.x;
    hook.MinTrackSizeY = info.ptMinTrackSize.y;
    hook.MaxTrackSizeX = info.ptMaxTrackSize.x;
    hook.MaxTrackSizeY = info.ptMaxTrackSize.y;
}

void LoadLimits(const msghook& hook, platform::MinMaxInfo& info) {
    info.ptMaxSize = {hook.MaxSizeX, hook.MaxSizeY};
    info.ptMaxPosition = {hook.MaxPositionX, hook.MaxPositionY};
    info.ptMinTrackSize = {hook.MinTrackSizeX, hook.MinTrackSizeY};
    info.ptMaxTrackSize = {hook.MaxTrackSizeX, hook.MaxTrackSizeY};
}

// The handler answers WM_GETMINMAXINFO through the eight limit fields; the message never reaches
// the previous procedure, which would overwrite the answer.
std::intptr_t ExchangeMinMaxInfo(msghook& hook, platform::Handle hwnd, std::uint32_t msg, std::intptr_t lParam) {
    platform::MinMaxInfo info = HookPlatform->ReadMinMaxInfo(lParam);
    StoreLimits(hook, info);
    RaiseIgnoringErrors(hook, hwnd, msg, 0, 0, 0);
    LoadLimits(hook, info);
    HookPlatform->WriteMinMaxInfo(lParam, info);
    return 1;
}

// 1 when the handler swallowed the message, else 0.
std::int32_t RaiseEvent(msghook& hook, platform::Handle hwnd, std::uint32_t msg, std::uintptr_t wParam,
                        std::intptr_t lParam) {
    switch (Classify(msg)) {
        case Group::MouseAndHotKey: return RaiseIgnoringErrors(hook, hwnd, msg, Arg(wParam), Lo(lParam), Hi(lParam));
        case Group::MoveAndSize: return RaiseIgnoringErrors(hook, hwnd, msg, Lo(lParam), Hi(lParam), 0);
        case Group::KeysAndCommands: return RaiseIgnoringErrors(hook, hwnd, msg, Arg(wParam), 0, 0);
        case Group::ClipboardAndSession: {
            const std::int32_t handled = RaiseIgnoringErrors(hook, hwnd, msg, 0, 0, 0);
            if (msg == static_cast<std::uint32_t>(msghook::WM_DRAWCLIPBOARD())) {
                // Whatever the handler answered, the viewers after this one must hear of it.
                hook.PassDrawClipboard(hwnd, wParam, lParam);
            }
            return handled;
        }
        case Group::SizeLimits:  // answered by ExchangeMinMaxInfo
        case Group::None: break;
    }
    return 0;
}

std::intptr_t PassOn(platform::Handle hwnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
    // The first entry holds the window's own procedure; a later one, from hooking it again,
    // holds this procedure and would loop.
    for (std::size_t i = 1; i < HookedHwnds.size(); ++i) {
        if (HookedHwnds[i] == hwnd) return HookPlatform->CallWindowProcedure(OldProcs[i], hwnd, msg, wParam, lParam);
    }
    return 0;
}

std::intptr_t Dispatch(platform::Handle hwnd, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
    // Held for the whole call: a handler may replace or release the registered object.
    const std::shared_ptr<msghook> hook = CurrentHook;
    // Without a registered object there is nobody to ask; the window keeps its own behaviour.
    if (!hook) return PassOn(hwnd, msg, wParam, lParam);
    if (msg == kWmChangeCbChain && hook->FollowClipboardChain(hwnd, wParam, lParam)) return 0;
    if (Classify(msg) == Group::SizeLimits) return ExchangeMinMaxInfo(*hook, hwnd, msg, lParam);
    if (RaiseEvent(*hook, hwnd, msg, wParam, lParam) != 0) return 1;
    return PassOn(hwnd, msg, wParam, lParam);
}

}  // namespace

std::intptr_t HookWndProc(platform::Handle hwnd, std::uint32_t msg, std::uintptr_t wParam,
                          std::intptr_t lParam) noexcept {
    if (!HookPlatform) return 0;
    try {
        return Dispatch(hwnd, msg, wParam, lParam);
    } catch (...) {
        // Nothing may leave a window procedure; the message counts as unanswered.
        return 0;
    }
}

std::int32_t EnumChildProc(platform::Handle hwnd, std::intptr_t cell) noexcept {
    try {
        const platform::Text name =
            HookPlatform ? HookPlatform->GetWindowClassName(hwnd, kClassNameBuffer) : platform::Text{};
        auto* found = reinterpret_cast<platform::Handle*>(cell);
        if (*found != 0) {
            *found = hwnd;
        } else if (const std::shared_ptr<msghook> hook = CurrentHook) {
            hook->gotoEnumChildevent(hwnd, name);
        }
    } catch (...) {
        // A failing handler must not cut the walk short.
    }
    return 1;
}

}  // namespace kest::recorder::msghookModule
