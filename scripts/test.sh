#!/usr/bin/env bash
# Builds everything and runs the whole test suite twice: a normal build, then under AddressSanitizer and
# UndefinedBehaviorSanitizer. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build test
jobs=$(nproc 2>/dev/null || echo 2)
for preset in default sanitize; do
    echo "== $preset build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset tests"
    ctest --preset "$preset" -j "$jobs" --timeout 600
    if [ "$preset" = default ]; then
        echo "== install, and a program of one's own built against it"
        scripts/test-install.sh build/default
    fi
done
echo "All tests passed."
