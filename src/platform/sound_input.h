// The default recording device (a microphone, or whatever the person made the default), read as
// plain PCM. The recorder polls it from its capture ticks: the device fills buffers of its own
// meanwhile, so nothing crosses threads above this seam.
#pragma once

#include <cstdint>
#include <vector>

namespace kest::platform {

struct SoundFormat {
    std::uint32_t samplesPerSecond = 0;
    std::uint16_t channels = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t BlockAlign() const { return channels * bitsPerSample / 8u; }
    std::uint32_t BytesPerSecond() const { return samplesPerSecond * BlockAlign(); }
    friend bool operator==(const SoundFormat&, const SoundFormat&) = default;
};

enum class SoundOpen {
    Opened,
    NoDevice,  // the system has no recording device
    Failed,    // there is one, and it refused to open in this format (busy, unplugged, denied)
};

class SoundInput {
public:
    virtual ~SoundInput() = default;

    virtual SoundOpen Open(const SoundFormat& format) = 0;
    // Starts or resumes capturing; false when the device refused.
    virtual bool Start() = 0;
    // Stops capturing; what was captured up to now stays to be read.
    virtual void Stop() = 0;
    virtual void Close() = 0;
    // Appends every whole block captured since the last call to `samples`. False once the device
    // has failed: it delivers nothing more until it is closed.
    virtual bool Read(std::vector<std::uint8_t>& samples) = 0;
    // Blocks captured since the last Start, those Read has not handed over yet included: where the
    // device's own clock stands. A device hands its samples over a buffer at a time, so what Read
    // has given lags this by up to a buffer, by however far into a buffer the reads happen to fall.
    virtual std::int64_t Position() = 0;
};

}  // namespace kest::platform
