#!/usr/bin/env bash
# Capture benchmark: on a private 1920x1080 display under Wine, record 10 s of the full screen and
# 10 s of a 960x540 area through the recorder's own ticks (uncompressed), then let ffmpeg's
# x11grab read the same display and sizes for 10 s, and print the rates and their ratios.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
cd "$KEST_ROOT"
SECONDS_EACH="${1:-10}"

ensure_packages
build_preset windows --target capture_bench >/dev/null
trap 'stop_wine; stop_private_display' EXIT
start_private_display
prepare_wine_prefix

out="$(mktemp -d /tmp/kest-bench.XXXXXX)"
trap 'stop_wine; stop_private_display; rm -rf "$out"' EXIT
winout="Z:${out//\//\\}"

ours() {  # mode -> fps
    scripts/wine-run.sh build/windows/tests/win32/capture_bench.exe "$1" "$SECONDS_EACH" "$winout\\$1.avi" |
        tee /dev/stderr | sed -n 's/.* fps=\([0-9.]*\).*/\1/p'
}
grab() {  # size offset -> fps
    # The same work as the recorder's: grab uncapped and write uncompressed frames to an AVI file.
    local frames
    frames=$(ffmpeg -nostdin -hide_banner -y -f x11grab -framerate 1000 -video_size "$1" -i "$DISPLAY+$2" \
                    -t "$SECONDS_EACH" -c:v rawvideo "$out/x11grab.avi" 2>&1 |
                 tr '\r' '\n' | sed -n 's/^frame= *\([0-9]*\).*/\1/p' | tail -1)
    frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
                     -of default=noprint_wrappers=1:nokey=1 "$out/x11grab.avi")
    rm -f "$out/x11grab.avi"
    echo "x11grab size=$1 frames=$frames seconds=$SECONDS_EACH (rawvideo AVI)" >&2
    awk -v f="$frames" -v s="$SECONDS_EACH" 'BEGIN { printf "%.1f", f / s }'
}

full=$(ours full)
area=$(ours area)
grab_full=$(grab 1920x1080 0,0)
grab_area=$(grab 960x540 480,270)

echo
printf '%-28s %8s %8s %8s\n' "" "kest35" "x11grab" "ratio"
awk -v a="$full" -v b="$grab_full" 'BEGIN { printf "%-28s %8.1f %8.1f %8.2f\n", "full screen 1920x1080 (fps)", a, b, a / b }'
awk -v a="$area" -v b="$grab_area" 'BEGIN { printf "%-28s %8.1f %8.1f %8.2f\n", "area 960x540 (fps)", a, b, a / b }'
