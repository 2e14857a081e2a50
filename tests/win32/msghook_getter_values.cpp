// The values msghook's constant getters give, by name. Kept apart from <windows.h>, whose macros
// carry the same names.
#include "win32/msghook_getter_values.h"

#include "recorder/msghook/msghook.h"
#include "recorder/msghook/msghook_module.h"

namespace kest::testing {

#define KEST_GETTER(name) NamedValue{#name, recorder::msghook::name()}

std::vector<NamedValue> MsghookGetterValues() {
    return {
        KEST_GETTER(SC_KEYMENU),         KEST_GETTER(SC_HOTKEY),          KEST_GETTER(SC_MOVE),
        KEST_GETTER(SC_SIZE),            KEST_GETTER(SC_MINIMIZE),        KEST_GETTER(SC_MAXIMIZE),
        KEST_GETTER(SC_CLOSE),           KEST_GETTER(SC_RESTORE),         KEST_GETTER(MK_LBUTTON),
        KEST_GETTER(MK_RBUTTON),         KEST_GETTER(MK_MBUTTON),         KEST_GETTER(MK_SHIFT),
        KEST_GETTER(MK_CONTROL),         KEST_GETTER(MOD_ALT),            KEST_GETTER(MOD_CONTROL),
        KEST_GETTER(MOD_SHIFT),          KEST_GETTER(WM_MOVE),            KEST_GETTER(WM_SIZE),
        KEST_GETTER(WM_SYSCOMMAND),      KEST_GETTER(WM_COMMAND),         KEST_GETTER(WM_ACTIVATEAPP),
        KEST_GETTER(WM_NCACTIVATE),      KEST_GETTER(WM_GETMINMAXINFO),   KEST_GETTER(WM_QUERYOPEN),
        KEST_GETTER(WM_HOTKEY),          KEST_GETTER(WM_DRAWCLIPBOARD),   KEST_GETTER(WM_QUERYENDSESSION),
        KEST_GETTER(WM_KEYDOWN),         KEST_GETTER(WM_KEYUP),           KEST_GETTER(WM_MOUSEMOVE),
        KEST_GETTER(WM_LBUTTONDOWN),     KEST_GETTER(WM_LBUTTONUP),       KEST_GETTER(WM_LBUTTONDBLCLK),
        KEST_GETTER(WM_RBUTTONDOWN),     KEST_GETTER(WM_RBUTTONUP),       KEST_GETTER(WM_RBUTTONDBLCLK),
        KEST_GETTER(WM_MBUTTONDOWN),     KEST_GETTER(WM_MBUTTONUP),       KEST_GETTER(WM_MBUTTONDBLCLK),
        KEST_GETTER(WM_NCMOUSEMOVE),     KEST_GETTER(WM_NCLBUTTONDOWN),   KEST_GETTER(WM_NCLBUTTONUP),
        KEST_GETTER(WM_NCLBUTTONDBLCLK), KEST_GETTER(WM_NCRBUTTONDOWN),   KEST_GETTER(WM_NCRBUTTONUP),
        KEST_GETTER(WM_NCRBUTTONDBLCLK), KEST_GETTER(WM_NCMBUTTONDOWN),   KEST_GETTER(WM_NCMBUTTONUP),
        KEST_GETTER(WM_NCMBUTTONDBLCLK),
        NamedValue{"WM_CHANGECBCHAIN", static_cast<std::int32_t>(recorder::msghookModule::kWmChangeCbChain)},
    };
}

#undef KEST_GETTER

}  // namespace kest::testing
