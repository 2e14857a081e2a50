#include "platform/finished_avi.h"

#include <algorithm>
#include <vector>

#include "platform/little_endian.h"

namespace kest::platform {

namespace {

constexpr std::int64_t kChunkHeader = 8;  // id, size
constexpr std::int64_t kListHeader = 12;  // 'LIST' or 'RIFF', size, type
constexpr std::int64_t kMainHeader = kAviMainHeaderBytes;
constexpr std::int64_t kStreamHeader = kAviStreamHeaderBytes;
constexpr std::uint64_t kMicrosecondsPerSecond = 1000000;

std::int64_t Even(std::int64_t bytes) { return bytes + (bytes & 1); }

}  // namespace

std::uint32_t MicroSecondsPerFrame(const AviStreamInfo& stream) {
    if (stream.dwRate == 0) return 0;
    // To the nearest, as the library's MulDiv rounds, without its 32-bit overflow.
    const std::uint64_t value = (stream.dwScale * kMicrosecondsPerSecond + stream.dwRate / 2) / stream.dwRate;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, UINT32_MAX));
}

namespace {

constexpr std::int64_t kMendHeaderBytes = 64 * 1024;  // the header list lies well inside this
constexpr std::int64_t kMendTailBytes = 4096;         // more past the RIFF is not the library's slip

std::uint32_t ReadU32(const std::vector<std::uint8_t>& bytes, std::int64_t at) {
    return ReadLE32(bytes, static_cast<std::size_t>(at));
}

bool IsFourCC(const std::vector<std::uint8_t>& bytes, std::int64_t at, const char (&code)[5]) {
    return at + 4 <= static_cast<std::int64_t>(bytes.size()) && std::equal(code, code + 4, bytes.begin() + at);
}

bool WriteU32(BinaryFile& file, std::int64_t at, std::uint32_t value) {
    std::uint8_t bytes[4];
    WriteLE32(bytes, value);
    return file.WriteAt(static_cast<std::uint64_t>(at), bytes, sizeof bytes);
}

// Calls `visit(id, dataStart, dataSize)` for each chunk or list inside [begin, end) that lies
// wholly within `bytes`.
template <typename Visit>
void ForEachChunk(const std::vector<std::uint8_t>& bytes, std::int64_t begin, std::int64_t end, Visit visit) {
    const auto have = static_cast<std::int64_t>(bytes.size());
    for (std::int64_t at = begin; at + kChunkHeader <= std::min(end, have);) {
        const std::int64_t size = ReadU32(bytes, at + 4);
        if (at + kChunkHeader + size > std::min(end, have)) return;
        visit(at, at + kChunkHeader, size);
        at += kChunkHeader + Even(size);
    }
}

}  // namespace

bool MendFinishedAviFile(BinaryFile& file, std::int64_t fileBytes, const FinishedAviFacts& facts) {
    std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min(fileBytes, kMendHeaderBytes)));
    if (head.size() < kListHeader || !file.ReadAt(0, head.data(), head.size())) return true;
    if (!IsFourCC(head, 0, "RIFF") || !IsFourCC(head, 8, "AVI ")) return true;
    const std::int64_t riffEnd = kChunkHeader + std::int64_t{ReadU32(head, 4)};

    bool ok = true;
    std::int64_t mainHeader = -1;
    std::int64_t videoHeader = -1;
    std::int64_t soundHeader = -1;
    ForEachChunk(head, kListHeader, riffEnd, [&](std::int64_t at, std::int64_t data, std::int64_t size) {
        if (!IsFourCC(head, at, "LIST") || !IsFourCC(head, data, "hdrl")) return;
        ForEachChunk(head, data + 4, data + size, [&](std::int64_t at2, std::int64_t data2, std::int64_t size2) {
            if (IsFourCC(head, at2, "avih") && size2 >= kMainHeader) mainHeader = data2;
            if (!IsFourCC(head, at2, "LIST") || !IsFourCC(head, data2, "strl")) return;
            ForEachChunk(head, data2 + 4, data2 + size2, [&](std::int64_t at3, std::int64_t data3, std::int64_t size3) {
                if (!IsFourCC(head, at3, "strh") || size3 < kStreamHeader) return;
                if (videoHeader < 0 && IsFourCC(head, data3, "vids")) videoHeader = data3;
                if (soundHeader < 0 && IsFourCC(head, data3, "auds")) soundHeader = data3;
            });
        });
    });
    if (mainHeader >= 0 && facts.microSecPerFrame != 0 && ReadU32(head, mainHeader) != facts.microSecPerFrame) {
        ok = WriteU32(file, mainHeader, facts.microSecPerFrame) && ok;
    }
    if (videoHeader >= 0 && facts.videoHandler != 0 && ReadU32(head, videoHeader + 4) == 0) {
        ok = WriteU32(file, videoHeader + 4, facts.videoHandler) && ok;
    }
    constexpr std::int64_t kLengthField = 32;  // fccType, handler, flags, priority and language, ...
    if (soundHeader >= 0 && facts.soundSamples && ReadU32(head, soundHeader + kLengthField) != *facts.soundSamples) {
        ok = WriteU32(file, soundHeader + kLengthField, *facts.soundSamples) && ok;
    }

    const std::int64_t tail = fileBytes - riffEnd;
    if (tail > 0 && tail <= kMendTailBytes) {
        std::vector<std::uint8_t> rest(static_cast<std::size_t>(tail));
        if (file.ReadAt(static_cast<std::uint64_t>(riffEnd), rest.data(), rest.size()) &&
            std::all_of(rest.begin(), rest.end(), [](std::uint8_t b) { return b == 0; })) {
            ok = file.Truncate(static_cast<std::uint64_t>(riffEnd)) && ok;
        }
    }
    return ok;
}

}  // namespace kest::platform
