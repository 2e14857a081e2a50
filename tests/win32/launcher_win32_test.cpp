// The launcher's window on real windows: what it looks like at the moment it is first shown,
// and its fade-in reaching full opacity on real timers.
#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/frm_about.h"
#include "platform/win32/win32_launcher_platform.h"
#include "site_address.h"
#include "win32/support/dialog_watcher.h"

namespace kest::testing {
namespace {

struct FirstShow {
    bool seen = false;
    LONG exStyle = 0;
    BOOL layeredInfo = FALSE;
    BYTE alpha = 255;
    DWORD flags = 0;
};
FirstShow firstShow;

LRESULT CALLBACK NoteFirstShow(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    wchar_t className[64] = {};
    if (code == HC_ACTION && message->message == WM_SHOWWINDOW && message->wParam && !firstShow.seen &&
        GetClassNameW(message->hwnd, className, 64) && std::wstring(className) == platform::win32::kAboutWindowClass) {
        firstShow.seen = true;
        firstShow.exStyle = GetWindowLongW(message->hwnd, GWL_EXSTYLE);
        COLORREF key = 0;
        firstShow.layeredInfo = GetLayeredWindowAttributes(message->hwnd, &key, &firstShow.alpha, &firstShow.flags);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(LauncherWindow, IsTransparentOffTheTaskbarAndCentredWhenFirstShownThenFadesIn) {
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, NoteFirstShow, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    platform::win32::Win32LauncherPlatform platform;
    launcher::FrmAbout about(platform, SiteAddress(kPromoPagePath));
    about.Load();
    UnhookWindowsHookEx(hook);

    ASSERT_TRUE(firstShow.seen);
    EXPECT_TRUE(firstShow.exStyle & WS_EX_LAYERED);
    ASSERT_TRUE(firstShow.layeredInfo);
    EXPECT_EQ(firstShow.flags & LWA_ALPHA, static_cast<DWORD>(LWA_ALPHA));
    EXPECT_EQ(firstShow.alpha, 0);

    HWND window = FindWindowW(platform::win32::kAboutWindowClass, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
    EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
    RECT client{}, frame{};
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    EXPECT_EQ(client.right, 439);
    EXPECT_EQ(client.bottom, 282);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 439) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 282) / 2);

    HWND text1 = FindWindowExW(window, nullptr, L"Edit", nullptr);
    ASSERT_NE(text1, nullptr);
    EXPECT_EQ(WindowText(text1),
              std::wstring(L"http://") + reinterpret_cast<const wchar_t*>(kSiteHost.c_str()) + L"/kest/h");
    RECT box{};
    GetWindowRect(text1, &box);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
    EXPECT_GE(box.top, client.bottom) << "the address must never be visible";

    // With or without a page in the browser, the fade runs on the window's timers.
    EXPECT_TRUE(WaitUntil([&] { return Opacity(window) == 255; }, std::chrono::seconds(30)));
}

}  // namespace
}  // namespace kest::testing
