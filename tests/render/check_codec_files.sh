#!/usr/bin/env bash
# Reads the file mrqrender compressed with the engine's Motion JPEG and IMA ADPCM compressors
# with ffprobe and ffmpeg: the codecs, every frame a key frame, the picture's colour within what
# JPEG keeps, and the tone within what 4-bit ADPCM keeps.
set -u
source "$(dirname "$0")/../ffprobe_checks.sh"
f="$1/codecs.avi"
need_file "$f"
check "video" "mjpeg 64 48 10/1 20" "$(probe "$f" v:0 stream=codec_name,width,height,r_frame_rate,nb_frames)"
check "audio" "adpcm_ima_wav 44100 2" "$(probe "$f" a:0 stream=codec_name,sample_rate,channels)"
check "file duration" "2.000000" "$(duration "$f")"
check "frames decoded" "20" "$(frames_decoded "$f")"
check "packets that are not key frames" "0" "$(ffprobe -v error -select_streams v:0 -show_entries packet=flags -of default=nw=1:nk=1 "$f" | grep -vc K)"
check "decodes cleanly" "" "$(decode_errors "$f")"

# The middle pixel of frame 10, as red green blue: the picture's 0x3080C0.
read -r r g b < <(ffmpeg -nostdin -v error -i "$f" -map 0:v -vf "select=eq(n\,10)" -frames:v 1 -f rawvideo \
  -pix_fmt rgb24 - 2>/dev/null | od -An -tu1 -j $(((24 * 64 + 32) * 3)) -N3)
near "red" 48 "${r:-}" 8
near "green" 128 "${g:-}" 8
near "blue" 192 "${b:-}" 8

# Two seconds of sound in whole blocks of 2041 frames, the last one padded with silence.
pcm="$(mktemp)"
trap 'rm -f "$pcm"' EXIT
ffmpeg -nostdin -v error -y -i "$f" -map 0:a -f s16le -acodec pcm_s16le "$pcm"
check "sound frames" "89804" "$(( $(stat -c %s "$pcm") / 4 ))"
# Frame 22025 is at a crest of the tone: left 8000, right -4000.
read -r left right < <(od -An -td2 -j $((22025 * 4)) -N4 "$pcm")
near "left sample" 8000 "${left:-}" 300
near "right sample" -4000 "${right:-}" 300
exit $fail
