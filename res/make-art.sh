#!/usr/bin/env bash
# Draws the program's icons and tool-bar glyphs with ImageMagick. The
# results are committed; rerun this only to change the artwork.
set -euo pipefail
cd "$(dirname "$0")"

# 13 glyphs of 16 x 16, drawn anti-aliased on a transparent background and
# kept as a 32-bit strip with its alpha channel, so that edges blend into
# whatever they are drawn on.
g() { echo "translate $(( $1 * 16 )),0"; }
convert -size 208x16 xc:none \
  -stroke gray35 -fill white -draw "$(g 0) polygon 3,1 10,1 13,4 13,14 3,14" \
  -fill gray80 -draw "$(g 0) polygon 10,1 10,4 13,4" \
  -stroke darkgreen -fill limegreen -draw "$(g 1) polygon 1,8 7,2 7,5 14,5 14,11 7,11 7,14" \
  -draw "$(g 2) polygon 14,8 8,2 8,5 1,5 1,11 8,11 8,14" \
  -stroke darkred -fill red -draw "$(g 3) circle 8,8 8,1" \
  -stroke white -strokewidth 2 -draw "$(g 3) line 5,5 11,11" -draw "$(g 3) line 11,5 5,11" \
  -strokewidth 1 -stroke gray35 -fill white -draw "$(g 4) polygon 2,1 9,1 12,4 12,14 2,14" \
  -stroke blue -fill none -strokewidth 2 -draw "$(g 4) arc 5,5 15,15 200,470" \
  -strokewidth 1 -stroke blue -fill blue -draw "$(g 4) polygon 13,7 15,10 11,10" \
  -stroke goldenrod4 -fill gold -draw "$(g 5) polygon 1,4 6,4 7,6 14,6 14,14 1,14" \
  -fill khaki -draw "$(g 5) polygon 3,8 15,8 13,14 1,14" \
  -stroke navy -fill royalblue -draw "$(g 6) rectangle 2,2 13,13" -fill white -draw "$(g 6) rectangle 4,3 11,7" \
  -stroke gray20 -fill none -draw "$(g 7) circle 5,11 5,13" -draw "$(g 7) circle 10,11 10,13" \
  -draw "$(g 7) line 6,9 11,2" -draw "$(g 7) line 9,9 4,2" \
  -stroke gray35 -fill white -draw "$(g 8) rectangle 2,1 9,10" -draw "$(g 8) rectangle 6,5 13,14" \
  -stroke saddlebrown -fill burlywood -draw "$(g 9) rectangle 2,2 12,14" \
  -stroke gray35 -fill white -draw "$(g 9) rectangle 6,6 14,15" \
  -stroke navy -fill lightskyblue -draw "$(g 10) circle 8,8 8,1" \
  -stroke navy -fill navy -draw "$(g 10) rectangle 7,7 8,12" -draw "$(g 10) rectangle 7,4 8,5" \
  -stroke goldenrod4 -fill gold -draw "$(g 11) polygon 1,3 6,3 7,5 14,5 14,13 1,13" \
  -stroke gray35 -fill white -draw "$(g 12) polygon 3,1 10,1 13,4 13,14 3,14" \
  -stroke steelblue -draw "$(g 12) line 5,6 11,6" -draw "$(g 12) line 5,9 11,9" -draw "$(g 12) line 5,12 9,12" \
  -define bmp3:alpha=true BMP3:glyphs.bmp

# Icons: the program (a globe with two orbits, one per engine), and one
# for each engine's windows.
icon() {  # name, then draw arguments for a 32 x 32 picture
  local name=$1; shift
  convert -size 32x32 xc:none "$@" \( +clone -resize 16x16 \) "$name.ico"
}
icon vesko -stroke midnightblue -strokewidth 2 -fill lightskyblue -draw "circle 16,16 16,3" \
  -fill none -stroke royalblue -draw "ellipse 16,16 13,5 0,360" -stroke darkorange -draw "ellipse 16,16 5,13 0,360"
icon child_ie -stroke midnightblue -strokewidth 2 -fill white -draw "roundrectangle 3,3 28,28 4,4" \
  -fill royalblue -stroke royalblue -draw "rectangle 4,4 27,9" -fill none -stroke royalblue -strokewidth 3 \
  -draw "circle 16,19 16,13"
icon child_mz -stroke saddlebrown -strokewidth 2 -fill white -draw "roundrectangle 3,3 28,28 4,4" \
  -fill darkorange -stroke darkorange -draw "rectangle 4,4 27,9" -fill firebrick -stroke firebrick \
  -draw "polygon 9,26 16,12 23,26"

# The options dialog's browse button: a small window with a red arrow
# pointing into it, 16 x 15 in 16 colours, magenta transparent.
convert -size 16x15 xc:magenta +antialias \
  -stroke navy -fill white -draw "rectangle 5,2 15,13" -fill navy -draw "rectangle 5,2 15,4" \
  -stroke red -fill red -strokewidth 2 -draw "line 1,13 7,7" -strokewidth 1 -draw "polygon 5,6 10,6 10,11" \
  -colors 16 -type Palette BMP3:browse.bmp
