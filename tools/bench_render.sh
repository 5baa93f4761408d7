#!/usr/bin/env bash
# Render benchmark, as users run it: each reference project rendered to uncompressed AVI through
# ./mrq render, against the same composition by ffmpeg, the yardstick, in the same run. Prints
# the wall times, the peak memory of each and the ratio, per project:
# - mjpeg: two 640 x 480, 30 fps MJPEG AVI clips of 20 s, a 2 s dissolve, a brightness effect on
#   the second clip, a 44.1 kHz stereo WAVE bed under both (38 s);
# - mp4: two 640 x 480, 30 fps H.264/AAC MP4 clips of 20 s overlapping by 2 s on two tracks (the
#   upper one shown), and three audio sources mixed: both clips' sound and a WAVE bed (38 s);
# - mjpeg again, its video compressed by the engine's "Motion JPEG" against ffmpeg's MJPEG
#   encoder at a quality that makes files of about the same size (-q:v 3), with the file sizes;
# then one minute and one hour of a small clip rendered alike, whose peak memory must match.
# Run by ./mrq bench inside its Wine setup.
# usage: bench_render.sh BUILD_DIR WINE
set -euo pipefail
build="$1"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$build/bench-render"
mkdir -p "$work"
cd "$work"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
if [ ! -f stamp-v2 ]; then
  ff -f lavfi -i "testsrc2=s=640x480:r=30:d=20" -c:v mjpeg -pix_fmt yuvj420p -q:v 4 a.avi
  ff -f lavfi -i "smptehdbars=s=640x480:r=30:d=20" -vf "hue=H=2*PI*t/10" -c:v mjpeg -pix_fmt yuvj420p -q:v 4 b.avi
  ff -f lavfi -i "sine=frequency=220:sample_rate=44100:duration=38" -f lavfi \
    -i "sine=frequency=277:sample_rate=44100:duration=38" -filter_complex "[0][1]amerge=inputs=2" -c:a pcm_s16le bed.wav
  ff -f lavfi -i "testsrc2=s=640x480:r=30:d=20" -f lavfi -i "sine=frequency=330:sample_rate=44100:duration=20" \
    -c:v libx264 -pix_fmt yuv420p -g 30 -c:a aac -b:a 128k -ac 2 a.mp4
  ff -f lavfi -i "smptehdbars=s=640x480:r=30:d=20" -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=20" \
    -vf "hue=H=2*PI*t/10" -c:v libx264 -pix_fmt yuv420p -g 30 -c:a aac -b:a 128k -ac 2 b.mp4
  touch stamp-v2
fi
cat > mjpeg.kdp <<'KDP'
<KDP version="1">
<timeline>
 <group type="video" width="640" height="480" bitdepth="24" framerate="30" username="Video">
  <track>
   <clip src="a.avi" start="0" stop="20" mstart="0"/>
  </track>
  <track>
   <clip src="b.avi" start="18" stop="38" mstart="0"/>
   <effect clsid="{F60ACBDD-3C55-4189-9D72-66F305E65047}" start="18" stop="38">
    <param name="Brightness" value="0.1"/>
   </effect>
   <transition clsid="{EAF10151-3E56-4946-B866-76023A51F415}" start="18" stop="20"/>
  </track>
 </group>
 <group type="audio" samplingrate="44100" username="Audio">
  <track>
   <clip src="bed.wav" start="0" stop="38" mstart="0"/>
  </track>
 </group>
</timeline></KDP>
KDP
cat > mp4.kdp <<'KDP'
<KDP version="1">
<timeline>
 <group type="video" width="640" height="480" bitdepth="24" framerate="30" username="Video">
  <track>
   <clip src="a.mp4" start="0" stop="20" mstart="0"/>
  </track>
  <track>
   <clip src="b.mp4" start="18" stop="38" mstart="0"/>
  </track>
 </group>
 <group type="audio" samplingrate="44100" username="Audio">
  <track>
   <clip src="a.mp4" start="0" stop="20" mstart="0"/>
  </track>
  <track>
   <clip src="b.mp4" start="18" stop="38" mstart="0"/>
  </track>
  <track>
   <clip src="bed.wav" start="0" stop="38" mstart="0"/>
  </track>
 </group>
