// The AVI writer with Wine's (or Windows') real AVI library and compression dialog; every file
// it leaves is judged by ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "codec/win32_screen_codec.h"
#include "codec/zmbv.h"
#include "recorder/engine/avidecs.h"
#include "support/riff.h"
#include "win32/support/dialog_watcher.h"
#include "win32/support/frames.h"
#include "win32/support/test_platform.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

using recorder::AVIDecs;
using recorder::FrameWrite;

class AviOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RunningUnderWine()) GTEST_SKIP() << "the recordings are judged by the host's ffprobe";
    }

    // Opens `writer` on `output` from the first pattern frame while the compression dialog is
    // answered with `compressor` (or cancelled); whether it opened.
    bool Open(AVIDecs& writer, const std::wstring& output, int width, int height, int bitCount,
              const wchar_t* compressor = kFullFrames, bool ok = true) {
        EXPECT_TRUE(WriteFile(windows.files, frame, PatternBmp(width, height, bitCount, 0)));
        DialogWatcher watcher({AnswerCompressionDialog(compressor, ok)});
        const bool opened = writer.OpenAviOutput(0, frame, ToText(output), 10);
        EXPECT_TRUE(watcher.Finish()) << watcher.Failure();
        return opened;
    }
    // Writes `count` pattern frames through the writer and closes it.
    void Record(const std::wstring& output, int width, int height, int bitCount, int count) {
        ASSERT_TRUE(Open(avi, output, width, height, bitCount));
        for (int n = 0; n < count; ++n) {
            ASSERT_TRUE(WriteFile(windows.files, frame, PatternBmp(width, height, bitCount, n)));
            ASSERT_EQ(avi.WriteAviFrame(n, frame), FrameWrite::Written);
        }
        avi.CloseAviOutput();
    }

    TestPlatform windows;
    AVIDecs avi{windows.platform};
    std::wstring folder = ScratchFolder(L"avi");
    platform::Text frame = ToText(folder + L"tem.bmp");
};

class UncompressedTest : public AviOutputTest, public ::testing::WithParamInterface<int> {};

