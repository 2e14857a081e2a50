// What msghook does for the windows it hooks, checked alike against the test double of the
// window-hook seam (natively) and real windows (under Wine), so that a test passing on the double
// means the same on Windows. Include it before <windows.h>. An environment type provides Hook()
// (the platform::WindowHook), NewWindow() (a top-level window whose own procedure answers the
// tables' messages itself, with kOwnAnswer) and NewChild(parent, className); Procedure(window),
// the one installed now; TakeSeen(window), what its own procedure received since last asked;
// Send(window, msg, wParam, lParam) as SendMessage; PutLimits(MinMaxInfo), a MINMAXINFO record's
// address, and LimitsAt(address); another program's clipboard viewer: JoinOtherViewer(),
// OtherViewerLeaves(), OtherViewerHeard() (changes it was told of), OtherViewer(); the chain's
// head ClipboardViewer() and ChangeClipboard(); RunUntil(condition), bounded; and
// HotKeyHeld(window, id, modifiers, vkey).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

#include "recorder/msghook/msghook.h"
#include "recorder/msghook/msghook_module.h"

namespace kest::contract {

using platform::Handle;
using recorder::msghook;

inline constexpr std::intptr_t kOwnAnswer = 0x600D;
inline constexpr std::uint32_t kDrawClipboard = 0x0308;
inline constexpr std::uint32_t kChangeCbChain = 0x030D;
inline constexpr std::uint32_t kGetMinMaxInfo = 0x0024;

struct Seen {
    std::uint32_t msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    friend bool operator==(const Seen&, const Seen&) = default;
};

struct Event {
    Handle hwnd;
    std::int32_t msg, arg1, arg2, arg3;
    friend bool operator==(const Event&, const Event&) = default;
};

// An lParam of two 16-bit halves, as MAKELPARAM makes it.
inline std::intptr_t Params(std::int32_t low, std::int32_t high) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(high) << 16) |
                                      (static_cast<std::uint32_t>(low) & 0xFFFF));
}

struct Classified {
    std::uint32_t msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    std::int32_t arg1, arg2, arg3;
};

inline std::vector<Classified> EveryListedMessage() {
    std::vector<Classified> cases;
    // Mouse and hot key: wParam, then lParam's halves as signed 16-bit values.
    for (std::uint32_t msg :
         {0x0200u, 0x0201u, 0x0202u, 0x0203u, 0x0204u, 0x0205u, 0x0206u, 0x0207u, 0x0208u, 0x0209u, 0x00A0u,
          0x00A1u, 0x00A2u, 0x00A3u, 0x00A4u, 0x00A5u, 0x00A6u, 0x00A7u, 0x00A8u, 0x00A9u, 0x0312u}) {
        cases.push_back({msg, 0x0005, Params(0x0010, 0xFFFF), 5, 16, -1});
    }
    cases.push_back({0x0200, 0x0001, Params(0x8000, 0x7FFF), 1, -32768, 32767});
    // A 64-bit lParam: only its low 32 bits carry the point.
    cases.push_back({0x0201, 0x0001, static_cast<std::intptr_t>(0x1234'0002'FFFEull), 1, -2, 2});
    // Move and size: the halves, then 0.
    cases.push_back({0x0005, 0x0000, Params(640, 480), 640, 480, 0});
    cases.push_back({0x0003, 0x0007, Params(-10, -20), -10, -20, 0});
    // Keys, commands, activation: wParam only.
    cases.push_back({0x0100, 0x0074, 0x003F0001, 0x74, 0, 0});
    cases.push_back({0x0101, 0x0074, static_cast<std::intptr_t>(0xC03F0001u), 0x74, 0, 0});
    cases.push_back({0x0112, 0xF060, Params(100, 200), 0xF060, 0, 0});
    cases.push_back({0x0111, 0x0001'0065, 0x4242, 0x0001'0065, 0, 0});
    cases.push_back({0x001C, 0x0001, 0x1234, 1, 0, 0});
    cases.push_back({0x0086, 0x0000, 0, 0, 0, 0});
    cases.push_back({0x0013, 0x0009, 0x0009, 9, 0, 0});
    // Clipboard and end of session: nothing.
    cases.push_back({kDrawClipboard, 0x0009, 0x0009, 0, 0, 0});
    cases.push_back({0x0011, 0x0001, static_cast<std::intptr_t>(0x80000000u), 0, 0, 0});
    return cases;
}

