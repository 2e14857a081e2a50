// State shared by every msghook and the two procedures the system calls back: the window
// procedure installed on hooked windows and the child-window enumeration callback. Windows are
// found only through these tables; no per-window storage is used.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/types.h"
#include "platform/window_hook.h"
#include "recorder/msghook/msghook.h"

namespace kest::recorder::msghookModule {

// The windows hooked so far, in hooking order, from entry 1; entry 0 is never used. An unhooked
// entry becomes 0 and stays, so indexes never move.
extern std::vector<platform::Handle> HookedHwnds;
// The procedure each entry of HookedHwnds had before it was hooked; never cleared.
extern std::vector<platform::Handle> OldProcs;
// The object every event goes to, whichever object hooked the window; holding it keeps it alive.
extern std::shared_ptr<msghook>& CurrentHook;
// The platform the windows in the tables were hooked through.
extern platform::WindowHook* HookPlatform;

// The window procedure of every hooked window.
std::intptr_t HookWndProc(platform::Handle hwnd, std::uint32_t msg, std::uintptr_t wParam,
                          std::intptr_t lParam) noexcept;
// `cell` is the address of a platform::Handle: 0 raises EnumChildevent for `hwnd`, anything else
// is overwritten with `hwnd`. Always 1, so the walk covers every descendant.
std::int32_t EnumChildProc(platform::Handle hwnd, std::intptr_t cell) noexcept;

// Length of the class-name buffer, terminating NUL included.
inline constexpr std::int32_t kClassNameBuffer = 64;
// WM_CHANGECBCHAIN, which is no event but keeps the clipboard-viewer chain whole.
inline constexpr std::uint32_t kWmChangeCbChain = 0x030D;

}  // namespace kest::recorder::msghookModule
