#!/usr/bin/env bash
# Installs the package from a build into a temporary prefix, checks that the reference (with its
# pictures), the examples and the template are there and findable (plako.h, plako.pc's docdir, the
# CMake package's PLAKO_DOC_DIR), and builds template/ against it the two ways a user would: the
# CMake package (find_package + plako_add_program) and pkg-config alone. Each build's runner plays
# template/demo.scr; the pictures must be equal to each other and to the same source built in the
# tree, and show what the program drew. The pkg-config desktop program is
# started on a virtual X server and quit with Ctrl+Q.
# Usage: scripts/test-install.sh [build dir, default build/default]
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${1:-build/default}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/plako-install.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
step() { echo "-- test-install: $*"; }
fail() { echo "test-install: FAILED: $*" >&2; exit 1; }

step "install into $WORK/prefix"
cmake --install "$BUILD" --prefix "$WORK/prefix" >/dev/null
for f in include/plako/plako.h include/plako/windows.h lib/libplako.a lib/libplako_main.a \
         lib/libplako_runner.a lib/cmake/plako/plakoConfig.cmake lib/cmake/plako/plakoConfigVersion.cmake \
         lib/pkgconfig/plako.pc lib/pkgconfig/plako-replay.pc; do
    [ -e "$WORK/prefix/$f" ] || fail "the install has no $f"
done
[ ! -e "$WORK/prefix/include/windows.h" ] || fail "windows.h landed bare in include/"

step "the reference, the examples and the template under share/doc/plako"
DOC=$WORK/prefix/share/doc/plako
for f in LICENSE docs/API.md docs/runner.md docs/grading.md docs/pictures/canvas.c examples/README.md examples/basics/basics_hello.c \
         examples/basics/hello.scr examples/games/games_snake.c template/main.c template/CMakeLists.txt \
         template/demo.scr; do
    [ -e "$DOC/$f" ] || fail "the install has no share/doc/plako/$f"
done
cmp -s template/main.c "$DOC/template/main.c" || fail "the installed template is not template/"
grep -q 'share/doc/plako' "$WORK/prefix/include/plako/plako.h" || fail "plako.h does not name share/doc/plako"
docdir=$(PKG_CONFIG_PATH="$WORK/prefix/lib/pkgconfig" pkg-config --variable=docdir plako)
[ "$(realpath -m "$docdir")" = "$(realpath "$DOC")" ] || fail "plako.pc's docdir is $docdir, not $DOC"
# Every picture of the installed pages, and every link among them, resolves where they lie now.
python3 - "$DOC/docs/API.md" "$DOC/docs/runner.md" "$DOC/docs/grading.md" "$DOC/examples/README.md" <<'PY' || fail "a picture or link of the installed docs does not resolve"
import os, re, sys
bad, pictures = [], 0
for page in sys.argv[1:]:
    text = open(page, encoding="utf-8").read()
    for bang, target in re.findall(r"(!?)\[[^\]]*\]\(([^)\s]+)\)", text):
        path = target.split("#")[0]
        if not path or re.match(r"[a-z]+:", path) or path.startswith("../include/"):
            continue  # an anchor, an address, or the header, which lies under include/plako
        pictures += bool(bang)
        if not os.path.exists(os.path.join(os.path.dirname(page), path)):
            bad.append(f"{page}: {target}")
for line in bad:
    print(line, file=sys.stderr)
sys.exit(1 if bad or pictures < 5 else 0)
PY

step "template through the CMake package"
cp -r template "$WORK/cmake-route"
# The CMake package names the docs too: the route's project prints PLAKO_DOC_DIR.
echo 'message(STATUS "PLAKO_DOC_DIR=${PLAKO_DOC_DIR}")' >>"$WORK/cmake-route/CMakeLists.txt"
cmake -S "$WORK/cmake-route" -B "$WORK/cmake-route/build" -G Ninja -DCMAKE_PREFIX_PATH="$WORK/prefix" \
    >"$WORK/cmake-route.log"
