// A recording device on the fake clock: while started it captures `speed` times the nominal
// rate (a device clock that runs fast or slow) and hands the samples over in whole buffers, as
// a real device does, while its position counts every sample as it is captured. Each sample is
// the running count of samples captured, plus one, so that a test sees which samples went where
// and tells them from silence.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/little_endian.h"
#include "platform/sound_input.h"
#include "fake/fake_toolkit.h"

namespace kest::fake {

class FakeSoundInput : public platform::SoundInput {
public:
    explicit FakeSoundInput(FakeToolkit& clock) : clock_(clock) {}

    platform::SoundOpen openResult = platform::SoundOpen::Opened;
    double speed = 1.0;
    std::int64_t bufferMicroseconds = 50'000;
    std::optional<double> failsAt;  // clock time from which the device delivers nothing and fails
    platform::SoundFormat opened{};
    int opens = 0, closes = 0, starts = 0, stops = 0;
    bool running = false;

    platform::SoundOpen Open(const platform::SoundFormat& format) override {
        ++opens;
        opened = format;
        isOpen_ = openResult == platform::SoundOpen::Opened;
        captured_ = handed_ = 0;
        return openResult;
    }
    bool Start() override {
        if (!isOpen_ || Failed()) return false;
        ++starts;
        running = true;
        runStart_ = Now();
        runCaptured_ = 0;
        return true;
    }
    void Stop() override {
        if (!running) return;
        ++stops;
        Capture(/*partial=*/true);
        running = false;
    }
    void Close() override {
        if (isOpen_) ++closes;
        isOpen_ = running = false;
    }
    bool Read(std::vector<std::uint8_t>& samples) override {
        if (Failed()) return false;
        if (running) Capture(/*partial=*/false);
        for (; handed_ < captured_; ++handed_) {
            const auto value = static_cast<std::uint16_t>(handed_ % 30000 + 1);
            for (std::uint32_t channel = 0; channel < opened.channels; ++channel) {
                platform::AppendLE16(samples, value);
            }
        }
        return true;
    }
    std::int64_t Position() override { return running && !Failed() ? CapturedInRun(/*partial=*/true) : runCaptured_; }

private:
    std::int64_t Now() const { return std::llround(clock_.clock * 1e6); }
    bool Failed() const { return failsAt && clock_.clock >= *failsAt; }
    std::int64_t CapturedInRun(bool partial) const {
        std::int64_t elapsed = Now() - runStart_;
        if (!partial) elapsed -= elapsed % bufferMicroseconds;
        return static_cast<std::int64_t>(
            std::floor(static_cast<double>(elapsed) * opened.samplesPerSecond * speed / 1e6));
    }
    void Capture(bool partial) {
        const std::int64_t total = CapturedInRun(partial);
        if (total > runCaptured_) {
            captured_ += total - runCaptured_;
            runCaptured_ = total;
        }
    }

    FakeToolkit& clock_;
    bool isOpen_ = false;
    std::int64_t runStart_ = 0;
    std::int64_t runCaptured_ = 0;
    std::int64_t captured_ = 0;
    std::int64_t handed_ = 0;
};

}  // namespace kest::fake
