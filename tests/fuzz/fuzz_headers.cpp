// The AVI headers the writer keeps on disk while recording, walked as a reader would walk them,
// and the mend of a finished file, over any bytes the library might have left.
// Input: a kind (u8). Even: a stream as the library describes it (the AviStreamInfo fields in
// order up to the rectangle, the name's first character as u16), the file's length (u32) and
// the stream format (the rest). Odd: the facts to mend with (two u32) and the file (the rest).
#include <algorithm>
#include <cstring>

#include "fake/fake_platform.h"
#include "fuzz_input.h"
#include "platform/finished_avi.h"
#include "platform/little_endian.h"
#include "recorder/engine/avi_header.h"

namespace {

using namespace kest;
using fuzz::Require;
using Bytes = std::vector<std::uint8_t>;

std::int64_t U32(const Bytes& bytes, std::int64_t at) { return platform::ReadLE32(bytes, static_cast<std::size_t>(at)); }

bool IdIs(const Bytes& bytes, std::int64_t at, const char (&id)[5]) {
    return at + 4 <= static_cast<std::int64_t>(bytes.size()) && std::memcmp(bytes.data() + at, id, 4) == 0;
}

struct Chunk {
    std::int64_t at, data, size;  // header, data, data's size
};

bool IsList(const Bytes& bytes, const Chunk& chunk, const char (&type)[5]) {
    return IdIs(bytes, chunk.at, "LIST") && IdIs(bytes, chunk.data, type);
}

// The chunks of [begin, end) whose headers lie in `bytes`, each of which must fit in [begin, end).
std::vector<Chunk> Chunks(const Bytes& bytes, std::int64_t begin, std::int64_t end) {
    std::vector<Chunk> chunks;
    for (std::int64_t at = begin; at < end && at + 8 <= static_cast<std::int64_t>(bytes.size());) {
        const std::int64_t size = U32(bytes, at + 4);
        Require(at + 8 + size <= end, "every chunk lies inside its list");
        chunks.push_back({at, at + 8, size});
        at += 8 + size + (size & 1);
    }
    return chunks;
}

void WalkAsReader(const Bytes& header, const platform::AviStreamInfo& stream, const Bytes& format,
                  std::int64_t framesEnd) {
    const auto size = static_cast<std::int64_t>(header.size());
    Require(size == recorder::FirstChunkOffset(static_cast<std::int64_t>(format.size())),
            "the headers end where the first frame chunk goes");
    Require(IdIs(header, 0, "RIFF") && IdIs(header, 8, "AVI "), "a RIFF of type AVI");
    const std::int64_t riffEnd = 8 + U32(header, 4);
    Require(riffEnd >= size && riffEnd >= framesEnd, "the RIFF holds the headers and every frame");

    const auto top = Chunks(header, 12, riffEnd);
    Require(top.size() >= 2 && IsList(header, top.front(), "hdrl") && IsList(header, top.back(), "movi"),
            "the header list first, the movie list last");
    Require(top.size() == 2 || (top.size() == 3 && IdIs(header, top[1].at, "JUNK")), "only padding between them");
    Require(top.back().data + 4 == size && top.back().data + top.back().size == riffEnd,
            "the movie list starts right before the first frame and runs to the end of the RIFF");

    const Chunk& hdrl = top.front();
    Require(hdrl.data + hdrl.size <= size, "the header list lies in the headers");
    const auto lists = Chunks(header, hdrl.data + 4, hdrl.data + hdrl.size);
    Require(lists.size() == 2 && IdIs(header, lists[0].at, "avih") &&
                lists[0].size == platform::kAviMainHeaderBytes && IsList(header, lists[1], "strl"),
            "the main header, then the stream's list");
    const auto streamChunks = Chunks(header, lists[1].data + 4, lists[1].data + lists[1].size);
    Require(streamChunks.size() == 2 && IdIs(header, streamChunks[0].at, "strh") &&
                streamChunks[0].size == platform::kAviStreamHeaderBytes && IdIs(header, streamChunks[1].at, "strf"),
            "the stream header, then the stream format");
    Require(U32(header, streamChunks[0].data) == stream.fccType, "the stream header names the stream's type");
    const Chunk& strf = streamChunks[1];
    Require(strf.size == static_cast<std::int64_t>(format.size()) &&
                std::equal(format.begin(), format.end(), header.begin() + strf.data),
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
