#!/usr/bin/env bash
# Takes two pictures of the running program on a private Xvfb display: the
# frame with two child windows open (the first argument, default
# docs/screenshot.png), and the Bookmarks menu open over the frame with a
# folder's submenu and the bookmark editor beside it (the second argument,
# default docs/bookmarks.png); and a third of the frame with its Tools menu
# open (the third argument, default docs/screenshot-tools.png), and a
# fourth with its View menu open (default docs/screenshot-view.png), and a
# fifth of the site rules' dialog (default docs/site-rules.png), and a
# sixth of the history window beside the address box's suggestions
# (default docs/history.png), and a seventh of Bookmarks > このページを追加
# over a page (default docs/add-bookmark.png). Run
# scripts/install-deps.sh first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshot.png}
out2=${2:-$root/docs/bookmarks.png}
out3=${3:-$root/docs/screenshot-tools.png}
out4=${4:-$root/docs/screenshot-view.png}
out5=${5:-$root/docs/site-rules.png}
out6=${6:-$root/docs/history.png}
out7=${7:-$root/docs/add-bookmark.png}
cd "$root"
bash scripts/install-deps.sh

source scripts/wine-env.sh
build=${VESKO_BUILD_DIR:-$root/build}
release=$build/win-release
[ "$VESKO_WIN_ARCH" = i686 ] || release=$build/win-release-$VESKO_WIN_ARCH
cmake -S . -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$VESKO_TOOLCHAIN" >/dev/null
cmake --build "$release" --target vesko >/dev/null
app=$(mktemp -d)
cp "$release/vesko.exe" "$app/"
# A settings file, so that the first start does not open the options dialog,
# with the Gecko switch on (any existing folder will do) so that the Tools
# menu offers the other engine.
printf '[General]\r\nLastEngine=IE\r\n[Option]\r\nMozilla=1\r\nMozPath=C:\\\r\n' > "$app/config.ini"
cat > "$app/sites.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<site-list version="12">
  <site url="intranet.example.co.jp/portal"><compat-mode>IE8Enterprise</compat-mode><open-in>IE11</open-in></site>
  <site url="経費精算.example.jp"><open-in>IE11</open-in></site>
  <site url="maps.example.com"><open-in>MSEdge</open-in></site>
  <site url="docs.example.com:8443/help"><open-in>None</open-in></site>
</site-list>
XML

vesko_pid=
cleanup() {
  [ -n "$vesko_pid" ] && kill "$vesko_pid" 2>/dev/null
  stop_wineserver
  stop_xvfb
  rm -rf "$app"
}
trap cleanup EXIT
# Starts the program and waits for its frame, in $frame.
start_vesko() {
  wine "$app/vesko.exe" </dev/null >/dev/null 2>&1 &
  vesko_pid=$!
  frame=
  for _ in $(seq 1 100); do
    frame=$(xdotool search --name '^Vesko$' 2>/dev/null | head -n 1) && [ -n "$frame" ] && break
    sleep 0.2
  done
  [ -n "$frame" ] || { echo "the frame did not appear" >&2; exit 1; }
  sleep 1
}
start_xvfb
make_prefix "$build/wineprefix-shot" N
start_wineserver

start_vesko
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

# The Tools menu open over the same frame; the menu is a window of its own,
# so the picture is cut from the screen.
xdotool key alt+t
sleep 1
eval "$(xdotool getwindowgeometry --shell "$frame")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out3"
xdotool key Escape Escape
echo "wrote $out3"
sleep 0.5
xdotool key alt+v
sleep 1
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out4"
xdotool key Escape Escape
echo "wrote $out4"
sleep 0.5
xdotool key alt+t r
rules=
for _ in $(seq 1 50); do
  rules=$(xdotool search --onlyvisible --name 'サイト別エンジン' 2>/dev/null | head -n 1) && [ -n "$rules" ] && break
  sleep 0.2
done
[ -n "$rules" ] || { echo "the site rules dialog did not appear" >&2; exit 1; }
sleep 1
import -window "$rules" "$out5"
xdotool windowfocus --sync "$rules" key alt+F4
sleep 0.5
echo "wrote $out5"

# The second picture: the same program with bookmarks, started afresh.
xdotool key alt+F4
wait "$vesko_pid" || true
vesko_pid=
iconv -f UTF-8 -t CP932 > "$app/bookmark.xml" <<'XML'
<?xml version="1.0" encoding="Shift_JIS"?>
<bookmark>
  <directory>
    <name>ニュース</name>
    <file><name>天気予報</name><url>http://weather.example/</url></file>
    <directory>
      <name>経済と技術</name>
      <file><name>株価</name><url>http://stock.example/</url></file>
    </directory>
    <file><name>とても長い名前のブックマーク (News &amp; Weather)</name><url>http://long.example/</url></file>
  </directory>
  <directory>
    <name>Tools</name>
    <file><name>Blank page</name><url>about:blank</url></file>
  </directory>
  <file><name>Start</name><url>http://start.example/</url></file>
