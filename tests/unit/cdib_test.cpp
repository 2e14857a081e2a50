#include "recorder/engine/cdib.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fake/fake_platform.h"

namespace kest::recorder {
namespace {

using fake::MakeBmp;
using platform::MsgBoxIcon;

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

class CDibTest : public ::testing::Test {
protected:
    fake::FakePlatform fake;
    cDIB dib{fake.files, fake.toolkit};
    const platform::Text path = u"C:\\frames\\a.bmp";
};

TEST_F(CDibTest, TwentyFourBitFileHasInfoBlockOfJustTheHeader) {
    auto bytes = MakeBmp(3, 2, 24, 0x7F);
    fake.files.contents[path] = bytes;
    ASSERT_TRUE(dib.CreateFromFile(path));
    EXPECT_EQ(dib.FileType(), 19778);
    EXPECT_EQ(dib.BitOffset(), 54);
    EXPECT_EQ(dib.SizeBitmapInfo(), 40);
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(dib.SizeImage(), 24);  // rows of 9 bytes padded to 12
    EXPECT_EQ(0, std::memcmp(dib.PointerToBitmapInfo(), bytes.data() + 14, 40));
    EXPECT_EQ(0, std::memcmp(dib.PointerToBits(), bytes.data() + 54, 24));
    EXPECT_TRUE(fake.toolkit.messages.empty());
}

TEST_F(CDibTest, EightBitFileCarriesItsPaletteInTheInfoBlock) {
    auto bytes = MakeBmp(4, 4, 8);
    fake.files.contents[path] = bytes;
    ASSERT_TRUE(dib.CreateFromFile(path));
    EXPECT_EQ(dib.BitOffset(), 1078);
    EXPECT_EQ(dib.SizeBitmapInfo(), 1064);
    EXPECT_EQ(0, std::memcmp(dib.PointerToBitmapInfo(), bytes.data() + 14, 1064));
}

TEST_F(CDibTest, WritingALoadedFileReproducesItsBitmapBytes) {
    auto bytes = MakeBmp(5, 3, 32, 0x11);
    for (std::size_t i = 54; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    auto withTrailer = bytes;
    withTrailer.insert(withTrailer.end(), {1, 2, 3, 4});  // trailing bytes are not part of the bitmap
    fake.files.contents[path] = withTrailer;
    ASSERT_TRUE(dib.CreateFromFile(path));

    // An older, longer file at the destination must not leave its tail behind.
    fake.files.contents[u"out.bmp"] = std::vector<std::uint8_t>(bytes.size() + 500, 0xEE);
    ASSERT_TRUE(dib.WriteToFile(u"out.bmp"));
    EXPECT_EQ(fake.files.contents[u"out.bmp"], bytes);
}

TEST_F(CDibTest, WriteReportsFailureInsteadOfSuccess) {
    fake.files.contents[path] = MakeBmp(2, 2, 24);
    EXPECT_FALSE(dib.WriteToFile(u"out.bmp")) << "nothing loaded yet";
    ASSERT_TRUE(dib.CreateFromFile(path));
    fake.files.failWrites = true;
    EXPECT_FALSE(dib.WriteToFile(u"out.bmp"));
    fake.files.failWrites = false;
    fake.files.locked.insert(u"locked.bmp");
    EXPECT_FALSE(dib.WriteToFile(u"locked.bmp"));
}

TEST_F(CDibTest, UncompressedFileWithoutSizeImageIsSizedFromItsDimensions) {
    auto bytes = MakeBmp(3, 5, 24);  // stride 12
    Put32(bytes, 34, 0);
    fake.files.contents[path] = bytes;
    ASSERT_TRUE(dib.CreateFromFile(path));
    EXPECT_EQ(dib.SizeImage(), 60);
}

TEST_F(CDibTest, BlockPropertiesFailBeforeAnythingIsLoaded) {
    EXPECT_THROW(dib.PointerToBits(), DibNotLoaded);
    EXPECT_THROW(dib.PointerToBitmapInfo(), DibNotLoaded);
    EXPECT_THROW(dib.SizeBitmapInfo(), DibNotLoaded);
}

struct OpenFailure {
    const char* name;
    std::function<void(fake::FakeFiles&, const platform::Text&)> arrange;
    platform::Text expectedText;  // "PATH" is replaced with the path
    MsgBoxIcon icon;
};

class CDibOpenFailureTest : public CDibTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(CDibOpenFailureTest, ShowsOneMessageAndReturnsFalse) {
    const auto& failure = GetParam();
    failure.arrange(fake.files, path);
    EXPECT_FALSE(dib.CreateFromFile(path));
    ASSERT_EQ(fake.toolkit.messages.size(), 1u);
    platform::Text expected = failure.expectedText;
    if (auto at = expected.find(u"PATH"); at != platform::Text::npos) expected.replace(at, 4, path);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].text), fake::Utf8(expected));
    EXPECT_EQ(fake.toolkit.messages[0].icon, failure.icon);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].caption), "Velvra");
}

