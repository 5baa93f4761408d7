#!/usr/bin/env bash
# Reads the file the render manager wrote with ffprobe: an independent reader must see both
# groups with their formats and the timeline's length.
set -u
f="$1/both.avi"
fail=0
[ -s "$f" ] || { echo "FAIL no file $f"; exit 1; }
check() {  # name expected actual
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected '$2', got '$3'"; fail=1; else echo "ok   $1 = $3"; fi
}
probe() {  # stream entries
  ffprobe -v error -select_streams "$1" -show_entries "$2" -of default=nw=1:nk=1 "$f" | tr '\n' ' ' | sed 's/ $//'
}
check "video" "rawvideo 64 48 10/1 10" "$(probe v:0 stream=codec_name,width,height,r_frame_rate,nb_frames)"
check "audio" "pcm_s16le 22050 2" "$(probe a:0 stream=codec_name,sample_rate,channels)"
check "decodes cleanly" "" "$(ffmpeg -nostdin -v error -i "$f" -f null - 2>&1 | head -5)"
exit $fail