</bookmark>
XML
start_vesko
# Narrow the frame from its right edge with the keyboard (system menu,
# Size), open Bookmarks > ブックマークを編集 and move the editor right of
# the frame (Move). Keys can get lost on a busy machine: repeat until the
# windows are where they should be.
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
for _ in $(seq 1 10); do
  geometry "$frame"
  [ "$WIDTH" -le 580 ] && break
  xdotool windowfocus --sync "$frame" key alt+space
  sleep 0.5
  xdotool key s
  sleep 0.3
  xdotool key Right
  sleep 0.3
  xdotool key --delay 30 --repeat $(((WIDTH - 560) / 8)) Left
  xdotool key Return
  sleep 0.5
done
xdotool windowfocus --sync "$frame" key alt+a
sleep 0.5
xdotool key Return
editor=
for _ in $(seq 1 50); do
  editor=$(xdotool search --onlyvisible --name 'ブックマークの編集' 2>/dev/null | head -n 1) && [ -n "$editor" ] && break
  sleep 0.2
done
[ -n "$editor" ] || { echo "the bookmark editor did not appear" >&2; exit 1; }
sleep 1
for _ in $(seq 1 10); do
  geometry "$editor"
  [ "$X" -ge 590 ] && break
  xdotool key alt+space
  sleep 0.5
  xdotool key m
  sleep 0.3
  xdotool key --delay 20 --repeat $(((600 - X) / 8)) Right
  xdotool key Return
  sleep 0.5
done
# Open the tree's first folder with its expand button.
geometry "$editor"
xdotool mousemove $((X + 61)) $((Y + 93)) click 1
sleep 0.5
# Open the Bookmarks menu with the mouse, then the first folder.
xdotool mousemove 172 33 click 1
sleep 0.7
# Past the five fixed items (the separator is skipped) to the first folder.
xdotool key --delay 100 Down Down Down Down Down Down Right
sleep 1
import -window root -crop "$((X + WIDTH + 8))x$((Y + HEIGHT + 16))+0+0" +repage "$out2"
echo "wrote $out2"

# The sixth: a few visits in history.dat (its record layout: a length, a
# CRC-32 of length and body, then the body), the history window, and the
# address box's suggestions for what is typed.
xdotool key Escape Escape
sleep 0.5
kill "$vesko_pid" 2>/dev/null || true
wait "$vesko_pid" || true
vesko_pid=
python3 - "$app/history.dat" <<'PY'
import struct, sys, zlib
def text(s):
    units = s.encode('utf-16-le')
    return struct.pack('<I', len(units) // 2) + units
out = b'VeskoHs\x01'
visits = [('http://start.example/', 'スタートページ'), ('http://stock.example/tokyo', '株価 - 東京'),
          ('http://weather.example/tokyo', '東京の天気'), ('http://stock.example/osaka', '株価 - 大阪'),
          ('http://start.example/', 'スタートページ')]
for i, (address, title) in enumerate(visits):
    body = b'\x01' + struct.pack('<q', 134100000000000000 + i * 36000000000) + text(address) + text(title)
    length = struct.pack('<I', len(body))
    out += length + struct.pack('<I', zlib.crc32(length + body)) + body
open(sys.argv[1], 'wb').write(out)
PY
start_vesko
xdotool windowfocus --sync "$frame" key ctrl+h
sleep 1.5
history=$(xdotool search --onlyvisible --name '^履歴$' 2>/dev/null | head -n 1)
[ -n "$history" ] || { echo "the history window did not appear" >&2; exit 1; }
xdotool windowmove "$history" 330 160
sleep 0.5
xdotool mousemove 120 86 click 1
sleep 0.3
xdotool type --delay 80 'st'
sleep 1
# Without a window manager nothing restacks the owned window over the frame.
xdotool windowraise "$history"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$history")"
import -window root -crop "$((X + WIDTH + 8))x$((Y + HEIGHT + 8))+0+0" +repage "$out6"
echo "wrote $out6"

# The seventh: Bookmarks > このページを追加 (Ctrl+D) over a page, its folder
# tree open at the first folder.
kill "$vesko_pid" 2>/dev/null || true
wait "$vesko_pid" || true
vesko_pid=
start_vesko
xdotool mousemove 120 86 click 1
sleep 0.3
xdotool type --delay 50 'http://weather.example/tokyo'
xdotool key Return
sleep 2
xdotool key ctrl+d
add=
for _ in $(seq 1 50); do
  add=$(xdotool search --onlyvisible --name 'ブックマークに追加' 2>/dev/null | head -n 1) && [ -n "$add" ] && break
  sleep 0.2
done
[ -n "$add" ] || { echo "the add dialog did not appear" >&2; exit 1; }
xdotool windowmove "$add" 150 110
sleep 0.5
xdotool windowraise "$add"
xdotool key Tab Tab Down
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$add")"
import -window root -crop "$((X + WIDTH + 8))x$((Y + HEIGHT + 8))+0+0" +repage "$out7"
echo "wrote $out7"