INSTANTIATE_TEST_SUITE_P(
    Files, CDibOpenFailureTest,
    ::testing::Values(
        OpenFailure{"Missing", [](auto&, auto&) {}, u"File does not exist:\r\nPATH", MsgBoxIcon::Critical},
        OpenFailure{"Locked",
                    [](auto& files, auto& p) {
                        files.contents[p] = MakeBmp(1, 1, 24);
                        files.locked.insert(p);
                    },
                    u"File is locked - cannot access:\r\nPATH", MsgBoxIcon::Critical},
        OpenFailure{"OtherError",
                    [](auto& files, auto& p) {
                        files.contents[p] = MakeBmp(1, 1, 24);
                        files.brokenWithReason[p] = u"The device is not ready.";
                    },
                    u"The device is not ready.", MsgBoxIcon::Information},
        OpenFailure{"NotBm", [](auto& files, auto& p) { files.contents[p] = std::vector<std::uint8_t>(80, 'x'); },
                    u"File is not a supported bitmap format:\r\nPATH", MsgBoxIcon::Information}),
    [](const auto& info) { return std::string(info.param.name); });

// Headers that lie about the file: each must be refused, never read past the end or allocated.
struct CorruptHeader {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> corrupt;
};

class CDibCorruptHeaderTest : public CDibTest, public ::testing::WithParamInterface<CorruptHeader> {};

TEST_P(CDibCorruptHeaderTest, IsRefusedAndKeepsThePreviousBitmap) {
    auto good = MakeBmp(2, 2, 32, 0x42);
    fake.files.contents[u"good.bmp"] = good;
    ASSERT_TRUE(dib.CreateFromFile(u"good.bmp"));

    auto bad = MakeBmp(4, 4, 24, 0x99);
    GetParam().corrupt(bad);
    fake.files.contents[path] = bad;
    EXPECT_FALSE(dib.CreateFromFile(path));
    ASSERT_EQ(fake.toolkit.messages.size(), 1u);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].text),
              "File is not a supported bitmap format:\r\n" + fake::Utf8(path));
    EXPECT_EQ(dib.SizeImage(), 16);
    EXPECT_EQ(dib.Width(), 2);
    EXPECT_EQ(0, std::memcmp(dib.PointerToBits(), good.data() + 54, 16));
}

