#include "win32/support/frames.h"

#include "platform/little_endian.h"

namespace kest::testing {

std::vector<std::uint8_t> PatternBmp(int width, int height, int bitCount, int frame) {
    const int bytesPerPixel = bitCount / 8;
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> b(54 + imageSize, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) { platform::WriteLE16(b, at, static_cast<std::uint16_t>(v)); };
    auto put32 = [&](std::size_t at, std::uint32_t v) { platform::WriteLE32(b, at, v); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, 54 + imageSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    put16(26, 1);
    put16(28, static_cast<std::uint32_t>(bitCount));
    put32(34, imageSize);
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;  // bottom-up
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = b.data() + 54 + row * stride + x * bytesPerPixel;
            for (int c = 0; c < 3; ++c) pixel[c] = PatternByte(x, y, frame, c);
            if (bytesPerPixel == 4) pixel[3] = 0;
        }
    }
    return b;
}

std::vector<std::uint8_t> PatternPixels(int width, int height, int bytesPerPixel, int frame) {
    std::vector<std::uint8_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height * bytesPerPixel);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) pixels.push_back(PatternByte(x, y, frame, c));
            if (bytesPerPixel == 4) pixels.push_back(0);
        }
    }
    return pixels;
}

bool WriteFile(platform::FileSystem& files, const platform::Text& path, const std::vector<std::uint8_t>& bytes) {
    auto opened = files.OpenForWriting(path);
    return opened.file && opened.file->WriteAt(0, bytes.data(), bytes.size());
}

}  // namespace kest::testing
