// The AVI headers the writer keeps on disk while recording, walked as a reader would walk them,
// and the mend of a finished file, over any bytes the library might have left.
// Input: a kind (u8). Even: a stream as the library describes it (the AviStreamInfo fields in
// order up to the rectangle, the name's first character as u16), the file's length (u32) and
// the stream format (the rest). Odd: the facts to mend with (two u32) and the file (the rest).
#include <algorithm>

#include "fake/fake_platform.h"
#include "fuzz_input.h"
#include "platform/finished_avi.h"
#include "recorder/engine/avi_header.h"
#include "support/riff.h"

namespace {

using namespace kest;
using fuzz::Require;
using Bytes = std::vector<std::uint8_t>;

using testing::FourCC;
using testing::Riff;
using testing::RiffChunk;

// The chunks of a list, each of which must lie inside it.
std::vector<RiffChunk> Chunks(const Riff& riff, std::int64_t begin, std::int64_t end) {
    auto chunks = riff.Chunks(begin, end);
    for (const RiffChunk& chunk : chunks) Require(chunk.End() <= end, "every chunk lies inside its list");
    return chunks;
}

void WalkAsReader(const Bytes& bytes, const platform::AviStreamInfo& stream, const Bytes& format,
                  std::int64_t framesEnd) {
    const Riff header(bytes);
    const std::int64_t size = header.Size();
    Require(size == recorder::FirstChunkOffset(static_cast<std::int64_t>(format.size())),
            "the headers end where the first frame chunk goes");
    Require(header.U32(0) == FourCC("RIFF") && header.U32(8) == FourCC("AVI "), "a RIFF of type AVI");
    const std::int64_t riffEnd = 8 + std::int64_t{header.U32(4)};
    Require(riffEnd >= size && riffEnd >= framesEnd, "the RIFF holds the headers and every frame");

    const auto top = Chunks(header, 12, riffEnd);
    Require(top.size() >= 2 && header.IsList(top.front(), FourCC("hdrl")) && header.IsList(top.back(), FourCC("movi")),
            "the header list first, the movie list last");
    Require(top.size() == 2 || (top.size() == 3 && top[1].id == FourCC("JUNK")), "only padding between them");
    Require(top.back().Data() + 4 == size && top.back().End() == riffEnd,
            "the movie list starts right before the first frame and runs to the end of the RIFF");

    const RiffChunk& hdrl = top.front();
    Require(hdrl.End() <= size, "the header list lies in the headers");
    const auto lists = Chunks(header, hdrl.Data() + 4, hdrl.End());
    Require(lists.size() == 2 && lists[0].id == FourCC("avih") && lists[0].size == platform::kAviMainHeaderBytes &&
                header.IsList(lists[1], FourCC("strl")),
            "the main header, then the stream's list");
    const auto streamChunks = Chunks(header, lists[1].Data() + 4, lists[1].End());
    Require(streamChunks.size() == 2 && streamChunks[0].id == FourCC("strh") &&
                streamChunks[0].size == platform::kAviStreamHeaderBytes && streamChunks[1].id == FourCC("strf"),
            "the stream header, then the stream format");
    Require(header.U32(streamChunks[0].Data()) == stream.fccType, "the stream header names the stream's type");
    const RiffChunk& strf = streamChunks[1];
    Require(strf.size == static_cast<std::int64_t>(format.size()) &&
                std::equal(format.begin(), format.end(), bytes.begin() + strf.Data()),
            "the stream format as the library has it");
}

void InterimHeader(fuzz::FuzzInput& in) {
    platform::AviStreamInfo stream;
    stream.fccType = in.Take<std::uint32_t>();
    stream.fccHandler = in.Take<std::uint32_t>();
    stream.dwFlags = in.Take<std::uint32_t>();
    stream.dwCaps = in.Take<std::uint32_t>();
    stream.wPriority = in.Take<std::uint16_t>();
    stream.wLanguage = in.Take<std::uint16_t>();
    for (auto* field : {&stream.dwScale, &stream.dwRate, &stream.dwStart, &stream.dwLength, &stream.dwInitialFrames,
                        &stream.dwSuggestedBufferSize, &stream.dwQuality, &stream.dwSampleSize}) {
        *field = in.Take<std::uint32_t>();
    }
    for (auto* edge : {&stream.rcFrame.left, &stream.rcFrame.top, &stream.rcFrame.right, &stream.rcFrame.bottom}) {
        *edge = in.Take<std::int32_t>();
    }
    stream.szName[0] = static_cast<char16_t>(in.Take<std::uint16_t>());
    const std::int64_t framesEnd = in.Take<std::uint32_t>();
    const Bytes format = in.Rest();
    const Bytes header = recorder::InterimAviHeader(stream, format, framesEnd);
    if (!header.empty()) WalkAsReader(header, stream, format, framesEnd);
}

void MendFinishedFile(fuzz::FuzzInput& in) {
    platform::FinishedAviFacts facts;
    facts.microSecPerFrame = in.Take<std::uint32_t>();
    facts.videoHandler = in.Take<std::uint32_t>();
    const Bytes before = in.Rest();
    fake::FakePlatform fake;
    const platform::Text path = u"C:\\rec\\movie.avi";
    fake.files.contents[path] = before;
    platform::MendFinishedAviFile(*fake.files.OpenForUpdating(path).file, static_cast<std::int64_t>(before.size()),
                                  facts);

    const Bytes& after = fake.files.contents[path];
    Require(after.size() <= before.size() &&
                std::all_of(before.begin() + static_cast<std::ptrdiff_t>(after.size()), before.end(),
                            [](std::uint8_t b) { return b == 0; }),
            "only zeros are cut from the end");
    std::size_t changed = 0;
    for (std::size_t i = 0; i < after.size(); ++i) changed += after[i] != before[i];
    Require(changed <= 8, "no more is changed than the time per frame and the handler");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    if (in.Take<std::uint8_t>() % 2 == 0) {
        InterimHeader(in);
    } else {
        MendFinishedFile(in);
    }
    return 0;
}
