#pragma once

#include <cmath>
#include <climits>
#include <cstdint>

namespace kest::recorder {

// Conversions to integers round to nearest with halves to even (banker's rounding), the
// rule every stored time and pixel size follows.
inline std::int64_t RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    std::int64_t result = static_cast<std::int64_t>(floor);
    if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0))) {
        ++result;
    }
    return result;
}

inline std::int32_t RoundToInt(double value) { return static_cast<std::int32_t>(RoundHalfEven(value)); }

// Twips of a length in pixels, held within 32 bits whatever the screen reports.
inline std::int32_t PixelsToTwips(std::int64_t pixels) {
    const std::int64_t twips = pixels * 15;
    return static_cast<std::int32_t>(twips > INT32_MAX ? INT32_MAX : twips < INT32_MIN ? INT32_MIN : twips);
}

// Pixels of a length in twips, at the fixed 15 twips per pixel the forms use.
inline std::int32_t TwipsToPixels(double twips) { return RoundToInt(twips / 15.0); }

}  // namespace kest::recorder
