// The toolkit's contract on the test double; tests/win32 runs the same cases on real windows.
#include "contract/toolkit_contract.h"
#include "fake/fake_platform.h"

namespace kest::contract {
namespace {

struct FakeToolkitEnvironment {
    fake::FakePlatform fake;
    platform::Toolkit& Toolkit() { return fake.toolkit; }
    platform::WindowApi& Windows() { return fake.windows; }
    void RunEvents() { fake.toolkit.DoEvents(); }
    void LetTicksCome() { fake.toolkit.DeliverDueTicks(); }
    // Each round is one interval of every running timer.
    bool RunUntil(const std::function<bool()>& condition) {
        for (int round = 0; round < 100; ++round) {
            if (condition()) return true;
            fake.toolkit.DeliverDueTicks();
            fake.toolkit.DoEvents();
        }
        return condition();
    }
    bool NeverHappens(const std::function<bool()>& condition) { return !RunUntil(condition); }
    bool Exists(const platform::Form& form) { return !fake.toolkit.WindowGone(form.Hwnd()); }
    platform::Rect RegionBox(platform::Handle window) {
        return fake.windows.ownedRegions_.at(fake.windows.windowRegions.at(window));
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, ToolkitContract, FakeToolkitEnvironment);

}  // namespace
}  // namespace kest::contract
