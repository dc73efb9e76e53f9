#!/usr/bin/env bash
# Soaks a kill test under Wine on a private display, like the test suite:
#   scripts/soak.sh [trials]            the interrupted bookmark save
#                                       (1000 by default; CI runs 200)
#   scripts/soak.sh --history [trials]  the history killed while recording
#                                       (1000 by default; CI runs 100)
#   scripts/soak.sh --session [trials]  the session killed at random
#                                       (1000 by default; CI runs 100)
# A bookmark trial starts a process that saves the bookmark file over and
# over, kills it at a random moment, and checks that the file is whole: the
# old version or the new one. A history trial starts a process that records
# visits, kills it, and checks that the file reads as whole and holds every
# visit finished. A session trial starts a process that runs the frame and
# opens, navigates, moves, activates and closes windows, kills it, and
# checks that session.xml reads as whole and holds the windows of the last
# step finished (or of the one in progress); every tenth trial also restores
# it. Ends with the counts.
#
# The trials run from a copy of the test program and in a Wine prefix of
# the soak's own, so that a rebuild or another test run meanwhile pulls
# neither from under them. VESKO_TEST_BUILD_DIR names a Debug tree built
# already, whose test program is then used as it is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

kind=bookmarks
case ${1:-} in
    --history) kind=history; shift ;;
    --session) kind=session; shift ;;
esac
trials=${1:-1000}
build=${VESKO_BUILD_DIR:-$root/build}

source scripts/wine-env.sh
tests=$build/win
[ "$VESKO_WIN_ARCH" = i686 ] || tests=$build/win64
if [ -n "${VESKO_TEST_BUILD_DIR:-}" ]; then
    tests=$VESKO_TEST_BUILD_DIR
else
    cmake -S . -B "$tests" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESKO_WERROR=ON \
          -DCMAKE_TOOLCHAIN_FILE="$VESKO_TOOLCHAIN" >/dev/null
    cmake --build "$tests" -j 2 --target vesko_tests >/dev/null
fi

soak=$build/soak-$kind-$$
mkdir -p "$soak"
cp "$tests/tests/vesko_tests.exe" "$soak/"
start_session "$build/wineprefix-soak-$kind"

case $kind in
    bookmarks) filter=BookmarkSave.InterruptedSavesNeverLeaveHalfAFile
               export VESKO_SAVE_TRIALS=$trials ;;
    history)   filter=HistoryKill.KilledWhileRecordingNeverLosesAFinishedVisitNorDamagesTheFile
               export VESKO_HISTORY_KILL_TRIALS=$trials ;;
    session)   filter=SessionKill.KilledAtRandomTheSessionFileIsWholeAndHoldsEveryFinishedChange
               export VESKO_SESSION_KILL_TRIALS=$trials ;;
esac
report=$soak/report.xml
rm -f "$report"
set +e
wine "$soak/vesko_tests.exe" --gtest_filter="$filter" \
    --gtest_output="xml:$(winepath -w "$report" 2>/dev/null)" | grep -v "^\[" | tail -8
status=${PIPESTATUS[0]}
set -e
property() { sed -n "s/.*name=\"$1\" value=\"\([0-9]*\)\".*/\1/p" "$report" 2>/dev/null | head -1; }
case $kind in
    bookmarks) counts="old file whole: $(property old), new file whole: $(property new)" ;;
    history)   counts="visits recorded: $(property visits), torn ends cut off: $(property torn)" ;;
    session)   counts="steps finished: $(property steps), the file as after the last finished step: $(property finished), as after the step in progress: $(property inprogress), not yet written: $(property unwritten), restored: $(property restored)" ;;
esac
echo "$(date -u +%Y-%m-%dT%H:%MZ) $kind trials: $trials, $counts, exit $status"
rm -rf "$soak"
exit "$status"
