#!/usr/bin/env bash
# An album converted MP3 to MP3 at 192 kbit/s: twelve tagged 3-minute MP3s with a 500x500
# JPEG cover each. Times, in one call and in turn:
#   batch      the program's batch, as many transcoders at once as the machine allows
#   jobs1      the same with one at a time (Jobs=1)
#   ffmpeg     a loop of ffmpeg -i x.mp3 -map 0 -c:a libmp3lame -b:a 192k -c:v copy ...
#   ffmpeg-x2  the same ffmpeg commands two at a time (xargs -P 2)
# and, for the thread count per transcoder, BeSweet.exe two at a time with 1 and with 2
# threads each. Prints the median wall and CPU seconds (user + system, children included)
# and the ratios the goals are stated in.
#   bench/batch/album.sh [build-folder] [rounds]
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
    -i "$work/cover.jpg" -map 0 -map 1 -ac 2 -c:a libmp3lame -b:a 256k -c:v copy \
    -disposition:v attached_pic -metadata artist="Artist $i" -metadata title="Title $i" \
    -metadata album="Album" -metadata track="$i" -id3v2_version 3 -write_id3v1 1 \
    "$album/track$i.mp3"
done

clean() { rm -f "$album"/*_new.mp3; }
ffmpeg_one='ffmpeg -v error -nostdin -y -i "$1" -map 0 -c:a libmp3lame -b:a 192k -c:v copy -id3v2_version 3 "${1%.mp3}_new.mp3"'
besweet_one='BESWEET_THREADS=$0 "$1" -core\( -input "$2" -output "${2%.mp3}_new.mp3" \) -lame\( -p --ta ? --alt-preset cbr 192 \)'

declare -A commands=(
  [batch]="\"$build/batch_bench\" run \"$album\" \"$build/BeSweet.exe\""
  [jobs1]="\"$build/batch_bench\" run \"$album\" \"$build/BeSweet.exe\" 1"
  [ffmpeg]="for f in \"$album\"/track*.mp3; do sh -c '$ffmpeg_one' sh \"\$f\"; done"
  [ffmpeg-x2]="ls \"$album\"/track*.mp3 | xargs -P 2 -I{} sh -c '$ffmpeg_one' sh {}"
  [besweet-x2-t1]="ls \"$album\"/track*.mp3 | xargs -P 2 -I{} sh -c '$besweet_one' 1 \"$build/BeSweet.exe\" {}"
  [besweet-x2-t2]="ls \"$album\"/track*.mp3 | xargs -P 2 -I{} sh -c '$besweet_one' 2 \"$build/BeSweet.exe\" {}"
)
order=(batch jobs1 ffmpeg ffmpeg-x2 besweet-x2-t1 besweet-x2-t2)

# One timed run of `name`: prints "wall cpu".
measure() {
  clean
  /usr/bin/time -f '%e %U %S' -o "$work/time" bash -c "${commands[$1]}" >/dev/null 2>"$work/err" ||
    { cat "$work/err" >&2; echo "album: $1 failed" >&2; exit 1; }
  awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time"
}

declare -A walls cpus
for round in $(seq "$rounds"); do
  for name in "${order[@]}"; do
    read -r wall cpu < <(measure "$name")
    walls[$name]+="$wall "
    cpus[$name]+="$cpu "
    echo "round $round: $name wall ${wall} s, cpu ${cpu} s" >&2
  done
done
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

printf '%-15s %9s %9s\n' run "wall s" "cpu s"
declare -A mw mc
for name in "${order[@]}"; do
  mw[$name]=$(median "${walls[$name]}")
  mc[$name]=$(median "${cpus[$name]}")
  printf '%-15s %9s %9s\n' "$name" "${mw[$name]}" "${mc[$name]}"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo
echo "batch / jobs1 wall:             $(ratio "${mw[batch]}" "${mw[jobs1]}")  (goal: at most 0.6)"
echo "batch / ffmpeg-x2 wall:         $(ratio "${mw[batch]}" "${mw[ffmpeg-x2]}")  (goal: at most 1.0)"
echo "batch / jobs1 cpu per file:     $(ratio "${mc[batch]}" "${mc[jobs1]}")  (goal: at most 1.05)"
echo "2 threads / 1 thread each, x2:  wall $(ratio "${mw[besweet-x2-t2]}" "${mw[besweet-x2-t1]}"), cpu $(ratio "${mc[besweet-x2-t2]}" "${mc[besweet-x2-t1]}")"