// WM_CHAR, WM_PAINT, WM_SETTEXT, WM_NCHITTEST, WM_SYSKEYDOWN, WM_MOUSEWHEEL, WM_USER.
inline const std::vector<std::uint32_t> kUnlistedMessages{0x0102, 0x000F, 0x000C, 0x0084, 0x0104, 0x020A, 0x0400};

// The messages a window of NewWindow answers itself; the rest go to the system's default.
inline bool AnsweredByTheWindow(std::uint32_t msg) {
    static const std::set<std::uint32_t> answered = [] {
        std::set<std::uint32_t> all(kUnlistedMessages.begin(), kUnlistedMessages.end());
        for (const Classified& c : EveryListedMessage()) all.insert(c.msg);
        all.insert({kGetMinMaxInfo, kChangeCbChain});
        return all;
    }();
    return answered.count(msg) != 0;
}

template <typename Environment>
class MsghookContract : public ::testing::Test {
protected:
    MsghookContract() {
        hook->msgevent = [this](Handle hwnd, std::int32_t msg, std::int32_t a1, std::int32_t a2, std::int32_t a3) {
            events.push_back({hwnd, msg, a1, a2, a3});
            if (answer) answer(*hook, msg);
        };
    }
    ~MsghookContract() override {
        if (hook) hook->setmsghook(0, false);
    }
    // Hooks `target` and forgets what hooking itself brought (registering as clipboard viewer
    // tells the window of the clipboard before it is subclassed).
    void Hook(Handle target) {
        hook->setmsghook(target, true);
        env.TakeSeen(target);
        events.clear();
    }
    int DrawClipboardEvents() const {
        return static_cast<int>(std::count_if(events.begin(), events.end(), [](const Event& e) {
            return e.msg == static_cast<std::int32_t>(kDrawClipboard);
        }));
    }

    Environment env;
    std::shared_ptr<msghook> hook = msghook::New(env.Hook());
    Handle window = env.NewWindow();
    std::vector<Event> events;
    std::function<void(msghook&, std::int32_t msg)> answer;
};

TYPED_TEST_SUITE_P(MsghookContract);

// ---- messages ----

TYPED_TEST_P(MsghookContract, ListedMessagesRaiseTheEventThenReachTheWindowUnlessTheHandlerSwallowsThem) {
    this->Hook(this->window);
    for (const Classified& c : EveryListedMessage()) {
        SCOPED_TRACE(::testing::Message() << "message 0x" << std::hex << c.msg);
        this->events.clear();
        this->answer = nullptr;
        EXPECT_EQ(this->env.Send(this->window, c.msg, c.wParam, c.lParam), kOwnAnswer);
        EXPECT_EQ(this->events,
                  (std::vector<Event>{{this->window, static_cast<std::int32_t>(c.msg), c.arg1, c.arg2, c.arg3}}));
        EXPECT_EQ(this->env.TakeSeen(this->window), (std::vector<Seen>{{c.msg, c.wParam, c.lParam}}));

        this->answer = [](msghook& h, std::int32_t) { h.Enabled = true; };
        EXPECT_EQ(this->env.Send(this->window, c.msg, c.wParam, c.lParam), 1) << "swallowed";
        EXPECT_EQ(this->events.size(), 2u);
        EXPECT_TRUE(this->env.TakeSeen(this->window).empty());
    }
}

TYPED_TEST_P(MsghookContract, UnlistedMessagesRaiseNothingAndGoToTheWindow) {
    this->Hook(this->window);
    this->answer = [](msghook& h, std::int32_t) { h.Enabled = true; };
    for (const std::uint32_t msg : kUnlistedMessages) {
        SCOPED_TRACE(::testing::Message() << "message 0x" << std::hex << msg);
        EXPECT_EQ(this->env.Send(this->window, msg, 0x41, 0), kOwnAnswer);
        EXPECT_TRUE(this->events.empty());
        EXPECT_EQ(this->env.TakeSeen(this->window).size(), 1u);
    }
}

