#!/usr/bin/env bash
# A real 20-file MP3 to MP3 batch of the program against the same work from a shell loop:
# 20 calls of BeSweet.exe, each followed by "tonquell-tags copy". Prints the medians of
# both and their ratios (bench/pair.sh); the ratio batch/loop is the one to quote (goal: at most 1.05).
#   bench/batch/batch_vs_loop.sh [build-folder] [runs]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for i in $(seq -w 1 20); do
  ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=$((200 + 10 * 10#$i)):duration=8" -ac 2 \
    -c:a libmp3lame -b:a 128k -metadata artist="Artist $i" -metadata title="Title $i" \
    -id3v2_version 3 -write_id3v1 1 "$work/track$i.mp3"
done

loop='rm -f "$0"/*_new.mp3
for f in "$0"/*.mp3; do
  t="${f%.mp3}_new.mp3"
  "$1/BeSweet.exe" -core\( -input "$f" -output "$t" \) -lame\( -p --ta ? --alt-preset cbr 192 \)
  "$1/tonquell-tags" copy "$f" "$t"
done'

echo "A: the program's batch (20 files, MP3 to MP3, 192 kbit/s); B: the shell loop"
"$(dirname "$0")/../pair.sh" "$runs" "\"$build/batch_bench\" run \"$work\" \"$build/BeSweet.exe\"" \
  "sh -c '$loop' $work $build"
