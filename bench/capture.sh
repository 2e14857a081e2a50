#!/usr/bin/env bash
# Capture benchmark under Wine on private Xvfb displays of 1920x1080 and 3840x2160, with a
# desktop-like scene on the screen (see capture_bench.cpp): the frame path's cost stage by stage,
# the codec's block sizes and zlib levels, the capture rate through the recorder's own ticks
# with both compressors against ffmpeg's x11grab, megabytes a minute for a still and an active
# desktop, whether every 4K frame decodes exactly, and the working set.
# bench/capture.sh [SECONDS] [LONG_SECONDS]: each run lasts SECONDS (default 10); a LONG_SECONDS
# run records the active full-HD desktop with the codec that long and reports its working set
# at one minute and at the end, its size and whether it reads back whole. Also what keeping the
# file readable while it is written costs: its own time per frame, and the full-screen capture
# rate with and without it (KEPT_RUNS alternating runs each, default 3).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
cd "$KEST_ROOT"
SECONDS_EACH="${1:-10}"
LONG_SECONDS="${2:-0}"

ensure_packages python3
build_preset windows --target capture_bench >/dev/null
out="$(mktemp -d /tmp/kest-bench.XXXXXX)"
trap 'stop_wine; stop_private_display; rm -rf "$out"' EXIT
winout="Z:${out//\//\\}"

on_display() {  # size: a fresh display of that size, with the Wine prefix
    stop_wine
    stop_private_display
    start_private_display "$1"
    prepare_wine_prefix
}
bench() {  # mode codec seconds scene [unkept] -> the bench's report on stdout (and stderr)
    local report
    report=$(scripts/wine-run.sh build/windows/tests/win32/capture_bench.exe "$1" "$2" "$3" "$winout\\$1-$2-$4.avi" \
             "$4" ${5:-} 2>/dev/null)
    echo "$report" >&2
    echo "$report"
}
run_kept() {  # codec kept|unkept -> fps of a full-screen run of the active scene
    bench full "$1" "$SECONDS_EACH" active "$([ "$2" = unkept ] && echo unkept)" 2>/dev/null | grep '^mode=' | field fps
    rm -f "$out"/full-"$1"-active.avi
}
field() { sed -n "s/.* $1=\([0-9.]*\).*/\1/p"; }  # key, from a report line on stdin
run() {  # mode codec scene -> the report line; the file is kept for a look afterwards
    bench "$1" "$2" "$SECONDS_EACH" "$3" | grep '^mode='
}
grab() {  # size offset seconds -> fps
    # The same work as the recorder's: grab uncapped and write uncompressed frames to an AVI file.
    local frames
    ffmpeg -nostdin -hide_banner -y -f x11grab -framerate 1000 -video_size "$1" -i "$DISPLAY+$2" \
           -t "$3" -c:v rawvideo "$out/x11grab.avi" >/dev/null 2>&1
    frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
                     -of default=noprint_wrappers=1:nokey=1 "$out/x11grab.avi")
    rm -f "$out/x11grab.avi"
    echo "x11grab size=$1 frames=$frames seconds=$3 (rawvideo AVI)" >&2
    awk -v f="$frames" -v s="$3" 'BEGIN { printf "%.1f", f / s }'
}
readable() {  # file -> ffprobe's frame counts and a strict decode's verdict, one line
    local counts strict
    counts=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_frames,nb_read_frames \
                     -of default=noprint_wrappers=1 "$1" | tr '\n' ' ')
    strict=$(ffmpeg -v error -xerror -err_detect explode -i "$1" -f null - 2>&1 | head -3 || echo "exit $?")
    echo "${counts}strict decode: ${strict:-clean}"
}
row() { awk -v n="$1" -v a="$2" -v b="$3" -v c="$4" \
            'BEGIN { printf "%-28s %12.1f %12.1f %8.1f %14.2f %14.2f\n", n, a, b, c, a / c, b / a }'; }
header() { printf '%-28s %12s %12s %8s %14s %14s\n' "" "Full Frames" "our codec" "x11grab" "FF / x11grab" "codec / FF"; }

stages_on() {  # size: a fresh display of that size, and the frame path's cost on it
    echo "== $1: frame path, stage by stage (ms per frame), active scene =="
    on_display "$1"
    echo "-- Full Frames"; bench stages raw "$SECONDS_EACH" active >/dev/null
    echo "-- our codec (ZMBV)"; bench stages zmbv "$SECONDS_EACH" active >/dev/null
}

