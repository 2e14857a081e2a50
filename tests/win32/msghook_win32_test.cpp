// msghook on real windows: the promises the test double keeps too (tests/contract), through the
// real forwarding procedure, the system's clipboard-viewer chain, hot keys and child windows; and
// what only real windows show: the size limits holding when the window is sized, the SDK's values.

// The getters carry the SDK's macro names, so the hook's headers come before <windows.h>; past it,
// the SDK's macros stand in for the getters.
#include "contract/msghook_contract.h"

#include <windows.h>

#include "win32/support/dialog_watcher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/win32_window_hook.h"
#include "win32/msghook_getter_values.h"

namespace kest::testing {
namespace {

using contract::Seen;
using platform::Handle;

constexpr wchar_t kProbeClass[] = L"KestHookProbe";
constexpr wchar_t kViewerClass[] = L"KestClipboardViewer";

Handle H(HWND window) { return reinterpret_cast<Handle>(window); }
HWND W(Handle window) { return reinterpret_cast<HWND>(window); }

std::map<HWND, std::vector<Seen>> ownProcedureSaw;

// Answers the contract's messages itself (so SC_CLOSE closes nothing) and notes them.
LRESULT CALLBACK ProbeProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!contract::AnsweredByTheWindow(msg)) return DefWindowProcW(window, msg, wParam, lParam);
    ownProcedureSaw[window].push_back({msg, wParam, lParam});
    return contract::kOwnAnswer;
}

// A well-behaved clipboard viewer of some other program.
struct Viewer {
    HWND window = nullptr;
    HWND next = nullptr;
    int drawClipboard = 0;
};
std::map<HWND, Viewer*> viewers;

LRESULT CALLBACK ViewerProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto it = viewers.find(window);
    if (it != viewers.end()) {
        Viewer& viewer = *it->second;
        if (msg == WM_DRAWCLIPBOARD) {
            ++viewer.drawClipboard;
            if (viewer.next) SendMessageW(viewer.next, msg, wParam, lParam);
            return 0;
        }
        if (msg == WM_CHANGECBCHAIN) {
            if (reinterpret_cast<HWND>(wParam) == viewer.next) {
                viewer.next = reinterpret_cast<HWND>(lParam);
            } else if (viewer.next) {
                SendMessageW(viewer.next, msg, wParam, lParam);
            }
            return 0;
        }
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

// A class of this program's own, unless the system or this program has one by that name.
void RegisterClassOnce(const wchar_t* name, WNDPROC procedure) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &type)) return;
    type.lpfnWndProc = procedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = name;
    RegisterClassExW(&type);
}

struct Win32HookEnvironment {
    Win32HookEnvironment() {
        RegisterClassOnce(kProbeClass, ProbeProcedure);
        RegisterClassOnce(kViewerClass, ViewerProcedure);
    }
    ~Win32HookEnvironment() {
        if (otherInChain) ChangeClipboardChain(other.window, other.next);
        viewers.erase(other.window);
        for (HWND window : {other.window, rival}) {
            if (window) DestroyWindow(window);
        }
        for (HWND window : windows) {
            DestroyWindow(window);
            ownProcedureSaw.erase(window);
        }
    }

    platform::WindowHook& Hook() { return hooks; }
    Handle NewWindow() {
        windows.push_back(CreateWindowExW(0, kProbeClass, L"msghook", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr,
                                          nullptr, GetModuleHandleW(nullptr), nullptr));
        return H(windows.back());
    }
    Handle NewChild(Handle parent, const platform::Text& className) {
        const std::wstring name(className.begin(), className.end());
        RegisterClassOnce(name.c_str(), DefWindowProcW);
        return H(CreateWindowExW(0, name.c_str(), L"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, W(parent), nullptr,
                                 GetModuleHandleW(nullptr), nullptr));
    }
    Handle Procedure(Handle window) { return static_cast<Handle>(GetWindowLongPtrW(W(window), GWLP_WNDPROC)); }
    std::vector<Seen> TakeSeen(Handle window) { return std::exchange(ownProcedureSaw[W(window)], {}); }
    std::intptr_t Send(Handle window, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
        return SendMessageW(W(window), msg, wParam, lParam);
    }
    // A real MINMAXINFO, field by field, as the system hands one over.
    std::intptr_t PutLimits(const platform::MinMaxInfo& limits) {
        const auto point = [](platform::Point p) { return POINT{p.x, p.y}; };
        record = {point(limits.ptReserved), point(limits.ptMaxSize), point(limits.ptMaxPosition),
                  point(limits.ptMinTrackSize), point(limits.ptMaxTrackSize)};
        return reinterpret_cast<std::intptr_t>(&record);
    }
    platform::MinMaxInfo LimitsAt(std::intptr_t address) {
        const auto& r = *reinterpret_cast<const MINMAXINFO*>(address);
        const auto point = [](POINT p) { return platform::Point{p.x, p.y}; };
        return {point(r.ptReserved), point(r.ptMaxSize), point(r.ptMaxPosition), point(r.ptMinTrackSize),
                point(r.ptMaxTrackSize)};
    }
    void JoinOtherViewer() {
        other.window = CreateWindowExW(0, kViewerClass, L"viewer", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr,
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
        viewers[other.window] = &other;
        other.next = SetClipboardViewer(other.window);
        otherInChain = true;
    }
    void OtherViewerLeaves() {
        ChangeClipboardChain(other.window, other.next);  // the system tells the chain's head
        otherInChain = false;
    }
    int OtherViewerHeard() { return other.drawClipboard; }
    Handle OtherViewer() { return H(other.window); }
    Handle ClipboardViewer() { return H(GetClipboardViewer()); }
    void ChangeClipboard() {
        ASSERT_TRUE(OpenClipboard(windows.front()));
        EmptyClipboard();
        HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
        std::memcpy(GlobalLock(text), L"kest", 4 * sizeof(wchar_t));
        GlobalUnlock(text);
        SetClipboardData(CF_UNICODETEXT, text);
        CloseClipboard();
    }
    bool RunUntil(const std::function<bool()>& condition) { return WaitUntil(condition, std::chrono::seconds(5)); }
    // Another window tries the key: refused, someone holds it; then it is this window's under
    // `id` if the window can give it up (and takes it back).
    bool HotKeyHeld(Handle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vkey) {
        if (!rival) rival = CreateWindowExW(0, kProbeClass, L"rival", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                                            nullptr, GetModuleHandleW(nullptr), nullptr);
        if (RegisterHotKey(rival, 1, modifiers, vkey)) return !UnregisterHotKey(rival, 1);
        if (!UnregisterHotKey(W(window), id)) return false;
        return RegisterHotKey(W(window), id, modifiers, vkey);
    }

    platform::win32::Win32WindowHook hooks;
    std::vector<HWND> windows;
    Viewer other;
    bool otherInChain = false;
    MINMAXINFO record{};
    HWND rival = nullptr;
};

}  // namespace
}  // namespace kest::testing

