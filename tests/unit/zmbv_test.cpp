// The screen codec's key frames, inflated here, its key-frame decisions and its answers to the
// compression messages. Inter frames are judged by ffmpeg in the Windows suite.
#include <gtest/gtest.h>
#include <zlib.h>

#include <optional>
#include <vector>

#include "codec/zmbv.h"

namespace kest::codec {
namespace {

// ZMBV frames share one zlib stream from a key frame on, each frame ending with a sync flush.
class Inflater {
public:
    Inflater() { inflateInit(&z_); }
    ~Inflater() { inflateEnd(&z_); }
    // The payload of one frame; nothing when zlib finds it damaged or it does not end flushed.
    std::optional<std::vector<std::uint8_t>> Frame(const std::vector<std::uint8_t>& frame, std::size_t expected) {
        const std::size_t header = frame[0] & 1 ? 7 : 1;
        if (frame[0] & 1) inflateReset(&z_);
        std::vector<std::uint8_t> raw(expected + 64);  // room to notice a payload that is too long
        z_.next_in = const_cast<Bytef*>(frame.data() + header);
        z_.avail_in = static_cast<uInt>(frame.size() - header);
        z_.next_out = raw.data();
        z_.avail_out = static_cast<uInt>(raw.size());
        const int result = inflate(&z_, Z_SYNC_FLUSH);
        if ((result != Z_OK && result != Z_BUF_ERROR) || z_.avail_in != 0) return std::nullopt;
        raw.resize(raw.size() - z_.avail_out);
        return raw;
    }

private:
    z_stream z_{};
};

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
        for (int i = 0; i < 256; ++i)
            p.colours.insert(p.colours.end(), {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2), 0});
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
        for (int i = 0; i < 256; ++i)
            raw.insert(raw.end(), {p.colours[i * 4 + 2], p.colours[i * 4 + 1], p.colours[i * 4]});
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
    Inflater inflater;
    Picture first = MakePicture(c.bitCount, c.width, c.height, 1);
    ASSERT_TRUE(encoder.Begin(first.header));
    for (int seed : {1, 2}) {  // a second key frame must decode on its own too
        Picture p = MakePicture(c.bitCount, c.width, c.height, seed);
        std::vector<std::uint8_t> out(MaxFrameBytes(p.header));
        const auto frame = encoder.Encode(p.pixels.data(), p.colours.data(), true, out.data(), out.size());
        ASSERT_TRUE(frame.has_value());
        EXPECT_TRUE(frame->key);
        out.resize(frame->size);
        const std::vector<std::uint8_t> expected = ExpectedRaw(p);
        EXPECT_EQ(out[0], 1) << "key frame, no palette change";
        EXPECT_EQ(out[1], 0);
        EXPECT_EQ(out[2], 1);
        EXPECT_EQ(out[3], 1) << "zlib";
        EXPECT_EQ(out[4], c.format);
        EXPECT_EQ(out[5], kDefaultBlockSize);
        EXPECT_EQ(out[6], kDefaultBlockSize);
        EXPECT_EQ(inflater.Frame(out, expected.size()), expected) << "seed " << seed;
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

TEST(ZmbvEncoderTest, AFrameThatDoesNotFitFailsAndTheNextOneIsAKeyFrame) {
    ZmbvEncoder encoder;
    Picture p = MakePicture(32, 64, 64, 3);
    ASSERT_TRUE(encoder.Begin(p.header));
    std::vector<std::uint8_t> out(MaxFrameBytes(p.header));
    ASSERT_TRUE(encoder.Encode(p.pixels.data(), nullptr, true, out.data(), out.size()).has_value());
    Picture changed = MakePicture(32, 64, 64, 4);
    EXPECT_FALSE(encoder.Encode(changed.pixels.data(), nullptr, false, out.data(), 64).has_value());
    // The decoder never saw the failed frame, so nothing after it may refer to it.
    const auto next = encoder.Encode(changed.pixels.data(), nullptr, false, out.data(), out.size());
    ASSERT_TRUE(next.has_value());
    EXPECT_TRUE(next->key);
}

TEST(ZmbvEncoderTest, APaletteChangeTravelsAsTheXorOfTheTwoPalettes) {
    ZmbvEncoder encoder;
    Inflater inflater;
    Picture p = MakePicture(8, 16, 8, 1);
    ASSERT_TRUE(encoder.Begin(p.header));
    std::vector<std::uint8_t> out(MaxFrameBytes(p.header));
    const auto key = encoder.Encode(p.pixels.data(), p.colours.data(), true, out.data(), out.size());
    ASSERT_TRUE(key.has_value());
    ASSERT_TRUE(inflater.Frame({out.begin(), out.begin() + key->size}, RawFrameBytes(p.header)).has_value());
    std::vector<std::uint8_t> colours = p.colours;
    colours[5 * 4 + 2] ^= 0x81;  // the red of entry 5
    const auto inter = encoder.Encode(p.pixels.data(), colours.data(), false, out.data(), out.size());
    ASSERT_TRUE(inter.has_value());
    EXPECT_FALSE(inter->key);
    EXPECT_EQ(out[0], 2) << "an inter frame with a palette change";
    const auto payload = inflater.Frame({out.begin(), out.begin() + inter->size}, 768 + 4);
    ASSERT_TRUE(payload.has_value());
    std::vector<std::uint8_t> expected(768 + 4, 0);  // the palette's XOR, then the one block's vector, padded
    expected[5 * 3] = 0x81;
    EXPECT_EQ(*payload, expected);
}

TEST(ZmbvEncoderTest, AnInterFrameCarriesTheChangedBlocksOnlyAndFindsThemAllOverALargeFrame) {
    // 4 MB a frame: large enough for the comparison to be shared between two threads.
    const int side = 1024, blocks = side / kDefaultBlockSize;
    ZmbvEncoder encoder;
    Inflater inflater;
    Picture p = MakePicture(32, side, side, 1);
    ASSERT_TRUE(encoder.Begin(p.header));
    std::vector<std::uint8_t> out(MaxFrameBytes(p.header));
    const auto key = encoder.Encode(p.pixels.data(), nullptr, true, out.data(), out.size());
    ASSERT_TRUE(key.has_value());
    ASSERT_TRUE(inflater.Frame({out.begin(), out.begin() + key->size}, RawFrameBytes(p.header)).has_value());
    // One pixel in the top block row and one in the bottom one (rows are stored bottom-up).
    const std::size_t stride = side * 4;
    p.pixels[(side - 1) * stride + 5 * 4] ^= 0x40;      // top row, block 0
    p.pixels[0 * stride + (side - 1) * 4 + 1] ^= 0x40;  // bottom row, last block
    const auto inter = encoder.Encode(p.pixels.data(), nullptr, false, out.data(), out.size());
    ASSERT_TRUE(inter.has_value());
    EXPECT_FALSE(inter->key);
    const std::size_t table = blocks * blocks * 2, blockBytes = kDefaultBlockSize * kDefaultBlockSize * 4;
    const auto payload = inflater.Frame({out.begin(), out.begin() + inter->size}, table + 2 * blockBytes);
    ASSERT_TRUE(payload.has_value());
    ASSERT_EQ(payload->size(), table + 2 * blockBytes) << "the vectors and two blocks' XOR";
    std::vector<int> flagged;
    for (std::size_t b = 0; b < blocks * blocks; ++b) {
        if ((*payload)[b * 2] & 1) flagged.push_back(static_cast<int>(b));
    }
    EXPECT_EQ(flagged, (std::vector<int>{0, blocks * blocks - 1}));
    EXPECT_LT(inter->size, 400u) << "unchanged blocks cost next to nothing";
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
    foreign.compression = FourCC("cvid");
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
    std::uint32_t written = 0, flags = 0;
    EXPECT_EQ(codec.Compress(kIcCompressKeyFrame, 0, p.pixels.data(), nullptr, out.data(), &written, &flags),
              kIcErrBadFormat);
    ASSERT_EQ(codec.CompressBegin(p.header, nullptr), kIcErrOk);
    ASSERT_EQ(codec.Compress(kIcCompressKeyFrame, 0, p.pixels.data(), nullptr, out.data(), &written, &flags), kIcErrOk);
    out.resize(written);
    EXPECT_EQ(Inflater().Frame(out, 16 * 16 * 4), ExpectedRaw(p));
    EXPECT_EQ(codec.CompressEnd(), kIcErrOk);
    EXPECT_EQ(codec.Compress(0, 1, p.pixels.data(), nullptr, out.data(), &written, &flags), kIcErrBadFormat);
}

// One call to Compress: what the host asks for and which buffer it gives.
struct CompressCall {
    std::uint32_t flags;
    std::int32_t frame;
    int buffer;  // index of one of two output buffers
    bool key;    // what the codec must make of it
};

struct KeyFrameCase {
    const char* name;
    std::vector<CompressCall> calls;
};

class ScreenCodecKeyFrameTest : public ::testing::TestWithParam<KeyFrameCase> {};

TEST_P(ScreenCodecKeyFrameTest, KeyFramesWhereAskedOrWhereTheOrderBreaks) {
    ScreenCodec codec;
    Picture p = MakePicture(32, 20, 20, 1);
    ASSERT_EQ(codec.CompressBegin(p.header, nullptr), kIcErrOk);
    std::vector<std::uint8_t> buffers[2] = {std::vector<std::uint8_t>(MaxFrameBytes(p.header)),
                                            std::vector<std::uint8_t>(MaxFrameBytes(p.header))};
    std::vector<std::uint8_t> previous;
    for (const CompressCall& call : GetParam().calls) {
        Picture frame = MakePicture(32, 20, 20, call.frame);
        std::uint32_t written = 0, flags = 0;
        auto& out = buffers[call.buffer];
        ASSERT_EQ(codec.Compress(call.flags, call.frame, frame.pixels.data(), nullptr, out.data(), &written, &flags),
                  kIcErrOk);
        EXPECT_EQ(flags, call.key ? kAviifKeyFrame : 0u) << "frame " << call.frame;
        EXPECT_EQ(out[0] & 1, call.key ? 1 : 0) << "frame " << call.frame;
        const std::vector<std::uint8_t> coded(out.begin(), out.begin() + written);
        if (&call != &GetParam().calls.front() && call.frame == (&call - 1)->frame &&
            call.buffer == (&call - 1)->buffer) {
            EXPECT_EQ(coded, previous) << "the same frame asked for again is the same frame";
        }
        previous = coded;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ScreenCodecKeyFrameTest,
    ::testing::Values(
        KeyFrameCase{"FirstFrameIsKeyEvenUnasked", {{0, 0, 0, true}, {0, 1, 0, false}}},
        KeyFrameCase{
            "KeyWhereAsked",
            {{kIcCompressKeyFrame, 0, 0, true}, {0, 1, 0, false}, {kIcCompressKeyFrame, 2, 0, true}, {0, 3, 0, false}}},
        // Slots the recorder held between two frames: players still show the frame coded last.
        KeyFrameCase{"InterAcrossHeldSlots",
                     {{kIcCompressKeyFrame, 0, 0, true}, {0, 1, 0, false}, {0, 3, 0, false}, {0, 4, 0, false}}},
        KeyFrameCase{"LastFrameNumber",
                     {{kIcCompressKeyFrame, 2147483646, 0, true}, {0, 2147483647, 0, false}, {0, 0, 0, true}}},
        KeyFrameCase{"KeyWhenGoingBack", {{kIcCompressKeyFrame, 0, 0, true}, {0, 1, 0, false}, {0, 1, 1, true}}},
        KeyFrameCase{"SameFrameAskedAgainIsNotCodedAgainstItself",
                     {{kIcCompressKeyFrame, 0, 0, true}, {0, 1, 0, false}, {0, 1, 0, false}, {0, 2, 0, false}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenCodecTest, NameInTheDialogIsChineseAndSaysWhatItIs) {
    const CodecInfo info = ScreenCodec::Info();
    EXPECT_EQ(info.handler, kZmbvFourCC);
    EXPECT_EQ(info.flags & (kVidcfTemporal | kVidcfFastTemporalC), kVidcfTemporal | kVidcfFastTemporalC)
        << "without them the library asks for a key frame every time, or for a decompressor";
    EXPECT_EQ(std::u16string(info.description), u"Velvra 无损屏幕编码 (ZMBV)");
    EXPECT_EQ(ScreenCodec::DefaultQuality(), kIcQualityHigh);
}

}  // namespace
}  // namespace kest::codec
