// The windowing toolkit on real windows: timers, menus and forms behave as the forms expect.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_toolkit.h"
#include "win32/support/dialog_watcher.h"

namespace kest::testing {
namespace {

using platform::win32::Win32Toolkit;

class ToolkitTest : public ::testing::Test {
protected:
    Win32Toolkit toolkit;
    std::unique_ptr<platform::Form> form = toolkit.CreateForm({u"测试窗口", 6000, 4500});
};

TEST_F(ToolkitTest, TimerWhoseHandlerRunsPendingEventsIsNeverEnteredTwice) {
    auto timer = form->CreateTimer();
    int depth = 0, deepest = 0, ticks = 0;
    timer->OnTick([&] {
        ++depth;
        deepest = std::max(deepest, depth);
        Sleep(3);                 // longer than the interval: the next tick is already due
        toolkit.DoEvents();
        ++ticks;
        --depth;
    });
    timer->SetInterval(1);
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 30; }, std::chrono::seconds(30)));
    timer->SetInterval(0);
    EXPECT_EQ(deepest, 1);
}

TEST_F(ToolkitTest, TimerTicksOnlyWithAnIntervalAndWhileEnabled) {
    auto timer = form->CreateTimer();
    int ticks = 0;
    timer->OnTick([&] { ++ticks; });
    EXPECT_TRUE(timer->Enabled());
    EXPECT_FALSE(WaitUntil([&] { return ticks > 0; }, std::chrono::milliseconds(300))) << "interval 0 ticked";

    timer->SetInterval(5);
    timer->SetEnabled(false);
    EXPECT_EQ(timer->Interval(), 5) << "disabling keeps the interval";
    EXPECT_FALSE(WaitUntil([&] { return ticks > 0; }, std::chrono::milliseconds(300))) << "disabled timer ticked";

    timer->SetEnabled(true);
    EXPECT_TRUE(WaitUntil([&] { return ticks > 0; }, std::chrono::seconds(10)));
}

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
    EXPECT_TRUE(WaitUntil([&] { return form->GetWindowState() == platform::WindowState::Minimized; },
                          std::chrono::seconds(5)));
}

TEST_F(ToolkitTest, CloseCanBeRefused) {
    bool allow = false;
    form->OnQueryUnload([&] { return allow; });
    HWND window = reinterpret_cast<HWND>(form->Hwnd());
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    allow = true;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace kest::testing
