#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "fake/fake_window_hook.h"
#include "recorder/msghook/msghook.h"
#include "recorder/msghook/msghook_module.h"

namespace kest::recorder {
namespace {

using platform::Handle;
using platform::MinMaxInfo;
using namespace msghookModule;

// Handles above 32 bits, so any truncation on the way shows.
constexpr Handle kA = 0x1'0000'0A10;
constexpr Handle kB = 0x1'0000'0B20;
constexpr Handle kProcA = 0x7FF6'1234'0A00;
constexpr Handle kProcB = 0x7FF6'1234'0B00;
constexpr Handle kOtherViewer = 0x2'0000'0C30;
constexpr Handle kHook = fake::FakeWindowHook::kForwardingProcedure;
constexpr std::uint32_t kDrawClipboard = 0x0308;
constexpr std::uint32_t kChangeCbChain = 0x030D;

struct Event {
    Handle hwnd;
    std::int32_t msg, arg1, arg2, arg3;
    friend bool operator==(const Event&, const Event&) = default;
};

std::intptr_t Params(std::int32_t low, std::int32_t high) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(high) << 16) | (static_cast<std::uint32_t>(low) & 0xFFFF));
}

class MsghookTest : public ::testing::Test {
protected:
    MsghookTest() {
        fake.procedures = {{kA, kProcA}, {kB, kProcB}};
        fake.procedureResults = {{kProcA, 0xA0}, {kProcB, 0xB0}};
        Listen(*hook, events);
    }
    ~MsghookTest() override {
        if (hook) hook->setmsghook(0, false);
    }

    void Listen(msghook& target, std::vector<Event>& into) {
        target.msgevent = [this, &target, &into](Handle hwnd, std::int32_t msg, std::int32_t a1, std::int32_t a2,
                                                 std::int32_t a3) {
            into.push_back({hwnd, msg, a1, a2, a3});
            if (answer) answer(target);
        };
    }
    void HookBoth() {
        hook->setmsghook(kA, true);
        hook->setmsghook(kB, true);
    }
    std::intptr_t Send(Handle hwnd, std::uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
        return HookWndProc(hwnd, msg, wParam, lParam);
    }

    fake::FakeWindowHook fake;
    std::shared_ptr<msghook> hook = msghook::New(fake);
    std::vector<Event> events;
    std::function<void(msghook&)> answer;
};

// ---- classification ----

struct Classified {
    std::uint32_t msg;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    std::int32_t arg1, arg2, arg3;
};