INSTANTIATE_TEST_SUITE_P(
    Headers, CDibCorruptHeaderTest,
    ::testing::Values(
        CorruptHeader{"ShorterThanHeaders", [](auto& b) { b.resize(30); }},
        CorruptHeader{"OnlyFileHeader", [](auto& b) { b.resize(14); }},
        CorruptHeader{"BitOffsetBelowHeaders", [](auto& b) { Put32(b, 10, 20); }},
        CorruptHeader{"BitOffsetPastEnd", [](auto& b) { Put32(b, 10, static_cast<std::uint32_t>(b.size() + 1)); }},
        CorruptHeader{"PixelsPastEnd", [](auto& b) { Put32(b, 34, static_cast<std::uint32_t>(b.size())); }},
        CorruptHeader{"HugeSizeImage", [](auto& b) { Put32(b, 34, 0x7FFFFFF0u); }},
        CorruptHeader{"NegativeSizeImage", [](auto& b) { Put32(b, 34, 0xFFFFFF00u); }},
        CorruptHeader{"OffsetPlusSizeOverflows",
                      [](auto& b) {
                          Put32(b, 10, 0xFFFFFFF0u);
                          Put32(b, 34, 0x20u);
                      }},
        CorruptHeader{"InfoHeaderTooSmall", [](auto& b) { Put32(b, 14, 12); }},
        CorruptHeader{"InfoHeaderPastOffset", [](auto& b) { Put32(b, 14, 124); }},
        CorruptHeader{"ZeroSizeWithNegativeWidth",
                      [](auto& b) {
                          Put32(b, 34, 0);
                          Put32(b, 18, 0xFFFFFFFFu);
                      }},
        CorruptHeader{"ZeroSizeWithHugeDimensions",
                      [](auto& b) {
                          Put32(b, 34, 0);
                          Put32(b, 18, 0x7FFFFFFFu);
                          Put32(b, 22, 0x7FFFFFFFu);
                      }},
        CorruptHeader{"ZeroSizeWithOddBitCount",
                      [](auto& b) {
                          Put32(b, 34, 0);
                          b[28] = 7;
                      }},
        // Readers take whole rows whatever the field says: another program's short frame file.
        CorruptHeader{"ImageSizeShorterThanItsRows", [](auto& b) { Put32(b, 34, 47); }},
        CorruptHeader{"EightBitWithoutItsPalette",
                      [](auto& b) {
                          b = MakeBmp(4, 4, 8, 0x99);
                          b.erase(b.begin() + 54, b.begin() + 54 + 1024);
                          Put32(b, 10, 54);
                      }},
        CorruptHeader{"PaletteLargerThanItsPixelsIndex",
                      [](auto& b) {
                          b = MakeBmp(4, 4, 4, 0x99);
                          Put32(b, 46, 17);
                      }},
        CorruptHeader{"BitFieldsWithoutTheirMasks",
                      [](auto& b) {
                          b = MakeBmp(4, 4, 32, 0x99);
                          Put32(b, 30, 3);
                      }},
        CorruptHeader{"ZeroSizeCompressed",
                      [](auto& b) {
                          Put32(b, 34, 0);
                          Put32(b, 30, 1);  // RLE8 cannot be sized from its dimensions
                      }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CDibTest, RefusedTypeReplacesOnlyTheFileHeaderFields) {
    fake.files.contents[u"good.bmp"] = MakeBmp(2, 2, 32);
    ASSERT_TRUE(dib.CreateFromFile(u"good.bmp"));
    auto notBmp = MakeBmp(2, 2, 32);
    notBmp[0] = 'P';
    notBmp[1] = 'K';
    fake.files.contents[path] = notBmp;
    EXPECT_FALSE(dib.CreateFromFile(path));
    EXPECT_EQ(dib.FileType(), 'P' | ('K' << 8));
    EXPECT_EQ(dib.Width(), 2);
    EXPECT_EQ(dib.SizeBitmapInfo(), 40);
}

std::vector<std::uint8_t> PackedDib(std::int32_t width, std::int32_t height, std::int16_t bitCount,
                                    std::uint32_t sizeImage) {
    std::vector<std::uint8_t> b(40 + sizeImage, 0x5A);
    Put32(b, 0, 40);
    Put32(b, 4, static_cast<std::uint32_t>(width));
    Put32(b, 8, static_cast<std::uint32_t>(height));
    b[12] = 1;
    b[13] = 0;
    b[14] = static_cast<std::uint8_t>(bitCount);
    b[15] = 0;
    Put32(b, 16, 0);
    Put32(b, 20, sizeImage);
    for (int i = 24; i < 40; ++i) b[i] = 0;
    return b;
}

TEST_F(CDibTest, PackedThirtyTwoBitDibGetsAMadeUpFileHeader) {
    const auto packed = PackedDib(100, 100, 32, 40000);
    ASSERT_TRUE(dib.CreateFromPackedDIBPointer(packed.data()));
    EXPECT_EQ(dib.FileType(), 19778);
    EXPECT_EQ(dib.SizeFileHeader(), 40054);
    EXPECT_EQ(dib.BitOffset(), 54);
    EXPECT_EQ(dib.SizeBitmapInfo(), 40);
    EXPECT_EQ(0, std::memcmp(dib.PointerToBits(), packed.data() + 40, 40000));

    ASSERT_TRUE(dib.WriteToFile(u"packed.bmp"));
    cDIB reread{fake.files, fake.toolkit};
    ASSERT_TRUE(reread.CreateFromFile(u"packed.bmp"));
    EXPECT_EQ(reread.Width(), 100);
    EXPECT_EQ(reread.SizeImage(), 40000);
    EXPECT_TRUE(fake.toolkit.messages.empty());
}

TEST_F(CDibTest, PackedDibsWithPaletteOrWithoutSizeAreRefusedSilently) {
    EXPECT_FALSE(dib.CreateFromPackedDIBPointer(PackedDib(4, 4, 8, 16).data()));
    EXPECT_FALSE(dib.CreateFromPackedDIBPointer(PackedDib(4, 4, 15, 32).data()));
    EXPECT_FALSE(dib.CreateFromPackedDIBPointer(PackedDib(4, 4, 32, 0).data()));
    EXPECT_THROW(dib.PointerToBits(), DibNotLoaded);
    EXPECT_TRUE(fake.toolkit.messages.empty());
}

TEST(UncompressedImageSize, PadsRowsAndRejectsWhatCannotFit) {
    EXPECT_EQ(UncompressedImageSize(1, 1, 1), 4);
    EXPECT_EQ(UncompressedImageSize(3, 2, 24), 24);
    EXPECT_EQ(UncompressedImageSize(3, -2, 24), 24);
    EXPECT_EQ(UncompressedImageSize(3840, 2160, 32), 3840LL * 2160 * 4);
    EXPECT_EQ(UncompressedImageSize(0, 2, 24), -1);
    EXPECT_EQ(UncompressedImageSize(2, 0, 24), -1);
    EXPECT_EQ(UncompressedImageSize(65536, 65536, 32), -1);
    EXPECT_EQ(UncompressedImageSize(0x7FFFFFFF, 0x7FFFFFFF, 32), -1) << "a product past 64 bits";
    EXPECT_EQ(UncompressedImageSize(0x7FFFFFFF, -0x7FFFFFFF, 24), -1);
}

}  // namespace
}  // namespace kest::recorder