</timeline></KDP>
KDP
measure() {  # label command... -> "seconds kilobytes"
  /usr/bin/time -f "%e %M" -o "$1.time" "${@:2}" >/dev/null 2>"$1.log" || { echo "FAILED: $1"; cat "$1.log"; exit 1; }
  cat "$1.time"
}
probe() { ffprobe -v error -show_entries format=duration:stream=codec_name,width,height,nb_frames -of compact=p=0:nk=1 "$1" | tr '\n' ' '; }
# A case is a project, and "-mjpg" after it when its video is compressed to Motion JPEG.
run_mrq() {  # case
  local compress=()
  [ "$1" = mjpeg-mjpg ] && compress=(--video-compressor "Motion JPEG")
  measure mrq "$root/mrq" render "${1%-mjpg}.kdp" mrq.avi --quiet "${compress[@]}"
}
run_ffmpeg() {  # case
  if [ "${1%-mjpg}" = mjpeg ]; then
    local video=(-c:v rawvideo -pix_fmt bgr24)
    [ "$1" = mjpeg-mjpg ] && video=(-c:v mjpeg -q:v 3 -pix_fmt yuvj420p)
    measure ffmpeg ffmpeg -hide_banner -loglevel error -nostdin -y -i a.avi -i b.avi -i bed.wav \
      -filter_complex "[0:v]scale=640:480,fps=30,format=bgr24[a];[1:v]scale=640:480,fps=30,eq=brightness=0.1,format=bgr24[b];[a][b]xfade=transition=fade:duration=2:offset=18[v];[2:a]amix=inputs=1[m]" \
      -map "[v]" -map "[m]" "${video[@]}" -c:a pcm_s16le ffmpeg.avi
  else
    measure ffmpeg ffmpeg -hide_banner -loglevel error -nostdin -y -i a.mp4 -i b.mp4 -i bed.wav \
      -filter_complex "[0:v]scale=640:480,fps=30,format=bgr24,tpad=stop_mode=clone:stop_duration=18[a];[1:v]scale=640:480,fps=30,format=bgr24,setpts=PTS+18/TB[b];[a][b]overlay=eof_action=pass[v];[1:a]adelay=18000|18000[b1];[0:a][b1][2:a]amix=inputs=3:normalize=0[m]" \
      -map "[v]" -map "[m]" -t 38 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le ffmpeg.avi
  fi
}
# The raw renders write about 1 GB each. Each output is removed (and the disk settled) before
# the next run, so neither pays for writing back what the other left in the page cache; the
# best of two rounds of each counts.
one_round() {  # name case: runs run_<name>, keeps the best time, the highest peak, a probe and the size
  local name="$1" s kb best peak
  sync
  read -r s kb < <("run_$name" "$2")
  [ -n "$(eval echo "\$${name}_probe")" ] || printf -v "${name}_probe" '%s' "$(probe "$name.avi")"
  printf -v "${name}_mb" '%s' "$(($(stat -c %s "$name.avi") / 1048576))"
  rm -f "$name.avi"
  best="$(eval echo "\$${name}_s")" peak="$(eval echo "\$${name}_kb")"
  if awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then printf -v "${name}_s" '%s' "$s"; fi
  if [ "$kb" -gt "$peak" ]; then printf -v "${name}_kb" '%s' "$kb"; fi
}
for project in mjpeg mp4 mjpeg-mjpg; do
  mrq_s=999999 mrq_kb=0 ffmpeg_s=999999 ffmpeg_kb=0 mrq_probe="" ffmpeg_probe=""
  rm -f mrq.avi ffmpeg.avi
  for round in 1 2; do
    one_round mrq "$project"
    one_round ffmpeg "$project"
  done
  if [ "$project" = mjpeg-mjpg ]; then
    echo "reference mjpeg -> 38 s Motion JPEG AVI (ffmpeg: -c:v mjpeg -q:v 3), through ./mrq render"
  else
    echo "reference $project -> 38 s raw AVI, through ./mrq render"
  fi
  echo "  mrq:    $mrq_probe"
  echo "  ffmpeg: $ffmpeg_probe"
  printf '  MRQ    wall %6.2f s   peak %5d MB   file %5d MB   (best of 2)\n' "$mrq_s" $((mrq_kb / 1024)) "$mrq_mb"
  printf '  ffmpeg wall %6.2f s   peak %5d MB   file %5d MB   (best of 2)\n' "$ffmpeg_s" $((ffmpeg_kb / 1024)) "$ffmpeg_mb"
  awk -v a="$mrq_s" -v b="$ffmpeg_s" -v p="$project" \
    'BEGIN { printf "  ratio MRQ/ffmpeg (%s, wall time) %.2f %s\n", p, a / b, (a <= b ? "(target met)" : "(target: <= 1.0)") }'
