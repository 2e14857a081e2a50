# Shared by scripts/test.sh, scripts/run.sh and bench/: installs what the project needs on a
# fresh Debian machine, and starts a private X display and Wine prefix.

KEST_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KEST_PACKAGES=(cmake ninja-build g++ googletest g++-mingw-w64-x86-64-posix wine wine64 xvfb x11-utils
               ffmpeg fonts-wqy-microhei libz-mingw-w64-dev zlib1g-dev xdotool imagemagick locales
               clang libclang-rt-14-dev pulseaudio pulseaudio-utils sox xserver-xephyr)

log() { printf '[kest] %s\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
    local missing=()
    for package in "${KEST_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        log "installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
}

# Starts Xvfb on a free display (1920x1080 unless a size is given, e.g. 3840x2160) and exports
# DISPLAY; the server is stopped on exit.
start_private_display() {
    local size="${1:-1920x1080}" number=90
    while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do number=$((number + 1)); done
    Xvfb ":${number}" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    KEST_XVFB_PID=$!
    export DISPLAY=":${number}"
    for _ in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && break
        kill -0 "$KEST_XVFB_PID" 2>/dev/null || { log "Xvfb did not start"; return 1; }
        sleep 0.1
    done
    xdpyinfo >/dev/null 2>&1 || { log "Xvfb did not answer"; return 1; }
    log "private display $DISPLAY (Xvfb pid $KEST_XVFB_PID)"
}

stop_private_display() {
    if [ -n "${KEST_XVFB_PID:-}" ]; then
        kill "$KEST_XVFB_PID" 2>/dev/null || true
        wait "$KEST_XVFB_PID" 2>/dev/null || true
        KEST_XVFB_PID=
    fi
}

# Two monitors as Wine sees them (Xvfb's own Xinerama puts both heads at 0,0, and Wine ignores
# RandR monitors on one Xvfb screen): Xephyr on the current display, its heads 1920x1080 at (0,0)
# and 1280x1024 at (1920,0). Exports DISPLAY for it; a prefix used on it needs UseXRandR=N.
start_two_monitors() {
    local number=120
    while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do number=$((number + 1)); done
    Xephyr ":${number}" +xinerama -screen 1920x1080 -origin 1920,0 -screen 1280x1024 -nolisten tcp >/dev/null 2>&1 &
    KEST_XEPHYR_PID=$!
    export DISPLAY=":${number}"
    for _ in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        kill -0 "$KEST_XEPHYR_PID" 2>/dev/null || break
        sleep 0.1
    done
    log "Xephyr did not start on $DISPLAY"
    return 1
}

stop_two_monitors() {
    if [ -n "${KEST_XEPHYR_PID:-}" ]; then
        kill "$KEST_XEPHYR_PID" 2>/dev/null || true
        wait "$KEST_XEPHYR_PID" 2>/dev/null || true
        KEST_XEPHYR_PID=
    fi
}

# A Wine prefix of our own below the build folder; never the user's ~/.wine.
prepare_wine_prefix() {
    export WINEPREFIX="${KEST_WINEPREFIX:-$KEST_ROOT/build/windows/wineprefix}"
    export WINEDEBUG=-all
    # Without these Wine offers to download Mono and Gecko, which hangs a machine without a person.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        log "creating Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
    # One server for all the test processes instead of one started and stopped per process.
    wineserver -p >/dev/null 2>&1 || true
    # The first Wine process of a server starts its services, which inherit that process's
    # output; started here they hold /dev/null instead of the pipe a test runner waits on.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# A PulseAudio server of our own with one null sink, whose monitor is the default recording
# device: what is played into the sink is what a microphone would hear. The folders are private
# so that nobody's own sound server is touched; a low-latency reader keeps the idle sink from
# handing its monitor's samples over in two-second blocks.
start_private_sound() {
    local dir="${KEST_SOUND_DIR:-$KEST_ROOT/build/sound}"
    mkdir -p "$dir/home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" PULSE_RUNTIME_PATH="$dir/runtime/pulse"
    export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
    cat >"$dir/default.pa" <<'PA'
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=rec
set-default-sink rec
set-default-source rec.monitor
PA
    pulseaudio -n -F "$dir/default.pa" --exit-idle-time=-1 --disallow-exit --daemonize=yes --use-pid-file=yes \
        >/dev/null 2>&1 || { log "PulseAudio did not start"; return 1; }
    for _ in $(seq 1 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl info >/dev/null 2>&1 || { log "PulseAudio did not answer"; return 1; }
    pacat -r -d rec.monitor --latency-msec=10 >/dev/null 2>&1 &
    KEST_SOUND_READER_PID=$!
    log "private sound server $PULSE_SERVER"
}

stop_private_sound() {
    if [ -n "${KEST_SOUND_READER_PID:-}" ]; then kill "$KEST_SOUND_READER_PID" 2>/dev/null || true; fi
    if [ -n "${PULSE_RUNTIME_PATH:-}" ] && [ -f "$PULSE_RUNTIME_PATH/pid" ]; then
        kill "$(cat "$PULSE_RUNTIME_PATH/pid")" 2>/dev/null || true
    fi
    KEST_SOUND_READER_PID=
}

stop_wine() {
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
}

build_preset() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" "${@:2}"
}
