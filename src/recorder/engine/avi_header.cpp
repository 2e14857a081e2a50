#include "recorder/engine/avi_header.h"

#include <algorithm>

#include "platform/finished_avi.h"
#include "platform/little_endian.h"

namespace kest::recorder {

namespace {

constexpr std::int64_t kChunkHeader = 8;  // id, size
constexpr std::int64_t kListHeader = 12;  // 'LIST' or 'RIFF', size, type
constexpr std::int64_t kMainHeader = platform::kAviMainHeaderBytes;
constexpr std::int64_t kStreamHeader = platform::kAviStreamHeaderBytes;

std::int64_t Even(std::int64_t bytes) { return bytes + (bytes & 1); }

// Where the header list ends: everything before the padding.
std::int64_t HeaderListEnd(const std::vector<std::int64_t>& formatBytes) {
    std::int64_t end = kListHeader + kListHeader + kChunkHeader + kMainHeader;
    for (const std::int64_t bytes : formatBytes)
        end += kListHeader + kChunkHeader + kStreamHeader + kChunkHeader + Even(bytes);
    return end;
}

std::vector<std::int64_t> FormatSizes(const std::vector<InterimStream>& streams) {
    std::vector<std::int64_t> sizes;
    for (const auto& stream : streams) sizes.push_back(static_cast<std::int64_t>(stream.format.size()));
    return sizes;
}

std::int64_t FirstChunkAfter(std::int64_t headerListEnd) {
    // The library reserves room for the movie list's own header behind the header list, then
    // moves the chunks to the next boundary unless that is no more than a chunk header away.
    const std::int64_t reserved = headerListEnd + kListHeader;
    const std::int64_t boundary = (reserved + kAviPaddingGranularity) & ~(kAviPaddingGranularity - 1);
    return boundary - reserved > kChunkHeader ? boundary : reserved;
}

// Rounded as the library's MulDiv does, without its 32-bit overflow.
std::uint32_t MulDiv(std::uint64_t value, std::uint64_t numerator, std::uint64_t denominator) {
    if (denominator == 0) return 0;
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>((value * numerator + denominator / 2) / denominator, UINT32_MAX));
}

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    void FourCC(const char (&code)[5]) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(code[i]));
    }
    void U32(std::uint64_t value) { platform::AppendLE32(bytes_, static_cast<std::uint32_t>(value)); }
    void U16(std::uint32_t value) { platform::AppendLE16(bytes_, static_cast<std::uint16_t>(value)); }
    void Bytes(const std::vector<std::uint8_t>& data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
    void Zeros(std::int64_t count) { bytes_.insert(bytes_.end(), static_cast<std::size_t>(count), 0); }

private:
    std::vector<std::uint8_t>& bytes_;
};

}  // namespace

std::int64_t FirstChunkOffset(std::int64_t formatBytes) { return FirstChunkAfter(HeaderListEnd({formatBytes})); }

std::int64_t FirstChunkOffset(const std::vector<InterimStream>& streams) {
    return FirstChunkAfter(HeaderListEnd(FormatSizes(streams)));
}

std::vector<std::uint8_t> InterimAviHeader(const platform::AviStreamInfo& stream,
                                           const std::vector<std::uint8_t>& format, std::int64_t framesEnd) {
    return InterimAviHeader(std::vector<InterimStream>{{stream, format}}, framesEnd);
}

namespace {

void StreamList(Writer& out, const InterimStream& stream) {
    const platform::AviStreamInfo& info = stream.info;
    const auto formatBytes = static_cast<std::int64_t>(stream.format.size());
    out.FourCC("LIST");
    out.U32(4 + kChunkHeader + kStreamHeader + kChunkHeader + Even(formatBytes));
    out.FourCC("strl");
    out.FourCC("strh");
    out.U32(kStreamHeader);
    out.U32(info.fccType);
    out.U32(info.fccHandler);
    out.U32(info.dwFlags);
    out.U16(info.wPriority);
    out.U16(info.wLanguage);
    out.U32(info.dwInitialFrames);
    out.U32(info.dwScale);
    out.U32(info.dwRate);
    out.U32(info.dwStart);
    out.U32(info.dwLength);
    out.U32(info.dwSuggestedBufferSize);
    out.U32(info.dwQuality);
    out.U32(info.dwSampleSize);
    out.U16(static_cast<std::uint32_t>(info.rcFrame.left));
    out.U16(static_cast<std::uint32_t>(info.rcFrame.top));
    out.U16(static_cast<std::uint32_t>(info.rcFrame.right));
    out.U16(static_cast<std::uint32_t>(info.rcFrame.bottom));
    out.FourCC("strf");
    out.U32(formatBytes);
    out.Bytes(stream.format);
    out.Zeros(Even(formatBytes) - formatBytes);
}

}  // namespace

