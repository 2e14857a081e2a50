// msghook on the test double: what it promises for real windows (tests/contract, run on Wine
// too), and what only the double can show: the tables, the object's lifetime and the exact calls.
#include "contract/msghook_contract.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "fake/fake_window_hook.h"

namespace kest::contract {
namespace {

// Each window a procedure of its own that answers kOwnAnswer; the system's delivery of a sent
// message to whatever procedure is installed is done here. Handles above 32 bits, so any
// truncation on the way shows.
struct FakeHookEnvironment {
    static constexpr Handle kOther = 0x2'0000'0C30;
    static constexpr std::intptr_t kRecord = 0x7FF0'0000'5000;
    fake::FakeWindowHook fake;
    std::map<Handle, Handle> own;
    int otherHeard = 0;  // changes told to the other viewer while it was the chain's head

    platform::WindowHook& Hook() { return fake; }
    Handle NewWindow() {
        const Handle window = 0x1'0000'0A10 + 0x110 * own.size(), procedure = 0x7FF6'1234'0A00 + 0x100 * own.size();
        own[window] = fake.procedures[window] = procedure;
        fake.procedureResults[procedure] = kOwnAnswer;
        return window;
    }
    Handle NewChild(Handle parent, const platform::Text& className) {
        const Handle child = NewWindow();
        fake.children[parent].push_back(child);
        fake.classNames[child] = className;
        return child;
    }
    Handle Procedure(Handle window) { return fake.procedures.at(window); }
    std::vector<Seen> TakeSeen(Handle window) {
        std::vector<Seen> seen;
        std::erase_if(fake.procedureCalls, [&](const fake::FakeWindowHook::ProcedureCall& call) {
            if (call.window != window || call.procedure != own.at(window)) return false;
            seen.push_back({call.message, call.wParam, call.lParam});
            return true;
        });
        return seen;
    }
    std::intptr_t Send(Handle window, std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
        if (window == kOther) return msg == kDrawClipboard ? (++otherHeard, 0) : 0;
        const Handle procedure = fake.procedures.at(window);
        if (procedure == fake::FakeWindowHook::kForwardingProcedure)
            return fake.forwardTarget(window, msg, wParam, lParam);
        return fake.CallWindowProcedure(procedure, window, msg, wParam, lParam);
    }
    std::intptr_t PutLimits(const platform::MinMaxInfo& limits) {
        fake.records[kRecord] = limits;
        return kRecord;
    }
    platform::MinMaxInfo LimitsAt(std::intptr_t address) { return fake.records.at(address); }
    void JoinOtherViewer() { fake.clipboardViewer = kOther; }
    void OtherViewerLeaves() { Send(fake.clipboardViewer, kChangeCbChain, kOther, 0); }
    int OtherViewerHeard() {
        return otherHeard + static_cast<int>(std::count_if(fake.sent.begin(), fake.sent.end(), [](const auto& sent) {
                   return sent.window == kOther && sent.message == kDrawClipboard;
               }));
    }
    Handle OtherViewer() { return kOther; }
    Handle ClipboardViewer() { return fake.clipboardViewer; }
    void ChangeClipboard() { Send(fake.clipboardViewer, kDrawClipboard, 0, 0); }
    bool RunUntil(const std::function<bool()>& condition) { return condition(); }
    bool HotKeyHeld(Handle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vkey) {
        const auto held = fake.hotKeysHeld.find({window, id});
        return held != fake.hotKeysHeld.end() && held->second.modifiers == modifiers && held->second.vkey == vkey;
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, MsghookContract, FakeHookEnvironment);

using namespace recorder::msghookModule;

constexpr Handle kA = 0x1'0000'0A10;
constexpr Handle kB = 0x1'0000'0B20;
constexpr Handle kProcA = 0x7FF6'1234'0A00;
constexpr Handle kProcB = 0x7FF6'1234'0B00;
constexpr Handle kOtherViewer = FakeHookEnvironment::kOther;
constexpr Handle kHook = fake::FakeWindowHook::kForwardingProcedure;

// The first two windows of the environment, on which what only the double shows is checked.
class MsghookTest : public MsghookContract<FakeHookEnvironment> {
protected:
    MsghookTest() { env.NewWindow(); }
    void HookBoth() {
        hook->setmsghook(kA, true);
        hook->setmsghook(kB, true);
    }
    // Straight into the hook's window procedure, whatever the window's procedure is.
    std::intptr_t Send(Handle hwnd, std::uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
        return HookWndProc(hwnd, msg, wParam, lParam);
    }

