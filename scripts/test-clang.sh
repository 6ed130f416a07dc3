#!/usr/bin/env bash
# Builds the runner, the runners of cone, draw-once and says-eof, and the runner and script test
# binaries with clang and lld, and runs those tests: nothing of the runner may need GCC or GNU ld.
# Usage: scripts/test-clang.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build clang
cmake --preset clang >/dev/null
cmake --build --preset clang
# Only the tests of the binaries built here: the others are not built in this tree.
suites=$(for t in test_runner test_script; do build/clang/tests/$t --gtest_list_tests; done |
         grep -v '^ ' | sed -e 's/\..*$//' | sort -u | paste -sd '|')
[ -n "$suites" ] || { echo "test-clang.sh: no tests found" >&2; exit 1; }
ctest --preset clang -j2 -R "^($suites)\\."
