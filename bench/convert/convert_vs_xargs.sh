#!/usr/bin/env bash
# shellcheck disable=SC2016  # the single-quoted commands get their values as arguments
# tonquell-convert against the same work done by hand, two at a time with xargs -P 2: once
# with ffmpeg, once with BeSweet.exe itself (the transcoder alone, no names, no tags). Two
# loads: an album (12 tagged FLAC files of 3 minutes) to MP3 at 192 kbit/s, and 1,000 MP3
# files of one second to WAV. Prints the median wall and CPU seconds of each, the ratios of
# tonquell-convert to each peer, and its cost per file beyond the transcoder's own
# ((convert - besweet) / files). Each round runs the three in turn into fresh folders.
#   bench/convert/convert_vs_xargs.sh [build-folder] [rounds]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
rounds=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export BUILD=$build

mkdir -p "$work/album" "$work/short"
for i in $(seq -w 1 12); do
  ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=$((200 + 20 * 10#$i)):duration=180" \
    -ac 2 -ar 44100 -metadata artist="Artist" -metadata title="Track $i" -c:a flac \
    "$work/album/$i.flac"
done
ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=440:duration=1" -ac 2 -c:a libmp3lame \
  -b:a 128k "$work/one.mp3"
for i in $(seq -w 1 1000); do cp "$work/one.mp3" "$work/short/$i.mp3"; done

# The commands, each given its source folder and a fresh output folder.
declare -A run
run[convert_album]='"$BUILD/tonquell-convert" -f mp3 -b 192 -j 2 -o "$2" "$1"'
run[besweet_album]='ls "$1"/*.flac | xargs -P 2 -I{} sh -c '\''"$BUILD/BeSweet.exe" -core\( -input "$1" -output "$2/$(basename "$1" .flac).mp3" \) -lame\( -p --ta ? --alt-preset cbr 192 \) >/dev/null'\'' _ {} "$2"'
run[ffmpeg_album]='ls "$1"/*.flac | xargs -P 2 -I{} sh -c '\''ffmpeg -v error -nostdin -i "$1" -c:a libmp3lame -b:a 192k "$2/$(basename "$1" .flac).mp3"'\'' _ {} "$2"'
run[convert_short]='"$BUILD/tonquell-convert" -f wav -j 2 -o "$2" "$1"'
run[besweet_short]='ls "$1"/*.mp3 | xargs -P 2 -I{} sh -c '\''"$BUILD/BeSweet.exe" -core\( -input "$1" -output "$2/$(basename "$1" .mp3).wav" -2ch \) >/dev/null'\'' _ {} "$2"'
run[ffmpeg_short]='ls "$1"/*.mp3 | xargs -P 2 -I{} sh -c '\''ffmpeg -v error -nostdin -i "$1" "$2/$(basename "$1" .mp3).wav"'\'' _ {} "$2"'

one() {  # one COMMAND SOURCE: wall and cpu seconds of one run into a fresh folder
  rm -rf "$work/out" && mkdir "$work/out"
  /usr/bin/time -f '%e %U %S' -o "$work/time" bash -c "$1" _ "$2" "$work/out" >/dev/null \
    2>"$work/err" || { echo "failed: $1" >&2; cat "$work/err" >&2; exit 1; }
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$work/time"
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

load() {  # load NAME SOURCE FILES
  local name=$1 source=$2 files=$3 side
  local -a commands
  commands=("${run[convert_$name]}" "${run[besweet_$name]}" "${run[ffmpeg_$name]}")
  for side in 0 1 2; do one "${commands[$side]}" "$source" >/dev/null; done  # warm-up
  rm -f "$work"/times.*
  for _ in $(seq "$rounds"); do
    for side in 0 1 2; do one "${commands[$side]}" "$source" >>"$work/times.$side"; done
  done
  local -a wall cpu
  for side in 0 1 2; do
    wall[side]=$(cut -d' ' -f1 "$work/times.$side" | median)
    cpu[side]=$(cut -d' ' -f2 "$work/times.$side" | median)
  done
  printf '%-32s %9s %9s\n' "$name ($files files)" "wall s" "cpu s"
  printf '%-32s %9s %9s\n' "  tonquell-convert -j 2" "${wall[0]}" "${cpu[0]}" \
    "  xargs -P 2 BeSweet.exe" "${wall[1]}" "${cpu[1]}" "  xargs -P 2 ffmpeg" "${wall[2]}" "${cpu[2]}"
  awk -v a="${wall[0]}" -v b="${wall[1]}" -v c="${wall[2]}" -v ca="${cpu[0]}" -v cb="${cpu[1]}" \
    -v cc="${cpu[2]}" -v n="$files" -v r="$rounds" 'BEGIN {
      printf "  convert/besweet %9.3f %9.3f\n", a / b, ca / cb
      printf "  convert/ffmpeg  %9.3f %9.3f\n", a / c, ca / cc
      printf "  beyond the transcoder: %.2f ms wall, %.2f ms cpu per file (medians of %d rounds)\n",
        1000 * (a - b) / n, 1000 * (ca - cb) / n, r }'
}

load album "$work/album" 12
load short "$work/short" 1000
