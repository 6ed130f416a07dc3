#!/bin/bash
# clean_exit.sh REPLAY SCRIPT: runs a program built with AddressSanitizer (LeakSanitizer on, no
# suppressions) through its headless runner on SCRIPT, and passes when it exits 0 with a frame
# written and no sanitizer report: whatever FreeType and fontconfig hold is given back at exit.
set -u
REPLAY="$1"
SCRIPT="$2"
WORK="$(mktemp -d /tmp/plako-clean-exit.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
cp "$SCRIPT" "$WORK/PLAKO.SCR"
export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
unset LSAN_OPTIONS
"$REPLAY" --dir "$WORK" --out "$WORK/frames" --last >"$WORK/out.txt" 2>"$WORK/err.txt"
rc=$?
if [ "$rc" -ne 0 ] || grep -q "Sanitizer" "$WORK/err.txt"; then
    echo "$(basename "$REPLAY") exited $rc; its last lines on standard error:"
    tail -n 30 "$WORK/err.txt"
    exit 1
fi
if ! ls "$WORK/frames"/*.png >/dev/null 2>&1; then
    echo "$(basename "$REPLAY") exited 0 but wrote no frame"
    exit 1
fi
echo "$(basename "$REPLAY") exited 0 with no sanitizer report"
