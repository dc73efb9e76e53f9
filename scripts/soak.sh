#!/usr/bin/env bash
# Soaks a kill test under Wine on a private display, like the test suite:
#   scripts/soak.sh [trials]            the interrupted bookmark save
#                                       (1000 by default; CI runs 200)
#   scripts/soak.sh --history [trials]  the history killed while recording
#                                       (1000 by default; CI runs 100)
# A bookmark trial starts a process that saves the bookmark file over and
# over, kills it at a random moment, and checks that the file is whole: the
# old version or the new one. A history trial starts a process that records
# visits, kills it, and checks that the file reads as whole and holds every
# visit finished. Ends with the counts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

kind=bookmarks
if [ "${1:-}" = --history ]; then kind=history; shift; fi
trials=${1:-1000}
build=${VESKO_BUILD_DIR:-$root/build}

source scripts/wine-env.sh
tests=$build/win
[ "$VESKO_WIN_ARCH" = i686 ] || tests=$build/win64
cmake -S . -B "$tests" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESKO_WERROR=ON \
      -DCMAKE_TOOLCHAIN_FILE="$VESKO_TOOLCHAIN" >/dev/null
cmake --build "$tests" -j 2 --target vesko_tests >/dev/null

start_session "$build/wineprefix-test"

case $kind in
    bookmarks) filter=BookmarkSave.InterruptedSavesNeverLeaveHalfAFile
               export VESKO_SAVE_TRIALS=$trials ;;
    history)   filter=HistoryKill.KilledWhileRecordingNeverLosesAFinishedVisitNorDamagesTheFile
               export VESKO_HISTORY_KILL_TRIALS=$trials ;;
esac
report=$build/soak-report.xml
rm -f "$report"
set +e
wine "$tests/tests/vesko_tests.exe" --gtest_filter="$filter" \
    --gtest_output="xml:$(winepath -w "$report" 2>/dev/null)" | grep -v "^\[" | tail -8
status=${PIPESTATUS[0]}
set -e
property() { sed -n "s/.*name=\"$1\" value=\"\([0-9]*\)\".*/\1/p" "$report" 2>/dev/null | head -1; }
case $kind in
    bookmarks) counts="old file whole: $(property old), new file whole: $(property new)" ;;
    history)   counts="visits recorded: $(property visits), torn ends cut off: $(property torn)" ;;
esac
echo "$(date -u +%Y-%m-%dT%H:%MZ) $kind trials: $trials, $counts, exit $status"
exit "$status"
