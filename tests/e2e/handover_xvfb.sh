#!/usr/bin/env bash
# Two starts under Xvfb, as the file manager's "Open with" makes them: the first opens the
# window, the second names a file, hands it over and ends with status 0; the first window's
# title then names that file. A third start without a file changes nothing and ends too.
# Prints how long the second start took and how long until the title changed; a screenshot
# goes to <build>/screenshots/handover.png.
#   tests/e2e/handover_xvfb.sh [build-folder]
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
  echo "handover_xvfb: $*" >&2
  exit 1
}
now_ms() { date +%s%3N; }

program="$work/program"
music="$work/Musik mit Blank"
mkdir -p "$program" "$music" "$work/config" "$work/run"
chmod 700 "$work/run"
cp "$build/tonquell" "$build/BeSweet.exe" "$program/"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
printf '[Tonquell Audio Converter]\nLastDir=%s\nFormat=1\nHideBS=1\n' "$work" >"$program/tonquell.ini"
for f in "a.mp3" "Zoë – b.ogg" "c.wav"; do printf 'x' >"$music/$f"; done

"$program/tonquell" &
app_pid=$!
wid=$(xdotool search --sync --onlyvisible --name "Tonquell Audio Converter" | head -n 1)
[ -n "$wid" ] || fail "no window"
[ "$(xdotool getwindowname "$wid")" = "Tonquell Audio Converter" ] || fail "first title"

# The second start, from another working folder with a relative name.
start=$(now_ms)
status=0
(cd "$music" && "$program/tonquell" "Zoë – b.ogg") || status=$?
ended=$(now_ms)
[ "$status" = 0 ] || fail "the second start ended with status $status"
kill -0 "$app_pid" 2>/dev/null || fail "the first instance ended"
# It waits at most twice its patience of two seconds; anything near that means it was not
# heard at all.
[ $((ended - start)) -lt 4000 ] || fail "the second start took $((ended - start)) ms"

want="Zoë – b.ogg - Tonquell Audio Converter"
seen=""
for _ in $(seq 200); do
  if [ "$(xdotool getwindowname "$wid" 2>/dev/null)" = "$want" ]; then
    seen=$(now_ms)
    break
  fi
  sleep 0.05
done
[ -n "$seen" ] || fail "the title never became '$want' (it is '$(xdotool getwindowname "$wid")')"
mkdir -p "$build/screenshots"
import -window root "$build/screenshots/handover.png"

# A start without a file only brings the window forward.
status=0
"$program/tonquell" || status=$?
[ "$status" = 0 ] || fail "the third start ended with status $status"
sleep 0.3
[ "$(xdotool getwindowname "$wid")" = "$want" ] || fail "a start without a file changed the title"
[ "$(xdotool search --onlyvisible --name "Tonquell Audio Converter" | wc -l)" = 1 ] ||
  fail "more than one window"

"$py" "$here/close_window.py" "$wid"
for _ in $(seq 100); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then fail "the program did not end after closing"; fi
wait "$app_pid" || fail "the program ended with status $?"
app_pid=""
grep -qx "LastDir=$music" "$program/tonquell.ini" || fail "LastDir: $(cat "$program/tonquell.ini")"
# The lock file stays (taking it is what counts); the socket goes with the program.
[ -z "$(find "$work/run" -name '*.sock')" ] || fail "socket left: $(ls -A "$work/run")"
echo "handover_xvfb: ok (second start $((ended - start)) ms, title after $((seen - start)) ms;" \
  "$build/screenshots/handover.png)"
