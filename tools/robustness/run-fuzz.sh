#!/usr/bin/env bash
# Runs each libFuzzer target for a fixed time: run-fuzz.sh BUILD_DIR SECONDS TARGET...
# Seeds come from tests/fuzz/corpus/TARGET (read only); what a run learns is
# kept in BUILD_DIR/fuzz/corpus/TARGET for the next run. Paths are absolute
# because the targets change into their own scratch directory.
set -u
cd "$(dirname "$0")/../.."
root=$(pwd)
build=$(cd "$1" && pwd)
seconds=$2
shift 2
status=0
mkdir -p "$build/fuzz/crashes"
for t in "$@"; do
    work="$build/fuzz/corpus/$t"
    log="$build/fuzz/$t.log"
    mkdir -p "$work"
    "$build/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz/crashes/$t-" \
        "$work" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    if [ $rc -ne 0 ]; then
        echo "fuzz_$t: FAILED after ${runs:-?} runs (see $log)"
        grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -5
        status=1
    else
        echo "fuzz_$t: ${runs:-?} runs in ${seconds}s, ${cov:-cov: ?}, no findings"
    fi
done
exit $status
