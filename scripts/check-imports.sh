#!/usr/bin/env bash
# Fails unless every DLL that the given Windows programs import is one that Windows itself ships,
# so that a user can run them from the zip without installing anything (no MinGW runtime DLLs).
set -euo pipefail
OBJDUMP="${OBJDUMP:-x86_64-w64-mingw32-objdump}"
# Lower-case names of system DLLs the programs may reasonably use.
SYSTEM_DLLS=(kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll comdlg32.dll
             comctl32.dll avifil32.dll msvfw32.dll winmm.dll msvcrt.dll shlwapi.dll uxtheme.dll version.dll)

status=0
for program in "$@"; do
    dlls=$("$OBJDUMP" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p')
    if [ -z "$dlls" ]; then
        echo "$program: no import table found" >&2
        status=1
        continue
    fi
    for dll in $dlls; do
        lower=$(printf '%s' "$dll" | tr '[:upper:]' '[:lower:]')
        if [[ " ${SYSTEM_DLLS[*]} " != *" $lower "* ]]; then
            echo "$(basename "$program") imports $dll, which Windows does not ship" >&2
            status=1
        fi
    done
    echo "$(basename "$program"): $(echo $dlls)"
done
exit "$status"
