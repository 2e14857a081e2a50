#include "recorder/engine/avidecs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "fake/fake_platform.h"
#include "platform/little_endian.h"

namespace kest::recorder {
namespace {

using fake::FakeAvi;
using fake::MakeBmp;

class AviDecsTest : public ::testing::Test {
protected:
    AviDecsTest() { fake.files.contents[frame] = MakeBmp(4, 3, 32, 0x10); }

    bool Open(std::int32_t fps = 10) { return avi.OpenAviOutput(0x1234, frame, output, fps); }
    int MessagesWith(const std::string& text) const {
        return static_cast<int>(std::count_if(fake.toolkit.messages.begin(), fake.toolkit.messages.end(),
                                              [&](const auto& m) { return fake::Utf8(m.text) == text; }));
    }

    fake::FakePlatform fake;
    AVIDecs avi{fake.platform};
    const platform::Text frame = u"C:\\Temp\\tem.bmp";
    const platform::Text output = u"C:\\rec\\out.avi";
};

class RateTest : public AviDecsTest, public ::testing::WithParamInterface<std::pair<int, std::uint32_t>> {};

TEST_P(RateTest, StreamRateIsClampedToOneToThirty) {
    ASSERT_TRUE(Open(GetParam().first));
    EXPECT_EQ(fake.avi.streamInfo.dwRate, GetParam().second);
    EXPECT_EQ(fake.avi.streamInfo.dwScale, 1u);
}

INSTANTIATE_TEST_SUITE_P(Fps, RateTest,
                         ::testing::Values(std::pair{0, 1u}, std::pair{-3, 1u}, std::pair{1, 1u}, std::pair{10, 10u},
                                           std::pair{30, 30u}, std::pair{45, 30u}));

TEST_F(AviDecsTest, OpenDescribesTheStreamByTheFirstBitmap) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(fake.avi.openMode, 0x1001u);
    EXPECT_EQ(fake.avi.streamInfo.fccType, platform::FourCC("vids"));
    EXPECT_EQ(fake.avi.streamInfo.fccHandler, 0u);
    EXPECT_EQ(fake.avi.streamInfo.dwSuggestedBufferSize, 48u);
    EXPECT_EQ(fake.avi.streamInfo.rcFrame, (platform::Rect{0, 0, 4, 3}));
    EXPECT_EQ(fake.avi.saveOptionsFlags, 3u);
    const auto& bmp = fake.files.contents[frame];
    EXPECT_EQ(fake.avi.format, std::vector<std::uint8_t>(bmp.begin() + 14, bmp.begin() + 54));
    EXPECT_EQ(fake.log, (std::vector<std::string>{"AVIFileInit", "AVIFileOpen", "AVIFileCreateStream", "AVISaveOptions",
                                                  "AVIMakeCompressedStream", "AVIStreamSetFormat"}));
}

struct OpenFailure {
    const char* name;
    std::function<void(fake::FakePlatform&)> arrange;
    bool fileKept;
    int optionsFreed;
};

class OpenFailureTest : public AviDecsTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, ClosesItselfAndLeavesTheFileAsDecided) {
    GetParam().arrange(fake);
    EXPECT_FALSE(Open());
    EXPECT_FALSE(avi.IsOpen());
    EXPECT_EQ(fake.files.Exists(output), GetParam().fileKept);
    EXPECT_EQ(fake.avi.saveOptionsFreeCount, GetParam().optionsFreed);
    EXPECT_EQ(fake.avi.initCount, 1);
    EXPECT_EQ(fake.avi.exitCount, 1);
    auto released = fake.avi.released;
    std::sort(released.begin(), released.end());
    EXPECT_EQ(std::adjacent_find(released.begin(), released.end()), released.end()) << "a handle released twice";

