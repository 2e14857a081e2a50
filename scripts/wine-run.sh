#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's private prefix and display; ctest uses
# it as the emulator of the Windows build. scripts/test.sh sets WINEPREFIX and DISPLAY.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the private Wine prefix (scripts/test.sh sets it)}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
