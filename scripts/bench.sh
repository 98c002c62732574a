#!/usr/bin/env bash
# Runs every benchmark of a release build.
set -euo pipefail
build=${1:-build/release}
shopt -s nullglob
found=0
for b in "$build"/bench/bench_*; do
    [ -x "$b" ] || continue
    found=1
    echo "== $(basename "$b")"
    "$b"
done
for s in bench/*.sh; do
    found=1
    echo "== $(basename "$s")"
    bash "$s" "$build"
done
[ $found -eq 1 ] || echo "no benchmarks built"