done
# Memory stays flat however long the timeline: one minute and one hour of the same 160 x 120
# clip rendered to Motion JPEG (a raw hour would take some 97 GB), peaks compared.
if [ ! -f hour-v1.avi ]; then
  ff -f lavfi -i "testsrc2=s=160x120:r=30:d=3600" -c:v mjpeg -q:v 5 hour-v1.avi
fi
for length in 60 3600; do
  cat > "long-$length.kdp" <<KDP
<KDP version="1">
<timeline>
 <group type="video" width="160" height="120" bitdepth="24" framerate="30" username="Video">
  <track>
   <clip src="hour-v1.avi" start="0" stop="$length" mstart="0"/>
  </track>
 </group>
</timeline></KDP>
KDP
  sync
  read -r long_s long_kb < <(measure "long-$length" "$root/mrq" render "long-$length.kdp" long.avi --quiet \
    --video-compressor "Motion JPEG")
  rm -f long.avi
  printf -v "long_${length}_s" '%s' "$long_s"
  printf -v "long_${length}_kb" '%s' "$long_kb"
done
echo "one minute and one hour of 160 x 120 video -> Motion JPEG AVI, through ./mrq render"
printf '  one minute  wall %7.2f s   peak %5d MB\n' "$long_60_s" $((long_60_kb / 1024))
printf '  one hour    wall %7.2f s   peak %5d MB\n' "$long_3600_s" $((long_3600_kb / 1024))
awk -v a="$long_3600_kb" -v b="$long_60_kb" \
  'BEGIN { g = (a - b) * 100 / b; printf "  peak growth %+.1f %% %s\n", g, (g <= 10 ? "(flat: within 10 %)" : "(target: within 10 %)") }'
# What ./mrq render adds to the renderer itself, the Wine server warm: the median of five runs of
# each on the one-minute project.
win() { printf 'Z:%s' "${1//\//\\}"; }
median_of_five() {  # command... -> the median wall time
  local runs=()
  for _ in 1 2 3 4 5; do
    /usr/bin/time -f "%e" -o overhead.time "$@" >/dev/null 2>&1 </dev/null || true
    runs+=("$(cat overhead.time)")
  done
  printf '%s\n' "${runs[@]}" | sort -n | sed -n 3p
}
via_mrq="$(median_of_five "$root/mrq" render long-60.kdp long.avi --quiet)"
direct="$(median_of_five "$2" "$build/bin/mrqrender.exe" "$(win "$work/long-60.kdp")" "$(win "$work/long.avi")" --quiet)"
rm -f long.avi overhead.time
awk -v a="$via_mrq" -v b="$direct" 'BEGIN { d = a - b; printf "./mrq render %.2f s, mrqrender.exe alone %.2f s: adds %.2f s %s\n", a, b, d, (d < 0.3 ? "(target met)" : "(target: under 0.3 s)") }'
# The same reference project played in real time through the preview's graph, over the dissolve.
"$2" "$build/bin/preview_bench.exe" mjpeg.kdp 10 13 </dev/null
# The outputs are big; keep the generated sources for the next run only.
rm -f mrq.avi ffmpeg.avi long.avi
