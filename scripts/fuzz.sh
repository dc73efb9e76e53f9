#!/usr/bin/env bash
# Runs the bookmark reader's fuzzer (libFuzzer, ASan + UBSan) for as long
# as asked: scripts/fuzz.sh [seconds], 600 by default. Starts from the
# corpus kept in tests/native/fuzz/corpus and grows a working copy in the
# build directory; an input that finds a fault lands in build/fuzz/artifacts
# and belongs in the kept corpus once the fault is fixed. Ends with the
# number of executions.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-600}
build=${VESKO_BUILD_DIR:-$root/build}

cmake -S . -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build/native" -j 2 --target vesko_bookmark_fuzzer >/dev/null

work=$build/fuzz
mkdir -p "$work/corpus" "$work/artifacts"
cp -n tests/native/fuzz/corpus/* "$work/corpus/"

export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
log=$work/last-run.log
set +e
"$build/native/tests/native/fuzz/vesko_bookmark_fuzzer" \
    -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 -detect_leaks=1 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" 2>"$log"
status=$?
set -e

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
echo "$(date -u +%Y-%m-%dT%H:%MZ) executions: ${runs:-unknown}, exit $status, log $log"
if [ "$status" -ne 0 ] || [ -n "$(ls -A "$work/artifacts")" ]; then
    echo "fault found; inputs in $work/artifacts" >&2
    exit 1
fi
