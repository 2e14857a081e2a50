# Shared by the benchmarks in bench/ (sourced after scripts/lib.sh): the processes whose CPU time a
# recording costs, a fresh display for each size, and the reading of a report line and a file.

export BENCH_CLK_TCK="$(getconf CLK_TCK)"

wineserver_pid() {  # the wineserver of our prefix: it works in a folder named after the prefix's device and inode
    local folder process
    folder=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
    for process in /proc/[0-9]*; do
        if [ "$(basename "$(readlink "$process/cwd" 2>/dev/null)")" = "$folder" ]; then echo "${process#/proc/}"; return; fi
    done
}
host_cpu() {  # pid -> its user and system CPU seconds so far
    awk -v hz="$BENCH_CLK_TCK" '{ sub(/^.*\) /, ""); printf "%.2f", ($12 + $13) / hz }' "/proc/$1/stat"
}
on_display() {  # size: a fresh display of that size, with the Wine prefix and the processes to watch
    stop_wine
    stop_private_display
    start_private_display "$1"
    prepare_wine_prefix
    export BENCH_WATCH="xvfb:$KEST_XVFB_PID wineserver:$(wineserver_pid)"
    log "watching $BENCH_WATCH"
}
field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p"; }  # key, from a report line on stdin
per_minute() { awk -v v="$1" -v s="$2" 'BEGIN { printf "%.1f", v / s * 60 }'; }  # seconds of CPU, seconds of life

readable() {  # file -> ffprobe's frame counts and a strict decode's verdict, one line
    local counts strict
    counts=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_frames,nb_read_frames \
                     -of default=noprint_wrappers=1 "$1" | tr '\n' ' ')
    strict=$(ffmpeg -v error -xerror -err_detect explode -i "$1" -f null - 2>&1 | head -3 || echo "exit $?")
    echo "${counts}strict decode: ${strict:-clean}"
}