doc_cmake=$(sed -n 's/^-- PLAKO_DOC_DIR=//p' "$WORK/cmake-route.log")
[ "$(realpath -m "$doc_cmake")" = "$(realpath "$DOC")" ] || fail "PLAKO_DOC_DIR is '$doc_cmake', not $DOC"
cmake --build "$WORK/cmake-route/build" >/dev/null

step "the same program as C++, through the CMake package"
mkdir -p "$WORK/cxx-route"
cp template/main.c "$WORK/cxx-route/main.cpp"
sed -e 's/LANGUAGES C)/LANGUAGES CXX)/' -e 's/main\.c)/main.cpp)/' template/CMakeLists.txt >"$WORK/cxx-route/CMakeLists.txt"
cmake -S "$WORK/cxx-route" -B "$WORK/cxx-route/build" -G Ninja -DCMAKE_PREFIX_PATH="$WORK/prefix" >/dev/null
cmake --build "$WORK/cxx-route/build" >/dev/null

step "template through pkg-config"
export PKG_CONFIG_PATH="$WORK/prefix/lib/pkgconfig"
mkdir -p "$WORK/pc-route"
# shellcheck disable=SC2046
cc template/main.c -o "$WORK/pc-route/myprogram" $(pkg-config --cflags --libs plako)
# shellcheck disable=SC2046
cc template/main.c -o "$WORK/pc-route/myprogram-replay" $(pkg-config --cflags --libs plako-replay)

step "replay template/demo.scr four ways"
mkdir -p "$WORK/run"
cp template/demo.scr "$WORK/run/PLAKO.SCR"
replay() {  # replay <runner> <out dir>
    "$1" --quiet --dir "$WORK/run" --out "$2" --last >"$2.log" 2>&1 || { cat "$2.log" >&2; fail "$1 failed"; }
}
replay "$WORK/cmake-route/build/myprogram-replay" "$WORK/frames-cmake"
replay "$WORK/pc-route/myprogram-replay" "$WORK/frames-pc"
replay "$WORK/cxx-route/build/myprogram-replay" "$WORK/frames-cxx"
replay "$ROOT/$BUILD/tests/template-replay" "$WORK/frames-tree"
last=$(cd "$WORK/frames-tree" && ls frame-*.png | tail -n 1)
[ -n "$last" ] || fail "no frame was written"
cmp -s "$WORK/frames-cmake/$last" "$WORK/frames-tree/$last" || fail "the CMake-package build draws another picture"
cmp -s "$WORK/frames-pc/$last" "$WORK/frames-tree/$last" || fail "the pkg-config build draws another picture"
cmp -s "$WORK/frames-cxx/$last" "$WORK/frames-tree/$last" || fail "the C++ build draws another picture"

# What the program drew, at client pixels (the canvas origin is client pixel 297, 247):
# the sky, the grass, the sun's centre (200, 170) and the ball dropped at (0, -20).
pixel() { convert "$WORK/frames-tree/$last" -format "%[hex:p{$1,$2}]" info: | cut -c1-6; }
check() {  # check <x> <y> <RRGGBB> <what>
    local got; got=$(pixel "$1" "$2")
    [ "$got" = "$3" ] || fail "$4 at client ($1,$2) is $got, not $3"
}
check 20 200 99FFFF "the sky"
check 297 450 006633 "the grass"
check 497 77 FFFF00 "the sun"
check 297 267 FF0000 "the ball"

if command -v xvfb-run >/dev/null && command -v xdotool >/dev/null; then
    step "the pkg-config desktop program on a virtual X server"
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
        cd "$1" && ./myprogram >run.log 2>&1 &
        pid=$!
        wid=$(timeout 20 xdotool search --sync --name "^PLAKO Graphics$" | head -n 1) || { kill $pid; exit 3; }
        xdotool windowfocus --sync "$wid" key ctrl+q || true
        for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
        if kill -0 $pid 2>/dev/null; then kill $pid; exit 4; fi
        wait $pid' _ "$WORK/pc-route" || fail "the desktop program did not start and quit cleanly (status $?)"
else
    step "skipped the desktop run: xvfb-run or xdotool is missing (scripts/deps.sh test installs them)"
fi
step "passed"