std::vector<std::uint8_t> InterimAviHeader(const std::vector<InterimStream>& streams, std::int64_t framesEnd) {
    if (streams.empty()) return {};
    for (const auto& stream : streams) {
        if (stream.format.empty() || stream.info.szName[0] != 0 || stream.info.dwRate == 0 ||
            stream.info.dwScale == 0) {
            return {};
        }
    }
    const platform::AviStreamInfo& video = streams.front().info;
    const std::int64_t firstChunk = FirstChunkOffset(streams);
    const std::int64_t headerEnd = HeaderListEnd(FormatSizes(streams));
    const std::int64_t end = std::max(Even(framesEnd), firstChunk);
    // The rectangle's corners come from the library; their difference may not fit 32 bits.
    const auto width = static_cast<std::uint32_t>(std::int64_t{video.rcFrame.right} - video.rcFrame.left);
    const auto height = static_cast<std::uint32_t>(std::int64_t{video.rcFrame.bottom} - video.rcFrame.top);
    std::uint64_t bytesPerSecond = 0;
    std::uint32_t largestBuffer = 0;
    for (const auto& stream : streams) {
        const platform::AviStreamInfo& info = stream.info;
        const std::uint32_t perSample = info.dwSampleSize != 0 ? info.dwSampleSize : info.dwSuggestedBufferSize;
        bytesPerSecond += MulDiv(perSample, info.dwRate, info.dwScale);
        largestBuffer = std::max(largestBuffer, info.dwSuggestedBufferSize);
    }

    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(firstChunk));
    Writer out(bytes);
    out.FourCC("RIFF");
    out.U32(end - kChunkHeader);
    out.FourCC("AVI ");

    out.FourCC("LIST");
    out.U32(headerEnd - kListHeader - kChunkHeader);
    out.FourCC("hdrl");
    out.FourCC("avih");
    out.U32(kMainHeader);
    out.U32(platform::MicroSecondsPerFrame(video));
    out.U32(std::min<std::uint64_t>(bytesPerSecond, UINT32_MAX));
    out.U32(kAviPaddingGranularity);
    out.U32(platform::kAvifTrustCkType);  // and no index flag: readers then walk the movie list
    out.U32(video.dwLength);              // total frames
    out.U32(video.dwInitialFrames);
    out.U32(streams.size());
    out.U32(largestBuffer);
    out.U32(width);
    out.U32(height);
    out.Zeros(16);  // reserved
    for (const auto& stream : streams) StreamList(out, stream);

    const std::int64_t moviList = firstChunk - kListHeader;
    if (moviList > headerEnd) {
        // The library skips the padding's contents at the close; zeros here leave the closed
        // file exactly as it would be without these headers.
        out.FourCC("JUNK");
        out.U32(moviList - headerEnd - kChunkHeader);
        out.Zeros(moviList - headerEnd - kChunkHeader);
    }
    out.FourCC("LIST");
    out.U32(end - moviList - kChunkHeader);
    out.FourCC("movi");
    return bytes;
}

bool IsFirstFrameChunk(const std::uint8_t (&chunkHeader)[8], std::int64_t firstChunk, std::int64_t fileBytes) {
    const bool frameId = chunkHeader[0] == '0' && chunkHeader[1] == '0' && chunkHeader[2] == 'd' &&
                         (chunkHeader[3] == 'b' || chunkHeader[3] == 'c');
    const std::int64_t size = platform::ReadLE32(chunkHeader + 4);
    return frameId && firstChunk + kChunkHeader + size <= fileBytes;
}

}  // namespace kest::recorder
