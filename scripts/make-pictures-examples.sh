#!/usr/bin/env bash
# Draws docs/examples/NAME.png for every example: its runner plays examples/TOPIC/NAME.scr and the
# last frame becomes the picture. Run it after changing an example, its script or the drawing;
# tests/examples fails until the pictures match again. Uses the font set of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
runners=$(for script in examples/*/*.scr; do echo "$(basename "$script" .scr)-replay"; done)
cmake --build --preset default -j2 --target $runners >/dev/null
export FONTCONFIG_FILE="$PWD/tests/fonts/fonts.conf"
mkdir -p docs/examples
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for script in examples/*/*.scr; do
    name=$(basename "$script" .scr)
    runner=build/default/examples/$name-replay
    [ -x "$runner" ] || { echo "no runner $runner for $script" >&2; exit 1; }
    rm -rf "$work/frames"
    cp "$script" "$work/PLAKO.SCR"
    "$runner" --dir "$work" --out "$work/frames" --last --quiet >/dev/null
    frame=$(ls "$work/frames" | tail -n 1)
    [ -n "$frame" ] || { echo "$script drew no frame" >&2; exit 1; }
    cp "$work/frames/$frame" "docs/examples/$name.png"
    echo "docs/examples/$name.png ($frame)"
done
