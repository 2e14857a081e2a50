#!/usr/bin/env python3
"""How far the sound lies from the picture in a recording of the benchmark's scene while beeps
were played into the recording device: for each beep, its onset in the decoded sound against the
moment of the recording whose picture shows the scene's clock at the time the beep was played.

sound_offset.py FILE CODE START BEEPS_START [EVERY_S FIRST_S]

CODE, START   as for timecode.py (the strip's place, the time line's start "ft:N")
BEEPS_START   the host's clock (seconds since 1970) when the player started its sound, whose
              beeps begin FIRST_S (0.7) after it and come every EVERY_S (1.0)

Prints key=value: beeps (found), first_ms and last_ms (the median offset of the first and of the
last five beeps: positive when the sound comes after the picture), drift_ms (last - first),
spread_ms (largest - smallest offset), p5_ms and p95_ms. The offset includes the player's own start, which is the
same for every beep; the drift is the recorder's.
"""
import statistics
import subprocess
import sys

import timecode

RATE = 22050


def onsets(path):
    pcm = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "s16le", "-ac", "1",
                          "-ar", str(RATE), "-"], check=True, capture_output=True).stdout
    found, quiet_since = [], -RATE
    samples = memoryview(pcm).cast("h")
    for index, value in enumerate(samples):
        if abs(value) < 4000:
            continue
        if index - quiet_since > RATE * 0.4:
            found.append(index / RATE)
        quiet_since = index
    return found


def main():
    path, code, start, beeps_start = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
    every = float(sys.argv[5]) if len(sys.argv) > 5 else 1.0
    first = float(sys.argv[6]) if len(sys.argv) > 6 else 0.7
    x, y, cell, marks, bits = (int(v) for v in code.split(","))
    begin_ms = timecode.start_ms(start)
    beeps_ms = timecode.start_ms(f"unix:{beeps_start}")
    # For each frame: how far the recording's time is ahead of the clock it shows, since the start.
    leads = []
    for slot, picture in timecode.strips(path, x, y, cell * (marks + bits), cell):
        step = timecode.read_code(picture, cell * (marks + bits), cell, marks, bits)
        if step is None:
            continue
        due = begin_ms + slot * timecode.SLOT_MS
        painted = timecode.painted_ms(step, bits, due)
        leads.append((painted - begin_ms, slot * timecode.SLOT_MS - (painted - begin_ms)))
    offsets = []
    for heard in onsets(path):
        # The beep nearest to where the picture's clock would put it.
        lead_here = statistics.median(lead for _, lead in leads)
        shown = heard * 1000 - lead_here + begin_ms - beeps_ms
        k = round((shown / 1000 - first) / every)
        beep_ms = beeps_ms + (first + k * every) * 1000 - begin_ms  # on the time line's clock
        around = [lead for at, lead in leads if abs(at - beep_ms) < 1500]
        if k < 0 or not around:
            continue
        seen_ms = beep_ms + statistics.median(around)
        offsets.append(heard * 1000 - seen_ms)
    if not offsets:
        raise SystemExit(f"{path}: no beep found")
    print(f"beeps={len(offsets)} first_ms={statistics.median(offsets[:5]):.0f} "
          f"last_ms={statistics.median(offsets[-5:]):.0f} "
          f"drift_ms={statistics.median(offsets[-5:]) - statistics.median(offsets[:5]):.0f} "
          f"spread_ms={max(offsets) - min(offsets):.0f} "
          f"p5_ms={sorted(offsets)[len(offsets) // 20]:.0f} p95_ms={sorted(offsets)[len(offsets) * 19 // 20]:.0f}")


if __name__ == "__main__":
    main()
