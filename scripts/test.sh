#!/usr/bin/env bash
# The one test command: installs what is missing, builds both presets, runs the native unit
# tests, then the Windows tests under Wine on a private X display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$KEST_ROOT"

ensure_packages
build_preset linux
build_preset windows

trap 'stop_wine; stop_private_display; rm -rf /tmp/kest-tool-* /tmp/kest-frame-*' EXIT
start_private_display
prepare_wine_prefix

status=0
ctest --preset linux --output-on-failure | tee build/linux/ctest.log || status=1
ctest --preset windows --output-on-failure | tee build/windows/ctest.log || status=1

echo
echo "Suites:"
grep -h -E 'Test +#[0-9]+: ' build/linux/ctest.log build/windows/ctest.log | sed -E 's/^ *[0-9]+\/[0-9]+ +//'
passed=$(cat build/linux/ctest.log build/windows/ctest.log | grep -c -E 'Test +#[0-9]+: .* Passed' || true)
total=$(cat build/linux/ctest.log build/windows/ctest.log | grep -c -E 'Test +#[0-9]+: ' || true)
echo "$passed passed, $((total - passed)) failed"
exit "$status"