stages_on 1920x1080
echo
echo "== 1920x1080: capture rate and size =="
full_raw=$(run full raw active | field fps)
active_line=$(run full zmbv active)
full_zmbv=$(echo "$active_line" | field fps)
active_mb=$(echo "$active_line" | field mb_per_minute)
area_raw=$(run area raw active | field fps)
area_zmbv=$(run area zmbv active | field fps)
still_line=$(run full zmbv still)
still_mb=$(echo "$still_line" | field mb_per_minute)
grab_full=$(grab 1920x1080 0,0 "$SECONDS_EACH")
grab_area=$(grab 960x540 480,270 "$SECONDS_EACH")
echo "active recording: $(readable "$out/full-zmbv-active.avi")"
echo "still recording: $(readable "$out/full-zmbv-still.avi")"
echo
header
row "full screen 1920x1080 (fps)" "$full_raw" "$full_zmbv" "$grab_full"
row "area 960x540 (fps)" "$area_raw" "$area_zmbv" "$grab_area"
rm -f "$out"/*.avi

echo
echo "== 1920x1080: keeping the file readable (its headers rewritten after every frame) =="
echo "-- its own cost: 64x48 Full Frames, where the rest of the write costs next to nothing"
bench header raw "$SECONDS_EACH" still >/dev/null
echo "-- full-screen capture rate, runs alternating with (kept) and without (unkept)"
runs="${KEPT_RUNS:-3}"
declare -A rates
for ((i = 1; i <= runs; i++)); do
    for codec in zmbv raw; do
        # Each round swaps which goes first, so that neither always runs after the other codec.
        order="kept unkept"
        ((i % 2 == 0)) && order="unkept kept"
        for kept in $order; do
            fps=$(run_kept "$codec" "$kept")
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

if [ "$LONG_SECONDS" -gt 0 ]; then
    echo
    echo "== 1920x1080: ${LONG_SECONDS} s full-screen recording of the active scene with our codec =="
    long_line=$(bench full zmbv "$LONG_SECONDS" active | grep '^mode=')
    echo "file size: $(stat -c %s "$out/full-zmbv-active.avi") bytes; $(readable "$out/full-zmbv-active.avi")"
    rm -f "$out"/*.avi
fi

echo
stages_on 3840x2160
echo
echo "== 3840x2160: capture rate =="
uhd_raw=$(run full raw active | field fps)
rm -f "$out"/*.avi
uhd_zmbv=$(run full zmbv active | field fps)
echo "recording: $(readable "$out/full-zmbv-active.avi")"
rm -f "$out"/*.avi
grab_uhd=$(grab 3840x2160 0,0 "$(( SECONDS_EACH < 5 ? SECONDS_EACH : 5 ))")
header
row "full screen 3840x2160 (fps)" "$uhd_raw" "$uhd_zmbv" "$grab_uhd"
echo
echo "== 3840x2160: every frame written against ffmpeg's decoding =="
bench verify zmbv 4 active >/dev/null
# Adler-32 of each decoded frame as rgb24, summed from 0 as the bench sums the frames it wrote.
ffmpeg -v error -i "$out/verify-zmbv-active.avi" -f rawvideo -pix_fmt rgb24 - | python3 -c '
import sys, zlib
size = 3840 * 2160 * 3
while True:
    frame = sys.stdin.buffer.read(size)
    if len(frame) < size: break
    print("0x%08x" % zlib.adler32(frame, 0))' > "$out/decoded.crc"
written=$(wc -l < "$out/verify-zmbv-active.avi.crc")
exact=$(paste -d' ' "$out/verify-zmbv-active.avi.crc" "$out/decoded.crc" | awk '$1 == $2' | wc -l)
decoded=$(wc -l < "$out/decoded.crc")
echo "frames written $written, decoded $decoded, exact $exact; $(readable "$out/verify-zmbv-active.avi")"

echo
echo "== goals =="
verdict() { awk -v v="$1" -v g="$2" -v op="$3" 'BEGIN { ok = op == "<=" ? v <= g : v >= g; print ok ? "met" : "NOT met" }'; }
printf '%-34s %14s %16s  %s\n' "measure" "measured" "goal" "verdict"
printf '%-34s %14s %16s  %s\n' "still desktop (MB a minute)" "$still_mb" "<= 5" "$(verdict "$still_mb" 5 '<=')"
printf '%-34s %14s %16s  %s\n' "typing and scrolling (MB a minute)" "$active_mb" "<= 12" "$(verdict "$active_mb" 12 '<=')"
printf '%-34s %14s %16s  %s\n' "4K, our codec (fps)" "$uhd_zmbv" ">= 10" "$(verdict "$uhd_zmbv" 10 '>=')"
printf '%-34s %14s %16s  %s\n' "4K, frames exact" "$exact of $written" "all" \
    "$([ "$exact" -eq "$written" ] && [ "$decoded" -eq "$written" ] && echo met || echo "NOT met")"
printf '%-34s %14s %16s  %s\n' "full HD, codec fps" "$full_zmbv" ">= $full_raw (FF)" "$(verdict "$full_zmbv" "$full_raw" '>=')"
printf '%-34s %14s %16s\n' "full HD, x11grab fps" "$grab_full" "(reference)"
if [ "$LONG_SECONDS" -gt 0 ]; then
    memory=$(echo "$long_line" | sed -n 's/.*working_set_mb(2s\/60s\/peak\/end)=\([0-9.\/]*\).*/\1/p')
    printf '%-34s %14s %16s\n' "working set MB (2s/60s/peak/end)" "$memory" "flat"
fi
