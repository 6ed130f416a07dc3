#!/usr/bin/env bash
# Runs each program's Windows build under Wine on a virtual X server, plays a script through the
# program's own Playback (tools/windriver), and compares the client area it leaves with the last
# frame that the program's Linux runner (NAME-replay) draws for the same script.
#
# Usage: scripts/compare-windows.sh [--exact] [--update-golden]
#   Prints, per program and script, the pixels that differ inside and outside text (text: where the
#   runner draws differently without any font, grown by two pixels; see tools/windriver/compare.py).
#   Exit status: non-zero when a picture differs outside text, or anywhere with --exact, or when a
#   run fails. Pictures and a difference map (red: outside text, blue: text) stay in build/wine/.
#   --update-golden writes the Windows picture of tests/golden/cone-scene.scr to
#   tests/golden/cone-scene.png, the golden frame that the ordinary test run compares with.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT="$PWD"
exact=0
update_golden=0
for a in "$@"; do
    case "$a" in
        --exact) exact=1 ;;
        --update-golden) update_golden=1 ;;
        *) echo "usage: scripts/compare-windows.sh [--exact] [--update-golden]" >&2; exit 2 ;;
    esac
done

if [ -z "${PLAKO_COMPARE_INNER:-}" ]; then
    scripts/deps.sh build windows wine
    cmake --preset default >/dev/null
    cmake --build --preset default -j2 >/dev/null
    cmake --preset windows >/dev/null
    cmake --build --preset windows -j2 >/dev/null
    # One virtual X server for the whole run; 24-bit, so colours reach the screen unchanged.
    export PLAKO_COMPARE_INNER=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

WORK="$ROOT/build/wine"
export WINEPREFIX="$WORK/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # never offer to install Mono or Gecko
export WINEARCH=win64
mkdir -p "$WORK"
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
    echo "creating the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
# The prefix's fonts are exactly Wine's own and the Arial-metric Liberation faces, which the Linux
# build uses through fontconfig.
FONTS="$WINEPREFIX/drive_c/windows/Fonts"
rm -rf "$FONTS"; mkdir -p "$FONTS"
cp /usr/share/wine/fonts/* "$FONTS/"
for d in /usr/share/fonts/truetype/liberation2 /usr/share/fonts/truetype/liberation; do
    ls "$d"/*.ttf >/dev/null 2>&1 && cp "$d"/*.ttf "$FONTS/" && break
done

printf '<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n<fontconfig/>\n' \
    >"$WORK/nofonts.conf"

winpath() { local p="Z:$1"; echo "${p//\//\\}"; }

# Cases: NAME PROGRAM SCRIPT (PROGRAM.exe in build/windows, PROGRAM-replay in build/default).
cases=(
    "cone-intro cone tools/windriver/scripts/cone-intro.scr"
    "cone-scene cone docs/demo.scr"
    "cone-golden cone tests/golden/cone-scene.scr"
)
# Every example's own script: NAME.scr beside NAME.c plays the program NAME; a script in a folder
# with one program only plays that one.
if [ -d examples ]; then
    while IFS= read -r script; do
        d=$(dirname "$script"); program=$(basename "$script" .scr)
        if [ ! -f "$d/$program.c" ]; then
            sources=("$d"/*.c)
            [ ${#sources[@]} -eq 1 ] && [ -f "${sources[0]}" ] && program=$(basename "${sources[0]}" .c)
        fi
        name=$program
        [ "$(basename "$script" .scr)" = "$program" ] || name="$program-$(basename "$script" .scr)"
        cases+=("$name $program $script")
    done < <(find examples -name '*.scr' | sort)
fi

failed=0
printf '%-24s %s\n' "program/script" "result"
for c in "${cases[@]}"; do
    read -r name program script <<<"$c"
    dir="$WORK/$name"
    rm -rf "$dir"; mkdir -p "$dir/linux"
    cp "$script" "$dir/PLAKO.SCR"
    exe=$(find build/windows -name "$program.exe" -print -quit)
    replay=$(find build/default -name "$program-replay" -type f -print -quit)
    if [ -z "$exe" ] || [ -z "$replay" ]; then
        printf '%-24s %s\n' "$name" "FAILED: $program.exe or $program-replay not built"; failed=1; continue
    fi
    # The Linux runner with the tests' font set, and once more without any font: where the two
    # differ, text was drawn.
    if ! FONTCONFIG_FILE="$ROOT/tests/fonts/fonts.conf" "$replay" --dir "$dir" --out "$dir/linux" --last \
            --quiet >"$dir/linux.log" 2>&1 ||
       ! FONTCONFIG_FILE="$WORK/nofonts.conf" "$replay" --dir "$dir" --out "$dir/notext" --last \
            --quiet >"$dir/notext.log" 2>&1; then
        printf '%-24s %s\n' "$name" "FAILED: $program-replay (see $dir/linux.log)"; failed=1; continue
    fi
    frame=$(ls "$dir/linux"/frame-*.png | tail -n 1)
    notext="$dir/notext/$(basename "$frame")"
    if ! wine build/windows/windriver.exe "$(winpath "$ROOT/$exe")" "$(winpath "$dir")" \
            "$(winpath "$dir/windows.ppm")" >"$dir/windows.log" 2>&1; then
        printf '%-24s %s\n' "$name" "FAILED: windriver (see $dir/windows.log)"; failed=1; continue
    fi
    set +e
    result=$(tools/windriver/compare.py "$frame" "$dir/windows.ppm" --text-from "$notext" \
             --diff "$dir/diff.ppm" --windows-png "$dir/windows.png")
    status=$?
    set -e
    printf '%-24s %s\n' "$name" "$result"
    if [ $status -eq 2 ]; then failed=1; continue; fi
    if [ $status -ne 0 ]; then failed=1; fi
    if [ "$name" = cone-golden ] && [ $update_golden -eq 1 ]; then
        cp "$dir/windows.png" tests/golden/cone-scene.png
        echo "tests/golden/cone-scene.png updated"
    fi
    if [ $exact -eq 1 ] && ! grep -q "^compared [0-9x]*: 0 differ inside text, 0 outside" <<<"$result"; then failed=1; fi
done
wineserver -w
exit $failed
