#!/usr/bin/env bash
# Soaks the interrupted-save test: scripts/soak.sh [trials], 1000 by
# default (CI runs 200). Each trial starts a process that saves the
# bookmark file over and over, kills it at a random moment, and checks that
# the file is whole: the old version or the new one. Ends with the count of
# each, under Wine on a private display, like the test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

trials=${1:-1000}
build=${VESKO_BUILD_DIR:-$root/build}

source scripts/wine-env.sh
tests=$build/win
[ "$VESKO_WIN_ARCH" = i686 ] || tests=$build/win64
cmake -S . -B "$tests" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESKO_WERROR=ON \
      -DCMAKE_TOOLCHAIN_FILE="$VESKO_TOOLCHAIN" >/dev/null
cmake --build "$tests" -j 2 --target vesko_tests >/dev/null

start_session "$build/wineprefix-test"

report=$build/soak-report.xml
rm -f "$report"
set +e
VESKO_SAVE_TRIALS=$trials wine "$tests/tests/vesko_tests.exe" \
    --gtest_filter=BookmarkSave.InterruptedSavesNeverLeaveHalfAFile \
    --gtest_output="xml:$(winepath -w "$report" 2>/dev/null)" | tail -3
status=${PIPESTATUS[0]}
set -e
property() { sed -n "s/.*name=\"$1\" value=\"\([0-9]*\)\".*/\1/p" "$report" 2>/dev/null | head -1; }
old=$(property old)
new=$(property new)
echo "$(date -u +%Y-%m-%dT%H:%MZ) trials: $trials, old file whole: ${old:-?}, new file whole: ${new:-?}, exit $status"
exit "$status"
