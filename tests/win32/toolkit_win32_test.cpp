// The windowing toolkit on real windows: menus and forms behave as the forms expect, and the
// contract the test double keeps too (close and unload, timers, regions) holds here.
#include <windows.h>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "contract/toolkit_contract.h"
#include "platform/win32/win32_toolkit.h"
#include "platform/win32/win32_window_api.h"
#include "win32/support/dialog_watcher.h"

namespace kest::testing {
namespace {

using platform::win32::Win32Toolkit;

struct Win32ToolkitEnvironment {
    Win32Toolkit toolkit;
    platform::win32::Win32WindowApi windows;
    platform::Toolkit& Toolkit() { return toolkit; }
    platform::WindowApi& Windows() { return windows; }
    void RunEvents() { toolkit.DoEvents(); }
    void LetTicksCome() { Sleep(3); }  // longer than the interval: the next tick is due
    bool RunUntil(const std::function<bool()>& condition) { return WaitUntil(condition, std::chrono::seconds(30)); }
    // Something that does not happen is given this long to prove it.
    bool NeverHappens(const std::function<bool()>& condition) {
        return !WaitUntil(condition, std::chrono::milliseconds(300));
    }
    bool Exists(const platform::Form& form) { return IsWindow(reinterpret_cast<HWND>(form.Hwnd())) != 0; }
    platform::Rect RegionBox(platform::Handle window) {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        RECT box{};
        if (GetWindowRgn(reinterpret_cast<HWND>(window), region) != ERROR) GetRgnBox(region, &box);
        DeleteObject(region);
        return {box.left, box.top, box.right, box.bottom};
    }
};

}  // namespace
}  // namespace kest::testing

namespace kest::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ToolkitContract, testing::Win32ToolkitEnvironment);
}  // namespace kest::contract

namespace kest::testing {
namespace {

class ToolkitTest : public ::testing::Test {
protected:
    Win32Toolkit toolkit;
    std::unique_ptr<platform::Form> form = toolkit.CreateForm({u"测试窗口", 6000, 4500});
};

TEST_F(ToolkitTest, MenuItemsShowTheirStateOnTheRealMenu) {
    auto file = form->CreateMenuItem(nullptr, u"文件(&F)");
    auto start = form->CreateMenuItem(file.get(), u"开始");
    auto pause = form->CreateMenuItem(file.get(), u"暂停");
    HMENU bar = GetMenu(reinterpret_cast<HWND>(form->Hwnd()));
    ASSERT_NE(bar, nullptr);
    HMENU popup = GetSubMenu(bar, 0);
    ASSERT_NE(popup, nullptr);

    pause->SetEnabled(false);
    start->SetChecked(true);
    pause->SetCaption(u"继续");
    EXPECT_TRUE(GetMenuState(popup, 1, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(popup, 0, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(popup, 0, MF_BYPOSITION) & MF_CHECKED);
    wchar_t text[32] = {};
    GetMenuStringW(popup, 1, text, 32, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), L"继续");
    GetMenuStringW(bar, 0, text, 32, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), L"文件(&F)");
    EXPECT_EQ(pause->Caption(), u"继续");
    EXPECT_FALSE(pause->Enabled());

    // Items below an item of a menu make it a submenu, which greys as a whole.
    auto rate = form->CreateMenuItem(file.get(), u"帧率");
    auto fast = form->CreateMenuItem(rate.get(), u"每秒 30 帧");
    HMENU sub = GetSubMenu(popup, 2);
    ASSERT_NE(sub, nullptr);
    fast->SetChecked(true);
    rate->SetEnabled(false);
    EXPECT_TRUE(GetMenuState(sub, 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(popup, 2, MF_BYPOSITION) & MF_GRAYED);
    GetMenuStringW(sub, 0, text, 32, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), L"每秒 30 帧");
}

TEST_F(ToolkitTest, ChoosingAMenuItemRunsItsHandler) {
    auto file = form->CreateMenuItem(nullptr, u"文件(&F)");
    auto start = form->CreateMenuItem(file.get(), u"开始");
    int clicks = 0;
    start->OnClick([&] { ++clicks; });
    HMENU popup = GetSubMenu(GetMenu(reinterpret_cast<HWND>(form->Hwnd())), 0);
    PostMessageW(reinterpret_cast<HWND>(form->Hwnd()), WM_COMMAND, GetMenuItemID(popup, 0), 0);
    EXPECT_TRUE(WaitUntil([&] { return clicks == 1; }, std::chrono::seconds(5)));
}

TEST_F(ToolkitTest, CaptionAndWindowStateRoundTrip) {
    form->Show();
    form->SetCaption(u"Flame:25 Second:2.5390625");
    EXPECT_EQ(form->Caption(), u"Flame:25 Second:2.5390625");
    form->SetWindowState(platform::WindowState::Minimized);
    EXPECT_TRUE(
        WaitUntil([&] { return form->GetWindowState() == platform::WindowState::Minimized; }, std::chrono::seconds(5)));
}

TEST_F(ToolkitTest, ControlsAndFormsLetGoOfTheirWindowsSafely) {
    form->Show();
    auto box = form->CreatePictureBox({0, 0, 1500, 1500});
    auto label = form->CreateLabel({1500, 0, 3000, 300}, u"标题");  // on the form, not on a picture
    HWND labelWindow = reinterpret_cast<HWND>(label->Hwnd());
    RedrawWindow(labelWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(labelWindow);
    EXPECT_EQ(GetPixel(dc, 90, 17), GetSysColor(COLOR_BTNFACE)) << "a label on a form shows the form's colour";
    ReleaseDC(labelWindow, dc);

    int deactivations = 0;
    form->Deactivate = [&] { ++deactivations; };
    ASSERT_TRUE(
        WaitUntil([&] { return GetActiveWindow() == reinterpret_cast<HWND>(form->Hwnd()); }, std::chrono::seconds(5)));
    form->Unload();
    EXPECT_EQ(box->Hwnd(), 0u) << "the control's window went with its form";
    box->Move(0, 0, 3000, 3000);  // harmless now
    box->Refresh();

    auto other = toolkit.CreateForm({u"另一个", 3000, 3000});
    other->Show();
    ASSERT_TRUE(
        WaitUntil([&] { return GetActiveWindow() == reinterpret_cast<HWND>(other->Hwnd()); }, std::chrono::seconds(5)));
    other->Deactivate = [&] { ++deactivations; };
    const int before = deactivations;
    other.reset();
    EXPECT_EQ(deactivations, before) << "a form being destroyed raises no events";
}

// A handler that throws must not take the process down through the system's frames: the
// message is answered as decided at the window procedure, and the window goes on.
TEST_F(ToolkitTest, AThrowingHandlerLeavesTheMessageAnsweredAndTheWindowUsable) {
    form->Show();
    form->KeyDown = [](std::int16_t, std::int16_t) { throw std::runtime_error("key"); };
    form->OnQueryUnload([]() -> bool { throw std::bad_alloc(); });
    const HWND hwnd = reinterpret_cast<HWND>(form->Hwnd());
    EXPECT_EQ(SendMessageW(hwnd, WM_KEYDOWN, 'A', 0), 0) << "the default procedure's answer";
    EXPECT_EQ(SendMessageW(hwnd, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(hwnd)) << "a close whose question failed keeps the window";
    form->SetCaption(u"还在");
    EXPECT_EQ(form->Caption(), u"还在");
}

}  // namespace
}  // namespace kest::testing
