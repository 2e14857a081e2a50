// Lets a form see, and optionally swallow, messages of windows that its own events do not
// offer. Hooked windows run through msghookModule::HookWndProc, which turns a fixed set of
// messages into `msgevent`; the handler answers through `Enabled` and the MINMAXINFO fields.
#pragma once

// The constant getters carry the SDK's names, which <windows.h> defines as macros.
#if defined(WM_SIZE) || defined(SC_CLOSE) || defined(MK_LBUTTON) || defined(MOD_ALT)
#error "include recorder/msghook/msghook.h before <windows.h>"
#endif

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/types.h"
#include "platform/window_hook.h"

namespace kest::recorder {

class msghook {
public:
    // Empties the shared tables and makes the new object the one every hooked window reports to;
    // that registration keeps it alive until setmsghook(0, false).
    static std::shared_ptr<msghook> New(platform::WindowHook& windows);
    // Restores every window still in the tables and leaves the clipboard-viewer chain.
    ~msghook();
    msghook(const msghook&) = delete;
    msghook& operator=(const msghook&) = delete;

    // Answers of the msgevent handler. Enabled is cleared before each event; true stops the
    // message from reaching the window's previous procedure.
    bool Enabled = false;
    // The MINMAXINFO of a WM_GETMINMAXINFO being answered, in pixels; read back after the event.
    std::int32_t MaxSizeX = 0;
    std::int32_t MaxPositionX = 0;
    std::int32_t MinTrackSizeX = 0;
    std::int32_t MaxTrackSizeX = 0;
    std::int32_t MaxSizeY = 0;
    std::int32_t MaxPositionY = 0;
    std::int32_t MinTrackSizeY = 0;
    std::int32_t MaxTrackSizeY = 0;

    // true: hook `hwnd`; false: unhook it, or every hooked window when `hwnd` is 0 (which also
    // gives up receiving events).
    void setmsghook(platform::Handle hwnd, bool flaghook);
    // vkey non-zero: register the hot key on the first window ever hooked, unless one is held;
    // vkey 0: unregister the one held. Throws std::out_of_range, changing nothing, when it needs
    // the first hooked window and no window was ever hooked.
    void sethotkey(std::int32_t vkey, std::int32_t Modifier, std::int32_t id);
    // Empty ClassName: raises EnumChildevent for every descendant of `hwnd` and gives 0.
    // Otherwise raises nothing and gives the last descendant visited (1 when there is none);
    // the class name is not compared.
    platform::Handle GetChildWindow(platform::Handle hwnd, const platform::Text& ClassName);

    void gotoEnumChildevent(platform::Handle hwnd, const platform::Text& ClassName);
    // Raises msgevent; 1 when the handler set Enabled during this very call, else 0.
    std::int32_t gotomsgevent(platform::Handle hwnd, std::int32_t msg, std::int32_t arg1, std::int32_t arg2,
                              std::int32_t arg3);

    // Clipboard-chain upkeep for the hook window procedure. WM_DRAWCLIPBOARD received by the
    // registered viewer goes on to the next viewer.
    void PassDrawClipboard(platform::Handle hwnd, std::uintptr_t wParam, std::intptr_t lParam);
    // WM_CHANGECBCHAIN received by the registered viewer: follows the chain or passes the message
    // on. False when `hwnd` is not the registered viewer, so the message is none of its business.
    bool FollowClipboardChain(platform::Handle hwnd, std::uintptr_t removed, std::intptr_t next);

    // Raised synchronously; every argument is a copy, so handlers answer through the fields above.
    std::function<void(platform::Handle hwnd, std::int32_t msg, std::int32_t arg1, std::int32_t arg2,
                       std::int32_t arg3)>
        msgevent;
    std::function<void(platform::Handle hwnd, const platform::Text& ClassName)> EnumChildevent;

    // The SDK's values; the hook window procedure classifies messages by them.
    static constexpr std::int32_t SC_KEYMENU() { return 0xF100; }
    static constexpr std::int32_t SC_HOTKEY() { return 0xF150; }
    static constexpr std::int32_t SC_MOVE() { return 0xF010; }
    static constexpr std::int32_t SC_SIZE() { return 0xF000; }
    static constexpr std::int32_t SC_MINIMIZE() { return 0xF020; }
    static constexpr std::int32_t SC_MAXIMIZE() { return 0xF030; }
    static constexpr std::int32_t SC_CLOSE() { return 0xF060; }
    static constexpr std::int32_t SC_RESTORE() { return 0xF120; }

