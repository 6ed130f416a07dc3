#!/usr/bin/env bash
# Cross-compiles for Windows with mingw-w64 (package/ and the programs against the system's
# <windows.h>): build/windows/cone.exe and the examples, then installs that package into a
# temporary prefix and builds template/ against it, as a user on Windows would.
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
prefix=build/windows-prefix
rm -rf "$prefix" build/windows-template
cmake --install build/windows --prefix "$prefix" >/dev/null
cmake -S template -B build/windows-template -G Ninja --toolchain "$PWD/cmake/mingw-w64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$PWD/$prefix" >/dev/null
cmake --build build/windows-template
ls -l build/windows-template/myprogram.exe
