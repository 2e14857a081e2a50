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

void WalkAsReader(const Bytes& bytes, const platform::AviStreamInfo& stream, const Bytes& format,
                  std::int64_t framesEnd) {
    const testing::Riff header(bytes);
    const std::int64_t size = header.Size();
    Require(size == recorder::FirstChunkOffset(static_cast<std::int64_t>(format.size())),
            "the headers end where the first frame chunk goes");
    Require(header.U32(0) == FourCC("RIFF") && header.U32(8) == FourCC("AVI "), "a RIFF of type AVI");
    const std::int64_t riffEnd = 8 + std::int64_t{header.U32(4)};
    Require(riffEnd >= size && riffEnd >= framesEnd, "the RIFF holds the headers and every frame");

    const std::string outline = header.Outline();
    Require(
        outline == "hdrl(avih strl(strh strf)) movi()" || outline == "hdrl(avih strl(strh strf)) JUNK movi()",
        "the header list of the main header and the stream's list, padding, the movie list; each chunk in its list");
    const auto top = header.Top();
    Require(top.back().Data() + 4 == size && top.back().End() == riffEnd,
            "the movie list starts right before the first frame and runs to the end of the RIFF");
    Require(top.front().End() <= size, "the header list lies in the headers");
    const auto avih = header.Find({"hdrl", "avih"}), strh = header.Find({"hdrl", "strl", "strh"});
    const auto strf = header.Find({"hdrl", "strl", "strf"});
    Require(avih->size == platform::kAviMainHeaderBytes && strh->size == platform::kAviStreamHeaderBytes,
            "the main and the stream header as long as they are");
    Require(header.U32(strh->Data()) == stream.fccType, "the stream header names the stream's type");
    Require(strf->size == static_cast<std::int64_t>(format.size()) &&
                std::equal(format.begin(), format.end(), bytes.begin() + strf->Data()),
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
    Require(after.size() <= before.size() && std::all_of(before.begin() + static_cast<std::ptrdiff_t>(after.size()),
                                                         before.end(), [](std::uint8_t b) { return b == 0; }),
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