    avi.CloseAviOutput();  // a close after a failed open does nothing
    EXPECT_EQ(fake.avi.exitCount, 1);
    EXPECT_EQ(fake.avi.released.size(), released.size());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, OpenFailureTest,
    ::testing::Values(
        OpenFailure{"FileOpenFails", [](auto& f) { f.avi.script.openStatus = -2147205009; }, false, 0},
        OpenFailure{"FirstBitmapMissing", [](auto& f) { f.files.contents.erase(u"C:\\Temp\\tem.bmp"); }, true, 0},
        OpenFailure{"StreamCreationFails", [](auto& f) { f.avi.script.createStreamStatus = -1; }, false, 0},
        OpenFailure{"DialogCancelled", [](auto& f) { f.avi.script.saveOptionsResult = 0; }, true, 1},
        OpenFailure{"DialogError", [](auto& f) { f.avi.script.saveOptionsResult = -1; }, false, 1},
        OpenFailure{"DialogOddResult", [](auto& f) { f.avi.script.saveOptionsResult = 2; }, false, 1},
        OpenFailure{"CompressorRefusesStream", [](auto& f) { f.avi.script.compressedStreamStatus = -1; }, false, 0},
        OpenFailure{"CompressorRefusesFormat",
                    [](auto& f) { f.avi.script.setFormatStatus = static_cast<platform::Status>(0x80044070); }, false,
                    0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AviDecsTest, UnreadableFirstBitmapShowsBothMessagesInOrder) {
    fake.files.contents.erase(frame);
    EXPECT_FALSE(Open());
    ASSERT_EQ(fake.toolkit.messages.size(), 2u);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[0].text), "File does not exist:\r\n" + fake::Utf8(frame));
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[1].text), "Could not load first bitmap file in list!");
    EXPECT_EQ(fake.toolkit.messages[1].icon, platform::MsgBoxIcon::Exclamation);
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages[1].caption), "Velvra");
}

struct KeyFrameCase {
    const char* name;
    std::uint32_t handler;
    std::optional<std::uint32_t> dialogInterval;
    std::uint32_t interval;  // what the compressing stream is made with
    std::int32_t fps = 10;
};

class AviDecsKeyFrameTest : public AviDecsTest, public ::testing::WithParamInterface<KeyFrameCase> {};

TEST_P(AviDecsKeyFrameTest, FramesGoToTheirPositionsWithTheirKeyFrameFlags) {
    fake.avi.script.chosenHandler = GetParam().handler;
    fake.avi.script.chosenKeyFrameEvery = GetParam().dialogInterval;
    ASSERT_TRUE(Open(GetParam().fps));
    EXPECT_EQ(fake.avi.compressedWith.dwKeyFrameEvery, GetParam().interval);
    EXPECT_NE(fake.avi.compressedWith.dwFlags & platform::kAvicompressfKeyframes, 0u);
    EXPECT_EQ(avi.AviOptions().dwKeyFrameEvery, GetParam().dialogInterval.value_or(0))
        << "the next dialog starts from the user's own choice";
    for (int n = 0; n < 3; ++n) {
        fake.files.contents[frame] = MakeBmp(4, 3, 32, static_cast<std::uint8_t>(0x20 + n));
        EXPECT_EQ(avi.WriteAviFrame(n, frame), FrameWrite::Written);
    }
    ASSERT_EQ(fake.avi.writes.size(), 3u);
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(fake.avi.writes[n].position, n);
        EXPECT_EQ(fake.avi.writes[n].samples, 1);
        EXPECT_EQ(fake.avi.writes[n].flags, platform::kAviifKeyframe) << "a whole picture goes in";
        EXPECT_EQ(fake.avi.writes[n].data, std::vector<std::uint8_t>(48, static_cast<std::uint8_t>(0x20 + n)));
    }
}

// A compressor's key frames are the ones the library asks it for, at the dialog's interval or,
// without one, every ten seconds of playback.
INSTANTIATE_TEST_SUITE_P(Compressors, AviDecsKeyFrameTest,
                         ::testing::Values(KeyFrameCase{"FullFrames", 0x20424944, std::nullopt, 100},
                                           KeyFrameCase{"CompressorWithoutInterval", 0x56424D5A, std::nullopt, 100},
                                           KeyFrameCase{"CompressorWithNoneAsInterval", 0x56424D5A, 0, 100},
                                           KeyFrameCase{"CompressorWithoutIntervalAt30", 0x56424D5A, std::nullopt, 300,
                                                        30},
                                           KeyFrameCase{"CompressorAtTheDialogsInterval", 0x56424D5A, 7, 7, 30}),
                         [](const auto& info) { return std::string(info.param.name); });

