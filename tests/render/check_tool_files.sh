#!/usr/bin/env bash
# Reads the file mrqrender wrote with ffprobe: the project's frame size, rate, length and sound.
set -u
source "$(dirname "$0")/../ffprobe_checks.sh"
f="$1/tool.avi"
need_file "$f"
check "video" "rawvideo 32 24 10/1 20" "$(probe "$f" v:0 stream=codec_name,width,height,r_frame_rate,nb_frames)"
check "audio" "pcm_s16le 22050 2 44100" "$(probe "$f" a:0 stream=codec_name,sample_rate,channels,nb_frames)"
check "file duration" "2.000000" "$(duration "$f")"
exit $fail
