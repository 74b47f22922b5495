#!/usr/bin/env bash
# Wall time of BeSweet.exe against the ffmpeg command-line tool doing the same work with
# the same libraries (same encoder and bitrate, soxr at 28-bit precision with the same
# passband, the same downmix coefficients, no dynamic range compression), on generated
# inputs. Runs alternate (ours, ffmpeg, ours, ...) so both see the same machine load.
# Prints per pipeline the median wall and CPU times of the rounds with their spread
# (min-max), the ratios ours/ffmpeg of the medians and of the best rounds (goal: at most 1.0),
# and the peak resident memory of both sides (ours: under 64 MiB whatever the length).
# BESWEET_THREADS=1 in the environment measures our one-thread run.
#
# usage: bench/transcoder_vs_ffmpeg.sh [build-folder] [minutes] [rounds]
# PIPELINES="vob-ac3-448 ..." limits the run to some pipelines.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
MINUTES=${2:-10}
ROUNDS=${3:-3}
BESWEET=$(realpath "$BUILD/BeSweet.exe")
SECONDS_LONG=$((MINUTES * 60))
WORK=$(mktemp -d /tmp/besweet-bench-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
CUTOFF=0.911328  # soxr's own passband end at very high quality, given to ffmpeg explicitly
SOXR="aresample=48000:resampler=soxr:precision=28:cutoff=$CUTOFF"
# BS.775 downmix scaled against clipping: 1 / (1 + 2 * 0.7071).
S=0.414214
C=$(awk "BEGIN { printf \"%.6f\", $S * 0.70710678 }")
DOWNMIX="pan=stereo|FL=$S*FL+$C*FC+$C*SL|FR=$S*FR+$C*FC+$C*SR"

echo "Generating ${MINUTES}-minute inputs in $WORK ..."
ff() { ffmpeg -nostdin -v error -y "$@"; }
MUSIC="anoisesrc=c=pink:a=0.2:r=44100:d=$SECONDS_LONG,aformat=channel_layouts=stereo[n];"
MUSIC+="sine=f=440:r=44100:d=$SECONDS_LONG,aformat=channel_layouts=stereo[s];[n][s]amix=inputs=2"
ff -filter_complex "$MUSIC" -c:a libmp3lame -b:a 192k "$WORK/a.mp3"
ff -filter_complex "$MUSIC" -c:a pcm_s16le "$WORK/d.wav"
SURROUND="anoisesrc=c=pink:a=0.3:r=48000:d=$SECONDS_LONG,"
SURROUND+="pan=5.1(side)|c0=c0|c1=0.9*c0|c2=0.8*c0|c3=0.5*c0|c4=0.7*c0|c5=0.6*c0"
ff -filter_complex "$SURROUND" -c:a ac3 -b:a 448k "$WORK/b.ac3"
# A DVD-sized video stream (720x576 MPEG-2 at a constant 4 Mbit/s) beside the audio, so
# demuxing reads as much as it does on a real disc.
ff -f lavfi -i "testsrc2=s=720x576:r=25:d=$SECONDS_LONG" -i "$WORK/b.ac3" \
   -map 0:v -map 1:a -c:v mpeg2video -b:v 4M -minrate 4M -maxrate 4M -bufsize 1835k \
   -c:a copy -f vob "$WORK/c.vob"
VORBIS="anoisesrc=c=pink:a=0.2:r=48000:d=$SECONDS_LONG,aformat=channel_layouts=stereo[n];"
VORBIS+="sine=f=440:r=48000:d=$SECONDS_LONG,aformat=channel_layouts=stereo[s];[n][s]amix=inputs=2"
ff -filter_complex "$VORBIS" -c:a libvorbis -q:a 5 "$WORK/e.ogg"

# Each pipeline: our argument text (as the program builds it) and the ffmpeg commands.
ours() {
    case $1 in
    mp3-wav48-norm) "$BESWEET" -core\( -input "$WORK/a.mp3" -output "$WORK/o.wav" -2ch \) \
        -ssrc\( --rate 48000 --normalize \) ;;
    ac3-mp3-192) "$BESWEET" -core\( -input "$WORK/b.ac3" -output "$WORK/o.mp3" \) \
        -azid\( -d 3/2 \) -lame\( -p --ta ? --alt-preset cbr 192 \) ;;
    vob-6wav) "$BESWEET" -core\( -input "$WORK/c.vob" -output "$WORK/o.wav" -6ch \) \
        -azid\( -d 3/2 \) -profile\( AC3_to_Six_Waves_5.1 \) ;;
    wav-mpa48-384) "$BESWEET" -core\( -input "$WORK/d.wav" -output "$WORK/o.mpa" \) \
        -ssrc\( --rate 48000 \) -mp2enc\( -m s -b 384 -e \) ;;
    vob-ac3-448) "$BESWEET" -core\( -input "$WORK/c.vob" -output "$WORK/o.ac3" \) \
        -azid\( -d 3/2 \) -ac3enc\( -b 448 \) ;;
    ogg-mp3-44-128) "$BESWEET" -core\( -input "$WORK/e.ogg" -output "$WORK/o.mp3" \) \
        -ssrc\( --rate 44100 \) -lame\( -p --ta ? --alt-preset cbr 128 \) ;;
    esac
}
theirs() {
    case $1 in
    mp3-wav48-norm)
        local peak
        peak=$(ffmpeg -nostdin -i "$WORK/a.mp3" -af "$SOXR,volumedetect" \
            -f null - 2>&1 | sed -n 's/.*max_volume: \(-*[0-9.]*\) dB.*/\1/p')
        ff -i "$WORK/a.mp3" -af "$SOXR,volume=$(awk "BEGIN{print -($peak)}")dB" \
            -c:a pcm_s16le "$WORK/f.wav" ;;
    ac3-mp3-192) ff -drc_scale 0 -i "$WORK/b.ac3" -af "$DOWNMIX" -c:a libmp3lame -b:a 192k \
        -id3v2_version 0 "$WORK/f.mp3" ;;
    vob-6wav) ff -drc_scale 0 -i "$WORK/c.vob" -filter_complex \
        "[0:a:0]asplit=2[all][s];[s]channelsplit=channel_layout=5.1(side)[FL][FR][FC][LFE][SL][SR]" \
        -map "[all]" -c:a pcm_s16le "$WORK/f.wav" \
        -map "[FL]" -c:a pcm_s16le "$WORK/f_FL.wav" -map "[FR]" -c:a pcm_s16le "$WORK/f_FR.wav" \
        -map "[FC]" -c:a pcm_s16le "$WORK/f_C.wav" -map "[LFE]" -c:a pcm_s16le "$WORK/f_LFE.wav" \
        -map "[SL]" -c:a pcm_s16le "$WORK/f_SL.wav" -map "[SR]" -c:a pcm_s16le "$WORK/f_SR.wav" ;;
    wav-mpa48-384) ff -i "$WORK/d.wav" -af "$SOXR" -c:a libtwolame -b:a 384k \
        -mode stereo -error_protection 1 -f mp2 "$WORK/f.mpa" ;;
    vob-ac3-448) ff -drc_scale 0 -i "$WORK/c.vob" -map 0:a:0 -c:a ac3 -b:a 448k "$WORK/f.ac3" ;;
    ogg-mp3-44-128) ff -i "$WORK/e.ogg" -af "${SOXR/48000/44100}" -c:a libmp3lame -b:a 128k \
        -id3v2_version 0 "$WORK/f.mp3" ;;
    esac
}
export -f ours theirs ff
export BESWEET WORK SOXR DOWNMIX

