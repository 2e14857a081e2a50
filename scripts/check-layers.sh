#!/usr/bin/env bash
# Fails when the layers leak: the seam (src/platform) and the codec (src/codec) must not reach up
# into the programs; the recorder's windows know one another only as peers (recorder/peers.h), so
# none includes another window's header, and the engine includes none; the Windows SDK is included
# only where Windows is met: the seam's Windows side, the two entry points and the screen codec's
# Windows driver; the sound devices' headers only on the seam's Windows side.
set -uo pipefail
cd "${1:-$(dirname "${BASH_SOURCE[0]}")/..}/src" || exit 2

status=0
upward=$(grep -rn -E '#include +"(recorder|launcher)/' platform)
if [ -n "$upward" ]; then
    echo "the seam includes the programs above it:" >&2
    echo "$upward" >&2
    status=1
fi

upward=$(grep -rn -E '#include +"(recorder|launcher)/' codec)
if [ -n "$upward" ]; then
    echo "the codec includes the programs:" >&2
    echo "$upward" >&2
    status=1
fi

windows_=(mainwindow controlmenu areaselect)
for window in "${windows_[@]}"; do
    others=$(printf '%s|' "${windows_[@]}" | sed "s/$window|//; s/|$//")
    across=$(grep -rn -E "#include +\"recorder/($others)/" "recorder/$window")
    if [ -n "$across" ]; then
        echo "a window includes another window's header:" >&2
        echo "$across" >&2
        status=1
    fi
done
upward=$(grep -rn -E '#include +"recorder/(mainwindow|controlmenu|areaselect|recorder\.h)' recorder/engine)
if [ -n "$upward" ]; then
    echo "the engine includes the windows:" >&2
    echo "$upward" >&2
    status=1
fi

sound=$(grep -rln -E '#include +<(mmsystem|mmeapi|audioclient|mmdeviceapi)\.h>' . | sed 's#^\./##' | grep -v -E '^platform/win32/')
if [ -n "$sound" ]; then
    echo "sound device headers outside the seam's Windows side:" >&2
    echo "$sound" >&2
    status=1
fi

sdk=$(grep -rln -E '#include +<windows\.h>' . | sed 's#^\./##' |
      grep -v -E '^(platform/win32/|recorder/main_win32\.cpp$|launcher/main_win32\.cpp$|codec/win32_screen_codec\.cpp$)')
if [ -n "$sdk" ]; then
    echo "<windows.h> outside the Windows side:" >&2
    echo "$sdk" >&2
    status=1
fi
[ "$status" -eq 0 ] && echo "layers hold"
exit "$status"
