// What a finished AVI file should say about its time, its compressor and its sound, where an AVI
// library's closing headers say otherwise, and the mend that makes them say it. Portable, so that
// it is tested and fuzzed natively and the writer's kept headers time their frames alike.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/avi_library.h"
#include "platform/file_system.h"

namespace kest::platform {

// The main header's time per frame for a stream of this rate, rounded as the library rounds it.
std::uint32_t MicroSecondsPerFrame(const AviStreamInfo& stream);

struct FinishedAviFacts {
    std::uint32_t microSecPerFrame = 0;  // 0 leaves the main header's as is
    std::uint32_t videoHandler = 0;      // the compressor's FourCC; 0 leaves the stream header's as is
    // The sound stream's length in samples; none leaves it as is.
    std::optional<std::uint32_t> soundSamples;
};

// Mends a finished file (`fileBytes` long): its main header's time per frame, the video stream
// header's handler where it is empty, the sound stream header's length, and zero bytes past the
// end of the RIFF, which readers take for a broken chunk. Only bytes of a layout it recognises
// are touched; anything else is left as it is. False when a mend could not be written.
bool MendFinishedAviFile(BinaryFile& file, std::int64_t fileBytes, const FinishedAviFacts& facts);

}  // namespace kest::platform
