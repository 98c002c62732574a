#!/usr/bin/env bash
# Runs every libFuzzer target for FUZZ_SECONDS (default 600) on its corpus in
# tests/fuzz/corpus/<target>, which grows with the new inputs found, and
# prints per target: executions, executions a second, coverage (edges and
# features), the seconds run and the crashes. A crash's input is kept in
# <build>/crashes/. FUZZ_TARGETS limits the run to the targets named.
set -uo pipefail
build=${1:-build/fuzz}
seconds=${FUZZ_SECONDS:-600}
crashes="$build/crashes"
mkdir -p "$crashes"
shopt -s nullglob
status=0
rows=()
for t in "$build"/tests/fuzz_*; do
    [ -x "$t" ] || continue
    name=$(basename "$t")
    if [ -n "${FUZZ_TARGETS:-}" ] && ! printf ' %s ' $FUZZ_TARGETS | grep -q " $name "; then
        continue
    fi
    corpus="tests/fuzz/corpus/$name"
    mkdir -p "$corpus"
    log="$build/$name.log"
    echo "== $name ($seconds s)"
    start=$(date +%s)
    "$t" -max_total_time="$seconds" -max_len=262144 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$crashes/$name-" "$corpus" >"$log" 2>&1
    rc=$?
    took=$(($(date +%s) - start))
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    found=$(ls "$crashes/$name-"* 2>/dev/null | wc -l)
    [ "$rc" -ne 0 ] && status=1
    rows+=("$(printf '%-28s %12s %8s %7s %7s %6s %7s' "$name" "${execs:-?}" \
        "$(( ${execs:-0} / (took > 0 ? took : 1) ))" "${cov:-?}" "${ft:-?}" "$took" "$found")")
    [ "$rc" -ne 0 ] && tail -n 20 "$log"
done
printf '%-28s %12s %8s %7s %7s %6s %7s\n' target execs exec/s cov ft s crashes
printf '%s\n' "${rows[@]}"
exit $status