TEST_P(UncompressedTest, FramesComeBackAsWritten) {
    const int bitCount = GetParam();
    const int width = 160, height = 90, count = 6;
    const std::wstring output = folder + L"uncompressed" + std::to_wstring(bitCount) + L".avi";
    Record(output, width, height, bitCount, count);

    auto probe = ProbeVideo(output);
    EXPECT_EQ(probe["codec_name"], "rawvideo");
    EXPECT_EQ(probe["width"], "160");
    EXPECT_EQ(probe["height"], "90");
    EXPECT_EQ(probe["r_frame_rate"], "10/1");
    EXPECT_EQ(probe["nb_frames"], std::to_string(count));
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(count));
    EXPECT_EQ(probe["nb_streams"], "1");

    const ToolResult strict = StrictDecode(output);
    EXPECT_EQ(strict.exitCode, 0);
    EXPECT_EQ(strict.output, "");

    const std::string format = bitCount == 32 ? "bgra" : "bgr24";
    for (int n = 0; n < count; ++n) {
        auto pixels = DecodeFrame(output, n, format);
        ASSERT_TRUE(pixels.has_value()) << "frame " << n;
        auto expected = PatternPixels(width, height, bitCount / 8, n);
        if (bitCount == 32) {
            // The unused fourth byte is not a colour; compare the colours only.
            for (std::size_t i = 3; i < pixels->size(); i += 4) (*pixels)[i] = 0;
        }
        EXPECT_EQ(*pixels, expected) << "frame " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(BitCounts, UncompressedTest, ::testing::Values(24, 32));

TEST_F(AviOutputTest, ChineseOutputPathRecords) {
    const std::wstring chinese = folder + L"我的录像";
    CreateDirectoryW(chinese.c_str(), nullptr);
    const std::wstring output = chinese + L"\\会议记录.avi";
    Record(output, 64, 48, 32, 3);
    auto probe = ProbeVideo(output);
    EXPECT_EQ(probe["nb_read_frames"], "3");
    EXPECT_EQ(probe["width"], "64");
    EXPECT_EQ(GetFileAttributesW(output.c_str()) != INVALID_FILE_ATTRIBUTES, true);
}

class RefusingCompressorTest : public AviOutputTest, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(RefusingCompressorTest, TrueColourFramesAreRefusedAndLeaveNoFile) {
    for (int bitCount : {24, 32}) {
        const std::wstring output = folder + L"refused.avi";
        EXPECT_FALSE(Open(avi, output, 64, 48, bitCount, GetParam())) << bitCount << " bits";
        EXPECT_EQ(GetFileAttributesW(output.c_str()), INVALID_FILE_ATTRIBUTES) << bitCount << " bits";
        EXPECT_FALSE(avi.IsOpen());
    }
}

INSTANTIATE_TEST_SUITE_P(Compressors, RefusingCompressorTest,
                         ::testing::Values(L"Cinepak Video codec", L"Wine MS-RLE video codec"));

TEST_F(AviOutputTest, CancelledDialogKeepsTheCreatedFile) {
    const std::wstring output = folder + L"cancelled.avi";
    EXPECT_FALSE(Open(avi, output, 64, 48, 32, kFullFrames, false));
    EXPECT_NE(GetFileAttributesW(output.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Wine's library reports success past 2 GiB and then leaves frames no reader finds; the writer
// must end the file first, and everything in it must stay readable.
TEST_F(AviOutputTest, RecordingEndsBeforeTwoGibibytesAndStaysReadable) {
    const int width = 3840, height = 2160;
    const std::wstring output = folder + L"large.avi";
    ASSERT_TRUE(Open(avi, output, width, height, 32));
    int written = 0;
    FrameWrite result = FrameWrite::Written;
    while (written < 100 && (result = avi.WriteAviFrame(written, frame)) == FrameWrite::Written) ++written;
    EXPECT_EQ(result, FrameWrite::SizeLimitReached);
    EXPECT_FALSE(avi.IsOpen());

    const auto length = windows.files.Length(ToText(output));
    ASSERT_TRUE(length.has_value());
    EXPECT_LT(*length, recorder::kMaxAviFileBytes);
    EXPECT_GT(*length, recorder::kMaxAviFileBytes - 3LL * width * height * 4) << "ended far too early";
    auto probe = ProbeVideo(output);
    EXPECT_EQ(probe["nb_frames"], std::to_string(written));
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(written));
    auto last = DecodeFrame(output, written - 1, "bgra");
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->size(), static_cast<std::size_t>(width) * height * 4);
    DeleteFileW(output.c_str());
}

// Wine's library reports success after the disk is full and leaves a file whose header claims
// frames that are not there; the writer must stop first and leave a file that reads cleanly.
TEST_F(AviOutputTest, FullDiskEndsTheFileWhileEverythingInItIsReadable) {
    const std::string mount = "/tmp/kest-small-disk-" + std::to_string(GetCurrentProcessId());
    if (RunHostShell("id -u").output != "0\n") GTEST_SKIP() << "mounting a small tmpfs needs root";
    const ToolResult mounted =
        RunHostShell("mkdir -p " + mount + " && mount -t tmpfs -o size=16m kest-small-disk " + mount);
    if (mounted.exitCode != 0) GTEST_SKIP() << "could not mount a small tmpfs: " << mounted.output;
    struct Unmount {
        std::string path;
        ~Unmount() { RunHostShell("umount " + path + " && rmdir " + path); }
    } unmount{mount};

    std::wstring output = L"Z:";
    for (char c : mount + "/full.avi") output += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    ASSERT_TRUE(Open(avi, output, 640, 480, 32));  // 1.2 MB a frame: a dozen fill the disk
    int written = 0;
    FrameWrite result = FrameWrite::Written;
    while (written < 100 && (result = avi.WriteAviFrame(written, frame)) == FrameWrite::Written) ++written;
    EXPECT_EQ(result, FrameWrite::DiskFull);
    EXPECT_GT(written, 2);
    EXPECT_FALSE(avi.IsOpen());

    auto probe = ProbeVideo(output);
    EXPECT_EQ(probe["nb_frames"], std::to_string(written)) << probe["output"];
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(written));
    const ToolResult strict = StrictDecode(output);
    EXPECT_EQ(strict.exitCode, 0);
    EXPECT_EQ(strict.output, "");
}

// While the library holds the file open it has written the frames but not the headers; the
// writer keeps them on disk after every frame so that a recorder that dies leaves them all.
class ReadableWhileOpenTest : public AviOutputTest, public ::testing::WithParamInterface<Compressor> {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(codec::win32::InstallScreenCodec()); }

    // Opens `output` on 24-bit pattern frames and writes frames 0 to count - 1, running
    // `written(n)` once n frames are in, from 0 on.
    void Write(AVIDecs& writer, const std::wstring& output, int count, const std::function<void(int)>& written) {
        ASSERT_TRUE(Open(writer, output, kWidth, kHeight, 24, GetParam().inDialog));
        written(0);
        for (int n = 0; n < count; ++n) {
            ASSERT_TRUE(WriteFile(windows.files, frame, PatternBmp(kWidth, kHeight, 24, n)));
            ASSERT_EQ(writer.WriteAviFrame(n, frame), FrameWrite::Written);
            written(n + 1);
        }
    }

    static constexpr int kWidth = 161, kHeight = 91;  // odd: padded rows, odd-sized chunks
};

