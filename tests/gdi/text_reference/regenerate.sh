#!/bin/bash
# Redraws the text sweep's expected pictures with the reference GDI: builds text_probe.c for
# Windows, runs it under Wine (headless) with the fonts it finds there, Wine's own (the fixed
# font is Courier) and Liberation (the Arial-metric face), and packs what it drew into
# expected.bin. Needs g++-mingw-w64-x86-64, wine, wine64, fonts-wine and fonts-liberation2, and
# a build of the tests: regenerate.sh [BUILD_DIR] (default build/default).
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
BUILD="${1:-$HERE/../../../build/default}"
TOOL="$BUILD/tests/text_sweep_tool"
[ -x "$TOOL" ] || { echo "regenerate.sh: build the tests first ($TOOL is missing)" >&2; exit 1; }
WORK="$(mktemp -d /tmp/plako-text-sweep.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
export WINEPREFIX="${WINEPREFIX:-/tmp/plako-text-wineprefix}"
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
x86_64-w64-mingw32-gcc -O2 -Wall -o "$WORK/text_probe.exe" "$HERE/text_probe.c" -lgdi32
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
FONTS="$WINEPREFIX/drive_c/windows/Fonts"
rm -rf "$FONTS"; mkdir -p "$FONTS"
cp /usr/share/wine/fonts/* "$FONTS/"
cp /usr/share/fonts/truetype/liberation2/*.ttf "$FONTS/"
"$TOOL" commands "$WORK"
wine "$WORK/text_probe.exe" "$WORK"/sheet-*.txt
wineserver -w
"$TOOL" pack "$WORK" "$HERE/expected.bin"
