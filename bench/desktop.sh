#!/usr/bin/env bash
# The real recorder's benchmark under Wine on private Xvfb displays of 1920x1080 and 3840x2160.
# A scene runs as a program of its own (capture_bench.exe's "scene" mode): the working "desktop"
# (a gradient wallpaper, desktop icons, an editor typed into every 100 ms that scrolls a line a
# second, a chart, a taskbar whose clock changes every 15 ms, all in a topmost full-screen window
# that repaints the whole of itself every second) or capture.sh's "active" page, each with the
# time code that bench/timecode.py reads back from every decoded frame. build/windows/kest35.exe
# is started beside it and recorded with as a person records: capture_bench.exe's "real" mode
# chooses 设置 > 帧率 > 每秒 N 帧 (at 15 or 30 frames a second), 文件 > 开始, types the file's path
# into the save dialog, takes our codec in the compression dialog, lets it record SECONDS, then
# restores the window, chooses 文件 > 停止 and closes the recorder.
#
# For each recording it prints the slots, the slots with a picture of their own (frames: the
# recorder writes an empty chunk for a slot it had no time for) and their share, the frames that
# show a new step of the time code (ffmpeg repeats its last picture for a slot it had no time
# for: that frame is not new) and their share, the lateness of the new pictures read from the code (the recorder does not publish its time
# line's start, so the picture nearest its slot is taken as on time: a constant lag does not
# show), megabytes a minute of the frames, and CPU seconds a minute of kest35.exe's host process,
# of the X server and of wineserver, all over the part from the first frame the caption counts
# to SECONDS later (start-up, dialogs and the stop left out). Against each, ffmpeg on the same
# scene for as long, judged alike (its time stamps left aside): `-f x11grab -framerate 10 -c:v
# zmbv` at 10 frames a second, `-f x11grab -framerate 30 -c:v libx264 -preset ultrafast -qp 0` at
# 30 (and any other rate asked for); its CPU is ffmpeg's own. The X server's CPU with the scene
# alone is measured for a few seconds before each ffmpeg run. A table of the goals closes it.
#
# bench/desktop.sh [SECONDS [RATES [SIZES [SCENES]]]]: defaults 60, "10 30", "1920x1080 3840x2160"
# and "desktop active"; e.g. `bench/desktop.sh 12 10 1920x1080 desktop` for a short look. A rate
# other than 10 needs the recorder's frame-rate menu; a file at another rate than asked is
# reported and left out of the goals. The machine is shared: whatever else runs on it shows in
# the times and CPU seconds. BENCH_KEEP=DIR keeps the recorder's files there for a look. Not part
# of the tests.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$KEST_ROOT"
SECONDS_EACH="${1:-60}"
RATES="${2:-10 30}"
SIZES="${3:-1920x1080 3840x2160}"
SCENES="${4:-desktop active}"
BENCH_EXE=build/windows/tests/win32/capture_bench.exe

ensure_packages python3 time
build_preset windows --target kest35 capture_bench >/dev/null
out="$(mktemp -d /tmp/kest-desktop.XXXXXX)"
scene_pid=
trap '[ -n "$scene_pid" ] && kill "$scene_pid" 2>/dev/null; stop_wine; stop_private_display; rm -rf "$out"' EXIT
winout="Z:${out//\//\\}"

scene_up() {  # scene -> the scene shown for longer than a recording with its dialogs; sets scene_pid
    scripts/wine-run.sh "$BENCH_EXE" scene "$((SECONDS_EACH + 180))" "$1" >"$out/scene.out" 2>/dev/null &
    scene_pid=$!
    for _ in $(seq 1 300); do grep -q 'scene shown' "$out/scene.out" && return; sleep 0.1; done
    log "the scene did not show"
    return 1
}
scene_down() {
    kill "$scene_pid" 2>/dev/null || true
    wait "$scene_pid" 2>/dev/null || true
    scene_pid=
}
rate_of() {  # file -> its frames a second as ffprobe reads them
    ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 "$1" | awk -F/ '{ print $1 / $2 }'
}

