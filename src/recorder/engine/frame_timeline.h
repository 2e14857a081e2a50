// The recording's own time: the stream plays `fps` frames a second, so frame n must show the
// screen n/fps seconds of recorded time after the start, however fast or slow the machine grabs.
// Waits that are not recorded (a pause, the open close question) are left out of that time.
// Times are a monotonic clock's microseconds; the object never reads a clock itself, so the
// capture ticks and the tests hand it theirs.
#pragma once

#include <cstdint>

namespace kest::recorder {

class FrameTimeline {
public:
    // What a tick has to write now: `filled` slots that come too late for a picture of their own
    // and hold the previous one, then the picture grabbed now in slot `slot`.
    struct Due {
        std::int32_t filled = 0;
        std::int32_t slot = 0;
        bool grab = false;
    };

    // A new recording begins at `now`, with slot 0, at `fps` slots a second.
    void Start(std::int64_t now, std::int32_t fps);
    // A wait begins or ends. Waits nest (the close question asked during a pause): the recorded
    // time stands still from the first Hold to the last Release.
    void Hold(std::int64_t now);
    void Release(std::int64_t now);
    bool Held() const { return holds_ > 0; }

    std::int64_t RecordedMicroseconds(std::int64_t now) const;
    // Takes the slots due at `now` and moves on past them. A tick on time or early in its slot
    // grabs for the next slot; one that comes more than half a slot late grabs for the slot
    // nearest to now and fills the ones it missed. The first picture always takes slot 0: there
    // is nothing before it to hold.
    Due Take(std::int64_t now);
    // Whole milliseconds until the next slot is due, at least 1: the wait for the next tick.
    std::int32_t MillisecondsToNextSlot(std::int64_t now) const;
    std::int32_t NextSlot() const { return next_; }
    // When `slot` begins in recorded time. A slot at 15 or 30 a second is no whole number of
    // microseconds, so each start is worked out from the slot's number, never added up, and
    // rounded up: no slot is due before its time, and the sound up to a slot's start holds
    // exactly the samples of the slots before it.
    std::int64_t SlotStart(std::int64_t slot) const;

private:
    std::int64_t start_ = 0;
    std::int64_t heldSince_ = 0;
    std::int64_t heldTotal_ = 0;
    int holds_ = 0;
    std::int32_t next_ = 0;
    std::int32_t fps_ = 10;
};

}  // namespace kest::recorder
