// A form's timers and menu items: both answer to the messages of the form they live on.
#include "platform/win32/text.h"
#include "platform/win32/win32_forms.h"

namespace kest::platform::win32 {

// ---- timers ----

Win32Timer::Win32Timer(Win32Form& form, UINT_PTR id) : form_(form), id_(id) {
    form_.Register(static_cast<UINT>(id_), this);
}

Win32Timer::~Win32Timer() {
    if (form_.Native()) KillTimer(form_.Native(), id_);
    form_.Unregister(static_cast<UINT>(id_));
}

void Win32Timer::Update() {
    if (!form_.Native()) return;
    if (enabled_ && interval_ > 0) {
        SetTimer(form_.Native(), id_, static_cast<UINT>(interval_), nullptr);
    } else {
        KillTimer(form_.Native(), id_);
    }
}

void Win32Timer::Tick() {
    if (running_ || !handler_ || !enabled_ || interval_ <= 0) return;
    running_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};
    handler_();
}

// ---- menus ----

Win32MenuItem::~Win32MenuItem() { form_.Unregister(id_); }

void Win32MenuItem::Redraw() {
    if (form_.Native()) DrawMenuBar(form_.Native());
}

HMENU Win32MenuItem::MakeSubmenu() {
    if (submenu_) return submenu_;
    HMENU popup = CreatePopupMenu();
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_SUBMENU;
    info.hSubMenu = popup;
    // Once attached, the popup is destroyed with the menu that holds it.
    if (!SetMenuItemInfoW(owner_, position_, TRUE, &info)) {
        DestroyMenu(popup);
        return nullptr;
    }
    submenu_ = popup;
    return submenu_;
}

void Win32MenuItem::SetCaption(const Text& caption) {
    caption_ = caption;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(Wide(caption_));
    SetMenuItemInfoW(owner_, position_, TRUE, &info);
    Redraw();
}

void Win32MenuItem::SetEnabled(bool enabled) {
    enabled_ = enabled;
    EnableMenuItem(owner_, position_, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    Redraw();
}

void Win32MenuItem::SetChecked(bool checked) {
    checked_ = checked;
    CheckMenuItem(owner_, position_, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
    Redraw();
}

}  // namespace kest::platform::win32