# kest35.exe on the scene at a rate: a line of the driver's report, the file's rate and its time code
# over the measured slots.
ours() {  # scene rate -> the line
    local file="$out/ours-$1-$2.avi" recorder line
    scene_up "$1"
    scripts/wine-run.sh build/windows/kest35.exe >/dev/null 2>"$out/kest35.err" &
    recorder=$!  # wine runs the program in the process it was started as
    line=$(BENCH_WATCH="kest35:$recorder $BENCH_WATCH" \
           scripts/wine-run.sh "$BENCH_EXE" real zmbv "$SECONDS_EACH" "$winout\\ours-$1-$2.avi" "$2" 2>"$out/real.err" |
           grep '^mode=' || true)
    for _ in $(seq 1 300); do kill -0 "$recorder" 2>/dev/null || break; sleep 0.1; done
    kill "$recorder" 2>/dev/null || true  # a recorder still there after its close is not measured again
    wait "$recorder" 2>/dev/null || true
    scene_down
    if [ -z "$line" ] || [ ! -s "$file" ] || [ "$(echo "$line" | field stopped)" != yes ]; then
        log "the recording at $2 frames a second did not come about or ended before its stop:" \
            "$(tr '\n' ' ' <"$out/real.err") $(tail -c 600 "$out/kest35.err" | tr '\n' ' ')"
        echo "mode=real failed=yes"
        return
    fi
    [ -s "$out/real.err" ] && log "$(cat "$out/real.err")"
    log "kest35 $1 $2: $(readable "$file")"
    echo "$line file_rate=$(rate_of "$file") $(python3 bench/timecode.py "$file" "$(echo "$line" | field code)" fit \
        "$(echo "$line" | field seconds)" "$(echo "$line" | field first_slot):$(echo "$line" | field last_slot)")"
    if [ -n "${BENCH_KEEP:-}" ]; then mv "$file" "$BENCH_KEEP/"; else rm -f "$file"; fi
}

# ffmpeg's x11grab on the scene for SECONDS at a rate (ZMBV at 10, x264 lossless at ultrafast
# otherwise), judged alike; the scene's own X CPU over a few seconds first.
theirs() {  # size scene rate -> the line
    local size="$1" file="$out/ffmpeg-$2-$3.avi" x0 w0 x1 w1 x2 w2 cpu server alone=5 code
    shift
    local codec=(-c:v zmbv)
    [ "$2" != 10 ] && codec=(-c:v libx264 -preset ultrafast -qp 0)
    server=$(wineserver_pid)
    scene_up "$1"
    x0=$(host_cpu "$KEST_XVFB_PID"); w0=$(host_cpu "$server")
    sleep "$alone"
    x1=$(host_cpu "$KEST_XVFB_PID"); w1=$(host_cpu "$server")
    /usr/bin/time -f 'ffmpeg_cpu %U %S' -o "$out/ffmpeg.time" \
        ffmpeg -nostdin -hide_banner -y -f x11grab -framerate "$2" -i "$DISPLAY" -t "$SECONDS_EACH" "${codec[@]}" \
               "$file" 2>"$out/ffmpeg.log"
    x2=$(host_cpu "$KEST_XVFB_PID"); w2=$(host_cpu "$server")
    scene_down
    cpu=$(awk '/^ffmpeg_cpu/ { printf "%.2f", $2 + $3 }' "$out/ffmpeg.time")
    # The strip's place as the scene paints it: a quarter of the screen in, and 48 pixels more.
    code="$(( ${size%x*} / 4 + 48 )),$(( ${size#*x} / 4 + 48 )),32,2,24"
    echo "mode=ffmpeg rate=$2 seconds=$SECONDS_EACH bytes=$(stat -c %s "$file") cpu_s=$cpu" \
         "xvfb_cpu_s=$(awk -v a="$x1" -v b="$x2" 'BEGIN { printf "%.2f", b - a }')" \
         "wineserver_cpu_s=$(awk -v a="$w1" -v b="$w2" 'BEGIN { printf "%.2f", b - a }')" \
         "scene_xvfb_s_per_min=$(per_minute "$(awk -v a="$x0" -v b="$x1" 'BEGIN { print b - a }')" "$alone")" \
         "file_rate=$(rate_of "$file") $(python3 bench/timecode.py "$file" "$code" fit "$SECONDS_EACH")"
    rm -f "$file"
}

row() { printf '%-22s %5s %6s %6s %6s %6s %6s %5s %6s %7s %8s %6s %6s\n' "$@"; }
header() {
    row "" rate slots frames "%" new "%" p99 worst MB/min "own CPU" "X CPU" "own+X"
    row "" "/s" "" "" "" "" "" ms ms "" "s/min" "s/min" "s/min"
}
declare -A lines
value() { echo "${lines[$1]:-}" | field "$2"; }  # key field
table_row() {  # label key -> the row of lines[key]
    local line="${lines[$2]}" s own x
    if [ -n "$(echo "$line" | field failed)" ]; then row "$1" "(no recording to its stop)"; return; fi
    s=$(echo "$line" | field seconds)
    own=$(echo "$line" | field kest35_cpu_s)
    [ -z "$own" ] && own=$(echo "$line" | field cpu_s)
    x=$(echo "$line" | field xvfb_cpu_s)
    row "$1" "$(echo "$line" | field file_rate)" "$(echo "$line" | field slots)" "$(echo "$line" | field decoded)" \
        "$(echo "$line" | field decoded_pct)" "$(echo "$line" | field new)" "$(echo "$line" | field new_pct)" \
        "$(echo "$line" | field p99_ms)" "$(echo "$line" | field worst_ms)" \
        "$(echo "$line" | field frames_mb_per_minute)" "$(per_minute "$own" "$s")" "$(per_minute "$x" "$s")" \
        "$(per_minute "$(awk -v a="$own" -v b="$x" 'BEGIN { print a + b }')" "$s")"
}

