#!/usr/bin/env bash
# Runs a Windows test program on two monitors (Xephyr hosted on the current display) in a Wine
# prefix of its own, at the display scaling asked for: `screens-run.sh [--dpi N] PROGRAM [ARGS]`,
# 96 dpi unless told. ctest runs the screens suite through it; the scaling is put back to 96
# afterwards.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

dpi=96
if [ "${1:-}" = --dpi ]; then dpi=$2; shift 2; fi
: "${DISPLAY:?the host display (scripts/test.sh starts one)}"

# Wine 8 reads LogPixels from HKCU first, then from the HKLM fonts key; each process reads it
# when it starts, so the prefix's services are started again after a change.
set_scaling() {
    local file="$WINEPREFIX/drive_c/kest-screens.reg" value
    value=$(printf 'dword:%08x' "$1")
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"UseXRandR"="N"\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=%s\n\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts]\n"LogPixels"=%s\n' \
        "$value" "$value" >"$file"
    wine regedit /S 'C:\kest-screens.reg' >/dev/null 2>&1
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
}

export KEST_WINEPREFIX="$KEST_ROOT/build/windows/wineprefix-screens" KEST_MONITORS=2
trap 'set_scaling 96 || true; stop_wine; stop_two_monitors' EXIT
start_two_monitors
prepare_wine_prefix
set_scaling "$dpi"
prepare_wine_prefix
wine "$@"
