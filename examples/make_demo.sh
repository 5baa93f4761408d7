#!/usr/bin/env bash
# Makes the media of the demo project (demo.kdp) into examples/media: two short picture clips,
# a still image and an audio bed. Generated, never committed; ./mrq build runs this once.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="$here/media"
[ -f "$out/stamp" ] && [ "$out/stamp" -nt "$here/make_demo.sh" ] && exit 0
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
# Motion-JPEG in AVI: read through the platform's own AVI splitter and decoder.
ff -f lavfi -i "testsrc=s=320x240:r=25:d=4" -c:v mjpeg -pix_fmt yuvj420p -q:v 3 clip-a.avi
ff -f lavfi -i "mandelbrot=s=320x240:r=25,trim=duration=4" -c:v mjpeg -pix_fmt yuvj420p -q:v 3 clip-b.avi
/usr/bin/convert -size 320x240 gradient:navy-gold -fill white -draw "rectangle 100,90 220,150" \
  BMP3:still.bmp
ff -f lavfi -i "sine=frequency=220:sample_rate=44100:duration=8" -f lavfi \
  -i "sine=frequency=330:sample_rate=44100:duration=8" -filter_complex "[0][1]amerge=inputs=2,volume=0.4" \
  -c:a pcm_s16le bed.wav
touch stamp
