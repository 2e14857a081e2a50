#!/usr/bin/env bash
# The one run command: builds the recorder and starts it under Wine, on the current display or,
# when there is none, on a private Xvfb display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$KEST_ROOT"

ensure_packages locales
build_preset windows --target kest35

# Chinese captions need a CJK font and a Chinese locale for the Wine process.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    if [ -f /etc/locale.gen ]; then
        as_root sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
        grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
        as_root locale-gen >/dev/null 2>&1 || log "could not generate zh_CN.UTF-8; Chinese text may show as boxes"
    fi
fi

trap 'stop_wine; stop_private_sound; stop_private_display' EXIT
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    start_private_display
fi
# Without a sound server Wine finds no recording device; a private one records what is played
# into its sink (paplay with the PULSE_SERVER printed here).
if ! pactl info >/dev/null 2>&1; then
    start_private_sound
fi
# A prefix of its own, made in the Chinese locale: Wine links the CJK fonts in at creation.
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
KEST_WINEPREFIX="$KEST_ROOT/build/windows/wineprefix-zh" prepare_wine_prefix
log "starting kest35.exe on $DISPLAY"
wine "$KEST_ROOT/build/windows/kest35.exe"
