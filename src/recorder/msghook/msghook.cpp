#include "recorder/msghook/msghook.h"

#include <stdexcept>
#include <utility>

#include "recorder/msghook/msghook_module.h"

namespace kest::recorder {

using msghookModule::CurrentHook;
using msghookModule::HookedHwnds;
using msghookModule::kWmChangeCbChain;
using msghookModule::OldProcs;

std::shared_ptr<msghook> msghook::New(platform::WindowHook& windows) {
    std::shared_ptr<msghook> created(new msghook(windows));
    HookedHwnds.assign(1, 0);
    OldProcs.assign(1, 0);
    msghookModule::HookPlatform = &windows;
    // The previous object may end here, with the tables already emptied under it.
    std::shared_ptr<msghook> previous = std::exchange(CurrentHook, created);
    return created;
}

msghook::~msghook() {
    // Whatever still holds the registration is another, live object: leave it registered.
    LeaveClipboardChain();
    RestoreWindows(0);
}

void msghook::setmsghook(platform::Handle hwnd, bool flaghook) {
    if (flaghook) {
        HookedHwnds.push_back(hwnd);
        OldProcs.push_back(0);
        const std::size_t n = HookedHwnds.size() - 1;
        // Registered before subclassing, so the WM_DRAWCLIPBOARD that registration sends goes to
        // the window's own procedure. An empty chain answers 0, which lets the next window
        // register too; that one's next viewer is then the first.
        if (NextViewer == 0) {
            NextViewer = windows_.SetClipboardViewer(hwnd);
            ViewerHwnd = hwnd;
        }
        const platform::Handle previous =
            windows_.SetWindowProcedure(hwnd, windows_.ForwardingProcedure(&msghookModule::HookWndProc));
        // Registration may have run handlers that started over with fresh tables.
        if (n < OldProcs.size() && HookedHwnds[n] == hwnd) OldProcs[n] = previous;
        return;
    }
    LeaveClipboardChain();
    RestoreWindows(hwnd);
    if (hwnd == 0) {
        // Released on return, after the last use of this object, in case it was the last reference.
        std::shared_ptr<msghook> released = std::move(CurrentHook);
        CurrentHook.reset();
    }
}

void msghook::LeaveClipboardChain() {
    if (ViewerHwnd == 0) return;
    // Once: repeating it later would relink the chain by a next viewer that may have left since.
    windows_.ChangeClipboardChain(ViewerHwnd, NextViewer);
    ViewerHwnd = 0;
    NextViewer = 0;
}

void msghook::RestoreWindows(platform::Handle hwnd) {
    // Every matching entry, last first: a window hooked twice saved this module's own procedure
    // in its later entry, so its first entry, holding its own procedure, must be applied last.
    for (std::size_t i = HookedHwnds.size(); i-- > 1;) {
        if (HookedHwnds[i] == 0) continue;
        if (hwnd == 0 || HookedHwnds[i] == hwnd) {
            windows_.SetWindowProcedure(HookedHwnds[i], OldProcs[i]);
            HookedHwnds[i] = 0;
        }
    }
}

void msghook::sethotkey(std::int32_t vkey, std::int32_t Modifier, std::int32_t id) {
    const bool unregister = vkey == 0 && HotkeyId != 0;
    const bool register_ = vkey != 0 && HotkeyId == 0;
    if (!unregister && !register_) return;
    // The hot key belongs to the first window ever hooked, even one unhooked since.
    if (HookedHwnds.size() < 2) throw std::out_of_range("sethotkey: no window has been hooked");
    if (unregister) {
        windows_.UnregisterHotKey(HookedHwnds[1], HotkeyId);
        HotkeyId = 0;
    } else {
        // Recorded even when registration fails, so a later call with vkey 0 is needed to retry.
        windows_.RegisterHotKey(HookedHwnds[1], id, static_cast<std::uint32_t>(Modifier),
                                static_cast<std::uint32_t>(vkey));
        HotkeyId = id;
    }
}

platform::Handle msghook::GetChildWindow(platform::Handle hwnd, const platform::Text& ClassName) {
    platform::Handle cell = ClassName.empty() ? 0 : 1;
    windows_.EnumChildWindows(hwnd, &msghookModule::EnumChildProc, reinterpret_cast<std::intptr_t>(&cell));
    return cell;
}

void msghook::gotoEnumChildevent(platform::Handle hwnd, const platform::Text& ClassName) {
    if (EnumChildevent) EnumChildevent(hwnd, ClassName);
}

std::int32_t msghook::gotomsgevent(platform::Handle hwnd, std::int32_t msg, std::int32_t arg1, std::int32_t arg2,
                                   std::int32_t arg3) {
    // A true left over from an earlier message must not swallow this one.
    Enabled = false;
    if (msgevent) msgevent(hwnd, msg, arg1, arg2, arg3);
    return Enabled ? 1 : 0;
}

void msghook::PassDrawClipboard(platform::Handle hwnd, std::uintptr_t wParam, std::intptr_t lParam) {
    if (ViewerHwnd == 0 || hwnd != ViewerHwnd || NextViewer == 0) return;
    windows_.SendWindowMessage(NextViewer, static_cast<std::uint32_t>(WM_DRAWCLIPBOARD()), wParam, lParam);
}

bool msghook::FollowClipboardChain(platform::Handle hwnd, std::uintptr_t removed, std::intptr_t next) {
    if (ViewerHwnd == 0 || hwnd != ViewerHwnd) return false;
    if (static_cast<platform::Handle>(removed) == NextViewer) {
        NextViewer = static_cast<platform::Handle>(next);
    } else if (NextViewer != 0) {
        windows_.SendWindowMessage(NextViewer, kWmChangeCbChain, removed, next);
    }
    return true;
}

}  // namespace kest::recorder
