// The bytes in front of a bitmap file's colour table and pixels, as the frame file and the tests'
// pictures have them: the 14-byte file header and the 40-byte info header, little-endian.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/dib.h"
#include "platform/little_endian.h"

namespace kest::testing {

// The info header as it lies in a file: what platform::ReadDibHeader reads.
inline std::vector<std::uint8_t> DibHeaderBytes(const platform::DibHeader& h) {
    std::vector<std::uint8_t> b;
    platform::AppendLE32(b, h.size);
    platform::AppendLE32(b, static_cast<std::uint32_t>(h.width));
    platform::AppendLE32(b, static_cast<std::uint32_t>(h.height));
    platform::AppendLE16(b, h.planes);
    platform::AppendLE16(b, h.bitCount);
    for (std::uint32_t field : {h.compression, h.sizeImage, static_cast<std::uint32_t>(h.xPelsPerMeter),
                                static_cast<std::uint32_t>(h.yPelsPerMeter), h.clrUsed, h.clrImportant}) {
        platform::AppendLE32(b, field);
    }
    return b;
}

// The file header and the info header of a file whose colour table of `colourTableBytes` and
// `info.sizeImage` bytes of pixels follow.
inline std::vector<std::uint8_t> BitmapFileHeader(const platform::DibHeader& info, std::uint32_t colourTableBytes = 0) {
    std::vector<std::uint8_t> b{'B', 'M'};
    const std::uint32_t offBits = 14 + platform::kDibHeaderBytes + colourTableBytes;
    platform::AppendLE32(b, offBits + info.sizeImage);
    platform::AppendLE32(b, 0);  // reserved
    platform::AppendLE32(b, offBits);
    const auto infoBytes = DibHeaderBytes(info);
    b.insert(b.end(), infoBytes.begin(), infoBytes.end());
    return b;
}

}  // namespace kest::testing
