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

Handle H(HWND window) { return reinterpret_cast<Handle>(window); }
HWND W(Handle window) { return reinterpret_cast<HWND>(window); }

std::map<HWND, std::vector<Seen>> ownProcedureSaw;

// Answers the contract's messages itself (so SC_CLOSE closes nothing) and notes them.
LRESULT CALLBACK ProbeProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!contract::AnsweredByTheWindow(msg)) return DefWindowProcW(window, msg, wParam, lParam);
    ownProcedureSaw[window].push_back({msg, wParam, lParam});
    return contract::kOwnAnswer;
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
    Win32HookEnvironment() { RegisterClassOnce(kProbeClass, ProbeProcedure); }
    ~Win32HookEnvironment() {
        if (otherInChain) ChangeClipboardChain(other, otherNext);
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
    // In the layout of MINMAXINFO, as the seam's Windows side checks.
    std::intptr_t PutLimits(const platform::MinMaxInfo& limits) {
        record = limits;
        return reinterpret_cast<std::intptr_t>(&record);
    }
    platform::MinMaxInfo LimitsAt(std::intptr_t address) {
        return *reinterpret_cast<const platform::MinMaxInfo*>(address);
    }
    // A window like the hooked ones, noting what the chain tells it; the last in the chain.
    void JoinOtherViewer() {
        other = W(NewWindow());
        otherNext = SetClipboardViewer(other);
        otherInChain = true;
    }
    void OtherViewerLeaves() {
        ChangeClipboardChain(other, otherNext);  // the system tells the chain's head
        otherInChain = false;
    }
    int OtherViewerHeard() {
        const auto& seen = ownProcedureSaw[other];
        return static_cast<int>(
            std::count_if(seen.begin(), seen.end(), [](const Seen& s) { return s.msg == WM_DRAWCLIPBOARD; }));
    }
    Handle OtherViewer() { return H(other); }
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
        if (!rival) rival = W(NewWindow());
        if (RegisterHotKey(rival, 1, modifiers, vkey)) return !UnregisterHotKey(rival, 1);
        if (!UnregisterHotKey(W(window), id)) return false;
        return RegisterHotKey(W(window), id, modifiers, vkey);
    }

    platform::win32::Win32WindowHook hooks;
    std::vector<HWND> windows;
    HWND other = nullptr, otherNext = nullptr;
    bool otherInChain = false;
    platform::MinMaxInfo record;
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
#define KEST_SDK(name) {#name, static_cast<std::int32_t>(name)},
    const std::map<std::string, std::int32_t> sdk{KEST_MSGHOOK_GETTERS(KEST_SDK) KEST_SDK(WM_CHANGECBCHAIN)};
#undef KEST_SDK
    const auto getters = MsghookGetterValues();
    ASSERT_EQ(getters.size(), 50u) << "49 getters and the chain notice";
    for (const NamedValue& getter : getters) EXPECT_EQ(getter.value, sdk.at(getter.name)) << getter.name;
}

}  // namespace
}  // namespace kest::testing