    fake::FakeWindowHook& fake = env.fake;
};

TEST_F(MsghookTest, WindowWithoutAnEntryGetsZero) {
    hook->setmsghook(kA, true);
    EXPECT_EQ(Send(kB, 0x000F), 0);
    EXPECT_EQ(Send(kB, 0x0201), 0);
    EXPECT_EQ(events.size(), 1u);
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
    EXPECT_EQ(Send(kA, 0x0005, 0, Params(1, 2)), kOwnAnswer);
    EXPECT_EQ(events.size(), 1u);

    watch.lock()->setmsghook(0, false);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(fake.procedures[kA], kProcA);
}

TEST_F(MsghookTest, ObjectNobodyHoldsRestoresItsWindows) {
    hook->setmsghook(0, false);  // gives up the registration
    hook->setmsghook(kA, true);
    EXPECT_EQ(Send(kA, 0x0201), kOwnAnswer) << "with nobody registered the window keeps its own behaviour";
    EXPECT_TRUE(events.empty());
    hook.reset();
    EXPECT_EQ(fake.procedures[kA], kProcA);
    EXPECT_EQ(HookedHwnds, (std::vector<Handle>{0, 0}));
}

TEST_F(MsghookTest, SecondObjectEmptiesTheTablesAndTakesOverTheEvents) {
    HookBoth();
    auto second = msghook::New(fake);
    std::vector<Event> secondEvents;
    second->msgevent = [&](Handle hwnd, std::int32_t msg, std::int32_t a1, std::int32_t a2, std::int32_t a3) {
        secondEvents.push_back({hwnd, msg, a1, a2, a3});
    };
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

TEST_F(MsghookTest, ClipboardChangeIsPassedOnAfterTheEventByTheRegisteredViewerOnly) {
    fake.clipboardViewer = kOtherViewer;
    HookBoth();
    bool sentBeforeEvent = true;
    answer = [&](msghook& h, std::int32_t) {
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

TEST_F(MsghookTest, ViewerFollowsTheChainToTheViewerAfterTheOneThatLeft) {
    constexpr Handle kThird = 0x2'0000'0E50;
    fake.clipboardViewer = kOtherViewer;
    hook->setmsghook(kA, true);
    EXPECT_EQ(Send(kA, kChangeCbChain, kOtherViewer, static_cast<std::intptr_t>(kThird)), 0);
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
    EXPECT_EQ(Send(kB, kChangeCbChain, kFurther, 0), kOwnAnswer);
    EXPECT_EQ(fake.sent.size(), 1u);

    // The last viewer after this one leaves: nothing is passed on any more.
    fake.sent.clear();
    Send(kA, kChangeCbChain, kOtherViewer, 0);
    Send(kA, kDrawClipboard);
    EXPECT_TRUE(fake.sent.empty());
}

// ---- hot key ----

TEST_F(MsghookTest, FailedHotKeyRegistrationIsStillHeld) {
    fake.registerHotKeySucceeds = false;
    hook->setmsghook(kA, true);
    hook->sethotkey(0x70, 0, 5);
    hook->sethotkey(0x71, 0, 6);
    EXPECT_EQ(fake.hotKeysRegistered.size(), 1u);
    hook->sethotkey(0, 0, 0);
    hook->sethotkey(0, 0, 0);
    EXPECT_EQ(fake.hotKeysUnregistered, (std::vector<std::pair<Handle, std::int32_t>>{{kA, 5}}));
}

// ---- child windows ----

// The walk's callback, called by the system with the address of the result's cell.
TEST_F(MsghookTest, EnumerationCallbackRaisesTheEventForAnEmptyCellAndFillsAnyOtherAndAlwaysGoesOn) {
    std::vector<Handle> found;
    hook->EnumChildevent = [&](Handle hwnd, const platform::Text&) { found.push_back(hwnd); };
    Handle cell = 0;
    EXPECT_EQ(EnumChildProc(kA, reinterpret_cast<std::intptr_t>(&cell)), 1);
    EXPECT_EQ(cell, 0u);
    cell = 7;
    EXPECT_EQ(EnumChildProc(kB, reinterpret_cast<std::intptr_t>(&cell)), 1);
    EXPECT_EQ(cell, kB);
    EXPECT_EQ(found, (std::vector<Handle>{kA}));
}

}  // namespace
}  // namespace kest::contract
