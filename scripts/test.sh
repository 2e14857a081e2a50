#!/usr/bin/env bash
# The one test command: installs what is missing, builds the presets, runs the native unit
# tests, replays the fuzz targets' corpus, then runs the Windows tests under Wine on a private
# X display, with a private sound server whose sink is the recording device.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$KEST_ROOT"

ensure_packages
build_preset linux
build_preset fuzz
build_preset windows

trap 'stop_wine; stop_private_sound; stop_private_display; rm -rf /tmp/kest-tool-* /tmp/kest-frame-*' EXIT
start_private_display
# Before Wine starts: its processes find the sound server through the environment.
start_private_sound
prepare_wine_prefix

status=0
logs=(build/linux/ctest.log build/fuzz/ctest.log build/windows/ctest.log)
ctest --preset linux --output-on-failure | tee build/linux/ctest.log || status=1
ctest --preset fuzz | tee build/fuzz/ctest.log || status=1
ctest --preset windows --output-on-failure | tee build/windows/ctest.log || status=1

echo
echo "Suites:"
grep -h -E 'Test +#[0-9]+: ' "${logs[@]}" | sed -E 's/^ *[0-9]+\/[0-9]+ +//'
passed=$(cat "${logs[@]}" | grep -c -E 'Test +#[0-9]+: .* Passed' || true)
total=$(cat "${logs[@]}" | grep -c -E 'Test +#[0-9]+: ' || true)
echo "$passed passed, $((total - passed)) failed"
exit "$status"