TYPED_TEST_P(MsghookContract, EnabledIsClearedBeforeEveryEvent) {
    this->Hook(this->window);
    this->hook->Enabled = true;  // left over from outside any event
    EXPECT_EQ(this->env.Send(this->window, 0x0201, 0, 0), kOwnAnswer);
    this->answer = [](msghook& h, std::int32_t) { h.Enabled = true; };
    EXPECT_EQ(this->env.Send(this->window, 0x0201, 0, 0), 1);
    this->answer = nullptr;
    EXPECT_EQ(this->env.Send(this->window, 0x0201, 0, 0), kOwnAnswer);
    EXPECT_EQ(this->env.TakeSeen(this->window).size(), 2u);
}

TYPED_TEST_P(MsghookContract, FailingHandlerLetsTheMessageGoOn) {
    this->Hook(this->window);
    this->answer = [](msghook& h, std::int32_t) {
        h.Enabled = true;
        throw std::runtime_error("handler failed");
    };
    EXPECT_EQ(this->env.Send(this->window, 0x0112, 0xF060, 0), kOwnAnswer);
    EXPECT_EQ(this->env.TakeSeen(this->window).size(), 1u);
    EXPECT_THROW(this->hook->gotomsgevent(this->window, 0x0112, 0xF060, 0, 0), std::runtime_error);
}

TYPED_TEST_P(MsghookContract, WindowHookedTwiceReachesItsOwnProcedureOnceAndGetsItBack) {
    const Handle own = this->env.Procedure(this->window);
    this->Hook(this->window);
    this->Hook(this->window);
    EXPECT_NE(this->env.Procedure(this->window), own);
    EXPECT_EQ(recorder::msghookModule::OldProcs, (std::vector<Handle>{0, own, this->env.Procedure(this->window)}));
    EXPECT_EQ(this->env.Send(this->window, 0x0100, 0x74, 0), kOwnAnswer);
    EXPECT_EQ(this->env.TakeSeen(this->window).size(), 1u) << "a window hooked twice reaches its own procedure once";

    this->hook->setmsghook(this->window, false);
    EXPECT_EQ(this->env.Procedure(this->window), own) << "the window must end with its own procedure, not the hook's";
    this->events.clear();
    EXPECT_EQ(this->env.Send(this->window, 0x0100, 0x74, 0), kOwnAnswer);
    EXPECT_TRUE(this->events.empty());
}

// ---- WM_GETMINMAXINFO ----

inline constexpr platform::MinMaxInfo kLimits{{-1, -2}, {1920, 1080}, {-8, -9}, {120, 40}, {1936, 1096}};

TYPED_TEST_P(MsghookContract, HandlerChangesOnlyTheLimitsItSets) {
    this->Hook(this->window);
    const std::intptr_t record = this->env.PutLimits(kLimits);
    platform::MinMaxInfo seen{};
    this->answer = [&](msghook& h, std::int32_t) {
        seen = {{0, 0},
                {h.MaxSizeX, h.MaxSizeY},
                {h.MaxPositionX, h.MaxPositionY},
                {h.MinTrackSizeX, h.MinTrackSizeY},
                {h.MaxTrackSizeX, h.MaxTrackSizeY}};
        h.MinTrackSizeX = 400;
    };
    EXPECT_EQ(this->env.Send(this->window, kGetMinMaxInfo, 0, record), 1);

    EXPECT_EQ(this->events, (std::vector<Event>{{this->window, static_cast<std::int32_t>(kGetMinMaxInfo), 0, 0, 0}}));
    EXPECT_EQ(seen, (platform::MinMaxInfo{{0, 0}, {1920, 1080}, {-8, -9}, {120, 40}, {1936, 1096}}));
    platform::MinMaxInfo expected = kLimits;
    expected.ptMinTrackSize.x = 400;
    EXPECT_EQ(this->env.LimitsAt(record), expected);
    EXPECT_TRUE(this->env.TakeSeen(this->window).empty());
}

