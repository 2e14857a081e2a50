// The recorder's screen codec with Wine's (or Windows') real AVI library and compression dialog:
// offered in the dialog, chosen there, and its files read back by ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include "codec/win32_screen_codec.h"
#include "codec/zmbv.h"
#include "recorder/engine/avidecs.h"
#include "win32/support/dialog_watcher.h"
#include "win32/support/frames.h"
#include "win32/support/test_platform.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

using recorder::AVIDecs;
using recorder::FrameWrite;

constexpr wchar_t kScreenCodec[] = L"Velvra 无损屏幕编码 (ZMBV)";

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

    TestPlatform windows;
    AVIDecs avi{windows.platform};
    std::wstring folder = ScratchFolder(L"codec");
    platform::Text frame = ToText(folder + L"tem.bmp");
};

class ScreenCodecRecordingTest : public ScreenCodecTest, public ::testing::WithParamInterface<int> {};

TEST_P(ScreenCodecRecordingTest, ChosenInTheDialogAndEveryFrameDecodesAsWritten) {
    const int bitCount = GetParam();
    const int width = 161, height = 91, count = 5;  // an odd width: padded DIB rows
    const std::wstring output = folder + L"zmbv" + std::to_wstring(bitCount) + L".avi";
    ASSERT_TRUE(Open(output, PatternBmp(width, height, bitCount, 0)));
    EXPECT_EQ(avi.AviOptions().fccHandler, codec::kZmbvFourCC) << "the watcher found the codec in the list";
    for (int n = 0; n < count; ++n) {
        ASSERT_TRUE(WriteFile(windows.files, frame, PatternBmp(width, height, bitCount, n)));
        ASSERT_EQ(avi.WriteAviFrame(n, frame), FrameWrite::Written);
    }
    avi.CloseAviOutput();

    auto probe = ProbeVideo(output);
    EXPECT_EQ(probe["codec_name"], "zmbv") << probe["output"];
    EXPECT_EQ(probe["nb_streams"], "1");
    EXPECT_EQ(probe["width"], std::to_string(width));
    EXPECT_EQ(probe["height"], std::to_string(height));
    EXPECT_EQ(probe["r_frame_rate"], "10/1");
    EXPECT_EQ(probe["nb_frames"], std::to_string(count));
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(count));
    const ToolResult strict = StrictDecode(output);
    EXPECT_EQ(strict.exitCode, 0);
    EXPECT_EQ(strict.output, "");
    for (int n = 0; n < count; ++n) {
        auto pixels = DecodeFrame(output, n, "bgr24");
        ASSERT_TRUE(pixels.has_value()) << "frame " << n;
        EXPECT_EQ(*pixels, PatternPixels(width, height, 3, n)) << "frame " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(BitCounts, ScreenCodecRecordingTest, ::testing::Values(24, 32));

// A 4-bit bitmap with a 16-colour table: a format the codec does not take.
std::vector<std::uint8_t> FourBitBmp(int width, int height) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 4 + 31) / 32 * 4;
    const std::uint32_t offset = 54 + 16 * 4, size = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> b(offset + size, 0x12);
    auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, offset + size, 4);
    put(6, 0, 4);
    put(10, offset, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 4, 2);
    put(30, 0, 4);
    put(34, size, 4);
    put(38, 0, 16);
    put(46, 16, 4);
    put(50, 0, 4);
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
