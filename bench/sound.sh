#!/usr/bin/env bash
# What sound costs, and whether it stays with the picture. On a private 1920x1080 Xvfb display and
# a private PulseAudio server (the recording device is its null sink's monitor), the benchmark's
# active scene is recorded full screen with our codec through the recorder's own ticks:
#   1. SECONDS (default 60) without sound and SECONDS with, alternating ROUNDS times (default 2):
#      MB and the recorder's CPU seconds a minute of each;
#   2. LONG_SECONDS (default 600) with sound while the host's own player plays a beep every second
#      into the sink: bench/sound_offset.py then reads each beep's onset from the decoded sound and
#      the scene's clock from the pictures, and reports the offset of sound against picture over
#      the first and the last five beeps. That offset includes the player's own start (the same
#      for every beep); the difference between first and last is the recorder's drift.
# bench/sound.sh [SECONDS] [LONG_SECONDS]. The machine is shared: whatever else runs on it shows
# in the CPU seconds.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
cd "$KEST_ROOT"
SECONDS_EACH="${1:-60}"
LONG_SECONDS="${2:-600}"
ROUNDS="${ROUNDS:-2}"
BENCH_EXE=build/windows/tests/win32/capture_bench.exe

ensure_packages python3 sox
build_preset windows --target capture_bench >/dev/null
out="$(mktemp -d /tmp/kest-sound-bench.XXXXXX)"
trap 'stop_wine; stop_private_sound; stop_private_display; pkill -f "paplay $out" || true; rm -rf "$out"' EXIT
winout="Z:${out//\//\\}"
start_private_display 1920x1080
start_private_sound
prepare_wine_prefix

field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p"; }
per_minute() { awk -v v="$1" -v s="$2" 'BEGIN { printf "%.1f", v / s * 60 }'; }
record() {  # seconds name [sound] -> the bench's report line
    scripts/wine-run.sh "$BENCH_EXE" full zmbv "$1" "$winout\\$2.avi" active "${3:-}" 2>/dev/null | grep '^mode='
}

echo "== ${SECONDS_EACH}-s full-screen recordings of the active scene, our codec, with and without sound =="
printf '%-10s %8s %12s\n' sound MB/min "own CPU s/min"
for ((i = 1; i <= ROUNDS; i++)); do
    for sound in off on; do
        line=$(record "$SECONDS_EACH" "run-$i-$sound" "$([ "$sound" = on ] && echo sound)")
        printf '%-10s %8s %12s\n' "$sound" "$(echo "$line" | field mb_per_minute)" \
            "$(per_minute "$(echo "$line" | field cpu_s)" "$(echo "$line" | field seconds)")"
        rm -f "$out/run-$i-$sound.avi"
    done
done

echo
echo "== ${LONG_SECONDS}-s recording with sound, a beep every second =="
# One long sound from one player: its beeps keep the sink's clock, whatever the machine does.
sox -n -r 44100 -c 1 -b 16 "$out/beep.wav" synth 0.2 sine 1000 vol 0.4 pad 0.7 0.1
sox "$out/beep.wav" "$out/beeps.wav" repeat "$((LONG_SECONDS + 60))"
record "$LONG_SECONDS" long sound >"$out/long.line" &
recording=$!
sleep 8  # the recorder's dialogs are answered and its first frames written
python3 -c 'import os, sys, time; print(repr(time.time()), flush=True); os.execvp("paplay", ["paplay", sys.argv[1]])' \
    "$out/beeps.wav" >"$out/beeps.start" &
wait "$recording"
line=$(cat "$out/long.line")
echo "$line"
python3 bench/sound_offset.py "$out/long.avi" "$(echo "$line" | field code)" "ft:$(echo "$line" | field start_time)" \
    "$(head -1 "$out/beeps.start")"
