// The screen codec's bitstream, read back by a small ZMBV key-frame decoder of our own, and
// its answers to the compression messages.
#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "codec/zmbv.h"

namespace kest::codec {
namespace {

struct DecodedKeyFrame {
    std::uint8_t flags = 0, major = 0, minor = 0, compression = 0, format = 0, blockWidth = 0, blockHeight = 0;
    std::vector<std::uint8_t> raw;  // the inflated payload
    bool streamEnded = false;
};

DecodedKeyFrame Decode(const std::vector<std::uint8_t>& frame, std::size_t expectedRaw) {
    DecodedKeyFrame d;
    if (frame.size() < 7) return d;
    d.flags = frame[0];
    d.major = frame[1];
    d.minor = frame[2];
    d.compression = frame[3];
    d.format = frame[4];
    d.blockWidth = frame[5];
    d.blockHeight = frame[6];
    d.raw.resize(expectedRaw + 64);  // room to notice a payload that is too long
    z_stream z{};
    inflateInit(&z);
    z.next_in = const_cast<Bytef*>(frame.data() + 7);
    z.avail_in = static_cast<uInt>(frame.size() - 7);
    z.next_out = d.raw.data();
    z.avail_out = static_cast<uInt>(d.raw.size());
    d.streamEnded = inflate(&z, Z_FINISH) == Z_STREAM_END && z.avail_in == 0;
    d.raw.resize(z.total_out);
    inflateEnd(&z);
    return d;
}

struct Picture {
    BitmapHeader header;
    std::vector<std::uint8_t> pixels;   // DIB rows, padded to 4 bytes
    std::vector<std::uint8_t> colours;  // RGBQUADs for 8 bits
};

Picture MakePicture(int bitCount, int width, int height, int seed) {
    Picture p;
    p.header.width = width;
    p.header.height = height;
    p.header.bitCount = static_cast<std::uint16_t>(bitCount);
    const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    p.pixels.resize(stride * static_cast<std::size_t>(height < 0 ? -height : height));
    for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>(i * 7 + seed * 13);
    if (bitCount == 8) {
        p.header.clrUsed = 256;
        for (int i = 0; i < 256; ++i) p.colours.insert(p.colours.end(), {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2), 0});
    }
    return p;
}

// What a ZMBV key frame of the picture must inflate to, worked out pixel by pixel.
std::vector<std::uint8_t> ExpectedRaw(const Picture& p) {
    const int w = p.header.width, rows = p.header.height < 0 ? -p.header.height : p.header.height;
    const int inBytes = p.header.bitCount / 8;
    const std::size_t stride = (static_cast<std::size_t>(w) * p.header.bitCount + 31) / 32 * 4;
    std::vector<std::uint8_t> raw;
    if (p.header.bitCount == 8) {
        for (int i = 0; i < 256; ++i) raw.insert(raw.end(), {p.colours[i * 4 + 2], p.colours[i * 4 + 1], p.colours[i * 4]});
    }
    for (int y = 0; y < rows; ++y) {
        const int row = p.header.height > 0 ? rows - 1 - y : y;  // ZMBV rows run top-down
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* px = p.pixels.data() + row * stride + x * inBytes;
            if (p.header.bitCount == 24) {
                raw.insert(raw.end(), {px[0], px[1], px[2], 0xFF});
            } else {
                raw.insert(raw.end(), px, px + inBytes);
            }
        }
    }
    return raw;
}

struct BitstreamCase {
    const char* name;
    int bitCount, width, height;
    std::uint8_t format;
};

class ZmbvBitstreamTest : public ::testing::TestWithParam<BitstreamCase> {};

