#!/usr/bin/env bash
# What reading the AC-3 frame headers ahead costs, against the conversion it serves. Two
# DVD-sized VOBs (6 Mbit/s video) go to 5.1 WAV with -6ch, which makes BeSweet.exe scan them
# first, and the scan runs alone (layout_scan_bench): "switch" starts in stereo and switches to
# 5.1 after a tenth of its length (the scan stops there), "stereo" stays stereo (the scan reads
# the whole file: the worst case). Runs alternate so both see the same machine load; prints
# the best wall and CPU times of the rounds and the ratios scan/conversion. The files are in
# the page cache after the first round.
#
# usage: bench/layout_scan/scan_vs_conversion.sh [build-folder] [minutes] [rounds]
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build}
MINUTES=${2:-10}
ROUNDS=${3:-3}
BESWEET=$(realpath "$BUILD/BeSweet.exe")
SCAN=$(realpath "$BUILD/layout_scan_bench")
LENGTH=$((MINUTES * 60))
STEREO=$((LENGTH / 10))
WORK=$(mktemp -d /tmp/besweet-scan-bench-XXXXXX)
trap 'rm -rf "$WORK"' EXIT

echo "Generating ${MINUTES}-minute VOBs in $WORK ..."
ff() { ffmpeg -nostdin -v fatal -y "$@"; }
ff -f lavfi -i "sine=f=300:r=48000:d=$STEREO" -ac 2 -c:a ac3 -b:a 192k "$WORK/a.ac3"
ff -f lavfi -i "anoisesrc=c=pink:a=0.3:r=48000:d=$((LENGTH - STEREO))" \
   -af "pan=5.1(side)|c0=c0|c1=0.9*c0|c2=0.8*c0|c3=0.5*c0|c4=0.7*c0|c5=0.6*c0" \
   -c:a ac3 -b:a 448k "$WORK/b.ac3"
cat "$WORK/a.ac3" "$WORK/b.ac3" >"$WORK/switch.ac3"
ff -f lavfi -i "sine=f=300:r=48000:d=$LENGTH" -ac 2 -c:a ac3 -b:a 192k "$WORK/stereo.ac3"
for name in switch stereo; do
    ff -f lavfi -i "color=c=black:s=720x576:r=25:d=$LENGTH" -i "$WORK/$name.ac3" \
       -map 0:v -map 1:a -c:v mpeg2video -b:v 6M -minrate 6M -maxrate 6M -bufsize 1835k \
       -c:a copy -f vob "$WORK/$name.vob"
    echo "$name.vob: $(($(stat -c %s "$WORK/$name.vob") / 1048576)) MiB;" \
         "channels found: $("$SCAN" "$WORK/$name.vob")"
done

# Prints "wall cpu" (seconds) of one run of the command.
timed() {
    /usr/bin/time -f "%e %U %S" -o "$WORK/time" "$@" >/dev/null 2>&1
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$WORK/time"
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b) ? a : b }'; }
printf "%-7s %-11s %8s %8s\n" input "" "wall s" "cpu s"
for name in switch stereo; do
    conv_wall=1e9 conv_cpu=1e9 scan_wall=1e9 scan_cpu=1e9
    for ((r = 1; r <= ROUNDS; r++)); do
        read -r w c < <(timed "$BESWEET" -core\( -input "$WORK/$name.vob" -output "$WORK/o.wav" \
            -6ch \) -azid\( -d 3/2 \))
        conv_wall=$(min "$w" "$conv_wall") conv_cpu=$(min "$c" "$conv_cpu")
        read -r w c < <(timed "$SCAN" "$WORK/$name.vob")
        scan_wall=$(min "$w" "$scan_wall") scan_cpu=$(min "$c" "$scan_cpu")
    done
    printf "%-7s %-11s %8.3f %8.3f\n" "$name" conversion "$conv_wall" "$conv_cpu" \
        "$name" scan "$scan_wall" "$scan_cpu"
    awk -v n="$name" -v cw="$conv_wall" -v sw="$scan_wall" -v cc="$conv_cpu" -v sc="$scan_cpu" \
        'BEGIN { printf "%-7s ratio scan/conversion: wall %.3f, cpu %.3f\n", n, sw / cw, sc / cc }'
done