    static constexpr std::int32_t MK_LBUTTON() { return 0x0001; }
    static constexpr std::int32_t MK_RBUTTON() { return 0x0002; }
    static constexpr std::int32_t MK_MBUTTON() { return 0x0010; }
    static constexpr std::int32_t MK_SHIFT() { return 0x0004; }
    static constexpr std::int32_t MK_CONTROL() { return 0x0008; }

    static constexpr std::int32_t MOD_ALT() { return 0x0001; }
    static constexpr std::int32_t MOD_CONTROL() { return 0x0002; }
    static constexpr std::int32_t MOD_SHIFT() { return 0x0004; }

    static constexpr std::int32_t WM_MOVE() { return 0x0003; }
    static constexpr std::int32_t WM_SIZE() { return 0x0005; }
    static constexpr std::int32_t WM_SYSCOMMAND() { return 0x0112; }
    static constexpr std::int32_t WM_COMMAND() { return 0x0111; }
    static constexpr std::int32_t WM_ACTIVATEAPP() { return 0x001C; }
    static constexpr std::int32_t WM_NCACTIVATE() { return 0x0086; }
    static constexpr std::int32_t WM_GETMINMAXINFO() { return 0x0024; }
    static constexpr std::int32_t WM_QUERYOPEN() { return 0x0013; }
    static constexpr std::int32_t WM_HOTKEY() { return 0x0312; }
    static constexpr std::int32_t WM_DRAWCLIPBOARD() { return 0x0308; }
    static constexpr std::int32_t WM_QUERYENDSESSION() { return 0x0011; }
    static constexpr std::int32_t WM_KEYDOWN() { return 0x0100; }
    static constexpr std::int32_t WM_KEYUP() { return 0x0101; }
    static constexpr std::int32_t WM_MOUSEMOVE() { return 0x0200; }
    static constexpr std::int32_t WM_LBUTTONDOWN() { return 0x0201; }
    static constexpr std::int32_t WM_LBUTTONUP() { return 0x0202; }
    static constexpr std::int32_t WM_LBUTTONDBLCLK() { return 0x0203; }
    static constexpr std::int32_t WM_RBUTTONDOWN() { return 0x0204; }
    static constexpr std::int32_t WM_RBUTTONUP() { return 0x0205; }
    static constexpr std::int32_t WM_RBUTTONDBLCLK() { return 0x0206; }
    static constexpr std::int32_t WM_MBUTTONDOWN() { return 0x0207; }
    static constexpr std::int32_t WM_MBUTTONUP() { return 0x0208; }
    static constexpr std::int32_t WM_MBUTTONDBLCLK() { return 0x0209; }
    static constexpr std::int32_t WM_NCMOUSEMOVE() { return 0x00A0; }
    static constexpr std::int32_t WM_NCLBUTTONDOWN() { return 0x00A1; }
    static constexpr std::int32_t WM_NCLBUTTONUP() { return 0x00A2; }
    static constexpr std::int32_t WM_NCLBUTTONDBLCLK() { return 0x00A3; }
    static constexpr std::int32_t WM_NCRBUTTONDOWN() { return 0x00A4; }
    static constexpr std::int32_t WM_NCRBUTTONUP() { return 0x00A5; }
    static constexpr std::int32_t WM_NCRBUTTONDBLCLK() { return 0x00A6; }
    static constexpr std::int32_t WM_NCMBUTTONDOWN() { return 0x00A7; }
    static constexpr std::int32_t WM_NCMBUTTONUP() { return 0x00A8; }
    static constexpr std::int32_t WM_NCMBUTTONDBLCLK() { return 0x00A9; }

private:
    explicit msghook(platform::WindowHook& windows) : windows_(windows) {}
    void LeaveClipboardChain();
    void RestoreWindows(platform::Handle hwnd);

    platform::WindowHook& windows_;
    std::int32_t HotkeyId = 0;
    platform::Handle NextViewer = 0;
    platform::Handle ViewerHwnd = 0;
};

}  // namespace kest::recorder
