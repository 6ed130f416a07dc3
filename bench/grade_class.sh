#!/usr/bin/env bash
# Times plako-grade on a class of 30: copies of the fixture's correct program, every tenth moved 3
# pixels (so that the describing phase has work), one check of a 200-tick script comparing every
# 10th frame. The builds of the submissions are included. Prints the total and, per submission, the
# time of building, running, comparing and describing as plako-grade measured them.
# Usage: bench/grade_class.sh [build folder (default build/default)] [parallel runs (default 2)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/default}
jobs=${2:-2}
[ -f "$build/CMakeCache.txt" ] || { echo "usage: grade_class.sh [build folder] [parallel runs]" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/grade-bench.XXXXXX")
chmod 755 "$work"  # when started as root, the runs run as nobody, whose bubblewrap must reach the folders it hides
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
export PATH="$work/prefix/bin:$PATH"

# The assignment: the fixture's reference, one script of 200 ticks with a click now and then.
mkdir -p "$work/assignment/reference" "$work/assignment/scripts" "$work/class"
cp "$root/tests/grade/assignment/reference/snowman.c" "$work/assignment/reference/"
{
    for i in $(seq 1 10); do
        echo "PLAKO_PERIODIC(15);"
        echo "PLAKO_MOUSE($((i * 40 - 220)), 150);"
        echo "PLAKO_PERIODIC(5);"
    done
} >"$work/assignment/scripts/long.scr"
cat >"$work/assignment/assignment.txt" <<'EOF'
title = Snowman (benchmark)
reference = reference/snowman.c
ignore = canvas -297 247 297 230
[check 200 ticks]
script = scripts/long.scr
frames = every 10
EOF

# The class: 30 submissions, each its own file (a comment makes each source distinct).
for i in $(seq -w 1 30); do
    src="$work/class/student$i.c"
    if [ $((10#$i % 10)) -eq 3 ]; then
        sed 's/plako_circle(PLAKO_WHITE, 0,/plako_circle(PLAKO_WHITE, 3,/' "$root/tests/grade/class/correct.c" >"$src"
    else
        cp "$root/tests/grade/class/correct.c" "$src"
    fi
    echo "/* student $i */" >>"$src"
done

start=$(date +%s.%N)
plako-grade "$work/assignment" "$work/class" --out "$work/report" -j "$jobs" 2>"$work/grade.err" || {
    cat "$work/grade.err" >&2
    exit 1
}
end=$(date +%s.%N)
phases=$(grep '^plako-grade: building' "$work/grade.err" || true)
passed=$(grep -c ',"passed"$' "$work/report/scores.csv" || true)
differs=$(grep -c ',"differs"$' "$work/report/scores.csv" || true)
echo "30 submissions, 200 ticks, every 10th frame compared, -j $jobs: $passed passed, $differs differ" \
    "(expected 27 and 3)"
awk -v s="$start" -v e="$end" 'BEGIN { printf "total %.1f s, %.2f s per submission\n", e - s, (e - s) / 30 }'
echo "${phases#plako-grade: }"
