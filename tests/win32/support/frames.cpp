#include "win32/support/frames.h"

#include "support/bitmap_file.h"

namespace kest::testing {

std::vector<std::uint8_t> PatternBmp(int width, int height, int bitCount, int frame) {
    const int bytesPerPixel = bitCount / 8;
    const auto stride = static_cast<std::uint32_t>(platform::DibStride(width, bitCount));
    platform::DibHeader info;
    info.width = width;
    info.height = height;
    info.bitCount = static_cast<std::uint16_t>(bitCount);
    info.sizeImage = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> b = BitmapFileHeader(info);
    b.resize(b.size() + info.sizeImage, 0);
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;  // bottom-up
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = b.data() + 54 + row * stride + x * bytesPerPixel;
            for (int c = 0; c < 3; ++c) pixel[c] = PatternByte(x, y, frame, c);
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
