#include "recorder/engine/sound_track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

#include "fake/fake_platform.h"
#include "platform/little_endian.h"

namespace kest::recorder {
namespace {

constexpr std::int64_t kRate = SoundTrack::kFormat.samplesPerSecond;
constexpr std::int64_t kSlot = 100'000;

struct SoundCase {
    const char* name;
    double speed;                   // the device's clock against the recording's
    std::int64_t seconds;           // recorded time
    std::optional<double> pauseAt;  // recorded second at which a pause of 5 s begins
    std::optional<double> deviceFailsAt;
    // An idle machine: ticks every 100 ms on the dot that take the sound 45 ms into the slot while
    // the first frames are slow, 5 ms once they are not: at another point of the device's buffers.
    bool steadyTicks = false;
    double keepsWithin = 0.040;  // seconds from the first second's offset, sampled to the last
    friend void PrintTo(const SoundCase& c, std::ostream* os) { *os << c.name; }
};

// A recording on the fake clock: a capture tick every 100 ms that writes what the track hands
// over, then the stop. The samples the stream got, in order.
struct Recording {
    std::vector<std::int16_t> stream;
    std::int64_t length = 0;  // the picture's length, microseconds
    bool failed = false;
};

Recording Record(const SoundCase& c) {
    fake::FakePlatform fake;
    fake.sound.speed = c.speed;
    const double start = fake.toolkit.clock;
    if (c.deviceFailsAt) fake.sound.failsAt = start + *c.deviceFailsAt;
    SoundTrack track(fake.sound);
    EXPECT_EQ(track.Open(), platform::SoundOpen::Opened);
    Recording out;
    const auto append = [&out](const std::vector<std::uint8_t>& bytes) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            out.stream.push_back(static_cast<std::int16_t>(platform::ReadLE16(bytes, i)));
        }
    };
    std::int64_t recorded = 0;
    track.Start(0);
    // Ticks jitter by up to 30 ms, as a busy machine's timers do, unless they are steady.
    const auto tickAt = [&c](int tick) -> std::int64_t {
        if (c.steadyTicks) return tick * kSlot + (tick <= 30 ? 45'000 : 5'000);
        return tick * kSlot + (tick % 7 - 3) * 10'000;
    };
    for (int tick = 1; recorded < c.seconds * 1'000'000; ++tick) {
        const std::int64_t step = tickAt(tick) - recorded;
        fake.toolkit.clock += static_cast<double>(step) / 1e6;
        recorded += step;
        if (c.pauseAt && recorded >= *c.pauseAt * 1e6 && recorded - step < *c.pauseAt * 1e6) {
            track.Hold(recorded);
            fake.toolkit.clock += 5.0;  // not recorded
            track.Release(recorded);
        }
        append(track.Take(recorded));
    }
    out.length = (recorded / kSlot + 1) * kSlot;
    append(track.Finish(out.length));
    out.failed = track.DeviceFailed();
    return out;
}

// How far the sound at stream position `at` is from the time it was captured: the fake device
// numbers its samples, so the sample found there says when the device took it.
double OffsetSecondsAt(const Recording& r, std::int64_t at, double speed) {
    const std::int64_t value = r.stream.at(static_cast<std::size_t>(at)) - 1;  // captured index mod 30000
    const std::int64_t near = static_cast<std::int64_t>(static_cast<double>(at) * speed);
    const std::int64_t captured = near - ((near - value) % 30000 + 30000 + 15000) % 30000 + 15000;
    const double capturedAt = static_cast<double>(captured) / (static_cast<double>(kRate) * speed);
    return static_cast<double>(at) / kRate - capturedAt;
}

class SoundTrackTest : public ::testing::TestWithParam<SoundCase> {};

TEST_P(SoundTrackTest, TheSoundEndsWithThePictureAndKeepsItsPlace) {
    const SoundCase& c = GetParam();
    const Recording r = Record(c);
    EXPECT_EQ(static_cast<std::int64_t>(r.stream.size()), r.length * kRate / 1'000'000)
        << "as long as the picture, to the sample";
    EXPECT_EQ(r.failed, c.deviceFailsAt.has_value());
    if (c.deviceFailsAt) {
        // Silence from shortly after the failure to the end; sound before it.
        const auto failedAt = static_cast<std::size_t>(*c.deviceFailsAt * kRate);
        EXPECT_NE(r.stream.at(failedAt / 2), 0);
        for (std::size_t i = failedAt + kRate / 10; i < r.stream.size(); ++i) ASSERT_EQ(r.stream[i], 0) << "at " << i;
        return;
    }
    // Sampled away from the ends and the pause: as far from its time in the first second as in
    // the last.
    const double first = OffsetSecondsAt(r, kRate, c.speed);
    EXPECT_LT(std::fabs(first), 0.08) << "the start";
    if (!c.pauseAt) {
        for (std::int64_t second = 2; second < c.seconds - 1; second += 7) {
            const double offset = OffsetSecondsAt(r, second * kRate + kRate / 3, c.speed);
            ASSERT_NEAR(offset, first, c.keepsWithin) << "at " << second << " s";
        }
    } else {
        // After the pause the device's count restarts its run; the sound still starts in step.
        const auto resumed = static_cast<std::int64_t>((*c.pauseAt + 1) * kRate);
        EXPECT_NE(r.stream.at(static_cast<std::size_t>(resumed)), 0) << "sound after the pause";
    }
}

INSTANTIATE_TEST_SUITE_P(Clocks, SoundTrackTest,
                         ::testing::Values(SoundCase{"OnTime", 1.0, 120, {}, {}, false, 0.020},
                                           SoundCase{"OnTimeOnAnIdleMachine", 1.0, 20, {}, {}, true, 0.020},
                                           SoundCase{"DeviceClockFast", 1.003, 120, {}, {}},
                                           SoundCase{"DeviceClockSlowForTenMinutes", 0.997, 600, {}, {}},
                                           SoundCase{"PauseCutsTheSoundWithThePicture", 1.0, 20, 6.25, {}},
                                           SoundCase{"DeviceFailsHalfWay", 1.0, 20, {}, 10.0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kest::recorder
