#!/usr/bin/env bash
# Reads the files test_engine_output wrote with ffprobe and ffmpeg: an independent reader must
# see the same streams, counts and durations, and decode every file to its end without error.
set -u
source "$(dirname "$0")/../ffprobe_checks.sh"
dir="$1"
trap 'rm -f "$dir/big.avi"' EXIT

f="$dir/av.avi"
check "av video" "rawvideo 160 120 25/1 50" "$(probe "$f" v:0 stream=codec_name,width,height,r_frame_rate,nb_frames)"
check "av video frames decoded" "50" "$(frames_decoded "$f")"
check "av video duration" "2.000000" "$(probe "$f" v:0 stream=duration)"
check "av audio" "pcm_s16le 44100 2" "$(probe "$f" a:0 stream=codec_name,sample_rate,channels)"
# ffprobe gives PCM in AVI no stream duration (ffmpeg's own files neither): count samples.
check "av audio samples (2 s)" "88200" "$(probe "$f" a:0 stream=nb_frames)"
check "av file duration" "2.000000" "$(duration "$f")"
check "av decodes cleanly" "" "$(decode_errors "$f")"
# The last frame holds the value of frame 49 (49 * 5 = 245), in every byte.
check "av last frame" "245" "$(ffmpeg -nostdin -v error -i "$f" -map 0:v -vf select='eq(n\,49)' -f rawvideo -pix_fmt bgr24 - 2>/dev/null | od -An -tu1 -N1 | tr -d ' ')"

f="$dir/rle.avi"
check "rle video" "msrle 25/1 50" "$(probe "$f" v:0 stream=codec_name,r_frame_rate,nb_frames)"
check "rle frames decoded" "50" "$(frames_decoded "$f")"
check "rle decodes cleanly" "" "$(decode_errors "$f")"

f="$dir/stopped.avi"
check "stopped: header frames = frames present" "$(probe "$f" v:0 stream=nb_frames)" "$(frames_decoded "$f")"
check "stopped decodes cleanly" "" "$(decode_errors "$f")"

f="$dir/big.avi"
check "big is past 1 GB" "yes" "$( [ "$(stat -c %s "$f" 2>/dev/null || echo 0)" -gt 1073741824 ] && echo yes || echo no)"
check "big video packets" "300" "$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of default=nw=1:nk=1 "$f")"
check "big decodes to its end" "" "$(decode_errors "$f")"
check "big last frame" "43" "$(ffmpeg -nostdin -v error -sseof -0.5 -i "$f" -map 0:v -f rawvideo -pix_fmt bgra - 2>/dev/null | tail -c 4 | od -An -tu1 -N1 | tr -d ' ')"
exit $fail
