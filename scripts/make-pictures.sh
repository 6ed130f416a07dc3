#!/usr/bin/env bash
# Renders the reference's pictures again: each docs/pictures/NAME.c, run through its own runner
# docs-NAME-replay on docs/pictures/picture.scr, becomes docs/NAME.png; and docs/demo.gif, the README's
# animation: docs/demo.scr played by cone-replay with --gif. Run it after a change to the
# drawing or to the text rendering; the docs tests (ctest -R docs_picture) compare against these files.
# Last, docs/overlay.png: cone-replay --inspect on docs/demo.scr.
#   scripts/make-pictures.sh [BUILD_DIR]      (default: build/default, configured if missing)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/default}
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake --preset default >/dev/null
fi

names=()
for src in docs/pictures/*.c; do
    names+=("$(basename "$src" .c)")
done
targets=()
for n in "${names[@]}"; do targets+=("docs-$n-replay"); done
targets+=(cone-replay)
cmake --build "$build" -j2 --target "${targets[@]}"

# The same pinned font set as the tests, so that the pictures do not depend on this machine's fonts.
export FONTCONFIG_FILE="$root/tests/fonts/fonts.conf"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for n in "${names[@]}"; do
    mkdir -p "$work/$n"
    cp docs/pictures/picture.scr "$work/$n/PLAKO.SCR"
    "$build/docs/pictures/docs-$n-replay" --dir "$work/$n" --out "$work/$n/out" --last --quiet >/dev/null
    frames=("$work/$n/out"/frame-*.png)
    if [ "${#frames[@]}" -ne 1 ] || [ ! -f "${frames[0]}" ]; then
        echo "make-pictures: docs-$n-replay wrote ${#frames[@]} frames, expected one" >&2
        exit 1
    fi
    cp "${frames[0]}" "docs/$n.png"
    echo "docs/$n.png"
done
# The whole demo, every frame, at the program's own tick.
mkdir -p "$work/demo"
cp docs/demo.scr "$work/demo/PLAKO.SCR"
"$build/cone-replay" --dir "$work/demo" --gif docs/demo.gif --quiet >/dev/null
echo "docs/demo.gif"

# The inspector over the cone decorator after demo.scr, the mouse on a topping (docs/API.md, "The
# inspector"); tests/runner/test_overlay_pictures.cpp compares it.
cmake --build "$build" -j2 --target cone-replay
mkdir -p "$work/inspector"
cp docs/demo.scr "$work/inspector/PLAKO.SCR"
"$build/cone-replay" --dir "$work/inspector" --out "$work/inspector/out" --last --inspect 15,75 --quiet >/dev/null
pictures=("$work/inspector/out"/inspect-*.png)
if [ "${#pictures[@]}" -ne 1 ] || [ ! -f "${pictures[0]}" ]; then
    echo "make-pictures: cone-replay wrote ${#pictures[@]} inspect pictures, expected one" >&2
    exit 1
fi
cp "${pictures[0]}" docs/overlay.png
echo docs/overlay.png
