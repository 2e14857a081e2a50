// Bitmap files with a recognisable pattern per frame, and what a decoder should give back.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/file_system.h"

namespace kest::testing {

// The colour of pixel (x, y), counted from the top, of frame `frame`: blue, green, red.
inline std::uint8_t PatternByte(int x, int y, int frame, int channel) {
    switch (channel) {
        case 0: return static_cast<std::uint8_t>(x * 3 + frame * 40);
        case 1: return static_cast<std::uint8_t>(y * 5 + frame * 17);
        default: return static_cast<std::uint8_t>((x / 8 + y / 8) % 2 ? 200 : 30 + frame);
    }
}

// A bottom-up BMP file of the pattern.
std::vector<std::uint8_t> PatternBmp(int width, int height, int bitCount, int frame);
// The pattern top-down, as ffmpeg decodes it to bgr24 or bgra.
std::vector<std::uint8_t> PatternPixels(int width, int height, int bytesPerPixel, int frame);
bool WriteFile(platform::FileSystem& files, const platform::Text& path, const std::vector<std::uint8_t>& bytes);

}  // namespace kest::testing
