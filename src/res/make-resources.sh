#!/usr/bin/env bash
# Draws MRQ's picture resources into the folder given: the application icon, the preview
# icons (options, play, pause), the OK/Cancel button strip and the splash picture.
# Uses ImageMagick; the splash title is drawn only when a font is available.
set -euo pipefail
out="${1:?usage: make-resources.sh OUTPUT_DIR}"
mkdir -p "$out"
IM=/usr/bin/convert
tmp="$(mktemp -d)"; trap 'rm -rf "$tmp"' EXIT

icon() {  # icon NAME DRAW-ARGS...
  local name="$1"; shift
  for s in 16 32 48; do
    "$IM" -size 48x48 xc:none "$@" -resize ${s}x${s} "PNG32:$tmp/$name-$s.png"
  done
  "$IM" "$tmp/$name-16.png" "$tmp/$name-32.png" "$tmp/$name-48.png" "$out/$name.ico"
}

# Application: a film reel.
icon app -fill '#1f4e8c' -draw 'circle 24,24 24,2' \
  -fill '#dfe8f5' -draw 'circle 24,12 24,7' -draw 'circle 24,36 24,31' \
  -draw 'circle 12,24 17,24' -draw 'circle 36,24 31,24' -fill '#1f4e8c' -draw 'circle 24,24 24,21'
# Preview options: three bars.
icon options -fill '#303030' -draw 'rectangle 6,10 42,16' -draw 'rectangle 6,21 42,27' \
  -draw 'rectangle 6,32 42,38'
# Play: a triangle; pause: two bars.
icon play -fill '#1c7c2c' -draw 'polygon 10,6 42,24 10,42'
icon pause -fill '#303030' -draw 'rectangle 10,6 20,42' -draw 'rectangle 28,6 38,42'

# Button strip: 32 x 16, 16 colours; magenta (top-left) is transparent. Image 0 a tick, 1 a cross.
"$IM" -size 32x16 xc:magenta +antialias -stroke '#008000' -strokewidth 2 -fill none \
  -draw 'polyline 2,8 6,12 13,3' -stroke '#c00000' -draw 'line 19,3 28,12' -draw 'line 28,3 19,12' \
  -colors 16 -type Palette -define bmp:format=bmp3 "BMP3:$out/buttons.bmp"

# Splash: 800 x 452.
title=()
if "$IM" -list font 2>/dev/null | grep -q 'Font: DejaVu-Sans-Bold$'; then
  title=(-font DejaVu-Sans-Bold -fill white -pointsize 72 -gravity northwest -annotate +60+120 'Reelwick'
         -font DejaVu-Sans -pointsize 24 -fill '#c8d6ea' -annotate +64+215 'Non-linear video editing')
fi
holes=()
for i in $(seq 0 19); do
  x=$((10 + i * 40))
  holes+=(-draw "rectangle $x,368 $((x + 20)),378" -draw "rectangle $x,402 $((x + 20)),412")
done
"$IM" -size 800x452 gradient:'#0f2a4d'-'#2d6bb3' \
  -fill '#000000' -draw 'rectangle 0,360 800,420' -fill '#e8e8e8' "${holes[@]}" \
  "${title[@]}" -quality 90 "$out/splash.jpg"
