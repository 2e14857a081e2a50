#!/usr/bin/env python3
"""Reads back the time code the benchmark's scene paints (capture_bench.cpp) from every frame of a
recording, and says how far each frame is from its slot on the recording's time line.

timecode.py FILE CODE START SECONDS

CODE    X,Y,CELL,MARKS,BITS: where the strip lies in the frame, as the bench reports it
START   the time line's start: "ft:N" (the host's clock in 100 ns units since 1601, as the bench
        reports it) or "unix:S" (seconds since 1970, as ffmpeg reports an x11grab input's start)
SECONDS how long the recording lived (pauses left out)

Prints one line of key=value: slots (the stream's length in 100 ms slots), decoded (frames),
filled (slots without a frame of their own: a zero-length chunk holds the picture before it),
zero_packets, unreadable (frames whose strip did not read), slots_per_s, and the distances of the
frames from their slots in ms (painted time - start - slot x 100 ms): worst, p99 and median of
their sizes, and the mean, which shows a constant lag.
"""
import json
import math
import re
import subprocess
import sys
import tempfile

SLOT_MS = 100
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
    """The stream's length in frames from the header, and the sizes of the packets the demuxer gives."""
    stream = json.loads(subprocess.run(
        ["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "stream=nb_frames",
         "-of", "json", path], check=True, capture_output=True, text=True).stdout)["streams"][0]
    packets = subprocess.run(
        ["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "packet=size",
         "-of", "csv=p=0", path], check=True, capture_output=True, text=True).stdout.split()
    return int(stream.get("nb_frames") or 0), [int(size) for size in packets]


def strips(path, x, y, width, height):
    """(pts in slots, gray pixels of the strip) for every decoded frame, in order."""
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
    x, y, cell, marks, bits = (int(v) for v in code.split(","))
    begin = start_ms(start)
    header_frames, packets = probe(path)
    distances, unreadable, last_slot = [], 0, -1
    frames = strips(path, x, y, cell * (marks + bits), cell)
    for slot, picture in frames:
        last_slot = max(last_slot, slot)
        step = read_code(picture, cell * (marks + bits), cell, marks, bits)
        if step is None:
            unreadable += 1
            continue
        due = begin + slot * SLOT_MS
        distances.append(painted_ms(step, bits, due) - due)
    slots = max(header_frames, last_slot + 1)
    sizes = sorted(abs(d) for d in distances)

    def rank(fraction):
        return sizes[max(0, math.ceil(fraction * len(sizes)) - 1)] if sizes else float("nan")
    mean = sum(distances) / len(distances) if distances else float("nan")
    print(f"slots={slots} decoded={len(frames)} filled={slots - len(frames)} "
          f"zero_packets={sum(1 for size in packets if size == 0)} unreadable={unreadable} "
          f"slots_per_s={slots / seconds:.2f} worst_ms={rank(1):.0f} p99_ms={rank(0.99):.0f} "
          f"median_ms={rank(0.5):.0f} mean_ms={mean:.1f}")


if __name__ == "__main__":
    main()
