#!/usr/bin/env bash
# Reads the files the render manager wrote with ffprobe: an independent reader must see both
# groups with their formats and the timeline's length, and the compressed file must be what
# the platform's run-length codec makes of the grey still.
set -u
source "$(dirname "$0")/../ffprobe_checks.sh"
for f in "$1/both.avi" "$1/rle.avi"; do
  need_file "$f"
  check "$(basename "$f") decodes cleanly" "" "$(decode_errors "$f")"
done
check "video" "rawvideo 64 48 10/1 10" "$(probe "$1/both.avi" v:0 stream=codec_name,width,height,r_frame_rate,nb_frames)"
check "audio" "pcm_s16le 22050 2" "$(probe "$1/both.avi" a:0 stream=codec_name,sample_rate,channels)"
check "compressed video" "msrle 64 48 pal8 10" "$(probe "$1/rle.avi" v:0 stream=codec_name,width,height,pix_fmt,nb_frames)"
# The middle pixel of the fifth frame, as grey as the still (0x80) within the palette's step.
grey=$(ffmpeg -nostdin -v error -i "$1/rle.avi" -vf "select=eq(n\,4),crop=1:1:32:24,format=gray" -frames:v 1 -f rawvideo - | od -An -tu1 | tr -d ' ')
check "compressed grey near 128" "yes" "$([ -n "$grey" ] && [ "$grey" -ge 124 ] && [ "$grey" -le 132 ] && echo yes || echo "no ($grey)")"
exit $fail
