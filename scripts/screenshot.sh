#!/usr/bin/env bash
# Takes a picture of the running frame with two child windows open, on a
# private Xvfb display, and writes it to the PNG named as the argument
# (default docs/screenshot.png). Run scripts/install-deps.sh first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshot.png}
cd "$root"
bash scripts/install-deps.sh

build=${VESKO_BUILD_DIR:-$root/build}
cmake -S . -B "$build/win-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build/win-release" --target vesko >/dev/null
app=$(mktemp -d)
cp "$build/win-release/vesko.exe" "$app/"
# A settings file, so that the first start does not open the options dialog.
printf '[General]\r\nLastEngine=IE\r\n[Option]\r\nMozilla=0\r\n' > "$app/config.ini"

source scripts/wine-env.sh
vesko_pid=
cleanup() {
  [ -n "$vesko_pid" ] && kill "$vesko_pid" 2>/dev/null
  stop_wineserver
  stop_xvfb
  rm -rf "$app"
}
trap cleanup EXIT
start_xvfb
make_prefix "$build/wineprefix-shot" N
start_wineserver

wine "$app/vesko.exe" </dev/null >/dev/null 2>&1 &
vesko_pid=$!
frame=
for _ in $(seq 1 100); do
  frame=$(xdotool search --name '^Vesko$' 2>/dev/null | head -n 1) && [ -n "$frame" ] && break
  sleep 0.2
done
[ -n "$frame" ] || { echo "the frame did not appear" >&2; exit 1; }
sleep 1
# Two pages: File > New twice, then tile them side by side.
xdotool windowfocus --sync "$frame" key ctrl+n
sleep 1
xdotool type --delay 50 'about:blank'
xdotool key ctrl+n
sleep 1
xdotool key alt+w v
sleep 1
mkdir -p "$(dirname "$out")"
import -window "$frame" "$out"
echo "wrote $out"
