#include "recorder/engine/sound_track.h"

#include <algorithm>
#include <cstdlib>

#include "platform/little_endian.h"

namespace kest::recorder {

namespace {

constexpr std::int64_t kMicrosecondsPerSecond = 1'000'000;
constexpr std::int64_t kWindowMicroseconds = 3'000'000;
// A device that has delivered nothing for this long has failed, whatever it says.
constexpr std::int64_t kSilentDeviceMicroseconds = 3'000'000;
// Drift below this is left alone: the least lag of a window jitters by up to about 20 ms from one
// window to the next as the device hands its buffers over (measured under Wine), and a
// correction for that would move the sound back and forth. Real clocks drift far more slowly:
// 0.1 % is 3 ms in a window.
constexpr std::int64_t kDriftToleranceSamples = SoundTrack::kFormat.samplesPerSecond * 25 / 1000;
// More than this missing or surplus at once is no drift: samples were lost or came in a burst.
constexpr std::int64_t kGapSamples = SoundTrack::kFormat.samplesPerSecond / 4;
// A drift correction changes the pitch by at most 2 %, which a voice does not betray.
constexpr std::int64_t kCorrectionShare = 50;

// `samples` stretched or squeezed to `length` by linear interpolation.
std::vector<std::int16_t> Resampled(const std::vector<std::int16_t>& samples, std::size_t length) {
    if (samples.size() < 2 || length < 2) return std::vector<std::int16_t>(length, samples.empty() ? 0 : samples[0]);
    std::vector<std::int16_t> out(length);
    const double step = static_cast<double>(samples.size() - 1) / static_cast<double>(length - 1);
    for (std::size_t i = 0; i < length; ++i) {
        const double at = static_cast<double>(i) * step;
        const auto left = std::min(static_cast<std::size_t>(at), samples.size() - 2);
        const double weight = at - static_cast<double>(left);
        out[i] = static_cast<std::int16_t>(samples[left] + (samples[left + 1] - samples[left]) * weight);
    }
    return out;
}

}  // namespace

std::int64_t SoundTrack::SamplesAt(std::int64_t recorded) {
    return recorded * kFormat.samplesPerSecond / kMicrosecondsPerSecond;
}

platform::SoundOpen SoundTrack::Open() {
    const platform::SoundOpen result = device_.Open(kFormat);
    open_ = result == platform::SoundOpen::Opened;
    return result;
}

void SoundTrack::Close() {
    if (open_) device_.Close();
    open_ = running_ = false;
}

void SoundTrack::Fail() {
    failed_ = true;
    running_ = false;
    device_.Close();
}

void SoundTrack::BeginRun(std::int64_t recorded) {
    windowStart_ = lastDelivery_ = recorded;
    readInRun_ = 0;
    windowLeast_.reset();
    baseline_.reset();
    correction_ = 0;
    if (failed_) return;
    running_ = device_.Start();
    if (!running_) Fail();
}

void SoundTrack::Start(std::int64_t recorded) {
    pending_.clear();
    placed_ = SamplesAt(recorded);
    failed_ = !open_;
    BeginRun(recorded);
}

void SoundTrack::Read(std::int64_t recorded) {
    if (failed_) return;
    std::vector<std::uint8_t> bytes;
    if (!device_.Read(bytes)) {
        Fail();
        return;
    }
    if (bytes.size() >= 2) lastDelivery_ = recorded;
    std::vector<std::int16_t> samples(bytes.size() / 2);
    readInRun_ += static_cast<std::int64_t>(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(platform::ReadLE16(bytes.data() + 2 * i));
    }
    Place(std::move(samples));
}

void SoundTrack::Place(std::vector<std::int16_t> samples) {
    if (samples.empty()) return;
    const auto count = static_cast<std::int64_t>(samples.size());
    const std::int64_t limit = std::max<std::int64_t>(1, count / kCorrectionShare);
    const std::int64_t change = std::clamp(correction_, -limit, limit);
    if (change != 0 && count >= 2) {
        samples = Resampled(samples, static_cast<std::size_t>(count + change));
        correction_ -= change;
    }
    placed_ += static_cast<std::int64_t>(samples.size());
    pending_.insert(pending_.end(), samples.begin(), samples.end());
}

void SoundTrack::AlignTo(std::int64_t target) {
    if (placed_ < target) {
        pending_.insert(pending_.end(), static_cast<std::size_t>(target - placed_), 0);
    } else {
        // What was written already stays; only the samples not yet taken can go.
        const auto cut = std::min<std::int64_t>(placed_ - target, static_cast<std::int64_t>(pending_.size()));
        pending_.resize(pending_.size() - static_cast<std::size_t>(cut));
        placed_ -= cut;
        return;
    }
    placed_ = target;
}

std::int64_t SoundTrack::Unread() { return std::max<std::int64_t>(0, device_.Position() - readInRun_); }

void SoundTrack::Fit(std::int64_t recorded) {
    if (failed_) {
        // Silence from the moment the device stopped, at the lag it had.
        AlignTo(SamplesAt(recorded) - baseline_.value_or(0));
        return;
    }
    if (recorded - lastDelivery_ > kSilentDeviceMicroseconds) {
        Fail();
        return;
    }
    // Measured against the device's position, not against the samples it has handed over: those
    // lag it by however far into a buffer the ticks fall, and on a steady machine the ticks fall at
    // the same point of every buffer for seconds, then at another once the frames take longer or
    // shorter. Measured by the buffers, that move looked like drift of up to a whole buffer.
    const std::int64_t lag = SamplesAt(recorded) - placed_ - Unread() - correction_;
    windowLeast_ = std::min(windowLeast_.value_or(lag), lag);
    if (recorded - windowStart_ >= kWindowMicroseconds) {
        // The least lag of a window is the device's own latency: the least its clock was behind.
        if (!baseline_) {
            baseline_ = windowLeast_;
        } else if (std::abs(*windowLeast_ - *baseline_) > kDriftToleranceSamples) {
            correction_ += *windowLeast_ - *baseline_;
        }
        windowStart_ = recorded;
        windowLeast_.reset();
    }
    if (!baseline_) return;
    const std::int64_t off = lag - *baseline_;
    if (off > kGapSamples || off < -kGapSamples) AlignTo(placed_ + off);
}

std::vector<std::uint8_t> SoundTrack::TakePending() {
    std::vector<std::uint8_t> bytes(pending_.size() * 2);
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        platform::WriteLE16(bytes.data() + 2 * i, static_cast<std::uint16_t>(pending_[i]));
    }
    pending_.clear();
    return bytes;
}

std::vector<std::uint8_t> SoundTrack::Take(std::int64_t recorded) {
    if (!running_ && !failed_) return {};
    Read(recorded);
    Fit(recorded);
    if (static_cast<std::int64_t>(pending_.size()) < SamplesAt(kPieceMicroseconds)) return {};
    return TakePending();
}

void SoundTrack::Hold(std::int64_t recorded) {
    if (running_) {
        device_.Stop();
        Read(recorded);
        running_ = false;
    }
    AlignTo(SamplesAt(recorded));
}

void SoundTrack::Release(std::int64_t recorded) { BeginRun(recorded); }

std::vector<std::uint8_t> SoundTrack::Finish(std::int64_t length) {
    Hold(length);
    Close();
    return TakePending();
}

}  // namespace kest::recorder