// While open, the file reads back with every frame written so far; closed, it is byte for byte
// the file the library leaves without the kept headers.
TEST_P(ReadableWhileOpenTest, EveryWrittenFrameReadsBackBeforeTheCloseAndTheClosedFileIsTheLibrarys) {
    const std::wstring kept = folder + L"kept.avi", plain = folder + L"plain.avi";
    const int count = 3;
    Write(avi, kept, count, [&](int written) {
        EXPECT_TRUE(avi.KeepingFileReadable());
        if (written != 0 && written != count) return;
        auto probe = ProbeVideo(kept);
        EXPECT_EQ(probe["codec_name"], GetParam().codecName) << probe["output"];
        EXPECT_EQ(probe["width"], std::to_string(kWidth));
        EXPECT_EQ(probe["height"], std::to_string(kHeight));
        EXPECT_EQ(probe["r_frame_rate"], "10/1");
        // Without frames there is nothing to count, and ffmpeg cannot tell a codec's pixel format.
        if (written == 0) return;
        EXPECT_EQ(probe["nb_frames"], std::to_string(written));
        EXPECT_EQ(probe["nb_read_frames"], std::to_string(written));
        const ToolResult strict = StrictDecode(kept);
        EXPECT_EQ(strict.exitCode, 0);
        EXPECT_EQ(strict.output, "");
        auto last = DecodeFrame(kept, written - 1, "bgr24");
        ASSERT_TRUE(last.has_value());
        EXPECT_EQ(*last, PatternPixels(kWidth, kHeight, 3, written - 1)) << "frame " << written - 1;
    });
    avi.CloseAviOutput();
    AVIDecs without(windows.platform);
    without.SetKeepsFileReadable(false);
    Write(without, plain, count, [&](int) { EXPECT_FALSE(without.KeepingFileReadable()); });
    without.CloseAviOutput();

    const auto keptBytes = FileBytes(kept);
    EXPECT_GT(keptBytes.size(), 2048u);
    EXPECT_TRUE(keptBytes == FileBytes(plain)) << "the library's header and index replace the kept ones at the close";
}

INSTANTIATE_TEST_SUITE_P(Compressors, ReadableWhileOpenTest, ::testing::ValuesIn(kRecordingCompressors),
                         CompressorName);

// Wine's library slips where Windows' does not; the platform's library hides each slip, so that
// the writer meets the library as documented. Frames go in flagged as the whole pictures they
// are, through a compressing stream made as the writer makes it (Full Frames, or our codec), each
// followed by a tenth of a second of sound at the sound stream's end in samples.
class LibraryAsDocumentedTest : public AviOutputTest, public ::testing::WithParamInterface<std::uint32_t> {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(codec::win32::InstallScreenCodec()); }
};