std::vector<Classified> EveryListedMessage() {
    std::vector<Classified> cases;
    // Mouse and hot key: wParam, then lParam's halves as signed 16-bit values.
    for (std::uint32_t msg : {0x0200u, 0x0201u, 0x0202u, 0x0203u, 0x0204u, 0x0205u, 0x0206u, 0x0207u, 0x0208u,
                              0x0209u, 0x00A0u, 0x00A1u, 0x00A2u, 0x00A3u, 0x00A4u, 0x00A5u, 0x00A6u, 0x00A7u,
                              0x00A8u, 0x00A9u, 0x0312u}) {
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
    cases.push_back({0x0308, 0x0009, 0x0009, 0, 0, 0});
    cases.push_back({0x0011, 0x0001, static_cast<std::intptr_t>(0x80000000u), 0, 0, 0});
    return cases;
}

class ClassificationTest : public MsghookTest, public ::testing::WithParamInterface<Classified> {};

TEST_P(ClassificationTest, RaisesTheEventThenPassesTheMessageOn) {
    const Classified c = GetParam();
    hook->setmsghook(kA, true);
    EXPECT_EQ(Send(kA, c.msg, c.wParam, c.lParam), 0xA0);
    EXPECT_EQ(events, (std::vector<Event>{{kA, static_cast<std::int32_t>(c.msg), c.arg1, c.arg2, c.arg3}}));
    EXPECT_EQ(fake.procedureCalls,
              (std::vector<fake::FakeWindowHook::ProcedureCall>{{kProcA, kA, c.msg, c.wParam, c.lParam}}));
}

TEST_P(ClassificationTest, HandlerSettingEnabledSwallowsTheMessage) {
    const Classified c = GetParam();
    hook->setmsghook(kA, true);
    answer = [](msghook& h) { h.Enabled = true; };
    EXPECT_EQ(Send(kA, c.msg, c.wParam, c.lParam), 1);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_TRUE(fake.procedureCalls.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryGroup, ClassificationTest, ::testing::ValuesIn(EveryListedMessage()));

class UnlistedMessageTest : public MsghookTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(UnlistedMessageTest, RaisesNothingAndGoesToThePreviousProcedure) {
    hook->setmsghook(kA, true);
    answer = [](msghook& h) { h.Enabled = true; };
    EXPECT_EQ(Send(kA, GetParam(), 0x41, Params(3, 4)), 0xA0);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(fake.procedureCalls.size(), 1u);
}

// WM_CHAR, WM_PAINT, WM_SETTEXT, WM_NCHITTEST, WM_SYSKEYDOWN, WM_MOUSEWHEEL, WM_USER.
INSTANTIATE_TEST_SUITE_P(Others, UnlistedMessageTest,
                         ::testing::Values(0x0102u, 0x000Fu, 0x000Cu, 0x0084u, 0x0104u, 0x020Au, 0x0400u));

TEST_F(MsghookTest, EnabledIsClearedBeforeEveryEvent) {
    hook->setmsghook(kA, true);
    hook->Enabled = true;  // left over from outside any event
    EXPECT_EQ(Send(kA, 0x0201), 0xA0);
    answer = [](msghook& h) { h.Enabled = true; };
    EXPECT_EQ(Send(kA, 0x0201), 1);
    answer = nullptr;
    EXPECT_EQ(Send(kA, 0x0201), 0xA0);
    EXPECT_EQ(fake.procedureCalls.size(), 2u);
}

TEST_F(MsghookTest, FailingHandlerLetsTheMessageGoOn) {
    hook->setmsghook(kA, true);
    answer = [](msghook& h) {
        h.Enabled = true;
        throw std::runtime_error("handler failed");
    };
    EXPECT_EQ(Send(kA, 0x0112, 0xF060), 0xA0);
    EXPECT_EQ(fake.procedureCalls.size(), 1u);
    EXPECT_THROW(hook->gotomsgevent(kA, 0x0112, 0xF060, 0, 0), std::runtime_error);
}

TEST_F(MsghookTest, WindowWithoutAnEntryGetsZero) {
    hook->setmsghook(kA, true);
    EXPECT_EQ(Send(kB, 0x000F), 0);
    EXPECT_EQ(Send(kB, 0x0201), 0);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_TRUE(fake.procedureCalls.empty());
}

// ---- WM_GETMINMAXINFO ----

constexpr std::intptr_t kRecord = 0x7FF0'0000'5000;
constexpr MinMaxInfo kLimits{{-1, -2}, {1920, 1080}, {-8, -9}, {120, 40}, {1936, 1096}};

TEST_F(MsghookTest, HandlerChangesOnlyTheLimitsItSets) {
    hook->setmsghook(kA, true);
    fake.records[kRecord] = kLimits;
    MinMaxInfo seen{};
    answer = [&](msghook& h) {
        seen = {{0, 0}, {h.MaxSizeX, h.MaxSizeY}, {h.MaxPositionX, h.MaxPositionY},
                {h.MinTrackSizeX, h.MinTrackSizeY}, {h.MaxTrackSizeX, h.MaxTrackSizeY}};
        h.MinTrackSizeX = 400;
    };
    EXPECT_EQ(Send(kA, 0x0024, 0, kRecord), 1);

    EXPECT_EQ(events, (std::vector<Event>{{kA, 0x0024, 0, 0, 0}}));
    EXPECT_EQ(seen, (MinMaxInfo{{0, 0}, {1920, 1080}, {-8, -9}, {120, 40}, {1936, 1096}}));
    MinMaxInfo expected = kLimits;
    expected.ptMinTrackSize.x = 400;
    EXPECT_EQ(fake.records[kRecord], expected);
    EXPECT_TRUE(fake.procedureCalls.empty());
}

TEST_F(MsghookTest, LimitsAreAnsweredEvenWhenTheHandlerSwallowsOrFails) {
    hook->setmsghook(kA, true);
    fake.records[kRecord] = kLimits;
    answer = [](msghook& h) {
        h.Enabled = true;
        h.MaxTrackSizeY = 900;
        throw std::runtime_error("handler failed");
    };
    EXPECT_EQ(Send(kA, 0x0024, 0, kRecord), 1);
    MinMaxInfo expected = kLimits;
    expected.ptMaxTrackSize.y = 900;
    EXPECT_EQ(fake.records[kRecord], expected);
    EXPECT_TRUE(fake.procedureCalls.empty());
}

// ---- the shared tables ----

TEST_F(MsghookTest, TablesGrowByHookingAndKeepTheirPlacesOnUnhooking) {
    EXPECT_EQ(HookedHwnds, (std::vector<Handle>{0}));
    EXPECT_EQ(OldProcs, (std::vector<Handle>{0}));

    HookBoth();
    EXPECT_EQ(HookedHwnds, (std::vector<Handle>{0, kA, kB}));
    EXPECT_EQ(OldProcs, (std::vector<Handle>{0, kProcA, kProcB}));
    EXPECT_EQ(fake.procedures[kA], kHook);
    EXPECT_EQ(fake.procedures[kB], kHook);

    hook->setmsghook(kA, false);
    EXPECT_EQ(HookedHwnds, (std::vector<Handle>{0, 0, kB}));
    EXPECT_EQ(OldProcs, (std::vector<Handle>{0, kProcA, kProcB}));
    EXPECT_EQ(fake.procedures[kA], kProcA);
    EXPECT_EQ(CurrentHook, hook);

    hook->setmsghook(kA, true);
    EXPECT_EQ(HookedHwnds, (std::vector<Handle>{0, 0, kB, kA}));
    EXPECT_EQ(OldProcs, (std::vector<Handle>{0, kProcA, kProcB, kProcA}));

    hook->setmsghook(0, false);
    EXPECT_EQ(HookedHwnds, (std::vector<Handle>{0, 0, 0, 0}));
    EXPECT_EQ(fake.procedures[kA], kProcA);
    EXPECT_EQ(fake.procedures[kB], kProcB);
    EXPECT_EQ(CurrentHook, nullptr);
}

TEST_F(MsghookTest, RegistrationKeepsTheObjectAliveUntilEveryWindowIsUnhooked) {
    hook->setmsghook(kA, true);
    std::weak_ptr<msghook> watch = hook;
    hook.reset();
    EXPECT_FALSE(watch.expired());
    EXPECT_EQ(Send(kA, 0x0005, 0, Params(1, 2)), 0xA0);
    EXPECT_EQ(events.size(), 1u);

    watch.lock()->setmsghook(0, false);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(fake.procedures[kA], kProcA);
}

TEST_F(MsghookTest, ObjectNobodyHoldsRestoresItsWindows) {
    hook->setmsghook(0, false);  // gives up the registration
    hook->setmsghook(kA, true);
    EXPECT_EQ(Send(kA, 0x0201), 0xA0) << "with nobody registered the window keeps its own behaviour";
    EXPECT_TRUE(events.empty());
    hook.reset();
    EXPECT_EQ(fake.procedures[kA], kProcA);
    EXPECT_EQ(HookedHwnds, (std::vector<Handle>{0, 0}));
}

TEST_F(MsghookTest, WindowHookedTwiceIsServedByItsOwnProcedureOnce) {
    hook->setmsghook(kA, true);
    hook->setmsghook(kA, true);
    EXPECT_EQ(OldProcs, (std::vector<Handle>{0, kProcA, kHook}));
    EXPECT_EQ(Send(kA, 0x000F), 0xA0);
    EXPECT_EQ(fake.procedureCalls.size(), 1u);
    EXPECT_EQ(fake.procedureCalls[0].procedure, kProcA);

    hook->setmsghook(kA, false);
    EXPECT_EQ(fake.procedures[kA], kProcA) << "the window must end with its own procedure, not the hook's";
}

TEST_F(MsghookTest, SecondObjectEmptiesTheTablesAndTakesOverTheEvents) {
    HookBoth();
    auto second = msghook::New(fake);
    std::vector<Event> secondEvents;
    Listen(*second, secondEvents);
    EXPECT_EQ(HookedHwnds, (std::vector<Handle>{0}));
    EXPECT_EQ(CurrentHook, second);

    EXPECT_EQ(Send(kA, 0x0201), 0) << "the window has no entry any more";
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(secondEvents.size(), 1u);
    second->setmsghook(0, false);
}

// ---- clipboard-viewer chain ----

TEST_F(MsghookTest, NonEmptyChainRegistersOnlyTheFirstWindowBeforeSubclassingIt) {
    fake.clipboardViewer = kOtherViewer;
    HookBoth();
    EXPECT_EQ(fake.viewersSet, (std::vector<Handle>{kA}));
    EXPECT_EQ(fake.log[0], "SetClipboardViewer");
    EXPECT_EQ(fake.log[1], "SetWindowProcedure");
}

TEST_F(MsghookTest, EmptyChainRegistersTwoWindowsAndUnhookingRemovesTheSecondOnce) {
    HookBoth();
    hook->setmsghook(0x1'0000'0D40, true);
    EXPECT_EQ(fake.viewersSet, (std::vector<Handle>{kA, kB}));
    hook->setmsghook(kA, false);
    hook->setmsghook(kB, false);
    hook->setmsghook(0, false);
    EXPECT_EQ(fake.chainChanges, (std::vector<std::pair<Handle, Handle>>{{kB, kA}}));
}

TEST_F(MsghookTest, LoneViewerLeavesTheChainOnUnhook) {
    hook->setmsghook(kA, true);
    hook->setmsghook(kA, false);
    EXPECT_EQ(fake.chainChanges, (std::vector<std::pair<Handle, Handle>>{{kA, 0}}));
}

TEST_F(MsghookTest, ClipboardChangeReachesTheNextViewerAfterTheEvent) {
    fake.clipboardViewer = kOtherViewer;
    HookBoth();
    bool sentBeforeEvent = true;
    answer = [&](msghook& h) {
        sentBeforeEvent = !fake.sent.empty();
        h.Enabled = true;
    };
    EXPECT_EQ(Send(kA, kDrawClipboard, 0x77, 0), 1);
    EXPECT_FALSE(sentBeforeEvent);
    EXPECT_EQ(fake.sent, (std::vector<fake::FakeWindowHook::SentMessage>{{kOtherViewer, kDrawClipboard, 0x77, 0}}));

    // Only the registered viewer passes it on: the next viewer is its own, not every window's.
    fake.sent.clear();
    EXPECT_EQ(Send(kB, kDrawClipboard), 1);
    EXPECT_TRUE(fake.sent.empty());
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(MsghookTest, ViewerFollowsTheChainWhenItsNextViewerLeaves) {
    constexpr Handle kThird = 0x2'0000'0E50;
    fake.clipboardViewer = kOtherViewer;
    hook->setmsghook(kA, true);
    EXPECT_EQ(Send(kA, kChangeCbChain, kOtherViewer, static_cast<std::intptr_t>(kThird)), 0);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(fake.procedureCalls.empty());
    EXPECT_TRUE(fake.sent.empty());

    Send(kA, kDrawClipboard);
    EXPECT_EQ(fake.sent.at(0).window, kThird);
    hook->setmsghook(kA, false);
    EXPECT_EQ(fake.chainChanges, (std::vector<std::pair<Handle, Handle>>{{kA, kThird}}));
}

TEST_F(MsghookTest, ViewerPassesOnNoticesAboutOtherWindows) {
    constexpr Handle kFurther = 0x2'0000'0F60;
    fake.clipboardViewer = kOtherViewer;
    HookBoth();
    EXPECT_EQ(Send(kA, kChangeCbChain, kFurther, 0), 0);
    EXPECT_EQ(fake.sent, (std::vector<fake::FakeWindowHook::SentMessage>{{kOtherViewer, kChangeCbChain, kFurther, 0}}));
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(fake.procedureCalls.empty());

    // A window that is no viewer treats the notice as any other message.
    EXPECT_EQ(Send(kB, kChangeCbChain, kFurther, 0), 0xB0);
    EXPECT_EQ(fake.sent.size(), 1u);

    // The last viewer after this one leaves: nothing is passed on any more.
    fake.sent.clear();
    Send(kA, kChangeCbChain, kOtherViewer, 0);
    Send(kA, kDrawClipboard);
    EXPECT_TRUE(fake.sent.empty());
}

// ---- hot key ----

TEST_F(MsghookTest, OneHotKeyIsHeldOnTheFirstHookedWindow) {
    HookBoth();
    hook->sethotkey(0x70, msghook::MOD_CONTROL() + msghook::MOD_ALT(), 5);
    hook->sethotkey(0x71, msghook::MOD_SHIFT(), 6);
    EXPECT_EQ(fake.hotKeysRegistered, (std::vector<fake::FakeWindowHook::HotKey>{{kA, 5, 3, 0x70}}));

    hook->sethotkey(0, 0, 0);
    hook->sethotkey(0, 0, 0);
    EXPECT_EQ(fake.hotKeysUnregistered, (std::vector<std::pair<Handle, std::int32_t>>{{kA, 5}}));

    hook->sethotkey(0x71, msghook::MOD_SHIFT(), 6);
    EXPECT_EQ(fake.hotKeysRegistered.back(), (fake::FakeWindowHook::HotKey{kA, 6, 4, 0x71}));
}

TEST_F(MsghookTest, FailedHotKeyRegistrationIsStillHeld) {
    fake.registerHotKeySucceeds = false;
    hook->setmsghook(kA, true);
    hook->sethotkey(0x70, 0, 5);
    hook->sethotkey(0x71, 0, 6);
    EXPECT_EQ(fake.hotKeysRegistered.size(), 1u);
    hook->sethotkey(0, 0, 0);
    EXPECT_EQ(fake.hotKeysUnregistered, (std::vector<std::pair<Handle, std::int32_t>>{{kA, 5}}));
}

TEST_F(MsghookTest, HotKeyBeforeAnyWindowThrowsAndChangesNothing) {
    EXPECT_THROW(hook->sethotkey(0x70, 0, 5), std::out_of_range);
    EXPECT_NO_THROW(hook->sethotkey(0, 0, 0));
    EXPECT_TRUE(fake.hotKeysRegistered.empty());
    hook->setmsghook(kA, true);
    hook->sethotkey(0x71, 0, 6);
    EXPECT_EQ(fake.hotKeysRegistered, (std::vector<fake::FakeWindowHook::HotKey>{{kA, 6, 0, 0x71}}));
}

// ---- child windows ----

class ChildWindowTest : public MsghookTest {
protected:
    static constexpr Handle kParent = 0x3'0000'0100, kChild1 = 0x3'0000'0110, kChild2 = 0x3'0000'0120,
                            kGrandchild1 = 0x3'0000'0111, kGrandchild2 = 0x3'0000'0112;
    ChildWindowTest() {
        fake.children = {{kParent, {kChild1, kChild2}}, {kChild1, {kGrandchild1, kGrandchild2}}};
        fake.classNames = {{kChild1, u"Button"}, {kChild2, u"Edit"}, {kGrandchild1, u"Static"},
                           {kGrandchild2, u"ThunderRT6PictureBoxDC"}};
        hook->EnumChildevent = [this](Handle hwnd, const platform::Text& name) { found.emplace_back(hwnd, name); };
    }
    std::vector<std::pair<Handle, platform::Text>> found;
};

TEST_F(ChildWindowTest, EmptyClassNameRaisesOneEventPerDescendant) {
    EXPECT_EQ(hook->GetChildWindow(kParent, u""), 0u);
    EXPECT_EQ(found, (std::vector<std::pair<Handle, platform::Text>>{{kChild1, u"Button"},
                                                                      {kGrandchild1, u"Static"},
                                                                      {kGrandchild2, u"ThunderRT6PictureBoxDC"},
                                                                      {kChild2, u"Edit"}}));
    EXPECT_EQ(fake.classNameBufferLengths, (std::vector<std::int32_t>(4, 64)));
}

TEST_F(ChildWindowTest, ClassNameGivenRecordsTheLastDescendantAndRaisesNothing) {
    EXPECT_EQ(hook->GetChildWindow(kParent, u"Edit"), kChild2);
    EXPECT_EQ(hook->GetChildWindow(kChild2, u"Edit"), 1u) << "no descendants leave the cell as it started";
    EXPECT_TRUE(found.empty());
}

TEST_F(ChildWindowTest, EnumerationCallbackAlwaysGoesOn) {
    Handle cell = 0;
    EXPECT_EQ(EnumChildProc(kChild1, reinterpret_cast<std::intptr_t>(&cell)), 1);
    EXPECT_EQ(cell, 0u);
    cell = 7;
    EXPECT_EQ(EnumChildProc(kChild2, reinterpret_cast<std::intptr_t>(&cell)), 1);
    EXPECT_EQ(cell, kChild2);
    EXPECT_EQ(found.size(), 1u);

    found.clear();
    hook->EnumChildevent = [this](Handle hwnd, const platform::Text& name) {
        found.emplace_back(hwnd, name);
        throw std::runtime_error("handler failed");
    };
    hook->GetChildWindow(kParent, u"");
    EXPECT_EQ(found.size(), 4u) << "a failing handler must not cut the walk short";
}

}  // namespace
}  // namespace kest::recorder
