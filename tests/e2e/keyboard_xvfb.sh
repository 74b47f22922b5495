#!/usr/bin/env bash
# The window from outside with the keyboard alone and through a screen reader's eyes: under
# Xvfb and a private D-Bus session with the accessibility bus, the program opens a music folder
# (target MP3); keyboard_atspi.py Tabs to the list, selects two files with Down and
# Shift+Down, Tabs to the start button and presses Space, then enters a folder with Return,
# sending no mouse event at all, and checks names, selected states, events and the progress
# bar's value over AT-SPI. The tree it reads goes to <build>/screenshots/atspi-tree.txt.
# Then the window must carry its icon (_NET_WM_ICON). Last, the contrast test runs under Qt's
# gtk3 platform theme with GTK's Adwaita-dark, where the desktop's palette is dark.
#   tests/e2e/keyboard_xvfb.sh [build-folder]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${TONQUELL_E2E_INNER:-}" ]; then
  export TONQUELL_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" dbus-run-session -- "$0" "$build"
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
  echo "keyboard_xvfb: $*" >&2
  exit 1
}

program="$work/program"
music="$work/Musik"
mkdir -p "$program" "$music/Album" "$work/config"
cp "$build/tonquell" "$build/BeSweet.exe" "$build/tonquell.png" "$program/"
export XDG_CONFIG_HOME="$work/config"
export QT_QPA_PLATFORM=xcb
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QT_ACCESSIBILITY=1
printf '[Tonquell Audio Converter]\nLastDir=%s\nFormat=1\nHideBS=1\n' "$music" >"$program/tonquell.ini"

tone() {  # tone SECONDS FILE
  ffmpeg -v error -nostdin -y -f lavfi -i "sine=frequency=440:duration=$1" -ac 2 "$2"
}
# Two long files, so that the run takes long enough to read its progress bar.
tone 120 "$music/eins.wav"
tone 120 "$music/zwei.wav"
tone 1 "$music/drei.wav"
tone 1 "$music/Album/lied.wav"

"$program/tonquell" &
app_pid=$!
wid=$(xdotool search --sync --onlyvisible --name "Tonquell Audio Converter" | head -n 1)
[ -n "$wid" ] || fail "no window"
sleep 1

mkdir -p "$build/screenshots"
"$py" "$here/keyboard_atspi.py" "$wid" "$music" "$build/screenshots/atspi-tree.txt" ||
  fail "keyboard and screen reader checks"

# The icon's numbers run to thousands of lines: read into a file, not into a pipe that head
# closes early (the writer's SIGPIPE would fail the script without a word).
xprop -id "$wid" _NET_WM_ICON >"$work/icon.txt" || fail "xprop could not read the icon"
icon=$(sed -n 1p "$work/icon.txt")
case "$icon" in
*"Icon (48 x 48)"*) ;;
*) fail "no 48x48 _NET_WM_ICON: $icon" ;;
esac

"$py" "$here/close_window.py" "$wid"
for _ in $(seq 100); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after closing"
wait "$app_pid" || fail "the program ended with status $?"
app_pid=""

# Adwaita-dark through the gtk3 platform theme: the "desktop" case of the contrast test takes
# the palette the theme gives, and the test prints it.
if [ -e /usr/lib/x86_64-linux-gnu/qt6/plugins/platformthemes/libqgtk3.so ] ||
  compgen -G "/usr/lib/*/qt6/plugins/platformthemes/libqgtk3.so" >/dev/null; then
  out=$(QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark \
    "$build/tests/window_contrast_test" --gtest_filter='*desktop*' 2>&1) ||
    fail "contrast under Adwaita-dark: $out"
  echo "$out" | grep -q "desktop palette: dark" || fail "the gtk3 theme gave no dark palette: $out"
  echo "$out" | grep "^desktop" >"$build/screenshots/contrast-adwaita-dark.txt"
else
  echo "keyboard_xvfb: Qt's gtk3 platform theme is not installed; Adwaita-dark not measured"
fi

echo "keyboard_xvfb: ok ($build/screenshots/atspi-tree.txt)"
