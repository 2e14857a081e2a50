#include "recorder/engine/frame_timeline.h"

#include <algorithm>
#include <limits>

namespace kest::recorder {

namespace {

constexpr std::int64_t kMicrosecondsPerMillisecond = 1000;
constexpr std::int64_t kMicrosecondsPerSecond = 1'000'000;
constexpr std::int32_t kLastSlot = std::numeric_limits<std::int32_t>::max() - 1;

}  // namespace

void FrameTimeline::Start(std::int64_t now, std::int32_t fps) {
    fps_ = std::max(fps, 1);
    start_ = now;
    heldSince_ = heldTotal_ = 0;
    holds_ = 0;
    next_ = 0;
}

void FrameTimeline::Hold(std::int64_t now) {
    if (holds_++ == 0) heldSince_ = now;
}

void FrameTimeline::Release(std::int64_t now) {
    if (holds_ == 0) return;
    if (--holds_ == 0) heldTotal_ += std::max<std::int64_t>(0, now - heldSince_);
}

std::int64_t FrameTimeline::RecordedMicroseconds(std::int64_t now) const {
    const std::int64_t until = holds_ > 0 ? heldSince_ : now;
    return std::max<std::int64_t>(0, until - start_ - heldTotal_);
}

FrameTimeline::Due FrameTimeline::Take(std::int64_t now) {
    if (holds_ > 0 || next_ > kLastSlot) return {};
    const std::int64_t recorded = RecordedMicroseconds(now);
    if (recorded < SlotStart(next_)) return {};
    std::int64_t nearest = (recorded * fps_ + kMicrosecondsPerSecond / 2) / kMicrosecondsPerSecond;
    if (next_ == 0) nearest = 0;
    const auto slot = static_cast<std::int32_t>(std::clamp<std::int64_t>(nearest, next_, kLastSlot));
    Due due{slot - next_, slot, true};
    next_ = slot + 1;
    return due;
}

std::int64_t FrameTimeline::SlotStart(std::int64_t slot) const {
    return (slot * kMicrosecondsPerSecond + fps_ - 1) / fps_;
}

namespace {

std::int64_t WholeMillisecondsUp(std::int64_t microseconds) {
    return (microseconds + kMicrosecondsPerMillisecond - 1) / kMicrosecondsPerMillisecond;
}

}  // namespace

std::int32_t FrameTimeline::MillisecondsToNextSlot(std::int64_t now) const {
    const std::int64_t ms = WholeMillisecondsUp(SlotStart(next_) - RecordedMicroseconds(now));
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, 1, WholeMillisecondsUp(SlotStart(1))));
}

}  // namespace kest::recorder
