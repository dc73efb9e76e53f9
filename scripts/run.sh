#!/usr/bin/env bash
# Builds Vesko and starts it under Wine on your display, in a Wine prefix
# of its own (Japanese locale, code page 932, Japanese fonts).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
There is no display (DISPLAY is not set), so Vesko has nowhere to show its window.
Run it on a desktop session, or headless on a virtual display:
    xvfb-run -a -s "-screen 0 1280x900x24" scripts/run.sh
and take pictures of it with scripts/screenshot.sh.
MSG
  exit 1
fi

bash scripts/install-deps.sh

source scripts/wine-env.sh

# The 32-bit program, or a 64-bit build where this machine cannot start
# 32-bit programs (scripts/wine-env.sh says which).
build=${VESKO_BUILD_DIR:-$root/build}
release=$build/win-release
[ "$VESKO_WIN_ARCH" = i686 ] || release=$build/win-release-$VESKO_WIN_ARCH
cmake -S . -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$VESKO_TOOLCHAIN" >/dev/null
cmake --build "$release" --target vesko -j "$(nproc)"

# The program keeps config.ini and bookmark.xml beside itself.
app=$build/app
mkdir -p "$app"
cp "$release/vesko.exe" "$app/vesko.exe"

make_prefix "$build/wineprefix-run" Y
use_wine_gecko
exec wine "$app/vesko.exe"