TEST_P(ZmbvBitstreamTest, KeyFramesDecodeToThePicture) {
    const auto c = GetParam();
    ZmbvEncoder encoder;
    Picture first = MakePicture(c.bitCount, c.width, c.height, 1);
    ASSERT_TRUE(encoder.Begin(first.header));
    for (int seed : {1, 2}) {  // a second frame must decode on its own too
        Picture p = MakePicture(c.bitCount, c.width, c.height, seed);
        std::vector<std::uint8_t> out(MaxFrameBytes(p.header));
        const auto size = encoder.EncodeKeyFrame(p.pixels.data(), p.colours.data(), out.data(), out.size());
        ASSERT_TRUE(size.has_value());
        out.resize(*size);
        const std::vector<std::uint8_t> expected = ExpectedRaw(p);
        const DecodedKeyFrame d = Decode(out, expected.size());
        EXPECT_EQ(d.flags, 1) << "key frame, no palette change";
        EXPECT_EQ(d.major, 0);
        EXPECT_EQ(d.minor, 1);
        EXPECT_EQ(d.compression, 1) << "zlib";
        EXPECT_EQ(d.format, c.format);
        EXPECT_GT(d.blockWidth, 0);
        EXPECT_GT(d.blockHeight, 0);
        EXPECT_TRUE(d.streamEnded) << "one whole zlib stream per frame";
        EXPECT_EQ(d.raw, expected) << "seed " << seed;
        EXPECT_EQ(RawFrameBytes(p.header), expected.size());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ZmbvBitstreamTest,
    ::testing::Values(BitstreamCase{"Bgrx32OddWidth", 32, 7, 5, 8}, BitstreamCase{"Bgr24PaddedRows", 24, 7, 5, 8},
                      BitstreamCase{"OnePixel32", 32, 1, 1, 8}, BitstreamCase{"OnePixel24", 24, 1, 1, 8},
                      BitstreamCase{"TopDown32", 32, 4, -3, 8}, BitstreamCase{"Rgb555", 16, 3, 2, 5},
                      BitstreamCase{"Palette8", 8, 5, 3, 4}, BitstreamCase{"Wide24", 24, 333, 17, 8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ZmbvEncoderTest, AFrameThatDoesNotFitFailsInsteadOfBeingCut) {
    ZmbvEncoder encoder;
    Picture p = MakePicture(32, 64, 64, 3);
    ASSERT_TRUE(encoder.Begin(p.header));
    std::vector<std::uint8_t> out(64);
    EXPECT_FALSE(encoder.EncodeKeyFrame(p.pixels.data(), nullptr, out.data(), out.size()).has_value());
    out.resize(MaxFrameBytes(p.header));
    EXPECT_TRUE(encoder.EncodeKeyFrame(p.pixels.data(), nullptr, out.data(), out.size()).has_value())
        << "a failed frame leaves the encoder usable";
}

BitmapHeader Input(int bitCount, int width, int height, std::uint32_t compression = kBiRgb, int planes = 1,
                   std::uint32_t clrUsed = 0) {
    BitmapHeader h;
    h.bitCount = static_cast<std::uint16_t>(bitCount);
    h.width = width;
    h.height = height;
    h.compression = compression;
    h.planes = static_cast<std::uint16_t>(planes);
    h.clrUsed = clrUsed;
    return h;
}

struct MessageCase {
    const char* name;
    BitmapHeader input;
    bool accepted;
    int outputBits;
    std::int64_t rawBytes;
};

class ScreenCodecMessagesTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ScreenCodecMessagesTest, AnswersForTheInput) {
    const auto c = GetParam();
    BitmapHeader output;
    if (!c.accepted) {
        EXPECT_EQ(ScreenCodec::CompressQuery(c.input, nullptr), kIcErrBadFormat);
        EXPECT_EQ(ScreenCodec::CompressFormatSize(c.input), kIcErrBadFormat);
        EXPECT_EQ(ScreenCodec::CompressGetFormat(c.input, &output), kIcErrBadFormat);
        EXPECT_EQ(ScreenCodec::CompressGetSize(c.input), kIcErrBadFormat);
        ScreenCodec codec;
        EXPECT_EQ(codec.CompressBegin(c.input, nullptr), kIcErrBadFormat);
        return;
    }
    EXPECT_EQ(ScreenCodec::CompressQuery(c.input, nullptr), kIcErrOk);
    EXPECT_EQ(ScreenCodec::CompressFormatSize(c.input), 40);
    ASSERT_EQ(ScreenCodec::CompressGetFormat(c.input, &output), kIcErrOk);
    EXPECT_EQ(output.compression, kZmbvFourCC);
    EXPECT_EQ(output.width, c.input.width);
    EXPECT_EQ(output.height, c.input.height < 0 ? -c.input.height : c.input.height);
    EXPECT_EQ(output.bitCount, c.outputBits);
    EXPECT_EQ(ScreenCodec::CompressQuery(c.input, &output), kIcErrOk);
    const std::int32_t size = ScreenCodec::CompressGetSize(c.input);
    EXPECT_GE(size, 7 + c.rawBytes) << "room for a frame that does not compress";
    EXPECT_LE(size, 7 + c.rawBytes + c.rawBytes / 100 + 64) << "not wastefully large";
    EXPECT_EQ(output.sizeImage, static_cast<std::uint32_t>(size));
    BitmapHeader foreign = output;
    foreign.compression = FourCC('c', 'v', 'i', 'd');
    EXPECT_EQ(ScreenCodec::CompressQuery(c.input, &foreign), kIcErrBadFormat);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ScreenCodecMessagesTest,
    ::testing::Values(MessageCase{"FullHd32", Input(32, 1920, 1080), true, 32, 1920LL * 1080 * 4},
                      MessageCase{"FullHd24WidenedTo32", Input(24, 1920, 1080), true, 32, 1920LL * 1080 * 4},
                      MessageCase{"TopDown32", Input(32, 640, -480), true, 32, 640LL * 480 * 4},
                      MessageCase{"Rgb555", Input(16, 801, 600), true, 16, 801LL * 600 * 2},
                      MessageCase{"Palette8", Input(8, 320, 200, kBiRgb, 1, 16), true, 8, 320LL * 200 + 768},
                      MessageCase{"FourBits", Input(4, 64, 64), false, 0, 0},
                      MessageCase{"OneBit", Input(1, 64, 64), false, 0, 0},
                      MessageCase{"RunLengthEncoded", Input(8, 64, 64, 1), false, 0, 0},
                      MessageCase{"BitFields565", Input(16, 64, 64, 3), false, 0, 0},
                      MessageCase{"AlreadyCompressed", Input(32, 64, 64, kZmbvFourCC), false, 0, 0},
                      MessageCase{"TwoPlanes", Input(32, 64, 64, kBiRgb, 2), false, 0, 0},
                      MessageCase{"NoWidth", Input(32, 0, 64), false, 0, 0},
                      MessageCase{"NoHeight", Input(32, 64, 0), false, 0, 0},
                      MessageCase{"OversizedPalette", Input(8, 64, 64, kBiRgb, 1, 300), false, 0, 0},
                      MessageCase{"TooLargeToAnswerIn32Bits", Input(32, 20000, 20000), false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenCodecTest, CompressWorksOnlyBetweenBeginAndEnd) {
    Picture p = MakePicture(32, 16, 16, 4);
    ScreenCodec codec;
    std::vector<std::uint8_t> out(MaxFrameBytes(p.header));
    std::uint32_t written = 0;
    EXPECT_EQ(codec.Compress(p.pixels.data(), nullptr, out.data(), &written), kIcErrBadFormat);
    ASSERT_EQ(codec.CompressBegin(p.header, nullptr), kIcErrOk);
    ASSERT_EQ(codec.Compress(p.pixels.data(), nullptr, out.data(), &written), kIcErrOk);
    out.resize(written);
    EXPECT_EQ(Decode(out, 16 * 16 * 4).raw, ExpectedRaw(p));
    EXPECT_EQ(codec.CompressEnd(), kIcErrOk);
    EXPECT_EQ(codec.Compress(p.pixels.data(), nullptr, out.data(), &written), kIcErrBadFormat);
}

TEST(ScreenCodecTest, NameInTheDialogIsChineseAndSaysWhatItIs) {
    const CodecInfo info = ScreenCodec::Info();
    EXPECT_EQ(info.handler, kZmbvFourCC);
    EXPECT_EQ(std::u16string(info.description), u"Velvra 无损屏幕编码 (ZMBV)");
    EXPECT_EQ(ScreenCodec::DefaultQuality(), kIcQualityHigh);
}

}  // namespace
}  // namespace kest::codec
