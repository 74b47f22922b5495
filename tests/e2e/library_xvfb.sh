#!/usr/bin/env bash
# A library run from outside, as a user drives it under Xvfb: the program opens a music folder
# with three albums, the three folder entries are selected with the mouse (a click and two
# Ctrl+clicks), "Ausgabepfad = Aktueller Pfad" is unticked, an output folder is typed into
# its box, and the start button is pressed. The albums must appear mirrored below the output
# folder as MP3 files (checked with ffprobe, the tags with mutagen) while the source tree
# stays byte for byte as it was. A second run with "vorhandene Ziele überspringen" ticked
# must write nothing and say so in the title. Closing stores the output folder and the box.
# A screenshot of the window during the first run goes to <build>/screenshots/library.png.
#   tests/e2e/library_xvfb.sh [build-folder]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${TONQUELL_E2E_INNER:-}" ]; then
  export TONQUELL_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$0" "$build"
fi

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
  echo "library_xvfb: $*" >&2
  exit 1
}

program="$work/program"
music="$work/Musik"
out="$work/MP3 Kopie"
mkdir -p "$program" "$work/config"
cp "$build/tonquell" "$build/BeSweet.exe" "$program/"
export XDG_CONFIG_HOME="$work/config"
export QT_QPA_PLATFORM=xcb
# Target MP3, the music folder open, no folders hidden.
printf '[Tonquell Audio Converter]\nLastDir=%s\nFormat=1\nHideBS=1\n' "$music" >"$program/tonquell.ini"

tone() {  # tone SECONDS FILE [ffmpeg output options...]
  local seconds=$1 file=$2
  shift 2
  mkdir -p "$(dirname "$file")"
  ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=440:duration=$seconds" -ac 2 "$@" "$file"
}
tone 2 "$music/Album A/01 Anfang.mp3" -c:a libmp3lame -b:a 128k
tone 2 "$music/Album A/02 Ende.mp3" -c:a libmp3lame -b:a 128k
tone 2 "$music/Album B/CD 1/Stück.wav"
tone 2 "$music/Album B/CD 2/Stück.ogg" -c:a libvorbis
tone 240 "$music/Album C/Lang.wav"
tone 1 "$music/lose.wav"
"$py" - "$music/Album A/01 Anfang.mp3" <<'EOF'
import sys
from mutagen.id3 import ID3, TIT2, TPE1
tags = ID3()
tags.add(TPE1(encoding=1, text="Zoë"))
tags.add(TIT2(encoding=1, text="Anfang"))
tags.save(sys.argv[1], v1=2, v2_version=3)
EOF
sources=$(cd "$music" && find . -type f -print0 | sort -z | xargs -0 md5sum)

"$program/tonquell" &
app_pid=$!
wid=$(xdotool search --sync --onlyvisible --name "Tonquell Audio Converter" | head -n 1)
[ -n "$wid" ] || fail "no window"
for _ in $(seq 50); do
  xdotool getwindowgeometry "$wid" >/dev/null && break
  sleep 0.1
done
sleep 0.5

# Positions in twips from the window's design, 15 twips to the pixel at 96 dpi.
px() { echo $(($1 / 15)); }
# ubMain at (120, 480) holds "[..]", then the three albums, one 12-pixel row each.
row() { echo $(($(px 480) + 2 + 12 * $1 + 6)); }
select_albums() {
  xdotool mousemove --window "$wid" 60 "$(row 1)" click 1
  sleep 0.2
  for r in 2 3; do
    xdotool keydown ctrl mousemove --window "$wid" 60 "$(row $r)" click 1 keyup ctrl
    sleep 0.2
  done
}
start() {
  xdotool mousemove --window "$wid" "$(px $((120 + 4567)))" "$(px $((5880 + 307)))" click 1
}
# frmWidth at (120, 7320): chkOutPath at (5100, 240), txtOutPath at (120, 960), the skipping
# box at (2340, 240); a check box's mark sits at its left.
group_x() { px $((120 + $1)); }
group_y() { px $((7320 + $1)); }

