#!/bin/bash
# Redraws expected/ with the reference GDI: builds gdi_probe.c for Windows, runs it under Wine
# (headless, no display) on every command file in commands/, and writes each file's ASCII
# pictures to expected/NAME.txt and the font metrics to expected/metrics.txt.
#   regenerate.sh [OUT_DIR]   (default: expected/ beside this script)
# The command files come from gen_commands.py. Needs g++-mingw-w64-x86-64 (or
# gcc-mingw-w64-x86-64), wine, wine64, fonts-wine and fonts-liberation2: scripts/deps.sh windows
# wine. Wine's fonts and Liberation (the Arial-metric face) are the prefix's only fonts, so text
# is drawn as the tests expect.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
OUT="$(mkdir -p "${1:-$HERE/expected}" && cd "${1:-$HERE/expected}" && pwd)"
WORK="$(mktemp -d /tmp/plako-gdi-reference.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
export WINEPREFIX="${WINEPREFIX:-/tmp/plako-gdi-wineprefix}"
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko offers
unset DISPLAY                                                           # a memory DC needs no X server
x86_64-w64-mingw32-gcc -O2 -Wall -o "$WORK/gdi_probe.exe" "$HERE/gdi_probe.c" -lgdi32
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
FONTS="$WINEPREFIX/drive_c/windows/Fonts"
rm -rf "$FONTS"; mkdir -p "$FONTS"
cp /usr/share/wine/fonts/* "$FONTS/"
cp /usr/share/fonts/truetype/liberation2/*.ttf "$FONTS/"
# The command files name their outputs out/NAME.txt (appended to, one picture per "ascii") and
# out/NAME.ppm, relative to where the probe runs.
mkdir -p "$WORK/out"
cd "$WORK"
for t in "$HERE"/commands/*.txt; do
    name=$(basename "$t" .txt)
    wine ./gdi_probe.exe draw "$t"
    cp "out/$name.txt" "$OUT/$name.txt"
done
wine ./gdi_probe.exe metrics "$OUT/metrics.txt"
wineserver -w
echo "regenerate.sh: $(ls "$HERE"/commands/*.txt | wc -l) command files and the metrics -> $OUT"