TEST_P(LibraryAsDocumentedTest, CountersKeyFramesAndTheFinishedFileAreAsDocumented) {
    constexpr int kWidth = 64, kHeight = 48, kFrames = 3, kHeaders = 14 + 40;  // BMP file and info headers
    const bool compresses = GetParam() != platform::kComptypeDib;
    const std::wstring output = folder + (compresses ? L"library-codec.avi" : L"library-full.avi");
    platform::AviLibrary& library = windows.avi;
    library.FileInit();
    platform::Handle file = 0, stream = 0, compressed = 0, sound = 0;
    ASSERT_EQ(library.FileOpen(&file, ToText(output), platform::kOfCreate | platform::kOfWrite), 0);
    platform::AviStreamInfo info;
    info.fccType = library.StringToFourCC(u"vids", 0);
    info.dwScale = 1;
    info.dwRate = 10;
    info.rcFrame = {0, 0, kWidth, kHeight};
    ASSERT_EQ(library.FileCreateStream(file, &stream, info), 0);
    platform::AviCompressOptions options{info.fccType, GetParam(), 100, 0, 0, platform::kAvicompressfKeyframes};
    ASSERT_EQ(library.MakeCompressedStream(&compressed, stream, &options), 0);
    ASSERT_EQ(library.StreamSetFormat(compressed, 0, PatternBmp(kWidth, kHeight, 32, 0).data() + 14, 40), 0);
    constexpr std::int32_t kSamples = 2205;  // mono, 16 bits, 22,050 a second
    platform::AviStreamInfo soundInfo;
    soundInfo.fccType = library.StringToFourCC(u"auds", 0);
    soundInfo.dwScale = 1;
    soundInfo.dwRate = 22050;
    soundInfo.dwSampleSize = 2;
    const std::uint8_t wave[] = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0, 0, 0};
    ASSERT_EQ(library.FileCreateStream(file, &sound, soundInfo), 0);
    ASSERT_EQ(library.StreamSetFormat(sound, 0, wave, sizeof wave), 0);
    std::vector<std::uint8_t> sent;
    std::vector<std::int64_t> reported;
    for (int n = 0; n < kFrames; ++n) {
        const auto bmp = PatternBmp(kWidth, kHeight, 32, n);
        std::int32_t samples = 0, bytes = 0;
        const auto size = static_cast<std::int32_t>(bmp.size()) - kHeaders;
        ASSERT_EQ(library.StreamWrite(compressed, n, 1, bmp.data() + kHeaders, size, platform::kAviifKeyframe, &samples,
                                      &bytes),
                  0);
        EXPECT_EQ(samples, 1) << "frame " << n;
        reported.push_back(bytes);
        std::vector<std::uint8_t> chunk(2 * kSamples);
        for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<std::uint8_t>(i * 7 + n);
        const auto writeSound = [&](std::int32_t start) {
            return library.StreamWrite(sound, start, kSamples, chunk.data(), 2 * kSamples, platform::kAviifKeyframe,
                                       nullptr, nullptr);
        };
        if (n == 1) {
            EXPECT_NE(writeSound(n), 0) << "the stream's end is counted in samples, not chunks";
        }
        ASSERT_EQ(writeSound(n * kSamples), 0);
        sent.insert(sent.end(), chunk.begin(), chunk.end());
        ASSERT_EQ(library.StreamInfo(sound, &soundInfo), 0);
        EXPECT_EQ(soundInfo.dwLength, (n + 1u) * kSamples) << "the sound stream's length in samples";
    }
    library.StreamRelease(sound);
    library.StreamRelease(stream);
    library.StreamRelease(compressed);
    EXPECT_EQ(library.FileRelease(file), 0u);
    library.FileExit();

    const auto packets = ProbePackets(output);
    ASSERT_EQ(packets.size(), static_cast<std::size_t>(kFrames));
    for (int n = 0; n < kFrames; ++n) {
        EXPECT_EQ(packets[n].size, reported[n]) << "the bytes reported for frame " << n;
        EXPECT_EQ(packets[n].key, n == 0 || !compresses) << "only the compressor's key frames are indexed as such";
    }
    const Riff riff{std::filesystem::path(output)};
    const auto avih = riff.Find({"hdrl", "avih"}), strh = riff.Find({"hdrl", "strl", "strh"});
    ASSERT_TRUE(avih && strh) << riff.Outline();
    EXPECT_EQ(riff.U32(avih->Data()), 100'000u) << "the main header's time per frame";
    EXPECT_EQ(riff.U32(4) + 8, riff.Size()) << "nothing past the RIFF";
    if (compresses) {
        EXPECT_EQ(riff.U32(strh->Data() + 4), GetParam()) << "the stream header names the compressor";
    }
    EXPECT_EQ(ProbeStream(output, "a:0")["nb_frames"], std::to_string(kFrames * kSamples)) << "the sound's header";
    EXPECT_EQ(Decode(output, "-map 0:a -f s16le"), sent);
}

INSTANTIATE_TEST_SUITE_P(Compressors, LibraryAsDocumentedTest,
                         ::testing::Values(platform::kComptypeDib, codec::kZmbvFourCC),
                         [](const auto& info) { return info.param == platform::kComptypeDib ? "Full" : "Codec"; });

TEST_F(AviOutputTest, ChosenCompressorIsKeptForTheNextRecording) {
    Record(folder + L"first.avi", 32, 32, 32, 1);
    EXPECT_EQ(avi.AviOptions().fccHandler, 0x20424944u) << "\"DIB \": full frames";
}

}  // namespace
}  // namespace kest::testing
