#include "recorder/engine/frame_timeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kest::recorder {
namespace {

constexpr std::int64_t kMs = 1000;

// A run of events on a clock in milliseconds: a tick, or the start or end of a wait.
enum class Kind { Tick, Hold, Release };
struct Event {
    Kind kind;
    std::int64_t ms;
};
Event Tick(std::int64_t ms) { return {Kind::Tick, ms}; }
Event Hold(std::int64_t ms) { return {Kind::Hold, ms}; }
Event Release(std::int64_t ms) { return {Kind::Release, ms}; }

// What each slot of the stream got: "F" a frame grabbed for it, "h" the previous one held.
std::string Play(const std::vector<Event>& events) {
    FrameTimeline timeline;
    timeline.Start(0, 10);
    std::string slots;
    for (const Event& e : events) {
        if (e.kind == Kind::Hold) timeline.Hold(e.ms * kMs);
        if (e.kind == Kind::Release) timeline.Release(e.ms * kMs);
        if (e.kind != Kind::Tick) continue;
        const auto due = timeline.Take(e.ms * kMs);
        if (!due.grab) continue;
        EXPECT_EQ(due.slot, static_cast<std::int32_t>(slots.size()) + due.filled) << "at " << e.ms << " ms";
        slots += std::string(static_cast<std::size_t>(due.filled), 'h') + "F";
    }
    return slots;
}

struct TimelineCase {
    const char* name;
    std::vector<Event> events;
    std::string slots;
};

class FrameTimelineTest : public ::testing::TestWithParam<TimelineCase> {};

TEST_P(FrameTimelineTest, EachSlotGetsOneFrameAtItsTime) { EXPECT_EQ(Play(GetParam().events), GetParam().slots); }

INSTANTIATE_TEST_SUITE_P(
    Ticks, FrameTimelineTest,
    ::testing::Values(
        TimelineCase{"OnTime", {Tick(0), Tick(100), Tick(200), Tick(300)}, "FFFF"},
        // Ticks that come before their slot take nothing, however many there are.
        TimelineCase{"EarlyTicksWait", {Tick(0), Tick(1), Tick(50), Tick(99), Tick(100), Tick(150), Tick(199)}, "FF"},
        TimelineCase{"SlightlyLateStaysInItsSlot", {Tick(0), Tick(149), Tick(210)}, "FFF"},
        // More than half a slot late: the picture goes to the slot nearest to its time.
        TimelineCase{"LateTakesTheNearestSlot", {Tick(0), Tick(151)}, "FhF"},
        TimelineCase{"MuchTooLateFillsEveryMissedSlot", {Tick(0), Tick(1000), Tick(1100)}, "FhhhhhhhhhFF"},
        TimelineCase{"FirstPictureAlwaysTakesSlotZero", {Tick(430), Tick(500)}, "FhhhhF"},
        TimelineCase{"NoTickNoFrame", {}, ""},
        // The wait is left out: 300 ms before the pause, 200 after it.
        TimelineCase{"PauseLeavesItsTimeOut",
                     {Tick(0), Tick(100), Tick(200), Hold(250), Tick(900), Release(5250), Tick(5300), Tick(5400)},
                     "FFFFF"},
        TimelineCase{"TicksDuringAWaitTakeNothing", {Tick(0), Hold(10), Tick(500), Tick(5000), Release(6000)}, "F"},
        // The close question asked during a pause: recorded time stands still until both end.
        TimelineCase{"NestedWaitsEndWithTheLast",
                     {Tick(0), Hold(50), Hold(80), Release(1080), Tick(1100), Release(2050), Tick(2100)},
                     "FF"},
        TimelineCase{"ReleaseWithoutHoldIsIgnored", {Tick(0), Release(50), Tick(100)}, "FF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrameTimeline, TenSlotsForEachSecondOfLifeWhateverTheTickRate) {
    for (const std::int64_t everyMs : {1, 7, 33, 90, 160, 450}) {
        FrameTimeline timeline;
        timeline.Start(0, 10);
        std::int32_t slots = 0;
        for (std::int64_t ms = 0; ms <= 60'000; ms += everyMs) {
            const auto due = timeline.Take(ms * kMs);
            if (due.grab) slots += due.filled + 1;
        }
        EXPECT_NEAR(slots, 600, 5) << "a tick every " << everyMs << " ms";
        EXPECT_EQ(slots, timeline.NextSlot());
    }
}

TEST(FrameTimeline, TheNextTickIsAskedForAtTheNextSlot) {
    FrameTimeline timeline;
    timeline.Start(5'000 * kMs, 10);
    EXPECT_EQ(timeline.MillisecondsToNextSlot(5'000 * kMs), 1);  // slot 0 is due: wake at once
    timeline.Take(5'003 * kMs);
    EXPECT_EQ(timeline.MillisecondsToNextSlot(5'003 * kMs), 97);
    EXPECT_EQ(timeline.MillisecondsToNextSlot(5'099 * kMs + 1), 1);
    timeline.Hold(5'050 * kMs);
    EXPECT_EQ(timeline.MillisecondsToNextSlot(9'000 * kMs), 50);  // held: the wait does not run down
}

}  // namespace
}  // namespace kest::recorder
