#include "platform/little_endian.h"

#include <gtest/gtest.h>

namespace kest::platform {
namespace {

// High bits in every byte, which a reader that widens through a signed int gets wrong; fields past
// the end of their buffer, a wrapping offset among them, refused.
TEST(LittleEndian, NumbersGoLowByteFirstComeBackWholeAndStayInTheirBuffer) {
    std::vector<std::uint8_t> bytes;
    AppendLE16(bytes, 0xFE81);
    AppendLE32(bytes, 0x8F9FAFBF);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x81, 0xFE, 0xBF, 0xAF, 0x9F, 0x8F}));
    EXPECT_EQ(ReadLE16(bytes, 0), 0xFE81);
    EXPECT_EQ(ReadLE32(bytes, 2), 0x8F9FAFBFu);
    WriteLE32(bytes, 1, 0xC0FFEE11);
    WriteLE16(bytes, 4, 0x8000);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x81, 0x11, 0xEE, 0xFF, 0x00, 0x80}));
    EXPECT_EQ(FourCC("vids"), ReadLE32(reinterpret_cast<const std::uint8_t*>("vids")));
    EXPECT_THROW(ReadLE32(bytes, 3), std::out_of_range);
    EXPECT_THROW(WriteLE16(bytes, SIZE_MAX, 1), std::out_of_range);
}

}  // namespace
}  // namespace kest::platform
