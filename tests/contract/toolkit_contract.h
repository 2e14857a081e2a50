// What the forms rely on from the toolkit, checked alike against the test double (natively) and
// the real toolkit (under Wine), so that a test passing on the double means the same on Windows.
// An environment type provides:
//   platform::Toolkit& Toolkit();  platform::WindowApi& Windows();
//   void RunEvents();                      let waiting events run once
//   bool RunUntil(std::function<bool()>);  run events until it holds (bounded); false if it never did
//   bool NeverHappens(std::function<bool()>);  run events a while: true if it never held
//   void LetTicksCome();                   inside a handler: give due timer ticks a chance to arrive
//   bool Exists(const platform::Form&);    the form's window is still there
//   platform::Rect RegionBox(platform::Handle window);  bounding box of the region the window owns
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/toolkit.h"
#include "platform/window_api.h"

namespace kest::contract {

template <typename Environment>
class ToolkitContract : public ::testing::Test {
protected:
    std::unique_ptr<platform::Form> NewForm() { return env.Toolkit().CreateForm({u"测试窗口", 6000, 4500}); }
    Environment env;
};

TYPED_TEST_SUITE_P(ToolkitContract);

// ---- close and unload ----

struct Closing {
    bool allow;        // what the unload handler answers
    bool unloadAfter;  // the program unloads the form before events run
    bool existsAfter;
    int asked;  // times the unload handler ran
};

TYPED_TEST_P(ToolkitContract, CloseIsPostedAndAnsweredByTheUnloadHandler) {
    for (const Closing c : {Closing{true, false, false, 1}, Closing{false, false, true, 1},
                            Closing{true, true, false, 0}, Closing{false, true, false, 0}}) {
        auto form = this->NewForm();
        int asked = 0;
        form->OnQueryUnload([&, allow = c.allow] {
            ++asked;
            return allow;
        });
        form->Close();
        EXPECT_TRUE(this->env.Exists(*form)) << "a close request waits for the event loop";
        EXPECT_EQ(asked, 0);
        if (c.unloadAfter) form->Unload();
        this->env.RunEvents();
        EXPECT_EQ(this->env.Exists(*form), c.existsAfter) << "allow " << c.allow << ", unload " << c.unloadAfter;
        EXPECT_EQ(asked, c.asked) << "allow " << c.allow << ", unload " << c.unloadAfter;
    }
}

TYPED_TEST_P(ToolkitContract, UnloadClosesAtOnceWithoutAsking) {
    auto form = this->NewForm();
    bool asked = false;
    form->OnQueryUnload([&] { return asked = true; });
    form->Unload();
    EXPECT_FALSE(this->env.Exists(*form));
    EXPECT_FALSE(asked);
}

// ---- timers ----

TYPED_TEST_P(ToolkitContract, TimerWhoseHandlerRunsPendingEventsIsNeverEnteredTwice) {
    auto form = this->NewForm();
    auto timer = form->CreateTimer();
    int depth = 0, deepest = 0, ticks = 0;
    timer->OnTick([&] {
        ++depth;
        deepest = std::max(deepest, depth);
        this->env.LetTicksCome();  // the next tick is already due
        this->env.Toolkit().DoEvents();
        ++ticks;
        --depth;
    });
    timer->SetInterval(1);
    ASSERT_TRUE(this->env.RunUntil([&] { return ticks >= 30; }));
    timer->SetInterval(0);
    EXPECT_EQ(deepest, 1);
}

TYPED_TEST_P(ToolkitContract, TimerTicksOnlyWithAnIntervalAndWhileEnabled) {
    auto form = this->NewForm();
    auto timer = form->CreateTimer();
    int ticks = 0;
    timer->OnTick([&] { ++ticks; });
    EXPECT_TRUE(timer->Enabled());
    EXPECT_TRUE(this->env.NeverHappens([&] { return ticks > 0; })) << "interval 0 ticked";

    timer->SetInterval(5);
    timer->SetEnabled(false);
    EXPECT_EQ(timer->Interval(), 5) << "disabling keeps the interval";
    EXPECT_TRUE(this->env.NeverHappens([&] { return ticks > 0; })) << "disabled timer ticked";

    timer->SetEnabled(true);
    EXPECT_TRUE(this->env.RunUntil([&] { return ticks > 0; }));
}

// ---- regions ----

TYPED_TEST_P(ToolkitContract, AWindowKeepsTheRegionItTookAndARefusedRegionStaysTheCallers) {
    auto form = this->NewForm();
    auto& windows = this->env.Windows();
    const platform::Handle outline = windows.CreateRectRgn(4, 0, 300, 200);
    ASSERT_NE(windows.SetWindowRgn(form->Hwnd(), outline, false), 0);
    EXPECT_EQ(this->env.RegionBox(form->Hwnd()), (platform::Rect{4, 0, 300, 200}));
    // A second region replaces the first; the window frees the one it had.
    const platform::Handle smaller = windows.CreateRectRgn(0, 0, 100, 50);
    ASSERT_NE(windows.SetWindowRgn(form->Hwnd(), smaller, false), 0);
    EXPECT_EQ(this->env.RegionBox(form->Hwnd()), (platform::Rect{0, 0, 100, 50}));

    const platform::Handle gone = form->Hwnd();
    form->Unload();
    const platform::Handle refused = windows.CreateRectRgn(0, 0, 10, 10);
    EXPECT_EQ(windows.SetWindowRgn(gone, refused, false), 0) << "no window, no owner";
    EXPECT_TRUE(windows.DeleteObject(refused)) << "a refused region is still the caller's to free";
}

REGISTER_TYPED_TEST_SUITE_P(ToolkitContract, CloseIsPostedAndAnsweredByTheUnloadHandler,
                            UnloadClosesAtOnceWithoutAsking, TimerWhoseHandlerRunsPendingEventsIsNeverEnteredTwice,
                            TimerTicksOnlyWithAnIntervalAndWhileEnabled,
                            AWindowKeepsTheRegionItTookAndARefusedRegionStaysTheCallers);

}  // namespace kest::contract