TYPED_TEST_P(MsghookContract, LimitsAreAnsweredEvenWhenTheHandlerSwallowsOrFails) {
    this->Hook(this->window);
    const std::intptr_t record = this->env.PutLimits(kLimits);
    this->answer = [](msghook& h, std::int32_t) {
        h.Enabled = true;
        h.MaxTrackSizeY = 900;
        throw std::runtime_error("handler failed");
    };
    EXPECT_EQ(this->env.Send(this->window, kGetMinMaxInfo, 0, record), 1);
    platform::MinMaxInfo expected = kLimits;
    expected.ptMaxTrackSize.y = 900;
    EXPECT_EQ(this->env.LimitsAt(record), expected);
    EXPECT_TRUE(this->env.TakeSeen(this->window).empty());
}

// ---- clipboard-viewer chain ----

TYPED_TEST_P(MsghookContract, ViewerAfterTheHookedWindowStillHearsOfChanges) {
    this->env.JoinOtherViewer();
    this->Hook(this->window);
    ASSERT_EQ(this->env.ClipboardViewer(), this->window);
    const int heard = this->env.OtherViewerHeard();
    this->env.ChangeClipboard();
    ASSERT_TRUE(this->env.RunUntil([&] { return this->env.OtherViewerHeard() > heard; }));
    EXPECT_EQ(this->DrawClipboardEvents(), 1);
}

TYPED_TEST_P(MsghookContract, HookedWindowFollowsTheChainWhenItsNextViewerLeaves) {
    this->env.JoinOtherViewer();
    this->Hook(this->window);
    this->env.OtherViewerLeaves();  // the system tells the head, our window
    EXPECT_TRUE(this->events.empty()) << "the chain's upkeep is no event";
    EXPECT_TRUE(this->env.TakeSeen(this->window).empty()) << "nor the window's business";
    const int heard = this->env.OtherViewerHeard();
    this->env.ChangeClipboard();
    ASSERT_TRUE(this->env.RunUntil([&] { return this->DrawClipboardEvents() == 1; }));
    EXPECT_EQ(this->env.OtherViewerHeard(), heard) << "a viewer that left must not be told any more";
}

TYPED_TEST_P(MsghookContract, UnhookingTakesTheWindowOutOfTheChain) {
    this->env.JoinOtherViewer();
    this->Hook(this->window);
    this->hook->setmsghook(this->window, false);
    EXPECT_EQ(this->env.ClipboardViewer(), this->env.OtherViewer());
    const int heard = this->env.OtherViewerHeard();
    this->env.ChangeClipboard();
    EXPECT_TRUE(this->env.RunUntil([&] { return this->env.OtherViewerHeard() > heard; }));
    EXPECT_TRUE(this->events.empty());
}

// ---- hot key ----

TYPED_TEST_P(MsghookContract, OneHotKeyIsHeldOnTheFirstHookedWindowUntilReleased) {
    constexpr std::uint32_t kF9 = 0x78, kF10 = 0x79;
    EXPECT_THROW(this->hook->sethotkey(kF9, 0, 5), std::out_of_range) << "no window hooked yet";
    EXPECT_NO_THROW(this->hook->sethotkey(0, 0, 0));
    EXPECT_FALSE(this->env.HotKeyHeld(this->window, 5, 0, kF9));

    const Handle second = this->env.NewWindow();
    this->Hook(this->window);
    this->Hook(second);
    this->hook->sethotkey(kF9, msghook::MOD_CONTROL() + msghook::MOD_ALT(), 0x4B);
    this->hook->sethotkey(kF10, msghook::MOD_SHIFT(), 0x4C);  // one is held already
    EXPECT_TRUE(this->env.HotKeyHeld(this->window, 0x4B, 3, kF9));
    EXPECT_FALSE(this->env.HotKeyHeld(this->window, 0x4C, 4, kF10));
    EXPECT_FALSE(this->env.HotKeyHeld(second, 0x4C, 4, kF10));

    this->hook->sethotkey(0, 0, 0);
    this->hook->sethotkey(0, 0, 0);
    EXPECT_FALSE(this->env.HotKeyHeld(this->window, 0x4B, 3, kF9));
    this->hook->sethotkey(kF10, msghook::MOD_SHIFT(), 0x4C);
    EXPECT_TRUE(this->env.HotKeyHeld(this->window, 0x4C, 4, kF10));
    this->hook->sethotkey(0, 0, 0);
}

