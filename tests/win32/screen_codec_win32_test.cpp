// The recorder's screen codec with Wine's (or Windows') real AVI library and compression dialog:
// chosen in the dialog, its files read back by ffprobe and ffmpeg frame by frame, its key frames
// where players can start, unusable input refused.
#include <gtest/gtest.h>

#include <functional>

#include "codec/win32_screen_codec.h"
#include "codec/zmbv.h"
#include "platform/little_endian.h"
#include "support/bitmap_file.h"
#include "recorder/engine/avidecs.h"
#include "win32/support/dialog_watcher.h"
#include "win32/support/frames.h"
#include "win32/support/test_platform.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

using recorder::AVIDecs;
using recorder::FrameWrite;

// A picture top-down, three bytes a pixel: blue, green, red. For 8-bit files the blue byte is
// the palette index.
struct Screen {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgr;
    std::uint8_t* At(int x, int y) { return bgr.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
    const std::uint8_t* At(int x, int y) const { return bgr.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
};

// Busy and different on every row, as text is, so that a moved row can be told apart.
void PaintTexture(Screen& s, int x, int y, int tx, int ty) {
    const std::uint32_t v = static_cast<std::uint32_t>(tx) * 73856093u ^ static_cast<std::uint32_t>(ty) * 19349663u;
    std::uint8_t* p = s.At(x, y);
    p[0] = static_cast<std::uint8_t>(v >> 3);
    p[1] = static_cast<std::uint8_t>(v >> 11);
    p[2] = static_cast<std::uint8_t>(v >> 19);
}

using Scene = std::function<void(Screen&, int frame, int x, int y)>;

Screen Render(const Scene& scene, int width, int height, int frame) {
    Screen s{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) scene(s, frame, x, y);
    return s;
}

std::uint8_t PaletteEntry(int index, int channel) {  // blue, green, red
    return static_cast<std::uint8_t>(channel == 0 ? index : channel == 1 ? 255 - index : index / 2);
}

std::uint16_t Rgb555(const std::uint8_t* bgr) {
    return static_cast<std::uint16_t>((bgr[2] >> 3) << 10 | (bgr[1] >> 3) << 5 | bgr[0] >> 3);
}

std::vector<std::uint8_t> Bmp(const Screen& s, int bitCount) {
    const std::uint32_t colours = bitCount == 8 ? 256 : 0;
    const auto stride = static_cast<std::uint32_t>(platform::DibStride(s.width, bitCount));
    platform::DibHeader info;
    info.width = s.width;
    info.height = s.height;
    info.bitCount = static_cast<std::uint16_t>(bitCount);
    info.sizeImage = stride * static_cast<std::uint32_t>(s.height);
    info.clrUsed = colours;
    std::vector<std::uint8_t> b = BitmapFileHeader(info, colours * 4);
    for (std::uint32_t i = 0; i < colours; ++i) {
        b.insert(b.end(), {PaletteEntry(static_cast<int>(i), 0), PaletteEntry(static_cast<int>(i), 1),
                           PaletteEntry(static_cast<int>(i), 2), 0});
    }
    const std::size_t offset = b.size();
    b.resize(offset + info.sizeImage, 0);
    for (int y = 0; y < s.height; ++y) {
        std::uint8_t* row = b.data() + offset + static_cast<std::size_t>(s.height - 1 - y) * stride;  // bottom-up
        for (int x = 0; x < s.width; ++x) {
            const std::uint8_t* p = s.At(x, y);
            switch (bitCount) {
                case 32:
                    std::copy(p, p + 3, row + x * 4);
                    row[x * 4 + 3] = 0xFF;
                    break;
                case 24: std::copy(p, p + 3, row + x * 3); break;
                case 16: platform::WriteLE16(row + x * 2, Rgb555(p)); break;
                default: row[x] = p[0];
            }
        }
    }
    return b;
}

// ffmpeg's output for the picture: 32 and 24 bits as bgr24, 5-5-5 as it is, 8 bits as the
// palette's colours.
const char* PixelFormat(int bitCount) { return bitCount == 16 ? "rgb555le" : bitCount == 8 ? "rgb24" : "bgr24"; }

std::vector<std::uint8_t> Decoded(const Screen& s, int bitCount) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const std::uint8_t* p = s.At(x, y);
            if (bitCount == 16) {
                platform::AppendLE16(out, Rgb555(p));
            } else if (bitCount == 8) {
                for (int c = 2; c >= 0; --c) out.push_back(PaletteEntry(p[0], c));
            } else {
                out.insert(out.end(), p, p + 3);
            }
        }
    }
    return out;
}

class ScreenCodecTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(codec::win32::InstallScreenCodec()); }
    void SetUp() override {
        if (!RunningUnderWine()) GTEST_SKIP() << "the recordings are judged by the host's ffprobe";
    }

    bool Open(const std::wstring& output, const std::vector<std::uint8_t>& firstFrame) {
        EXPECT_TRUE(WriteFile(windows.files, frame, firstFrame));
        DialogWatcher watcher({AnswerCompressionDialog(kScreenCodec)});
        const bool opened = avi.OpenAviOutput(0, frame, ToText(output), 10);
        EXPECT_TRUE(watcher.Finish()) << watcher.Failure();
        return opened;
    }

    // Records `count` frames of the scene and returns what ffmpeg should decode.
    std::vector<std::uint8_t> Record(const std::wstring& output, const Scene& scene, int width, int height,
                                     int bitCount, int count) {
        std::vector<std::uint8_t> expected;
        EXPECT_TRUE(Open(output, Bmp(Render(scene, width, height, 0), bitCount)));
        EXPECT_EQ(avi.AviOptions().fccHandler, codec::kZmbvFourCC) << "the watcher found the codec in the list";
        for (int n = 0; n < count; ++n) {
            const Screen screen = Render(scene, width, height, n);
            EXPECT_TRUE(WriteFile(windows.files, frame, Bmp(screen, bitCount)));
            EXPECT_EQ(avi.WriteAviFrame(n, frame), FrameWrite::Written) << "frame " << n;
            const auto pixels = Decoded(screen, bitCount);
            expected.insert(expected.end(), pixels.begin(), pixels.end());
        }
        avi.CloseAviOutput();
        return expected;
    }

    TestPlatform windows;
    AVIDecs avi{windows.platform};
    std::wstring folder = ScratchFolder(L"codec");
    platform::Text frame = ToText(folder + L"tem.bmp");
};

void NoChange(Screen& s, int, int x, int y) { PaintTexture(s, x, y, x, y); }

void SmallChange(Screen& s, int n, int x, int y) {  // a caret moving along a line
    PaintTexture(s, x, y, x, y);
    if (x >= 10 + 9 * n && x < 13 + 9 * n && y >= 20 && y < 25) {
        std::uint8_t* p = s.At(x, y);
        p[0] = static_cast<std::uint8_t>(40 * n + 7);
        p[1] = 255;
        p[2] = 0;
    }
}

void Scroll(Screen& s, int n, int x, int y) {  // a page moving up 7 rows a frame beside a still margin
    PaintTexture(s, x, y, x, x < 24 ? y : y + 7 * n);
}

void FullChange(Screen& s, int n, int x, int y) { PaintTexture(s, x, y, x + 1000 * n, y * 3 + n); }

struct Sequence {
    const char* name;
    Scene scene;
    int bitCount;
    // An inter frame is at most this share of the key frame; 0 when nothing is claimed.
    double interShare;
};

class ScreenCodecSequenceTest : public ScreenCodecTest, public ::testing::WithParamInterface<Sequence> {};

