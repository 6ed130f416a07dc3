#!/usr/bin/env bash
# Times a new student's first picture, as the README's "Your first program" tells it: a clean clone,
# the quick install (preset "install") into a prefix, the installed template built against it, and
# the template's window on the desktop. Prints each step's seconds and the total; leaves a
# screenshot of the desktop in the scratch folder it names. Without a display it starts a virtual
# X server first (not timed). No compiler cache is used: a student has none.
# Usage: scripts/measure-first-picture.sh [REPOSITORY, default: this one]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
repo=${1:-$here}
scripts_dir=$here/scripts
"$scripts_dir/deps.sh" build run test >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/plako-first.XXXXXX")
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER CCACHE_BASEDIR

if [ -z "${DISPLAY:-}" ]; then
    # A desktop of its own: the measurement runs again under xvfb-run.
    exec xvfb-run -a -s "-screen 0 1280x1024x24" env PLAKO_MEASURE_WORK="$work" "$0" "$repo"
fi
work=${PLAKO_MEASURE_WORK:-$work}
prog=""
cleanup() { [ -n "$prog" ] && kill "$prog" 2>/dev/null || true; }
trap cleanup EXIT

t0=$(date +%s.%N)
last=$t0
step() {  # step <what>: the seconds since the last step
    local now; now=$(date +%s.%N)
    printf '  %-52s %6.1f s\n' "$1" "$(awk "BEGIN { print $now - $last }")"
    last=$now
}
echo "measure-first-picture: $(nproc) cores, from $repo, in $work"
git clone -q "$repo" "$work/plako"
step "git clone"
cd "$work/plako"
cmake --preset install >/dev/null
cmake --build --preset install >/dev/null
step "cmake --preset install && cmake --build --preset install"
cmake --install build/install --prefix "$work/prefix" >/dev/null
step "cmake --install build/install --prefix PREFIX"
cp -r "$work/prefix/share/doc/plako/template" "$work/myprogram"
cd "$work/myprogram"
cmake -S . -B build -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build build >/dev/null
step "the installed template: cmake -S . -B build && cmake --build build"
build/myprogram >"$work/myprogram.log" 2>&1 &
prog=$!
xdotool search --sync --onlyvisible --name "^PLAKO Graphics$" >/dev/null
sleep 0.3  # its first ticks drawn
step "build/myprogram until its window shows"
total=$(awk "BEGIN { print $(date +%s.%N) - $t0 }")
import -window root "$work/desktop.png" 2>/dev/null || true
printf '  %-52s %6.1f s\n' "total, clean clone to the first picture" "$total"
[ -f "$work/desktop.png" ] && echo "measure-first-picture: the desktop then: $work/desktop.png"
