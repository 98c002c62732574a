#!/usr/bin/env bash
# Runs every libFuzzer target briefly, starting from its seed corpus.
set -euo pipefail
build=${1:-build/fuzz}
seconds=${FUZZ_SECONDS:-20}
shopt -s nullglob
for t in "$build"/tests/fuzz_*; do
    [ -x "$t" ] || continue
    name=$(basename "$t")
    work=$(mktemp -d)
    cp -r "tests/fuzz/corpus/$name/." "$work/" 2>/dev/null || true
    echo "== $name ($seconds s)"
    "$t" -max_total_time="$seconds" -max_len=262144 -rss_limit_mb=4096 "$work" 2>&1 | tail -n 3
    rm -rf "$work"
done
