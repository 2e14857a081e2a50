// The 40-byte header of a device-independent bitmap (BITMAPINFOHEADER) as plain fields, and the
// arithmetic of its rows: one description for the frame file, the screen codec and the picture
// boxes' saved images.
#pragma once

#include <cstdint>

#include "platform/little_endian.h"

namespace kest::platform {

inline constexpr std::int32_t kDibHeaderBytes = 40;
inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiBitfields = 3;

struct DibHeader {
    std::uint32_t size = kDibHeaderBytes;
    std::int32_t width = 0;
    std::int32_t height = 0;  // positive: bottom-up rows
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

// Bytes of one row of an uncompressed bitmap: rows are padded to whole 32-bit words.
constexpr std::int64_t DibStride(std::int32_t width, std::int32_t bitCount) {
    return (static_cast<std::int64_t>(width) * bitCount + 31) / 32 * 4;
}

// The header as it lies in a file or a packed DIB: little-endian, kDibHeaderBytes long.
inline DibHeader ReadDibHeader(const std::uint8_t* b) {
    DibHeader h;
    h.size = ReadLE32(b);
    h.width = static_cast<std::int32_t>(ReadLE32(b + 4));
    h.height = static_cast<std::int32_t>(ReadLE32(b + 8));
    h.planes = ReadLE16(b + 12);
    h.bitCount = ReadLE16(b + 14);
    h.compression = ReadLE32(b + 16);
    h.sizeImage = ReadLE32(b + 20);
    h.xPelsPerMeter = static_cast<std::int32_t>(ReadLE32(b + 24));
    h.yPelsPerMeter = static_cast<std::int32_t>(ReadLE32(b + 28));
    h.clrUsed = ReadLE32(b + 32);
    h.clrImportant = ReadLE32(b + 36);
    return h;
}

}  // namespace kest::platform
