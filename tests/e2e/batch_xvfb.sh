#!/usr/bin/env bash
# The batch run from outside, as a user drives it: starts the program under Xvfb with a file
# argument in a generated folder, ticks "kompletten Ordner konvertieren" and presses the start
# button at their designed positions, waits for the outputs, checks them with ffprobe and the
# tags with mutagen, closes the window and checks the settings file. A screenshot taken during
# the run goes to <build>/screenshots/batch.png. Then three runs over long files are ended
# from outside: by Escape, by SIGTERM to the program (settings written, exit 0) and by
# SIGKILL (its transcoders end within a second); none may leave a temporary or partial file.
#   tests/e2e/batch_xvfb.sh [build-folder]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${TONQUELL_E2E_INNER:-}" ]; then
  export TONQUELL_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$0" "$build"
fi

# Debian's own Python, which has python3-mutagen (a python3 earlier on PATH may lack it).
py=/usr/bin/python3
[ -x "$py" ] || py=python3

work=$(mktemp -d)
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true  # it may still write its settings into $work
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "batch_xvfb: $*" >&2
  exit 1
}

program="$work/program"
music="$work/Musik mit Blank"
mkdir -p "$program" "$music" "$work/config"
cp "$build/tonquell" "$build/BeSweet.exe" "$program/"
export XDG_CONFIG_HOME="$work/config"
export QT_QPA_PLATFORM=xcb
# Target MP3, console hidden: the settings file the program reads at start.
printf '[Tonquell Audio Converter]\nLastDir=/\nFormat=1\nHideBS=1\n' >"$program/tonquell.ini"

tone() {  # tone SECONDS FILE [ffmpeg output options...]
  local seconds=$1 file=$2
  shift 2
  ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=440:duration=$seconds" -ac 2 "$@" "$file"
}
tone 2 "$music/song.mp3" -c:a libmp3lame -b:a 128k
# No tag at all (the muxer would write one naming itself): its target must get none.
tone 120 "$music/zz_long.mp3" -c:a libmp3lame -b:a 128k -id3v2_version 0
tone 2 "$music/other.mp3" -c:a libmp3lame -b:a 128k
"$py" - "$music/song.mp3" <<'EOF'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB
tags = ID3()
tags.add(TPE1(encoding=1, text="Zoë Ångström"))
tags.add(TIT2(encoding=1, text="Песня"))
tags.add(TALB(encoding=0, text="Album"))
tags.save(sys.argv[1], v1=2, v2_version=3)
EOF

"$program/tonquell" "$music/other.mp3" &
app_pid=$!
wid=$(xdotool search --sync --onlyvisible --name "Tonquell Audio Converter" | head -n 1)
[ -n "$wid" ] || fail "no window"
# Let the first layout settle (the window grows to its designed size once shown).
for _ in $(seq 50); do
  xdotool getwindowgeometry "$wid" >/dev/null && break
  sleep 0.1
done

# Positions in twips from the window's design, 15 twips to the pixel at 96 dpi.
px() { echo $(( $1 / 15 )); }
# chkAll: Frame3 (6120, 1020) + (540, 600), size 1755 x 435: its box sits at the left.
xdotool mousemove --window "$wid" "$(px $((6120 + 540 + 120)))" "$(px $((1020 + 600 + 217)))" click 1
sleep 0.3
# Command1: (120, 5880), size 9135 x 615.
xdotool mousemove --window "$wid" "$(px $((120 + 4567)))" "$(px $((5880 + 307)))" click 1

mkdir -p "$build/screenshots"
shot_taken=""
for _ in $(seq 600); do
  name=$(xdotool getwindowname "$wid" 2>/dev/null || true)
  if [ -z "$shot_taken" ] && [ "$name" = "zz_long.mp3 - Tonquell Audio Converter" ]; then
    sleep 0.1
    import -window root "$build/screenshots/batch.png"
    shot_taken=1
  fi
  # The run's end shows as its counts in the title.
  if [ -f "$music/zz_long_new.mp3" ] && [ -f "$music/song_new.mp3" ] && [ -f "$music/other_new.mp3" ] &&
    [ "$name" = "3 Dateien konvertiert - Tonquell Audio Converter" ]; then
    break
  fi
  sleep 0.1
done
[ -n "$shot_taken" ] || fail "the run never showed zz_long.mp3 in the title"
[ "$name" = "3 Dateien konvertiert - Tonquell Audio Converter" ] || fail "the run ended as '$name'"

for f in zz_long_new.mp3 song_new.mp3 other_new.mp3; do
  codec=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 "$music/$f")
  [ "$codec" = "mp3" ] || fail "$f: codec '$codec'"
