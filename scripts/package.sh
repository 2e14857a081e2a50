#!/usr/bin/env bash
# Builds both programs and writes dist/kest35-3.05-win64.zip for Windows users: the recorder,
# the launcher and a short read-me, ready to unpack into one folder and run.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cd "$KEST_ROOT"

ensure_packages zip
build_preset windows --target kest35 kestlaunch
scripts/check-imports.sh build/windows/kest35.exe build/windows/kestlaunch.exe >/dev/null

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
for program in kest35 kestlaunch; do
    # Debug information stays in the build folder; users get the program alone.
    x86_64-w64-mingw32-strip --strip-debug -o "$stage/$program.exe" "build/windows/$program.exe"
done
# UTF-8 with a byte-order mark and CRLF line ends, so that Notepad shows the Chinese text on any
# system locale.
printf '\xEF\xBB\xBF' >"$stage/README.txt"
sed 's/$/\r/' >>"$stage/README.txt" <<'TEXT'
Velvra 录像机 3.05（64 位 Windows）
==================================

把本压缩包里的全部文件解压到同一个文件夹，然后双击 kestlaunch.exe：
启动窗口淡入、停留五秒、淡出之后，录像程序 kest35.exe 会以最小化方式启动，
点击任务栏上的按钮即可打开它。也可以直接双击 kest35.exe 启动录像程序。
录像：在“文件”菜单中选择开始，输入文件名，选择视频压缩方式。
两个程序都不需要安装，也不需要其他 DLL；kest35.exe 必须和 kestlaunch.exe 放在一起。

Velvra screen recorder 3.05 (64-bit Windows)

Unpack all files of this zip into one folder and double-click kestlaunch.exe: its window
fades in, stays five seconds and fades out, then the recorder kest35.exe starts minimised;
click its taskbar button to open it. You can also start kest35.exe directly. To record,
choose Start in its File (文件) menu, name the file and pick a video compressor.
Nothing needs installing and no other DLLs are needed; keep kest35.exe beside kestlaunch.exe.
TEXT

mkdir -p dist
archive="dist/kest35-3.05-win64.zip"
rm -f "$archive"
(cd "$stage" && zip -q -X "$KEST_ROOT/$archive" kest35.exe kestlaunch.exe README.txt)
log "wrote $archive"
unzip -l "$archive"