// Frame files the compressor could not take as the format it was told: each is replaced by the
// picture before it, quietly, and counted; the next good frame is written as usual.
struct BadFrame {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> spoil;  // of a good 4x3 32-bit frame file
};

class BadFrameTest : public AviDecsTest, public ::testing::WithParamInterface<BadFrame> {};

TEST_P(BadFrameTest, IsReplacedByThePictureBeforeItAndCounted) {
    ASSERT_TRUE(Open());
    auto bad = MakeBmp(4, 3, 32, 0x77);
    GetParam().spoil(bad);
    for (const bool first : {true, false}) {
        fake.avi.writes.clear();
        fake.files.contents[frame] = MakeBmp(4, 3, 32, 0x33);
        if (!first) {
            ASSERT_EQ(avi.WriteAviFrame(0, frame), FrameWrite::Written);
        }
        fake.files.contents[frame] = bad;
        if (bad.empty()) fake.files.contents.erase(frame);
        EXPECT_EQ(avi.WriteAviFrame(first ? 0 : 1, frame), FrameWrite::Written);
        fake.files.contents[frame] = MakeBmp(4, 3, 32, 0x55);
        EXPECT_EQ(avi.WriteAviFrame(first ? 1 : 2, frame), FrameWrite::Written);
        const auto& replaced = fake.avi.writes[first ? 0 : 1];
        if (first) {  // nothing before it: a blank frame of the stream's size
            EXPECT_EQ(replaced.data, std::vector<std::uint8_t>(48, 0));
        } else {
            EXPECT_EQ(replaced.stream, FakeAvi::kStream);
            EXPECT_EQ(replaced.size, 0);
        }
        EXPECT_EQ(fake.avi.writes.back().data, std::vector<std::uint8_t>(48, 0x55));
        avi.CloseAviOutput();
        EXPECT_EQ(avi.ReplacedFrames(), 1);
        EXPECT_TRUE(fake.toolkit.messages.empty()) << "told once, by the recorder, after the stop";
        ASSERT_TRUE(Open());
    }
}