done
"$py" - "$music" <<'EOF' || fail "tags"
import sys, os
from mutagen.id3 import ID3, ID3NoHeaderError
music = sys.argv[1]
tags = ID3(os.path.join(music, "song_new.mp3"))
assert tags.version[:2] == (2, 3), tags.version
assert str(tags["TPE1"]) == "Zoë Ångström", tags["TPE1"]
assert str(tags["TIT2"]) == "Песня", tags["TIT2"]
assert str(tags["TALB"]) == "Album", tags["TALB"]
with open(os.path.join(music, "song_new.mp3"), "rb") as f:
    f.seek(-128, 2)
    assert f.read(3) == b"TAG", "no ID3v1 block"
try:
    ID3(os.path.join(music, "zz_long_new.mp3"))
    raise AssertionError("zz_long_new.mp3 has tags")
except ID3NoHeaderError:
    pass
EOF

# Close as the window manager does: WM_DELETE_WINDOW.
"$py" "$here/close_window.py" "$wid"
for _ in $(seq 100); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then fail "the program did not end after closing"; fi
wait "$app_pid" || fail "the program ended with status $?"
app_pid=""

grep -qx "LastDir=$music" "$program/tonquell.ini" || fail "LastDir: $(cat "$program/tonquell.ini")"
grep -qx "Format=1" "$program/tonquell.ini" || fail "Format"
grep -qx "HideBS=1" "$program/tonquell.ini" || fail "HideBS"
# Runs that are ended before their files are done. Two long files, so two transcoders run.
long="$work/Lang"
mkdir -p "$long"
tone 900 "$long/long1.mp3" -c:a libmp3lame -b:a 64k
cp "$long/long1.mp3" "$long/long2.mp3"
tmp_files() { find "$long" -name '.tq-*' | wc -l; }
outputs() { find "$long" -name '*_new.mp3' | wc -l; }
transcoders() { pgrep -f "^$program/BeSweet.exe" | wc -l || true; }

# Starts the program on the long files, presses start and waits until a transcoder writes.
start_long_run() {
  "$program/tonquell" "$long/long1.mp3" &
  app_pid=$!
  wid=$(xdotool search --sync --onlyvisible --name "Tonquell Audio Converter" | head -n 1)
  sleep 0.5
  xdotool mousemove --window "$wid" "$(px $((6120 + 540 + 120)))" "$(px $((1020 + 600 + 217)))" click 1
  sleep 0.3
  xdotool mousemove --window "$wid" "$(px $((120 + 4567)))" "$(px $((5880 + 307)))" click 1
  for _ in $(seq 200); do
    [ "$(tmp_files)" -ge 1 ] && return 0
    sleep 0.05
  done
  fail "no transcoder began writing"
}

# Escape: the run stops, the window stays, the report names the stopped files.
start_long_run
xdotool key --window "$wid" Escape
for _ in $(seq 100); do
  [ "$(xdotool getwindowname "$wid")" = "Tonquell Audio Converter" ] && [ "$(transcoders)" = 0 ] && break
  sleep 0.1
done
[ "$(transcoders)" = 0 ] || fail "Escape: a transcoder still runs"
[ "$(tmp_files)" = 0 ] || fail "Escape: temporary file left"
[ "$(outputs)" = 0 ] || fail "Escape: partial output left"
kill -0 "$app_pid" || fail "Escape ended the program"
# The end-of-run report is open now; SIGTERM ends the program all the same.
sleep 0.5
kill -TERM "$app_pid"
wait "$app_pid" || fail "after Escape the program ended with status $?"
app_pid=""

# SIGTERM (as at logout): stops the run, writes the settings, exits 0.
printf '[Tonquell Audio Converter]\nLastDir=/\nFormat=1\nHideBS=1\n' >"$program/tonquell.ini"
start_long_run
kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" = 0 ] || fail "SIGTERM: exit status $status"
grep -qx "LastDir=$long" "$program/tonquell.ini" || fail "SIGTERM: settings not written"
[ "$(transcoders)" = 0 ] || fail "SIGTERM: a transcoder outlived the program"
[ "$(tmp_files)" = 0 ] || fail "SIGTERM: temporary file left"
[ "$(outputs)" = 0 ] || fail "SIGTERM: partial output left"

# SIGKILL: nothing of the program runs any more; its transcoders notice within a second.
start_long_run
kill -KILL "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""
sleep 1
[ "$(transcoders)" = 0 ] || fail "SIGKILL: a transcoder still runs after one second"
[ "$(tmp_files)" = 0 ] || fail "SIGKILL: temporary file left"
[ "$(outputs)" = 0 ] || fail "SIGKILL: partial output left"

echo "batch_xvfb: ok ($build/screenshots/batch.png)"
