#!/usr/bin/env python3
"""Reads back the time code the benchmark's scene paints (capture_bench.cpp) from every frame of a
recording, and says how far each frame is from its slot on the recording's time line.

timecode.py FILE CODE START SECONDS [FIRST:LAST]

CODE    X,Y,CELL,MARKS,BITS: where the strip lies in the frame, as the bench reports it
START   the time line's start: "ft:N" (the host's clock in 100 ns units since 1601, as the bench
        reports it), "unix:S" (seconds since 1970, as ffmpeg reports an x11grab input's start) or
        "fit" (unknown: the frame nearest its slot is taken as on time, so every distance is a
        lateness from there and a constant lag does not show)
SECONDS how long the recording lived (pauses left out), or the judged slots' span
FIRST:LAST  only slots FIRST to LAST - 1 are judged (a recording's start and stop left out)

A slot lasts as long as the stream's frame rate says (100 ms at 10 frames a second). Prints one
line of key=value: slots (the stream's length in slots, or the judged ones), decoded (frames),
decoded_pct, filled (slots without a frame: a zero-length chunk holds the picture before it) and
filled_at (the first ten of them), new (frames showing a step of the code the frame before did
not; an encoder that repeats a picture for a slot it had no time for writes a frame that is not
new) and new_pct, zero_packets, unreadable (frames whose strip did not read),
frames_mb_per_minute (the judged slots' frames, without the file's headers and index, for the
time they fill), slots_per_s, slot_ms, and the distances of the new pictures from their slots in
ms (painted time - start - slot x slot_ms): worst, p99 and median of their sizes, and the mean,
which shows a constant lag.
"""
import json
import math
import re
import subprocess
import sys
import tempfile

SLOT_MS = 100         # a slot at 10 frames a second (sound_offset.py's recordings)
STEP_MS = 10          # one step of the code
UNIX_EPOCH_FT = 11644473600 * 10**7   # 1970 on the host clock of 1601 in 100 ns units


def start_ms(text):
    kind, value = text.split(":", 1)
    if kind == "ft":
        return int(value) / 10**4
    if kind == "unix":
        return (float(value) * 10**7 + UNIX_EPOCH_FT) / 10**4
    raise SystemExit("START must be ft:N or unix:S, not " + text)


def probe(path):
    """The stream's length in frames from the header, its slot in ms, and the sizes of the packets
    the demuxer gives."""
    stream = json.loads(subprocess.run(
        ["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "stream=nb_frames,r_frame_rate",
         "-of", "json", path], check=True, capture_output=True, text=True).stdout)["streams"][0]
    num, den = (int(v) for v in stream.get("r_frame_rate", "10/1").split("/"))
    packets = []  # (slot, size); an AVI packet's time stamp counts slots
    for row in subprocess.run(
            ["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "packet=pts,dts,size",
             "-of", "csv=p=0", path], check=True, capture_output=True, text=True).stdout.split():
        pts, dts, size = (row.split(",") + ["", "", ""])[:3]
        stamp = pts if pts not in ("", "N/A") else dts
        packets.append((int(stamp) if stamp not in ("", "N/A") else -1, int(size)))
    return int(stream.get("nb_frames") or 0), 1000 * den / num, packets


def strips(path, x, y, width, height):
    """(pts in slots, gray pixels of the strip) for every decoded frame, in order (an AVI stream's
    time base is its frame rate's)."""
    with tempfile.TemporaryFile() as log:
        decoder = subprocess.Popen(
            ["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "info", "-i", path,
             "-vf", f"crop={width}:{height}:{x}:{y},showinfo", "-vsync", "passthrough",
             "-f", "rawvideo", "-pix_fmt", "gray", "-"],
            stdout=subprocess.PIPE, stderr=log)
        pictures = []
        while True:
            picture = decoder.stdout.read(width * height)
            if len(picture) < width * height:
                break
            pictures.append(picture)
        decoder.wait()
        log.seek(0)
        pts = [int(found) for found in re.findall(rb"\bn:\s*\d+\s+pts:\s*(-?\d+)", log.read())]
    if len(pts) != len(pictures):
        raise SystemExit(f"{path}: {len(pictures)} pictures but {len(pts)} time stamps")
    return list(zip(pts, pictures))


