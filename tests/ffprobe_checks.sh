# Shared by the check_*.sh scripts: reading written media files back with ffprobe and ffmpeg,
# and reporting each comparison. Sourced; a script ends with `exit $fail`.
fail=0
check() {  # name expected actual
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected '$2', got '$3'"; fail=1; else echo "ok   $1 = $3"; fi
}
near() {  # name expected actual tolerance
  if [ -z "$3" ] || [ $(( $3 > $2 ? $3 - $2 : $2 - $3 )) -gt "$4" ]; then
    echo "FAIL $1: expected $2 within $4, got '$3'"; fail=1
  else
    echo "ok   $1 = $3 (expected $2 within $4)"
  fi
}
need_file() {  # file: a missing or empty one ends the script
  [ -s "$1" ] || { echo "FAIL no file $1"; exit 1; }
}
probe() {  # file stream entries
  ffprobe -v error -select_streams "$2" -show_entries "$3" -of default=nw=1:nk=1 "$1" | tr '\n' ' ' | sed 's/ $//'
}
frames_decoded() {  # file: the video frames a decoder reads, whatever the header says
  ffprobe -v error -select_streams v:0 -count_frames -show_entries stream=nb_read_frames -of default=nw=1:nk=1 "$1"
}
duration() {  # file
  ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$1"
}
decode_errors() {  # file: the first errors of a full decode; none is clean
  ffmpeg -nostdin -v error -i "$1" -f null - 2>&1 | head -5
}
