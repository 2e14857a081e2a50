// The front of an AVI file while the AVI library is still writing it. The library writes its
// frames as they come but the headers and the index only when the file is closed, so a recorder
// that dies mid-recording would leave frames that no reader can find. These are the headers a
// reader needs to find them, laid out exactly where the library puts its own at the close.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/avi_library.h"

namespace kest::recorder {

// The library's layout for a file with one unnamed video stream: RIFF 'AVI ', LIST 'hdrl' (avih,
// LIST 'strl' (strh, strf)), a JUNK chunk up to the next 2048-byte boundary, LIST 'movi' whose
// first chunk starts on that boundary, then idx1 at the close.
inline constexpr std::int64_t kAviPaddingGranularity = 2048;

// A stream of the file as the library describes it, with its format.
struct InterimStream {
    platform::AviStreamInfo info;
    std::vector<std::uint8_t> format;
};

// Offset of the first chunk: the end of the headers that the returned bytes fill.
std::int64_t FirstChunkOffset(std::int64_t formatBytes);
std::int64_t FirstChunkOffset(const std::vector<InterimStream>& streams);

// The headers for a stream as the library describes it (`stream`, its format) whose frame chunks
// end at `framesEnd` (the file's length; at least FirstChunkOffset). The main header says there
// is no index, so that readers look for the frames in the movie list instead. Empty for a stream
// this layout does not describe (a named stream, or no format).
std::vector<std::uint8_t> InterimAviHeader(const platform::AviStreamInfo& stream,
                                           const std::vector<std::uint8_t>& format, std::int64_t framesEnd);
// The same for a video stream followed by others (the sound), each in its own stream list, in
// the order they were created. The main header takes its time and size from the first.
std::vector<std::uint8_t> InterimAviHeader(const std::vector<InterimStream>& streams, std::int64_t framesEnd);

// True when the 8 bytes at the first chunk's offset are the header of a video frame chunk of
// stream 0 ('00db' or '00dc') that fits in a file of `fileBytes`.
bool IsFirstFrameChunk(const std::uint8_t (&chunkHeader)[8], std::int64_t firstChunk, std::int64_t fileBytes);

}  // namespace kest::recorder
