// The recording's sound, fitted to its time line: the picture's slots follow the recording's own
// clock, and the sound device runs on a clock of its own that may be a little fast or slow, may
// lose samples when nobody reads it in time, or may fail. The track places the device's samples
// so that the sound stays where its time is: it stretches or squeezes them slightly when the two
// clocks drift apart, fills what the device lost with silence, and cuts both streams at the same
// moment at a pause and at the stop. Times are the time line's recorded microseconds.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/sound_input.h"

namespace kest::recorder {

class SoundTrack {
public:
    // Mono 16-bit PCM at 22.05 kHz: narration needs no more than its 11 kHz of bandwidth, every
    // player reads PCM without a codec, and it costs 2.6 MB a minute.
    static constexpr platform::SoundFormat kFormat{22050, 1, 16};
    // Written in pieces of half a second: twice a second in the file, at the place of its time.
    static constexpr std::int64_t kPieceMicroseconds = 500'000;

    explicit SoundTrack(platform::SoundInput& device) : device_(device) {}

    platform::SoundOpen Open();
    void Close();
    bool IsOpen() const { return open_; }

    void Start(std::int64_t recorded);
    // A pause: the device stops and the sound is cut exactly where the picture stops.
    void Hold(std::int64_t recorded);
    void Release(std::int64_t recorded);
    // Whole samples to write now: the device's new samples, fitted, once half a second has
    // gathered. Empty otherwise.
    std::vector<std::uint8_t> Take(std::int64_t recorded);
    // The rest, up to exactly `length` of recorded time (the picture's length); the device is
    // closed.
    std::vector<std::uint8_t> Finish(std::int64_t length);
    // The device failed or fell silent during the recording; its part from then on is silence.
    bool DeviceFailed() const { return failed_; }

private:
    static std::int64_t SamplesAt(std::int64_t recorded);
    void Read(std::int64_t recorded);
    void Place(std::vector<std::int16_t> samples);
    void Fit(std::int64_t recorded);
    // Samples the device has captured and not handed over yet.
    std::int64_t Unread();
    // Pads with silence or cuts the samples not yet taken, so that `target` are placed.
    void AlignTo(std::int64_t target);
    void BeginRun(std::int64_t recorded);
    void Fail();
    std::vector<std::uint8_t> TakePending();

    platform::SoundInput& device_;
    bool open_ = false;
    bool running_ = false;
    bool failed_ = false;
    std::vector<std::int16_t> pending_;
    std::int64_t placed_ = 0;
    // Samples still to be added (or, negative, left out) to follow the drift, a little at a time.
    std::int64_t correction_ = 0;
    std::int64_t lastDelivery_ = 0;
    std::int64_t readInRun_ = 0;  // samples read since the device last started
    // How far the device's position lags the time line, less the correction still to come: its
    // smallest value over each window of three seconds, and over the first window of the run.
    std::int64_t windowStart_ = 0;
    std::optional<std::int64_t> windowLeast_;
    std::optional<std::int64_t> baseline_;
};

}  // namespace kest::recorder
