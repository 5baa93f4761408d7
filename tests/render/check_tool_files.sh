#!/usr/bin/env bash
# Reads the file mrqrender wrote with ffprobe: the project's frame size, rate, length and sound.
set -u
f="$1/tool.avi"
[ -s "$f" ] || { echo "FAIL no file $f"; exit 1; }
fail=0
check() {  # name expected actual
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected '$2', got '$3'"; fail=1; else echo "ok   $1 = $3"; fi
}
probe() {  # stream entries
  ffprobe -v error -select_streams "$1" -show_entries "$2" -of default=nw=1:nk=1 "$f" | tr '\n' ' ' | sed 's/ $//'
}
check "video" "rawvideo 32 24 10/1 20" "$(probe v:0 stream=codec_name,width,height,r_frame_rate,nb_frames)"
check "audio" "pcm_s16le 22050 2 44100" "$(probe a:0 stream=codec_name,sample_rate,channels,nb_frames)"
check "file duration" "2.000000" "$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$f")"
exit $fail