namespace kest::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, MsghookContract, testing::Win32HookEnvironment);
}  // namespace kest::contract

namespace kest::testing {
namespace {

class RealWindowTest : public contract::MsghookContract<Win32HookEnvironment> {};

TEST_F(RealWindowTest, MinimumTrackWidthHoldsWhenTheWindowIsSized) {
    Hook(window);
    answer = [](recorder::msghook& h, std::int32_t msg) {
        if (msg == WM_GETMINMAXINFO) h.MinTrackSizeX = 400;
    };
    SetWindowPos(W(window), nullptr, 0, 0, 150, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT bounds{};
    GetWindowRect(W(window), &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 400);
    EXPECT_EQ(bounds.bottom - bounds.top, 150);
}

// ---- constants ----

TEST(MsghookConstantsTest, GettersGiveTheSdkValues) {
#define KEST_SDK(name) {#name, static_cast<std::int32_t>(name)}
    const std::map<std::string, std::int32_t> sdk{
        KEST_SDK(SC_KEYMENU),         KEST_SDK(SC_HOTKEY),          KEST_SDK(SC_MOVE),
        KEST_SDK(SC_SIZE),            KEST_SDK(SC_MINIMIZE),        KEST_SDK(SC_MAXIMIZE),
        KEST_SDK(SC_CLOSE),           KEST_SDK(SC_RESTORE),         KEST_SDK(MK_LBUTTON),
        KEST_SDK(MK_RBUTTON),         KEST_SDK(MK_MBUTTON),         KEST_SDK(MK_SHIFT),
        KEST_SDK(MK_CONTROL),         KEST_SDK(MOD_ALT),            KEST_SDK(MOD_CONTROL),
        KEST_SDK(MOD_SHIFT),          KEST_SDK(WM_MOVE),            KEST_SDK(WM_SIZE),
        KEST_SDK(WM_SYSCOMMAND),      KEST_SDK(WM_COMMAND),         KEST_SDK(WM_ACTIVATEAPP),
        KEST_SDK(WM_NCACTIVATE),      KEST_SDK(WM_GETMINMAXINFO),   KEST_SDK(WM_QUERYOPEN),
        KEST_SDK(WM_HOTKEY),          KEST_SDK(WM_DRAWCLIPBOARD),   KEST_SDK(WM_QUERYENDSESSION),
        KEST_SDK(WM_KEYDOWN),         KEST_SDK(WM_KEYUP),           KEST_SDK(WM_MOUSEMOVE),
        KEST_SDK(WM_LBUTTONDOWN),     KEST_SDK(WM_LBUTTONUP),       KEST_SDK(WM_LBUTTONDBLCLK),
        KEST_SDK(WM_RBUTTONDOWN),     KEST_SDK(WM_RBUTTONUP),       KEST_SDK(WM_RBUTTONDBLCLK),
        KEST_SDK(WM_MBUTTONDOWN),     KEST_SDK(WM_MBUTTONUP),       KEST_SDK(WM_MBUTTONDBLCLK),
        KEST_SDK(WM_NCMOUSEMOVE),     KEST_SDK(WM_NCLBUTTONDOWN),   KEST_SDK(WM_NCLBUTTONUP),
        KEST_SDK(WM_NCLBUTTONDBLCLK), KEST_SDK(WM_NCRBUTTONDOWN),   KEST_SDK(WM_NCRBUTTONUP),
        KEST_SDK(WM_NCRBUTTONDBLCLK), KEST_SDK(WM_NCMBUTTONDOWN),   KEST_SDK(WM_NCMBUTTONUP),
        KEST_SDK(WM_NCMBUTTONDBLCLK), KEST_SDK(WM_CHANGECBCHAIN),
    };
#undef KEST_SDK
    const auto getters = MsghookGetterValues();
    ASSERT_EQ(getters.size(), 50u) << "49 getters and the chain notice";
    for (const NamedValue& getter : getters) {
        ASSERT_EQ(sdk.count(getter.name), 1u) << getter.name;
        EXPECT_EQ(getter.value, sdk.at(getter.name)) << getter.name;
    }
}

}  // namespace
}  // namespace kest::testing
