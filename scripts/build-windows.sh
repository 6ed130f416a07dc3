#!/usr/bin/env bash
# Cross-compiles the cone decorator and the examples for Windows (package/, app/ and examples/
# against the system's <windows.h>).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows
cmake --preset windows >/dev/null
cmake --build --preset windows
ls -l build/windows/cone.exe
# The examples, one program per examples/<topic>/<topic>_<name>.c, built as <name>.exe.
for source in examples/*/*_*.c; do
    stem=$(basename "$source" .c)
    ls -l "build/windows/examples/${stem#*_}.exe"
done
