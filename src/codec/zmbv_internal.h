// What the encoder's two halves share: the key-frame coder (zmbv.cpp) and the search for what
// changed and where it moved (zmbv_motion.cpp). Not part of the codec's interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kest::codec::detail {

inline constexpr std::uint32_t kNotHashed = UINT32_MAX;
// From this size on, half of the comparison with the previous frame goes to a second thread:
// a 4K frame is compared with the last in about 10 ms, a full-HD one in about 2.
inline constexpr std::size_t kSplitFrameBytes = 4 << 20;

inline std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Screens are compared many megabytes a frame: 32 bytes at a time, without a library call.
inline bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const std::uint64_t d = (Load64(a + i) ^ Load64(b + i)) | (Load64(a + i + 8) ^ Load64(b + i + 8)) |
                                (Load64(a + i + 16) ^ Load64(b + i + 16)) | (Load64(a + i + 24) ^ Load64(b + i + 24));
        if (d) return false;
    }
    for (; i + 8 <= n; i += 8) {
        if (Load64(a + i) != Load64(b + i)) return false;
    }
    for (; i < n; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

inline std::uint64_t HashBytes(const std::uint8_t* p, std::size_t n) {
    std::uint64_t h = n;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) h = (h ^ Load64(p + i)) * 0x9E3779B97F4A7C15u;
    for (; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3u;
    return h ^ (h >> 29);
}

}  // namespace kest::codec::detail
