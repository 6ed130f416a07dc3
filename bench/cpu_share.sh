#!/usr/bin/env bash
# Processor share of the desktop program while it animates: runs it on a private X server, lets
# the intro pass, and measures utime+stime over 10 s of animated scene as a percentage of one core.
# Usage: cpu_share.sh [path to cone] [seconds]. The goal is under 2%.
set -u

CONE=${1:-$(dirname "$0")/../build/default/cone}
SECONDS_MEASURED=${2:-10}
if [ ! -x "$CONE" ]; then
    echo "usage: cpu_share.sh <path to the cone executable> [seconds]" >&2
    exit 2
fi
CONE=$(cd "$(dirname "$CONE")" && pwd)/$(basename "$CONE")
WORK=$(mktemp -d "${TMPDIR:-/tmp}/cpu-share.XXXXXX")
XVFB_PID=
CONE_PID=
cleanup() {
    [ -n "$CONE_PID" ] && kill "$CONE_PID" 2>/dev/null && wait "$CONE_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
XVFB_PID=$!
for _ in $(seq 300); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || { echo "cpu_share.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$WORK/display")"

(cd "$WORK" && exec "$CONE") >/dev/null 2>"$WORK/cone.err" &
CONE_PID=$!
for _ in $(seq 300); do
    xdotool search --onlyvisible --name '^PLAKO Graphics$' >/dev/null 2>&1 && break
    kill -0 "$CONE_PID" 2>/dev/null || { echo "cpu_share.sh: the program ended: $(cat "$WORK/cone.err")" >&2; exit 1; }
    sleep 0.1
done

# utime + stime of the process, in clock ticks (fields 14 and 15 of /proc/PID/stat, counted
# after the command name, which may hold blanks).
cpu_ticks() {
    local rest
    rest=$(sed 's/^.*) //' "/proc/$CONE_PID/stat")
    set -- $rest
    echo $((${12} + ${13}))
}

sleep 17  # the intro: 151 ticks of 100 ms
kill -0 "$CONE_PID" 2>/dev/null || { echo "cpu_share.sh: the program ended early" >&2; exit 1; }
hz=$(getconf CLK_TCK)
t0=$(cpu_ticks)
w0=$(date +%s%N)
sleep "$SECONDS_MEASURED"
t1=$(cpu_ticks)
w1=$(date +%s%N)
# percent = ticks / hz / wall seconds * 100, kept in integer hundredths.
hundredths=$(( (t1 - t0) * 100 * 100 * 1000000000 / hz / (w1 - w0) ))
printf 'cone processor share while animating: %d.%02d%% of one core over %d s (goal: under 2%%)\n' \
    $((hundredths / 100)) $((hundredths % 100)) "$SECONDS_MEASURED"
