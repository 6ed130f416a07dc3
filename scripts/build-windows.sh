#!/usr/bin/env bash
# Cross-compiles the cone decorator for Windows (package/ and app/ against the system's <windows.h>).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh windows
cmake --preset windows >/dev/null
cmake --build --preset windows
ls -l build/windows/cone.exe