for size in $SIZES; do
    echo "== $size: recordings of ${SECONDS_EACH} s =="
    on_display "$size"
    for scene in $SCENES; do
        for rate in $RATES; do
            echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
            lines[$size $scene $rate ours]=$(ours "$scene" "$rate")
            echo "kest35 $scene $rate: ${lines[$size $scene $rate ours]}"
            lines[$size $scene $rate ffmpeg]=$(theirs "$size" "$scene" "$rate")
            echo "ffmpeg $scene $rate: ${lines[$size $scene $rate ffmpeg]}"
        done
    done
    echo
    header
    for scene in $SCENES; do
        for rate in $RATES; do
            table_row "kest35 $scene $rate" "$size $scene $rate ours"
            table_row "ffmpeg $scene $rate" "$size $scene $rate ffmpeg"
            row "  the scene alone" "" "" "" "" "" "" "" "" "" "" "$(value "$size $scene $rate ffmpeg" scene_xvfb_s_per_min)" ""
        done
    done
    echo
done

# ---- goals ----

with_x() {  # key -> own + X CPU seconds a minute
    local line="${lines[$1]:-}" own
    own=$(echo "$line" | field kest35_cpu_s)
    [ -z "$own" ] && own=$(echo "$line" | field cpu_s)
    per_minute "$(awk -v a="$own" -v b="$(echo "$line" | field xvfb_cpu_s)" 'BEGIN { print a + b }')" \
               "$(echo "$line" | field seconds)"
}
goal() { printf '%-44s %22s %26s  %s\n' "$@"; }
judge() {  # measured-list goal-list ops-list: met when every measure meets its goal
    awk -v v="$1" -v g="$2" -v o="$3" 'BEGIN {
        n = split(v, vs, "/"); split(g, gs, "/"); split(o, os, "/"); ok = 1
        for (i = 1; i <= n; i++) { if (vs[i] == "" || vs[i] ~ /nan/) ok = 0
                                   else if (os[i] == "<=" ? vs[i] + 0 > gs[i] + 0 : vs[i] + 0 < gs[i] + 0) ok = 0 }
        print ok ? "met" : "NOT met" }'
}
counted() {  # key rate -> true when the recording was made at that rate
    [ -n "${lines[$1]:-}" ] && [ -z "$(value "$1" failed)" ] &&
        awk -v a="$(value "$1" file_rate)" -v b="$2" 'BEGIN { exit !(a == b) }'
}
skipped() { goal "$1" "(no $2 recording)" "" ""; }

echo "== goals (desktop scene, our codec) =="
goal "measure" "measured" "goal" "verdict"
full=1920x1080 uhd=3840x2160
key="$full desktop 10 ours"
if counted "$key" 10; then
    m="$(value "$key" decoded_pct)/$(value "$key" p99_ms)"
    goal "$full 10/s: own pictures %, p99 ms" "$m" ">= 100 / <= 50" "$(judge "$m" "100/50" ">=/<=")"
    if [ -n "${lines[$full desktop 10 ffmpeg]:-}" ]; then
        ours_cpu=$(with_x "$key") theirs_cpu=$(with_x "$full desktop 10 ffmpeg")
        half=$(awk -v t="$theirs_cpu" 'BEGIN { printf "%.1f", t / 2 }')
        goal "$full 10/s: CPU +X s/min" "$ours_cpu" "<= $half (ffmpeg zmbv+X /2)" "$(judge "$ours_cpu" "$half" "<=")"
    fi
else skipped "$full 10/s" "10/s"; fi
key="$uhd desktop 10 ours"
if counted "$key" 10; then
    goal "$uhd 10/s: own pictures %" "$(value "$key" decoded_pct)" ">= 95" "$(judge "$(value "$key" decoded_pct)" 95 ">=")"
else skipped "$uhd 10/s" "10/s"; fi
key="$full desktop 30 ours"
if counted "$key" 30; then
    m="$(value "$key" decoded_pct)/$(value "$key" p99_ms)"
    goal "$full 30/s: own pictures %, p99 ms" "$m" ">= 95 / <= 33" "$(judge "$m" "95/33" ">=/<=")"
    if [ -n "${lines[$full desktop 30 ffmpeg]:-}" ]; then
        ours_cpu=$(with_x "$key") theirs_cpu=$(with_x "$full desktop 30 ffmpeg")
        goal "$full 30/s: CPU +X s/min" "$ours_cpu" "<= $theirs_cpu (x264 qp0+X)" "$(judge "$ours_cpu" "$theirs_cpu" "<=")"
    fi
    if counted "$full desktop 10 ours" 10; then
        at30=$(value "$key" frames_mb_per_minute) twice=$(awk -v a="$(value "$full desktop 10 ours" frames_mb_per_minute)" \
                                                            'BEGIN { printf "%.2f", 2 * a }')
        goal "$full 30/s: MB a minute" "$at30" "<= $twice (2 x ours at 10)" "$(judge "$at30" "$twice" "<=")"
    fi
else skipped "$full 30/s" "30/s"; fi
