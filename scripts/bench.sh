#!/usr/bin/env bash
# Builds Release binaries in build-bench/ and runs the benchmarks: start-up,
# bookmarks at scale, the history window, windows and the session at scale
# and memory under Wine, the parser,
# the site rules and the history natively. Prints one table and writes the same figures to
# bench/results.json. Every figure is the median of several runs
# (BENCH_RUNS, at least 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh
source scripts/wine-env.sh

build=${VESKO_BENCH_BUILD_DIR:-$root/build-bench}
runs=${BENCH_RUNS:-7}
if [ "$runs" -lt 5 ]; then runs=5; fi
jobs=$(nproc)

# Release builds of their own, apart from the test suite's Debug ones.
native=$build/release-native
# The 32-bit program, or a 64-bit build where this machine cannot start
# 32-bit programs (its figures are then not those of the shipped program).
win=$build/release-win
[ "$VESKO_WIN_ARCH" = i686 ] || win=$build/release-win-$VESKO_WIN_ARCH
cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESKO_BENCH=ON \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$native" -j "$jobs" --target bench_parser bench_sites bench_history >/dev/null
cmake -S . -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVESKO_BENCH=ON \
      -DCMAKE_TOOLCHAIN_FILE="$VESKO_TOOLCHAIN" >/dev/null
cmake --build "$win" -j "$jobs" --target vesko bench_window bench_frame_windows bench_startup bench_bookmarks \
      bench_memory bench_windows bench_history_win >/dev/null

out=$build/out
rm -rf "$out"
mkdir -p "$out"

echo "parser (native) ..." >&2
"$native/bench/native/bench_parser" "$runs" >"$out/parser.jsonl"
echo "site rules (native) ..." >&2
"$native/bench/native/bench_sites" "$runs" >"$out/sites.jsonl"
echo "history and completion (native) ..." >&2
"$native/bench/native/bench_history" "$runs" >"$out/history-native.md"

start_session "$build/wineprefix-bench"

# Wine programs write to files, never to pipes (Wine's services inherit them).
echo "start-up (Wine) ..." >&2
wine "$win/bench/win/bench_startup.exe" "$(winepath -w "$win/vesko.exe")" \
     "$(winepath -w "$win/bench/win/bench_window.exe")" \
     "$(winepath -w "$win/bench/win/bench_frame_windows.exe")" --runs "$runs" \
     >"$out/startup.jsonl" 2>"$out/startup.err" </dev/null || { cat "$out/startup.err" >&2; exit 1; }
echo "bookmarks (Wine) ..." >&2
wine "$win/bench/win/bench_bookmarks.exe" --runs "$runs" \
     >"$out/bookmarks.jsonl" 2>"$out/bookmarks.err" </dev/null || { cat "$out/bookmarks.err" >&2; exit 1; }
echo "history (Wine) ..." >&2
wine "$win/bench/win/bench_history_win.exe" --runs "$runs" \
     >"$out/history.jsonl" 2>"$out/history.err" </dev/null || { cat "$out/history.err" >&2; exit 1; }
echo "windows and the session at scale (Wine) ..." >&2
wine "$win/bench/win/bench_windows.exe" --runs "$runs" \
     >"$out/windows.jsonl" 2>"$out/windows.err" </dev/null || { cat "$out/windows.err" >&2; exit 1; }
echo "memory (Wine) ..." >&2
wine "$win/bench/win/bench_memory.exe" --runs "$runs" \
     >"$out/memory.jsonl" 2>"$out/memory.err" </dev/null || { cat "$out/memory.err" >&2; exit 1; }

python3 bench/report.py "$out" "$root/bench/results.json" \
  --load "$(cut -d' ' -f1-3 /proc/loadavg)" --runs "$runs"
echo
echo "History and completion (native, 1,000 and 100,000 addresses):"
cat "$out/history-native.md"
echo
echo "Opening the nth window (Wine, median), as the windows grow:"
cat "$out/windows.err"
