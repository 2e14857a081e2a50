// The recorder's screen codec as a Video for Windows compressor installed for this process
// only, so it is offered in the compression dialog next to the system's own.
#pragma once

#include <cstdint>

namespace kest::codec::win32 {

// Installs the codec once per process; true when the system took it.
bool InstallScreenCodec();

// Work done inside the compressor since the process started, for the benchmark.
struct ScreenCodecTotals {
    std::uint64_t frames = 0;
    std::uint64_t keyFrames = 0;
    std::uint64_t bytes = 0;
    double seconds = 0;
};
ScreenCodecTotals ScreenCodecWork();

}  // namespace kest::codec::win32
