#!/usr/bin/env bash
# Draws docs/grading/class.png and docs/grading/student.png: plako-grade grades the fixture class
# (tests/grade) and headless chromium photographs the class page and off3px's page.
# Run it after changing what the pages show. Needs chromium (apt-get install chromium).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v chromium >/dev/null || { echo "make-pictures-grading.sh needs chromium" >&2; exit 1; }
cmake --preset default >/dev/null
cmake --build --preset default -j2 >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/grading-pictures.XXXXXX")
chmod 755 "$work"  # when started as root, builds and runs drop to nobody, who must reach the package
trap 'rm -rf "$work"' EXIT
cmake --install build/default --prefix "$work/prefix" >/dev/null
export FONTCONFIG_FILE="$PWD/tests/fonts/fonts.conf"
"$work/prefix/bin/plako-grade" tests/grade/assignment tests/grade/class --out "$work/report" -q -j 2
# A picture of build errors would mislead: the class must have graded as the tests expect.
grep -q 'class="scene"' "$work/report/students/off3px/index.html" ||
    { echo "off3px's page has no differing call: the grading went wrong (see $work/report)" >&2; exit 1; }
mkdir -p docs/grading
shoot() {  # shoot PAGE PICTURE [WINDOW SCALE]: a picture of 1200 by 1000 pixels
    chromium --headless --no-sandbox --disable-gpu --disable-background-networking --no-first-run \
        --user-data-dir="$work/chromium" --hide-scrollbars --window-size="${3:-1200,1000}" \
        --force-device-scale-factor="${4:-1}" \
        --screenshot="$PWD/$2" "file://$work/report/$1" >/dev/null 2>&1
    [ -s "$2" ] || { echo "chromium wrote no $2" >&2; exit 1; }
    echo "$2"
}
shoot index.html docs/grading/class.png
# The student's three pictures are the canvas's size each: in a page drawn smaller, they stand side
# by side (a window of 1935 by 1613 page pixels, 1200 by 1000 in the picture).
shoot students/off3px/index.html docs/grading/student.png 1935,1613 0.62
