#!/usr/bin/env bash
# Reads the file test_engine_render left behind with ffprobe and ffmpeg: an independent reader
# must see the group formats, counts and durations, and the composed pictures and sound.
set -u
source "$(dirname "$0")/../ffprobe_checks.sh"
dir="$1"
pixel() {  # file frame -> "b g r" of its first stored pixel
  ffmpeg -nostdin -v error -i "$1" -map 0:v -vf select="eq(n\,$2)" -frames:v 1 -f rawvideo -pix_fmt bgr24 - 2>/dev/null |
    od -An -tu1 -N3 | tr -s ' ' | sed 's/^ //'
}
sample() {  # file index -> "left right"
  ffmpeg -nostdin -v error -i "$1" -map 0:a -f s16le - 2>/dev/null | od -An -td2 -j $(($2 * 4)) -N4 | tr -s ' ' | sed 's/^ //'
}

f="$dir/composed.avi"
check "video" "rawvideo 160 120 25/1 75" "$(probe "$f" v:0 stream=codec_name,width,height,r_frame_rate,nb_frames)"
check "video frames decoded" "75" "$(frames_decoded "$f")"
check "audio" "pcm_s16le 22050 2" "$(probe "$f" a:0 stream=codec_name,sample_rate,channels)"
check "audio samples (3 s)" "66150" "$(probe "$f" a:0 stream=nb_frames)"
check "file duration" "3.000000" "$(duration "$f")"
check "decodes cleanly" "" "$(decode_errors "$f")"
check "black under the brightness keyframe" "0 0 0" "$(pixel "$f" 0)"
check "red once the keyframes reach 0" "0 0 255" "$(pixel "$f" 10)"
check "red before the dissolve" "0 0 255" "$(pixel "$f" 24)"
check "blue after it" "255 0 0" "$(pixel "$f" 50)"
check "still on top at the end" "0 255 0" "$(pixel "$f" 74)"
check "quiet source alone" "10000 10000" "$(sample "$f" 5000)"
check "both sources, saturated" "32767 32767" "$(sample "$f" 16000)"
check "silence after the sources" "0 0" "$(sample "$f" 44100)"
exit $fail
