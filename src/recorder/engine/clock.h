// The seconds-since-midnight clock starts again at 0 every night; recording times are kept as
// differences on it, so every difference is taken across midnight.
#pragma once

#include <cstdint>

#include "recorder/engine/rounding.h"

namespace kest::recorder {

inline constexpr double kSecondsPerDay = 86400.0;

// Seconds from `from` to `to` on the clock of one day. A start rounded to the nearest second
// may lie a fraction after the clock, so only a difference of more than half a day back is
// taken as the clock having passed midnight.
inline double SecondsBetween(double from, double to) {
    double seconds = to - from;
    if (seconds < -kSecondsPerDay / 2) seconds += kSecondsPerDay;
    return seconds;
}

// The recording's start moved on by a wait from `from` to `to` (a pause, an open question),
// so that the clock less the start stays the recorded time.
inline std::int32_t StartAfterWait(std::int32_t start, double from, double to) {
    auto moved = RoundHalfEven(start + SecondsBetween(from, to)) % static_cast<std::int64_t>(kSecondsPerDay);
    if (moved < 0) moved += static_cast<std::int64_t>(kSecondsPerDay);
    return static_cast<std::int32_t>(moved);
}

}  // namespace kest::recorder
