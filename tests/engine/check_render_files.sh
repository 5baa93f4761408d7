#!/usr/bin/env bash
# Reads the file test_engine_render left behind with ffprobe and ffmpeg: an independent reader
# must see the group formats, counts and durations, and the composed pictures and sound.
set -u
dir="$1"
fail=0
check() {  # name expected actual
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected '$2', got '$3'"; fail=1; else echo "ok   $1 = $3"; fi
}
probe() {  # file stream entries
  ffprobe -v error -select_streams "$2" -show_entries "$3" -of default=nw=1:nk=1 "$1" | tr '\n' ' ' | sed 's/ $//'
}
pixel() {  # file frame -> "b g r" of its first stored pixel
  ffmpeg -nostdin -v error -i "$1" -map 0:v -vf select="eq(n\,$2)" -frames:v 1 -f rawvideo -pix_fmt bgr24 - 2>/dev/null |
    od -An -tu1 -N3 | tr -s ' ' | sed 's/^ //'
}
sample() {  # file index -> "left right"
  ffmpeg -nostdin -v error -i "$1" -map 0:a -f s16le - 2>/dev/null | od -An -td2 -j $(($2 * 4)) -N4 | tr -s ' ' | sed 's/^ //'
}

f="$dir/composed.avi"
check "video" "rawvideo 160 120 25/1 75" "$(probe "$f" v:0 stream=codec_name,width,height,r_frame_rate,nb_frames)"
check "video frames decoded" "75" "$(ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames -of default=nw=1:nk=1 "$f")"
check "audio" "pcm_s16le 22050 2" "$(probe "$f" a:0 stream=codec_name,sample_rate,channels)"
check "audio samples (3 s)" "66150" "$(probe "$f" a:0 stream=nb_frames)"
check "file duration" "3.000000" "$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$f")"
check "decodes cleanly" "" "$(ffmpeg -nostdin -v error -i "$f" -f null - 2>&1 | head -5)"
check "black under the brightness keyframe" "0 0 0" "$(pixel "$f" 0)"
check "red once the keyframes reach 0" "0 0 255" "$(pixel "$f" 10)"
check "red before the dissolve" "0 0 255" "$(pixel "$f" 24)"
check "blue after it" "255 0 0" "$(pixel "$f" 50)"
check "still on top at the end" "0 255 0" "$(pixel "$f" 74)"
check "quiet source alone" "10000 10000" "$(sample "$f" 5000)"
check "both sources, saturated" "32767 32767" "$(sample "$f" 16000)"
check "silence after the sources" "0 0" "$(sample "$f" 44100)"
exit $fail
