#include "recorder/engine/avi_header.h"

#include <gtest/gtest.h>

#include "fake/fake_platform.h"
#include "platform/finished_avi.h"
#include "platform/little_endian.h"
#include "recorder/engine/avidecs.h"
#include "support/riff.h"

namespace kest::recorder {
namespace {

using platform::FourCC;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) { return platform::ReadLE32(b, at); }
std::string Id(const std::vector<std::uint8_t>& b, std::size_t at) { return {b.begin() + at, b.begin() + at + 4}; }

platform::AviStreamInfo Stream(std::uint32_t frames, std::uint32_t largestChunk) {
    platform::AviStreamInfo info;
    info.fccType = FourCC("vids");
    info.fccHandler = FourCC("ZMBV");
    info.dwScale = 1;
    info.dwRate = 10;
    info.dwLength = frames;
    info.dwSuggestedBufferSize = largestChunk;
    info.rcFrame = {0, 0, 1920, 1080};
    return info;
}

struct Layout {
    const char* name;
    std::int64_t formatBytes;
    std::uint32_t frames;
    std::int64_t fileBytes;   // what the library has put on disk so far
    std::int64_t firstChunk;  // where its frames start
    std::int64_t junkBytes;   // padding contents in front of the movie list; -1: no padding chunk
};

class InterimHeaderTest : public ::testing::TestWithParam<Layout> {};

// The headers are walked as a reader walks them: every size must lead exactly to the next
// chunk, and the movie list must hold exactly the frames on disk.
TEST_P(InterimHeaderTest, SizesLeadToTheLibrarysFramesAndTheFieldsDescribeThem) {
    const Layout& c = GetParam();
    std::vector<std::uint8_t> format(static_cast<std::size_t>(c.formatBytes));
    for (std::size_t i = 0; i < format.size(); ++i) format[i] = static_cast<std::uint8_t>(i + 1);
    const auto stream = Stream(c.frames, 30001);
    ASSERT_EQ(FirstChunkOffset(c.formatBytes), c.firstChunk);
    const auto h = InterimAviHeader(stream, format, c.fileBytes);
    ASSERT_EQ(static_cast<std::int64_t>(h.size()), c.firstChunk);

    // Where each size leads, as a reader follows them; the fields a reader needs to find and
    // time the frames. Fields copied from the stream as they are are left to the Windows tests.
    const testing::Riff riff(h);
    const std::int64_t framesEnd = c.fileBytes + (c.fileBytes & 1);  // a last odd chunk's pad byte
    EXPECT_EQ(Id(h, 0) + Id(h, 8), "RIFFAVI ");
    EXPECT_EQ(U32(h, 4) + 8, framesEnd);
    EXPECT_EQ(riff.Outline(),
              c.junkBytes >= 0 ? "hdrl(avih strl(strh strf)) JUNK movi()" : "hdrl(avih strl(strh strf)) movi()");
    const auto top = riff.Top();
    EXPECT_EQ(top.front().End(), 172 + c.formatBytes + (c.formatBytes & 1)) << "the header list's end";
    const auto avih = riff.Find({"hdrl", "avih"}), strh = riff.Find({"hdrl", "strl", "strh"});
    const auto strf = riff.Find({"hdrl", "strl", "strf"});
    ASSERT_TRUE(avih && strh && strf);
    EXPECT_EQ(avih->size, 56);
    const auto field = [&](const testing::RiffChunk& chunk, int n) { return U32(h, chunk.Data() + 4 * n); };
    EXPECT_EQ(field(*avih, 0), 100000u) << "microseconds per frame at 10/1";
    EXPECT_EQ(field(*avih, 1), 300010u) << "largest chunk times the rate";
    EXPECT_EQ(field(*avih, 3), 0x800u) << "no index flag: readers walk the movie list";
    EXPECT_EQ(field(*avih, 4), c.frames);
    EXPECT_EQ(field(*avih, 8), 1920u);
    EXPECT_EQ(field(*avih, 9), 1080u);
    EXPECT_EQ(strh->size, 56);
    EXPECT_EQ(field(*strh, 8), c.frames) << "stream length";
    EXPECT_EQ(strf->size, c.formatBytes);
    EXPECT_TRUE(std::equal(format.begin(), format.end(), h.begin() + strf->Data()));
    if (c.junkBytes >= 0) {
        EXPECT_EQ(top[1].size, c.junkBytes);
        EXPECT_TRUE(std::all_of(h.begin() + top[1].Data(), h.begin() + top[1].End(), [](auto b) { return b == 0; }));
    }
    EXPECT_EQ(top.back().End(), framesEnd);
    EXPECT_EQ(top.back().Data() + 4, c.firstChunk);
}

INSTANTIATE_TEST_SUITE_P(Files, InterimHeaderTest,
                         ::testing::Values(
                             // 40 bytes: a plain BITMAPINFOHEADER, what both compressors of the recorder write
                             Layout{"NoFramesYet", 40, 0, 2048, 2048, 1816},
                             Layout{"FiveHundredFramesLastOddChunkUnpadded", 40, 500, 2048 + 500 * 30010 - 1, 2048,
                                    1816},
                             Layout{"OddFormatIsPadded", 41, 3, 2048 + 3 * 100, 2048, 1814},
                             Layout{"HeadersPastOneBoundaryMoveToTheNext", 1900, 2, 4096 + 200, 4096, 2004},
                             Layout{"BoundaryWithinAChunkHeaderIsNotPadded", 1860, 1, 2044 + 50, 2044, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InterimHeader, StreamsTheLayoutDoesNotDescribeGetNone) {
    auto named = Stream(1, 10);
    named.szName[0] = u'v';
    EXPECT_TRUE(InterimAviHeader(named, std::vector<std::uint8_t>(40), 4096).empty());
    EXPECT_TRUE(InterimAviHeader(Stream(1, 10), {}, 4096).empty());
}

// The second handle writes over the library's file only what it knows to describe it: a file
// without frames at the open, the current headers once the first frame sits where they end. With
// another layout, or when switched off, the file is left as the library writes it.
enum class Front { CurrentHeaders, NoFrameHeaders, Zeros };

struct Guard {
    const char* name;
    std::optional<std::int64_t> firstChunkAt;  // where the library puts its frames; none: not yet
    bool keep;
    Front front;
    bool keeping;
};

class ReadableHeaderGuardTest : public ::testing::TestWithParam<Guard> {};

TEST_P(ReadableHeaderGuardTest, HeadersAreWrittenOnlyOverTheLayoutTheyDescribe) {
    fake::FakePlatform fake;
    AVIDecs avi(fake.platform);
    const platform::Text frame = u"C:\\Temp\\tem.bmp", output = u"C:\\rec\\out.avi";
    fake.files.contents[frame] = fake::MakeBmp(4, 3, 24, 0x10);
    fake.avi.script.firstChunkAt = GetParam().firstChunkAt;
    fake.avi.script.writesFileOnRelease = false;
    avi.SetKeepsFileReadable(GetParam().keep);
    ASSERT_TRUE(avi.OpenAviOutput(0, frame, output, 10));
    ASSERT_EQ(avi.WriteAviFrame(0, frame), FrameWrite::Written);
    ASSERT_EQ(avi.WriteAviFrame(1, frame), FrameWrite::Written);

    const auto& file = fake.files.contents[output];
    const std::int64_t start = GetParam().firstChunkAt.value_or(2048);
    const auto length = static_cast<std::int64_t>(file.size());
    EXPECT_EQ(length, GetParam().firstChunkAt ? start + 2 * (8 + 36) : 2048) << "two chunks of 36 bytes";
    const std::vector<std::uint8_t> front(file.begin(), file.begin() + std::min<std::int64_t>(2048, length));
    auto stream = fake.avi.streamInfo;
    switch (GetParam().front) {
        case Front::CurrentHeaders:
            stream.dwLength = 2;
            EXPECT_EQ(front, InterimAviHeader(stream, fake.avi.format, length));
            break;
        case Front::NoFrameHeaders:
            stream.dwLength = 0;
            EXPECT_EQ(front, InterimAviHeader(stream, fake.avi.format, 2048));
            break;
        case Front::Zeros: EXPECT_TRUE(std::all_of(front.begin(), front.end(), [](auto b) { return b == 0; })); break;
    }
    if (GetParam().firstChunkAt) {
        EXPECT_EQ(Id(file, static_cast<std::size_t>(start)), "00db") << "the library's frames";
    }
    EXPECT_EQ(avi.KeepingFileReadable(), GetParam().keeping);
    avi.CloseAviOutput();
    EXPECT_FALSE(avi.KeepingFileReadable());
}

INSTANTIATE_TEST_SUITE_P(Layouts, ReadableHeaderGuardTest,
                         ::testing::Values(Guard{"FramesWhereTheHeadersEnd", 2048, true, Front::CurrentHeaders, true},
                                           Guard{"FramesElsewhereGetTheHeadersTakenBack", 4096, true, Front::Zeros,
                                                 false},
                                           Guard{"FirstFrameNotOnDiskYetKeepsTheOpeningHeaders", std::nullopt, true,
                                                 Front::NoFrameHeaders, true},
                                           Guard{"SwitchedOff", 2048, false, Front::Zeros, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A file as Wine's library finishes it: a hundred times the stream's time per frame in the main
// header, an empty handler in the video stream header, the sound's length in chunks where readers
// count samples, and zero bytes past the RIFF's end.
constexpr std::size_t kMicroSecPerFrameAt = 32;           // RIFF, LIST hdrl, avih
constexpr std::size_t kHandlerAt = 32 + 56 + 12 + 8 + 4;  // LIST strl, strh, fccType
constexpr std::uint32_t kZmbv = FourCC("ZMBV");
constexpr std::uint32_t kSoundSamples = 3 * 2205;

struct MendCase {
    const char* name;
    std::vector<std::uint8_t> tail;  // bytes past the RIFF
    std::uint32_t handler;           // what the compressor says
    std::uint32_t handlerAfter;
    std::size_t tailAfter;
};

class MendTest : public ::testing::TestWithParam<MendCase> {};

TEST_P(MendTest, FinishedFileSaysTheStreamsTimeAndSoundLengthAndEndsWithItsRiff) {
    const MendCase& c = GetParam();
    auto stream = Stream(3, 100);
    stream.fccHandler = 0;
    platform::AviStreamInfo sound;
    sound.fccType = FourCC("auds");
    sound.dwScale = 1;
    sound.dwRate = 22050;
    sound.dwSampleSize = 2;
    sound.dwLength = 3;  // chunks
    const std::vector<InterimStream> streams = {{stream, std::vector<std::uint8_t>(40)},
                                                {sound, std::vector<std::uint8_t>(18)}};
    std::vector<std::uint8_t> file = InterimAviHeader(streams, 2048 + 3 * 108);
    file.resize(2048 + 3 * 108);
    const std::size_t riffEnd = file.size();
    const std::size_t soundLengthAt = std::search(file.begin(), file.end(), "auds", "auds" + 4) - file.begin() + 32;
    file[kMicroSecPerFrameAt + 2] = 0x98;  // 10,000,000
    file[kMicroSecPerFrameAt + 1] = 0x96;
    file[kMicroSecPerFrameAt] = 0x80;
    ASSERT_EQ(U32(file, kMicroSecPerFrameAt), 10'000'000u);
    file.insert(file.end(), c.tail.begin(), c.tail.end());

    fake::FakePlatform fake;
    fake.files.contents[u"a.avi"] = file;
    auto opened = fake.files.OpenForUpdating(u"a.avi");
    EXPECT_TRUE(platform::MendFinishedAviFile(*opened.file, static_cast<std::int64_t>(file.size()),
                                              {100'000, c.handler, kSoundSamples}));
    const auto& mended = fake.files.contents[u"a.avi"];
    ASSERT_EQ(mended.size(), riffEnd + c.tailAfter);
    EXPECT_EQ(U32(mended, kMicroSecPerFrameAt), 100'000u);
    EXPECT_EQ(U32(mended, kHandlerAt), c.handlerAfter);
    EXPECT_EQ(Id(mended, kHandlerAt - 4), "vids");
    EXPECT_EQ(U32(mended, soundLengthAt), kSoundSamples);
    // Nothing else moves.
    for (std::size_t i = kMicroSecPerFrameAt + 4; i < riffEnd; ++i) {
        if ((i < kHandlerAt || i >= kHandlerAt + 4) && (i < soundLengthAt || i >= soundLengthAt + 4)) {
            ASSERT_EQ(mended[i], file[i]) << "byte " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, MendTest,
    ::testing::Values(MendCase{"ZeroTailIsCut", std::vector<std::uint8_t>(20), kZmbv, kZmbv, 0},
                      MendCase{"NoTail", {}, kZmbv, kZmbv, 0},
                      // Bytes past the RIFF that are not the library's zeros are someone's data.
                      MendCase{"OtherTailIsKept", {'R', 'I', 'F', 'F', 0, 0, 0, 0}, kZmbv, kZmbv, 8},
                      MendCase{"FullFramesKeepTheirHandler", std::vector<std::uint8_t>(20), 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MendFinishedAviFile, LeavesWhatIsNotAnAviFileAlone) {
    for (std::vector<std::uint8_t> file :
         {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>(3000, 0),
          std::vector<std::uint8_t>{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}}) {
        fake::FakePlatform fake;
        fake.files.contents[u"a.avi"] = file;
        auto opened = fake.files.OpenForUpdating(u"a.avi");
        EXPECT_TRUE(platform::MendFinishedAviFile(*opened.file, static_cast<std::int64_t>(file.size()),
                                                  {100'000, kZmbv, kSoundSamples}));
        EXPECT_EQ(fake.files.contents[u"a.avi"], file);
    }
}

}  // namespace
}  // namespace kest::recorder