def read_code(picture, width, cell, marks, bits):
    """The step the strip shows, or None when its marks are not there (something covers it)."""
    def white(index):
        middle = cell // 2
        row = middle * width + index * cell
        return sum(picture[row + middle - 2: row + middle + 2]) / 4 >= 128
    if not white(0) or any(white(i) for i in range(1, marks)):
        return None
    gray = 0
    for i in range(bits):
        gray = gray << 1 | white(marks + i)
    step, shift = gray, gray >> 1
    while shift:
        step ^= shift
        shift >>= 1
    return step


def painted_ms(step, bits, expected_ms):
    """The painted time nearest the expected one among those the code's bits cannot tell apart."""
    period = 1 << bits
    expected = expected_ms / STEP_MS
    turns = round((expected - step) / period)
    return (step + turns * period) * STEP_MS


def main():
    path, code, start, seconds = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
    first, last = (int(v) for v in sys.argv[5].split(":")) if len(sys.argv) > 5 else (0, None)
    x, y, cell, marks, bits = (int(v) for v in code.split(","))
    header_frames, slot_ms, packets = probe(path)
    frames = strips(path, x, y, cell * (marks + bits), cell)
    # (slot, painted step) of each judged frame that shows a step the frame before did not
    steps, unreadable, last_slot, previous = [], 0, -1, None
    for slot, picture in frames:
        last_slot = max(last_slot, slot)
        step = read_code(picture, cell * (marks + bits), cell, marks, bits)
        judged = slot >= first and (last is None or slot < last)
        if step is None:
            unreadable += judged
        elif step != previous:
            if judged:
                steps.append((slot, step))
            previous = step
    if last is None:
        last = max(header_frames, last_slot + 1)
    slots = last - first
    pictured = {slot for slot, _ in frames if first <= slot < last}
    decoded = len(pictured)
    filled_at = [slot for slot in range(first, last) if slot not in pictured]
    if start == "fit":
        # Any start will do to unwrap the code; the nearest frame then sets it.
        begin = steps[0][1] * STEP_MS - steps[0][0] * slot_ms if steps else 0
    else:
        begin = start_ms(start)
    distances = []
    for slot, step in steps:
        due = begin + slot * slot_ms
        distances.append(painted_ms(step, bits, due) - due)
    if start == "fit" and distances:
        earliest = min(distances)
        distances = [d - earliest for d in distances]
    sizes = sorted(abs(d) for d in distances)

    def rank(fraction):
        return sizes[max(0, math.ceil(fraction * len(sizes)) - 1)] if sizes else float("nan")
    mean = sum(distances) / len(distances) if distances else float("nan")
    judged_bytes = sum(size for slot, size in packets if first <= slot < last)
    def share(count):
        return f"{100 * count / slots:.1f}" if slots else "nan"
    print(f"slots={slots} decoded={decoded} decoded_pct={share(decoded)} filled={slots - decoded} "
          f"filled_at={','.join(str(slot) for slot in filled_at[:10]) or '-'}{',...' if len(filled_at) > 10 else ''} "
          f"new={len(steps)} new_pct={share(len(steps))} "
          f"zero_packets={sum(1 for _, size in packets if size == 0)} unreadable={unreadable} "
          f"frames_mb_per_minute={judged_bytes / 1e6 / (slots * slot_ms / 60000) if slots else float('nan'):.2f} "
          f"slots_per_s={slots / seconds:.2f} slot_ms={slot_ms:.1f} worst_ms={rank(1):.0f} p99_ms={rank(0.99):.0f} "
          f"median_ms={rank(0.5):.0f} mean_ms={mean:.1f}")


if __name__ == "__main__":
    main()
