// The recording device through winmm's waveIn, on the sound mapper, which converts whatever the
// device captures into the format asked for.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/sound_input.h"

namespace kest::platform::win32 {

class Win32SoundInput : public SoundInput {
public:
    ~Win32SoundInput() override;
    SoundOpen Open(const SoundFormat& format) override;
    bool Start() override;
    void Stop() override;
    void Close() override;
    bool Read(std::vector<std::uint8_t>& samples) override;
    std::int64_t Position() override;

private:
    // Two seconds of buffers in all: the capture ticks read every tenth of a second, but a tick
    // that writes a large frame, or a window being dragged, may keep them away much longer.
    static constexpr int kBuffers = 40;
    static constexpr int kBufferMilliseconds = 50;

    bool Queue(int index);
    void TakeDone(std::vector<std::uint8_t>& samples);

    HWAVEIN device_ = nullptr;
    std::array<WAVEHDR, kBuffers> headers_{};
    std::array<std::vector<std::uint8_t>, kBuffers> buffers_;
    int next_ = 0;  // the buffer the device fills first, in queue order
    bool running_ = false;
    bool failed_ = false;
    std::uint32_t blockAlign_ = 0;
    std::int64_t samplesPerSecond_ = 0;
    std::int64_t bufferBlocks_ = 0;
    std::int64_t handedInRun_ = 0;       // blocks handed over since the last start
    bool positionTrusted_ = false;       // until the driver reports a position that cannot be this format's
    std::vector<std::uint8_t> stopped_;  // what a stop returned, until it is read
};

}  // namespace kest::platform::win32
