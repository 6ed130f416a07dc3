#!/usr/bin/env bash
# Checks that every C and C++ file of ours is laid out as .clang-format says; prints the files that
# are not and exits 1. The examples, the template and the reference's picture programs are written
# as a student writes a program and keep their own layout (their folders' .clang-format).
# With --fix, formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || scripts/deps.sh format
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
bad=()
for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
    echo "Not laid out as .clang-format says (scripts/check-format.sh --fix formats them):"
    printf '  %s\n' "${bad[@]}"
    exit 1
fi
echo "Layout: ${#files[@]} files as .clang-format says."