select_albums
xdotool mousemove --window "$wid" $(($(group_x 5100) + 7)) $(($(group_y 240) + 8)) click 1
sleep 0.2
xdotool mousemove --window "$wid" $(($(group_x 120) + 100)) $(($(group_y 960) + 9)) click 1
xdotool key --window "$wid" ctrl+a BackSpace
xdotool type --window "$wid" --delay 5 "$out"
sleep 0.2
start

mkdir -p "$build/screenshots"
shot_taken=""
for _ in $(seq 1200); do
  name=$(xdotool getwindowname "$wid" 2>/dev/null || true)
  if [ -z "$shot_taken" ] && [ "$name" = "Album C/Lang.wav - Tonquell Audio Converter" ]; then
    import -window "$wid" "$build/screenshots/library.png"
    shot_taken=1
  fi
  [ "$name" = "5 Dateien konvertiert - Tonquell Audio Converter" ] && break
  sleep 0.1
done
[ "$name" = "5 Dateien konvertiert - Tonquell Audio Converter" ] || fail "the run ended as '$name'"
[ -n "$shot_taken" ] || fail "the run never showed Album C/Lang.wav in the title"

expected="./Album A/01 Anfang.mp3
./Album A/02 Ende.mp3
./Album B/CD 1/Stück.mp3
./Album B/CD 2/Stück.mp3
./Album C/Lang.mp3"
got=$(cd "$out" && find . -type f | sort)
[ "$got" = "$expected" ] || fail "output folder holds: $got"
while IFS= read -r f; do
  codec=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 "$out/$f")
  [ "$codec" = "mp3" ] || fail "$f: codec '$codec'"
done <<<"$got"
"$py" - "$out/Album A/01 Anfang.mp3" <<'EOF' || fail "tags"
import sys
from mutagen.id3 import ID3
tags = ID3(sys.argv[1])
assert str(tags["TPE1"]) == "Zoë", tags["TPE1"]
assert str(tags["TIT2"]) == "Anfang", tags["TIT2"]
EOF
[ "$(cd "$music" && find . -type f -print0 | sort -z | xargs -0 md5sum)" = "$sources" ] ||
  fail "the source tree changed"
[ ! -e "$music/lose.mp3" ] || fail "the loose file was converted"

# Again with existing targets skipped: nothing new, no box, the counts in the title.
before=$(cd "$out" && find . -type f -print0 | sort -z | xargs -0 md5sum)
select_albums
xdotool mousemove --window "$wid" $(($(group_x 2340) + 7)) $(($(group_y 240) + 8)) click 1
sleep 0.2
start
for _ in $(seq 200); do
  name=$(xdotool getwindowname "$wid" 2>/dev/null || true)
  [ "$name" = "5 übersprungen - Tonquell Audio Converter" ] && break
  sleep 0.1
done
[ "$name" = "5 übersprungen - Tonquell Audio Converter" ] || fail "the second run ended as '$name'"
[ "$(cd "$out" && find . -type f -print0 | sort -z | xargs -0 md5sum)" = "$before" ] ||
  fail "the second run changed the output folder"
[ "$(xdotool search --onlyvisible --name "Tonquell Audio Converter" | wc -l)" = 1 ] ||
  fail "the second run opened a window"

"$py" "$here/close_window.py" "$wid"
for _ in $(seq 100); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then fail "the program did not end after closing"; fi
wait "$app_pid" || fail "the program ended with status $?"
app_pid=""
grep -qx "OutPath=$out" "$program/tonquell.ini" || fail "OutPath: $(cat "$program/tonquell.ini")"
grep -qx "SkipExisting=1" "$program/tonquell.ini" || fail "SkipExisting"

echo "library_xvfb: ok ($build/screenshots/library.png)"
