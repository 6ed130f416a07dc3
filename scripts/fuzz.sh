#!/usr/bin/env bash
# Builds the libFuzzer targets with ASan and UBSan (clang) and runs each for the given seconds (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/deps.sh build fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for f in build/fuzz/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus="build/fuzz/corpus-$name"
    mkdir -p "$corpus"
    [ -d "fuzz/corpus/$name" ] && cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true
    echo "== $name for ${seconds}s"
    "$f" "$corpus" -artifact_prefix=build/fuzz/ -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1
done
