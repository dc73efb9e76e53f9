#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the Windows program's
# tests under Wine on a private Xvfb display, and the native tests and fuzz
# run of the portable code. Ends with CTest's summary line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

build=${VESKO_BUILD_DIR:-$root/build}
jobs=$(nproc)

cmake -S . -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build/native" -j "$jobs"

cmake -S . -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESKO_WERROR=ON \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DVESKO_NATIVE_TESTS_DIR="$build/native" >/dev/null
cmake --build "$build/win" -j "$jobs"

source scripts/wine-env.sh
start_session "$build/wineprefix-test"

set +e
ctest --test-dir "$build/win" --output-on-failure -j "$jobs" --timeout 300
status=$?
set -e
exit $status
