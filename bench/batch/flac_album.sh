#!/usr/bin/env bash
# A FLAC album converted to MP3 at 192 kbit/s with its tags and covers: twelve 3-minute FLAC
# files, each with Vorbis comments and a 500x500 JPEG front cover. Times, in one call and in turn:
#   batch      the program's batch (batch_bench run): the real window's run, as many transcoders
#              at once as the machine allows, tags and cover carried by the run
#   ffmpeg-x2  ffmpeg two at a time (xargs -P 2) doing the same job: -map_metadata 0 for the
#              tags, the cover copied as an attached picture, ID3v2.3 and ID3v1 written
# Prints the median wall and CPU seconds (user + system, children included) and their ratios.
#   bench/batch/flac_album.sh [build-folder] [rounds]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
rounds=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
album="$work/album"
mkdir -p "$album"

ffmpeg -v error -nostdin -y -f lavfi -i "testsrc=size=500x500:rate=1" -frames:v 1 "$work/cover.jpg"
for i in $(seq -w 1 12); do
  ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=$((200 + 20 * 10#$i)):duration=180" \
    -i "$work/cover.jpg" -map 0 -map 1 -ac 2 -c:a flac -c:v copy -disposition:v attached_pic \
    -metadata:s:v title="Album cover" -metadata:s:v comment="Cover (front)" \
    -metadata artist="Artist $i" -metadata title="Title $i" -metadata album="Album" \
    -metadata album_artist="Various" -metadata date="2024-05-06" -metadata track="$i/12" \
    -metadata genre="Rock" -metadata composer="Composer $i" "$album/track$i.flac"
done

clean() { rm -f "$album"/*.mp3; }
ffmpeg_one='ffmpeg -v error -nostdin -y -i "$1" -map 0 -map_metadata 0 -c:a libmp3lame -b:a 192k -c:v copy -id3v2_version 3 -write_id3v1 1 "${1%.flac}.mp3"'

declare -A commands=(
  [batch]="\"$build/batch_bench\" run \"$album\" \"$build/BeSweet.exe\""
  [ffmpeg-x2]="ls \"$album\"/track*.flac | xargs -P 2 -I{} sh -c '$ffmpeg_one' sh {}"
)
order=(batch ffmpeg-x2)

# One timed run of `name`: prints "wall cpu", after checking its twelve targets.
measure() {
  clean
  /usr/bin/time -f '%e %U %S' -o "$work/time" bash -c "${commands[$1]}" >/dev/null 2>"$work/err" ||
    { cat "$work/err" >&2; echo "flac_album: $1 failed" >&2; exit 1; }
  local made
  made=$(find "$album" -name '*.mp3' | wc -l)
  [ "$made" -eq 12 ] || { echo "flac_album: $1 made $made MP3 files" >&2; exit 1; }
  awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time"
}

# What each carried into the first target: its tag frames and the cover's size.
frames() {
  /usr/bin/python3 - "$1" <<'EOF'
import sys
from mutagen.id3 import ID3
t = ID3(sys.argv[1])
pics = t.getall("APIC")
print(" ".join(sorted({k[:4] for k in t.keys()})),
      "| cover %d bytes" % (len(pics[0].data) if pics else 0))
EOF
}

declare -A walls cpus seen
for round in $(seq "$rounds"); do
  for name in "${order[@]}"; do
    read -r wall cpu < <(measure "$name")
    walls[$name]+="$wall "
    cpus[$name]+="$cpu "
    seen[$name]=$(frames "$album/track01.mp3" 2>/dev/null || echo "no ID3v2 tag")
    echo "round $round: $name wall ${wall} s, cpu ${cpu} s" >&2
  done
done
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

printf '%-10s %9s %9s  %s\n' run "wall s" "cpu s" "frames of track01.mp3"
declare -A mw mc
for name in "${order[@]}"; do
  mw[$name]=$(median "${walls[$name]}")
  mc[$name]=$(median "${cpus[$name]}")
  printf '%-10s %9s %9s  %s\n' "$name" "${mw[$name]}" "${mc[$name]}" "${seen[$name]}"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo
echo "batch / ffmpeg-x2 wall: $(ratio "${mw[batch]}" "${mw[ffmpeg-x2]}")"
echo "batch / ffmpeg-x2 cpu:  $(ratio "${mc[batch]}" "${mc[ffmpeg-x2]}")"