# Runs one pipeline through GNU time; prints "wall-seconds cpu-seconds kilobytes".
measure() {
    /usr/bin/time -f "%e %U %S %M" -o "$WORK/time" bash -c "$1 $2" >/dev/null 2>"$WORK/err" || {
        echo "failed: $1 $2" >&2
        cat "$WORK/err" >&2
        exit 1
    }
    awk '{ print $1, $2 + $3, $4 }' "$WORK/time"
}

# The median, lowest and highest of the numbers given.
stats() { printf "%s\n" "$@" | sort -g | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m, v[1], v[NR] }'; }
ratio() { awk "BEGIN { printf \"%.3f\", $1 / $2 }"; }

# The median shows the typical run; the spread and the load average show how busy the
# machine was.
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf "\n%-15s %-18s %-18s %6s %6s %-16s %-16s %6s %9s %9s\n" pipeline "ours s (min-max)" \
    "ffmpeg s (min-max)" ratio best "ours cpu" "ff cpu" ratio "ours RSS" "ff RSS"
for pipeline in ${PIPELINES:-mp3-wav48-norm ac3-mp3-192 vob-6wav wav-mpa48-384 vob-ac3-448 \
    ogg-mp3-44-128}; do
    oursWall=() oursCpu=() theirsWall=() theirsCpu=() oursKb=0 theirsKb=0
    for ((round = 0; round < ROUNDS; round++)); do
        read -r wall cpu kb < <(measure ours "$pipeline")
        oursWall+=("$wall") oursCpu+=("$cpu")
        ((kb > oursKb)) && oursKb=$kb
        read -r wall cpu kb < <(measure theirs "$pipeline")
        theirsWall+=("$wall") theirsCpu+=("$cpu")
        ((kb > theirsKb)) && theirsKb=$kb
    done
    read -r ow owMin owMax < <(stats "${oursWall[@]}")
    read -r tw twMin twMax < <(stats "${theirsWall[@]}")
    read -r oc ocMin ocMax < <(stats "${oursCpu[@]}")
    read -r tc tcMin tcMax < <(stats "${theirsCpu[@]}")
    printf "%-15s %-18s %-18s %6s %6s %-16s %-16s %6s %5.1f MiB %5.1f MiB\n" "$pipeline" \
        "$ow ($owMin-$owMax)" "$tw ($twMin-$twMax)" "$(ratio "$ow" "$tw")" \
        "$(ratio "$owMin" "$twMin")" "$oc ($ocMin-$ocMax)" "$tc ($tcMin-$tcMax)" \
        "$(ratio "$oc" "$tc")" "$(awk "BEGIN { print $oursKb / 1024 }")" \
        "$(awk "BEGIN { print $theirsKb / 1024 }")"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
