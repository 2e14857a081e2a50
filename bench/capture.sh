#!/usr/bin/env bash
# Capture benchmark on a private 1920x1080 display under Wine, with a desktop-like picture on the
# screen: the frame path's cost stage by stage (Full Frames and the recorder's own codec, with a
# zlib level table), the capture rate through the recorder's own ticks for the full screen and a
# 960x540 area with both compressors, and ffmpeg's x11grab on the same display and sizes.
# bench/capture.sh [SECONDS] [LONG_SECONDS]: a LONG_SECONDS run records the full screen with the
# codec that long and reports the file's size, its working set and whether it reads back whole.
# Last, what keeping the file readable while it is written costs: its own time per frame, and the
# full-screen capture rate with and without it (KEPT_RUNS alternating runs each, default 3).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
cd "$KEST_ROOT"
SECONDS_EACH="${1:-10}"
LONG_SECONDS="${2:-0}"

ensure_packages
build_preset windows --target capture_bench >/dev/null
trap 'stop_wine; stop_private_display' EXIT
start_private_display
prepare_wine_prefix

out="$(mktemp -d /tmp/kest-bench.XXXXXX)"
trap 'stop_wine; stop_private_display; rm -rf "$out"' EXIT
winout="Z:${out//\//\\}"

bench() {  # mode codec seconds [unkept] -> the bench's report on stdout
    scripts/wine-run.sh build/windows/tests/win32/capture_bench.exe "$1" "$2" "$3" "$winout\\$1-$2.avi" ${4:-} 2>/dev/null
}
ours() {  # mode codec -> fps
    bench "$1" "$2" "$SECONDS_EACH" | tee /dev/stderr | sed -n 's/.* fps=\([0-9.]*\).*/\1/p'
    rm -f "$out/$1-$2.avi"
}
grab() {  # size offset -> fps
    # The same work as the recorder's: grab uncapped and write uncompressed frames to an AVI file.
    local frames
    ffmpeg -nostdin -hide_banner -y -f x11grab -framerate 1000 -video_size "$1" -i "$DISPLAY+$2" \
           -t "$SECONDS_EACH" -c:v rawvideo "$out/x11grab.avi" >/dev/null 2>&1
    frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
                     -of default=noprint_wrappers=1:nokey=1 "$out/x11grab.avi")
    rm -f "$out/x11grab.avi"
    echo "x11grab size=$1 frames=$frames seconds=$SECONDS_EACH (rawvideo AVI)" >&2
    awk -v f="$frames" -v s="$SECONDS_EACH" 'BEGIN { printf "%.1f", f / s }'
}

echo "== frame path, stage by stage (ms per frame) =="
echo "-- Full Frames"; bench stages raw "$SECONDS_EACH"
echo "-- our codec (ZMBV)"; bench stages zmbv "$SECONDS_EACH"
echo
echo "== capture rate =="
full_raw=$(ours full raw)
full_zmbv=$(ours full zmbv)
area_raw=$(ours area raw)
area_zmbv=$(ours area zmbv)
grab_full=$(grab 1920x1080 0,0)
grab_area=$(grab 960x540 480,270)

echo
printf '%-28s %12s %12s %8s %14s %14s\n' "" "Full Frames" "our codec" "x11grab" "FF / x11grab" "codec / FF"
row() { awk -v n="$1" -v a="$2" -v b="$3" -v c="$4" \
            'BEGIN { printf "%-28s %12.1f %12.1f %8.1f %14.2f %14.2f\n", n, a, b, c, a / c, b / a }'; }
row "full screen 1920x1080 (fps)" "$full_raw" "$full_zmbv" "$grab_full"
row "area 960x540 (fps)" "$area_raw" "$area_zmbv" "$grab_area"

if [ "$LONG_SECONDS" -gt 0 ]; then
    echo
    echo "== ${LONG_SECONDS} s full-screen recording with our codec =="
    bench full zmbv "$LONG_SECONDS"
    file="$out/full-zmbv.avi"
    echo "file size: $(stat -c %s "$file") bytes"
    ffprobe -v error -count_frames -select_streams v:0 \
            -show_entries stream=codec_name,r_frame_rate,nb_frames,nb_read_frames -of default=noprint_wrappers=1 "$file"
    strict=$(ffmpeg -v error -xerror -err_detect explode -i "$file" -f null - 2>&1 || echo "exit $?")
    echo "strict decode: ${strict:-clean}"
fi

echo
echo "== keeping the file readable (its headers rewritten after every frame) =="
echo "-- its own cost: 64x48 Full Frames, where the rest of the write costs next to nothing"
bench header raw "$SECONDS_EACH"
echo "-- full-screen capture rate, runs alternating with (kept) and without (unkept)"
runs="${KEPT_RUNS:-3}"
declare -A rates
for ((i = 1; i <= runs; i++)); do
    for codec in zmbv raw; do
        for kept in kept unkept; do
            fps=$(bench full "$codec" "$SECONDS_EACH" "$([ $kept = unkept ] && echo unkept)" | sed -n 's/.* fps=\([0-9.]*\).*/\1/p')
            rm -f "$out/full-$codec.avi"
            echo "run $i $codec $kept fps=$fps" >&2
            rates[$codec-$kept]+="$fps "
        done
    done
done
printf '%-12s %-8s %8s %8s %8s %s\n' codec headers median min max runs
for codec in zmbv raw; do
    for kept in kept unkept; do
        echo "${rates[$codec-$kept]}" | tr ' ' '\n' | grep . | sort -n | awk -v c="$codec" -v k="$kept" -v all="${rates[$codec-$kept]}" \
            '{ v[NR] = $1 } END { printf "%-12s %-8s %8.1f %8.1f %8.1f %s\n", c, k, v[int((NR + 1) / 2)], v[1], v[NR], all }'
    done
done