INSTANTIATE_TEST_SUITE_P(Files, BadFrameTest,
                         ::testing::Values(BadFrame{"Missing", [](auto& b) { b.clear(); }},
                                           BadFrame{"Wider", [](auto& b) { b = MakeBmp(5, 3, 32, 0x77); }},
                                           BadFrame{"OtherDepth", [](auto& b) { b = MakeBmp(4, 3, 24, 0x77); }},
                                           // The header's image size is less than its rows: a compressor told the
                                           // stream's format would read past the block.
                                           BadFrame{"ShortImageSize", [](auto& b) { b[34] = 20; }},
                                           BadFrame{"EightBitWithoutPalette",
                                                    [](auto& b) {
                                                        b = MakeBmp(4, 3, 8, 0x77);
                                                        b.erase(b.begin() + 54, b.begin() + 54 + 1024);
                                                        b[10] = 54;
                                                    }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AviDecsTest, ClosingTwiceReleasesEverythingOnce) {
    ASSERT_TRUE(Open());
    avi.CloseAviOutput();
    avi.CloseAviOutput();
    EXPECT_EQ(fake.avi.released,
              (std::vector<platform::Handle>{FakeAvi::kStream, FakeAvi::kCompressed, FakeAvi::kFile}));
    EXPECT_EQ(fake.avi.exitCount, 1);
    EXPECT_TRUE(fake.files.removed.empty());
    EXPECT_EQ(fake.log.back(), "AVIFileExit") << "the library is left after its last object is released";
}

TEST_F(AviDecsTest, FailedWriteKeepsTheFramesAlreadyWritten) {
    fake.avi.script.failWriteAt = 3;
    ASSERT_TRUE(Open());
    for (int n = 0; n < 3; ++n) ASSERT_EQ(avi.WriteAviFrame(n, frame), FrameWrite::Written);
    EXPECT_EQ(avi.WriteAviFrame(3, frame), FrameWrite::Failed);
    EXPECT_FALSE(avi.IsOpen());
    EXPECT_TRUE(fake.files.Exists(output));
    EXPECT_TRUE(fake.files.removed.empty());
    EXPECT_EQ(fake.avi.exitCount, 1);

    EXPECT_EQ(avi.WriteAviFrame(4, frame), FrameWrite::NotOpen);
    avi.CloseAviOutput();
    EXPECT_EQ(fake.avi.writes.size(), 3u);
    EXPECT_EQ(fake.avi.exitCount, 1);
    EXPECT_EQ(fake.avi.released.size(), 3u);
}

TEST_F(AviDecsTest, FileEndsBeforeItWouldPassTwoGibibytes) {
    fake.files.contents[frame] = MakeBmp(3840, 2160, 32);
    fake.avi.script.keepWrittenData = false;
    ASSERT_TRUE(Open());
    const std::int64_t frameBytes = 3840LL * 2160 * 4;
    FrameWrite last = FrameWrite::Written;
    int written = 0;
    while (written < 100 && (last = avi.WriteAviFrame(written, frame)) == FrameWrite::Written) ++written;
    EXPECT_EQ(last, FrameWrite::SizeLimitReached);
    // Data and index of the frames written stay below 2 GiB; one more frame would not.
    EXPECT_LT(written * (frameBytes + 8 + 16), kMaxAviFileBytes);
    EXPECT_GT((written + 1) * (frameBytes + 8 + 16), kMaxAviFileBytes - 2 * frameBytes);
    EXPECT_EQ(static_cast<int>(fake.avi.writes.size()), written);
    EXPECT_FALSE(avi.IsOpen());
    EXPECT_TRUE(fake.files.Exists(output));
    EXPECT_EQ(avi.WriteAviFrame(written, frame), FrameWrite::NotOpen);
}

TEST_F(AviDecsTest, SmallCompressedFramesAreCountedByTheirRealSize) {
    // A compressor that shrinks frames to a tenth lets the file hold far more of them than
    // the raw size would: the limit follows what the library reports writing.
    struct ShrinkingAvi : fake::FakeAvi {
        using FakeAvi::FakeAvi;
        platform::Status StreamWrite(platform::Handle s, std::int32_t start, std::int32_t samples, const void* data,
                                     std::int32_t size, std::uint32_t flags, std::int32_t* sw,
                                     std::int32_t* bw) override {
            auto status = FakeAvi::StreamWrite(s, start, samples, data, size, flags, sw, bw);
            if (bw) *bw = size / 10;
            return status;
        }
    };
    fake::FakePlatform other;
    ShrinkingAvi shrinking{other};
    platform::Platform p{shrinking,     other.files, other.desktop, other.toolkit,
                         other.windows, other.hooks, other.dialogs, other.sound};
    AVIDecs compressed{p};
    other.files.contents[frame] = MakeBmp(3840, 2160, 32);
    shrinking.script.keepWrittenData = false;
    ASSERT_TRUE(compressed.OpenAviOutput(1, frame, output, 10));
    int written = 0;
    while (written < 200 && compressed.WriteAviFrame(written, frame) == FrameWrite::Written) ++written;
    EXPECT_EQ(written, 200);
    EXPECT_LT(compressed.EstimatedFileBytes(), kMaxAviFileBytes / 3);  // raw frames would have hit the limit at 64
}

// Wine's library reports writes as done after the disk is full; the file's length says what
// really landed, and the limit goes by it.
TEST_F(AviDecsTest, FileLengthCountsWhenTheLibraryUnderReports) {
    ASSERT_TRUE(Open());
    ASSERT_EQ(avi.WriteAviFrame(0, frame), FrameWrite::Written);
    fake.files.reportedLength[output] = kMaxAviFileBytes - 4096;
    EXPECT_EQ(avi.WriteAviFrame(1, frame), FrameWrite::SizeLimitReached);
    EXPECT_FALSE(avi.IsOpen());
    EXPECT_TRUE(fake.files.removed.empty());
}

struct DiskCase {
    const char* name;
    std::int64_t freeBytes;
    FrameWrite expected;
};

// The 4x3 frame may grow to 54 bytes: its chunk and index entry take 78, the index of the
// three frames before it 48, and the writer keeps 64 KiB for headers and 4 MiB spare.
constexpr std::int64_t kNeeded = 78 + 48 + 64 * 1024 + 4 * 1024 * 1024;

class DiskSpaceTest : public AviDecsTest, public ::testing::WithParamInterface<DiskCase> {};

TEST_P(DiskSpaceTest, FrameIsWrittenOnlyWithRoomForItTheIndexAndAMargin) {
    ASSERT_TRUE(Open());
    for (int n = 0; n < 3; ++n) ASSERT_EQ(avi.WriteAviFrame(n, frame), FrameWrite::Written);
    fake.files.freeBytes = GetParam().freeBytes;
    EXPECT_EQ(avi.WriteAviFrame(3, frame), GetParam().expected);
    if (GetParam().expected == FrameWrite::DiskFull) {
        EXPECT_FALSE(avi.IsOpen()) << "finished as at the size limit";
        EXPECT_EQ(fake.avi.writes.size(), 3u);
        EXPECT_TRUE(fake.files.Exists(output));
        EXPECT_TRUE(fake.files.removed.empty());
        EXPECT_EQ(fake.avi.exitCount, 1);
    } else {
        EXPECT_TRUE(avi.IsOpen());
    }
}

INSTANTIATE_TEST_SUITE_P(Space, DiskSpaceTest,
                         ::testing::Values(DiskCase{"NoneLeft", 0, FrameWrite::DiskFull},
                                           DiskCase{"JustTheFrame", 78, FrameWrite::DiskFull},
                                           DiskCase{"OneByteShort", kNeeded - 1, FrameWrite::DiskFull},
                                           DiskCase{"Enough", kNeeded, FrameWrite::Written}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AviDecsTest, NextRecordingsDialogStartsFromThePreviousChoice) {
    fake.avi.script.chosenHandler = 0x64697663;  // "cvid"
    ASSERT_TRUE(Open());
    avi.CloseAviOutput();
    fake.avi.script.chosenHandler = 0x20424944;
    ASSERT_TRUE(Open());
    EXPECT_EQ(fake.avi.handlerShownInDialog, 0x64697663u);
    EXPECT_EQ(avi.AviOptions().fccHandler, 0x20424944u);
}

TEST_F(AviDecsTest, AHeldFrameIsAnEmptyChunkOnTheFilesOwnStream) {
    fake.avi.script.firstChunkAt = 2048;  // the file grows as chunks are written
    ASSERT_TRUE(Open());
    EXPECT_EQ(avi.HoldAviFrame(0), FrameWrite::NotOpen) << "nothing to hold before the first frame";
    ASSERT_EQ(avi.WriteAviFrame(0, frame), FrameWrite::Written);
    const std::int64_t afterOne = avi.EstimatedFileBytes();
    ASSERT_EQ(avi.HoldAviFrame(1), FrameWrite::Written);
    ASSERT_EQ(avi.HoldAviFrame(2), FrameWrite::Written);
    ASSERT_EQ(avi.WriteAviFrame(3, frame), FrameWrite::Written);
    ASSERT_EQ(fake.avi.writes.size(), 4u);
    for (const int held : {1, 2}) {
        const auto& write = fake.avi.writes[static_cast<std::size_t>(held)];
        EXPECT_EQ(write.stream, FakeAvi::kStream);
        EXPECT_EQ(write.position, held);
        EXPECT_EQ(write.size, 0);
        EXPECT_EQ(write.flags, 0u) << "not a key frame: nothing to start decoding from";
    }
    EXPECT_EQ(fake.avi.writes[3].stream, FakeAvi::kCompressed);
    // Each held frame still takes its chunk header and index entry.
    EXPECT_EQ(avi.EstimatedFileBytes(), afterOne + 2 * (8 + 16) + (8 + 48 + 16));
}

TEST_F(AviDecsTest, WritingWithoutAnOpenOutputDoesNothing) {
    EXPECT_EQ(avi.WriteAviFrame(0, frame), FrameWrite::NotOpen);
    avi.CloseAviOutput();
    EXPECT_EQ(fake.avi.initCount, 0);
    EXPECT_EQ(fake.avi.exitCount, 0);
}

}  // namespace
}  // namespace kest::recorder