// ---- child windows ----

TYPED_TEST_P(MsghookContract, EveryDescendantIsReportedOnceRightAfterItsParentWithItsClassName) {
    const platform::Text longName = u"KestHookProbeWithAClassNameLongerThanTheSixtyFourCharacterBuffer_";
    ASSERT_GT(longName.size(), 63u);
    auto& env = this->env;
    const Handle button = env.NewChild(this->window, u"Button"), group = env.NewChild(this->window, u"Static");
    const Handle edit = env.NewChild(group, u"Edit"), list = env.NewChild(group, u"ListBox");
    const Handle deep = env.NewChild(list, longName);

    std::map<Handle, platform::Text> reported;
    std::vector<Handle> order;
    this->hook->EnumChildevent = [&](Handle hwnd, const platform::Text& name) {
        reported[hwnd] = name;
        order.push_back(hwnd);
    };
    EXPECT_EQ(this->hook->GetChildWindow(this->window, u""), 0u);
    const std::map<Handle, platform::Text> expected{
        {button, u"Button"}, {group, u"Static"}, {edit, u"Edit"}, {list, u"ListBox"}, {deep, longName.substr(0, 63)}};
    EXPECT_EQ(reported, expected);
    ASSERT_EQ(order.size(), 5u);
    // Each window is followed by its own descendants, in whatever order the system keeps siblings.
    const auto below = [&](Handle parent) {
        const auto at = std::find(order.begin(), order.end(), parent) - order.begin();
        const std::size_t size = parent == group ? 3 : parent == list ? 1 : 0;
        return std::set<Handle>(order.begin() + at + 1, order.begin() + at + 1 + static_cast<std::ptrdiff_t>(size));
    };
    EXPECT_EQ(below(group), (std::set<Handle>{edit, list, deep}));
    EXPECT_EQ(below(list), (std::set<Handle>{deep}));

    EXPECT_EQ(this->hook->GetChildWindow(this->window, u"Edit"), order.back()) << "the last descendant visited";
    EXPECT_EQ(this->hook->GetChildWindow(edit, u"Edit"), 1u) << "no descendants leave the cell as it started";
    EXPECT_EQ(order.size(), 5u) << "a class name given raises no events";

    this->hook->EnumChildevent = [&](Handle hwnd, const platform::Text&) {
        order.push_back(hwnd);
        throw std::runtime_error("handler failed");
    };
    this->hook->GetChildWindow(this->window, u"");
    EXPECT_EQ(order.size(), 10u) << "a failing handler must not cut the walk short";
}

REGISTER_TYPED_TEST_SUITE_P(MsghookContract, ListedMessagesRaiseTheEventThenReachTheWindowUnlessTheHandlerSwallowsThem,
                            UnlistedMessagesRaiseNothingAndGoToTheWindow, EnabledIsClearedBeforeEveryEvent,
                            FailingHandlerLetsTheMessageGoOn, WindowHookedTwiceReachesItsOwnProcedureOnceAndGetsItBack,
                            HandlerChangesOnlyTheLimitsItSets, LimitsAreAnsweredEvenWhenTheHandlerSwallowsOrFails,
                            ViewerAfterTheHookedWindowStillHearsOfChanges,
                            HookedWindowFollowsTheChainWhenItsNextViewerLeaves, UnhookingTakesTheWindowOutOfTheChain,
                            OneHotKeyIsHeldOnTheFirstHookedWindowUntilReleased,
                            EveryDescendantIsReportedOnceRightAfterItsParentWithItsClassName);

}  // namespace kest::contract