TEST_P(ScreenCodecSequenceTest, FfmpegDecodesEveryFrameAsWritten) {
    const Sequence& c = GetParam();
    const int width = 161, height = 91, count = 6;  // partial blocks at the right and the bottom
    const std::string name = c.name;
    const std::wstring output = folder + std::wstring(name.begin(), name.end()) + L".avi";
    const auto expected = Record(output, c.scene, width, height, c.bitCount, count);

    auto probe = ProbeVideo(output);
    EXPECT_EQ(probe["codec_name"], "zmbv") << probe["output"];
    EXPECT_EQ(probe["width"], std::to_string(width));
    EXPECT_EQ(probe["r_frame_rate"], "10/1");
    EXPECT_EQ(probe["nb_frames"], std::to_string(count));
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(count));
    const ToolResult strict = StrictDecode(output);
    EXPECT_EQ(strict.exitCode, 0);
    EXPECT_EQ(strict.output, "");
    const auto decoded = DecodeFrames(output, PixelFormat(c.bitCount));
    ASSERT_TRUE(decoded.has_value());
    const std::size_t frameBytes = expected.size() / count;
    ASSERT_EQ(decoded->size(), expected.size());
    for (int n = 0; n < count; ++n) {
        EXPECT_TRUE(std::equal(expected.begin() + n * frameBytes, expected.begin() + (n + 1) * frameBytes,
                               decoded->begin() + n * frameBytes))
            << "frame " << n;
    }

    const auto packets = ProbePackets(output);
    ASSERT_EQ(packets.size(), static_cast<std::size_t>(count));
    EXPECT_TRUE(packets[0].key);
    for (int n = 1; n < count; ++n) {
        EXPECT_FALSE(packets[n].key) << "frame " << n << " codes only what changed";
        if (c.interShare > 0) {
            EXPECT_LE(packets[n].size, packets[0].size * c.interShare) << "frame " << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ScreenCodecSequenceTest,
    ::testing::Values(Sequence{"NoChange32", NoChange, 32, 0.002}, Sequence{"SmallChange32", SmallChange, 32, 0.02},
                      Sequence{"Scroll32", Scroll, 32, 0.25}, Sequence{"FullChange32", FullChange, 32, 0},
                      Sequence{"Scroll24", Scroll, 24, 0.25}, Sequence{"Scroll16", Scroll, 16, 0.25},
                      Sequence{"Scroll8", Scroll, 8, 0.25}),
    [](const auto& info) { return std::string(info.param.name); });

void Counter(Screen& s, int n, int x, int y) {  // every frame different: a box moving and changing colour
    PaintTexture(s, x, y, x, y);
    if (x >= n % 50 && x < n % 50 + 9 && y >= 10 + n / 50 * 6 && y < 15 + n / 50 * 6)
        s.At(x, y)[1] = static_cast<std::uint8_t>(n);
}

TEST_F(ScreenCodecTest, KeyFramesEveryHundredFramesAndSeekingStartsFromThem) {
    const int width = 64, height = 48, count = 250;
    const std::wstring output = folder + L"long.avi";
    const auto expected = Record(output, Counter, width, height, 32, count);
    const std::size_t frameBytes = expected.size() / count;

    const auto packets = ProbePackets(output);
    ASSERT_EQ(packets.size(), static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n) EXPECT_EQ(packets[n].key, n % 100 == 0) << "frame " << n;

    const auto decoded = DecodeFrames(output, "bgr24");
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(*decoded == expected) << "the key frames after inter frames decode too";

    // 17.25 s is frame 173 at 10 frames a second, 73 frames after the nearest key frame.
    const auto sought = DecodeFrames(output, "bgr24", 17.25);
    ASSERT_TRUE(sought.has_value());
    ASSERT_EQ(sought->size(), frameBytes * (count - 173));
    EXPECT_TRUE(std::equal(sought->begin(), sought->begin() + frameBytes, expected.begin() + 173 * frameBytes));
}

// A 4-bit bitmap with a 16-colour table: a format the codec does not take.
std::vector<std::uint8_t> FourBitBmp(int width, int height) {
    std::vector<std::uint8_t> b = Bmp(Render(NoChange, width, height, 0), 8);
    b[28] = 4;
    b[46] = 16;  // 16 colours: the 8-bit file's 256 would be more than 4-bit pixels can index
    b[47] = 0;
    return b;
}

TEST_F(ScreenCodecTest, InputItCannotTakeIsRefusedAndLeavesNoFile) {
    const std::wstring output = folder + L"refused.avi";
    EXPECT_FALSE(Open(output, FourBitBmp(32, 16)));
    EXPECT_EQ(avi.AviOptions().fccHandler, codec::kZmbvFourCC);
    EXPECT_FALSE(avi.IsOpen());
    EXPECT_EQ(GetFileAttributesW(output.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace kest::testing
