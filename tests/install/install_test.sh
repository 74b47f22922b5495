#!/usr/bin/env bash
# shellcheck disable=SC2016  # the single-quoted scripts get their values as arguments
# Installs an existing build into a temporary DESTDIR the way a package does, validates the
# desktop entry and the AppStream data, starts the installed program through its link in bin
# on a virtual display, runs the installed tools, then builds the Debian package and checks
# its files, control fields and the binaries inside it.
# Usage: tests/install/install_test.sh [BUILD_DIR]   (default: the source's build/, built)
set -uo pipefail
build=$(realpath "${1:-$(dirname "$0")/../../build}")
cd "$(dirname "$0")/../.." || exit 1

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program under test must not touch the user's settings, lock or runtime folder.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# The program is watched on a virtual X display of its own (./test.sh exports offscreen).
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

version=$(sed -n 's/^project(TonquellAudioConverter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "project version found in CMakeLists.txt"

# --- cmake --install -------------------------------------------------------------------
dest=$work/dest
if ! DESTDIR=$dest cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  fail "cmake --install"
fi
usr=$dest/usr
expected_files=(
  lib/tonquell/tonquell
  lib/tonquell/BeSweet.exe
  lib/tonquell/translations/tonquell_de.qm
  lib/tonquell/translations/tonquell_en.qm
  bin/tonquell-tags
  share/applications/tonquell.desktop
  share/icons/hicolor/scalable/apps/tonquell.svg
  share/icons/hicolor/48x48/apps/tonquell.png
  share/metainfo/tonquell.metainfo.xml
  share/man/man1/tonquell.1.gz
  share/man/man1/tonquell-tags.1.gz
  share/doc/tonquell/copyright
  share/doc/tonquell/changelog.gz
)
for f in "${expected_files[@]}"; do
  [ -f "$usr/$f" ] || fail "installed: $f"
done
for f in lib/tonquell/tonquell lib/tonquell/BeSweet.exe bin/tonquell-tags; do
  [ -x "$usr/$f" ] || fail "executable: $f"
done
# A relative link, so that the installed tree can be moved (DESTDIR, package staging).
check "bin/tonquell links to ../lib/tonquell/tonquell" \
  test "$(readlink "$usr/bin/tonquell")" = "../lib/tonquell/tonquell"
check "48 px icon is 48 x 48" \
  python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); \
sys.exit(0 if d[:8]==b"\x89PNG\r\n\x1a\n" and struct.unpack(">II",d[16:24])==(48,48) else 1)' \
  "$usr/share/icons/hicolor/48x48/apps/tonquell.png"
for page in tonquell tonquell-tags; do
  check "man page $page names the version" \
    grep -q "Tonquell Audio Converter $version\"" <(zcat "$usr/share/man/man1/$page.1.gz")
done
check "man pages render without warnings" \
  bash -c 'for m in "$@"; do out=$(MANWIDTH=80 man --warnings -l "$m" 2>&1 >/dev/null); \
[ -z "$out" ] || { echo "$out"; exit 1; }; done' _ "$usr"/share/man/man1/*.1.gz

# --- desktop entry and AppStream data ---------------------------------------------------
desktop=$usr/share/applications/tonquell.desktop
check "desktop-file-validate" desktop-file-validate "$desktop"
check "appstreamcli validate --no-net" \
  appstreamcli validate --no-net --pedantic "$usr/share/metainfo/tonquell.metainfo.xml"
entry() { sed -n "s/^$1=//p" "$desktop"; }
check "desktop entry runs tonquell with one file" test "$(entry Exec)" = "tonquell %f"
check "desktop entry names an installed icon" test "$(entry Icon)" = "tonquell"
check "desktop entry categories" test "$(entry Categories)" = "AudioVideo;Audio;"
check "desktop entry has a German name" test -n "$(entry 'Name\[de\]')"
# Every input type the program reads, by the MIME types the desktop gives those files: one
# of the audio or video types of each name must be in the entry and in the AppStream data.
mime_of() {  # the audio and video types shared-mime-info gives to a name with extension $1
  python3 - "$1" <<'EOF'
import re, sys
xml = open("/usr/share/mime/packages/freedesktop.org.xml", encoding="utf-8").read()
types = re.findall(r'<mime-type type="([^"]+)">(.*?)</mime-type>', xml, re.S)
hits = [t for t, body in types if f'<glob pattern="*.{sys.argv[1]}"' in body]
print(" ".join(t for t in hits if t.startswith(("audio/", "video/"))))
EOF
}
mimetypes=";$(entry MimeType)"
mediatypes=";$(sed -n 's|.*<mediatype>\(.*\)</mediatype>.*|\1|p' \
  "$usr/share/metainfo/tonquell.metainfo.xml" | tr '\n' ';')"
for ext in mp3 mp2 ac3 dts ogg wav avi vob flac oga opus m4a m4b mp4 mka mkv webm wma wmv \
  aiff aif aifc wv ape tta ts m2ts aac; do
  in_entry="" in_appstream=""
  for type in $(mime_of "$ext"); do
    case "$mimetypes" in *";$type;"*) in_entry=$type ;; esac
    case "$mediatypes" in *";$type;"*) in_appstream=$type ;; esac
  done
  [ -n "$in_entry" ] || fail "desktop entry opens *.$ext ($(mime_of "$ext"))"
  [ -n "$in_appstream" ] || fail "AppStream data names *.$ext ($(mime_of "$ext"))"
done
# MPA has no glob of its own: its content is MPEG audio.
case "$mimetypes" in *";audio/mpeg;"*) ;; *) fail "desktop entry opens MPEG audio" ;; esac
metainfo_version=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' \
  "$usr/share/metainfo/tonquell.metainfo.xml" | head -1)
check "AppStream release is the project version" test "$metainfo_version" = "$version"
changelog_version=$(zcat "$usr/share/doc/tonquell/changelog.gz" | dpkg-parsechangelog -l - -S Version)
check "changelog's last entry is the project version" test "$changelog_version" = "$version"

# What cmake --install laid out, before the program runs: stopped, it keeps its settings
# beside itself where that folder can be written, as here.
(cd "$usr" && find . -not -type d | sed 's|^\./||' | sort) >"$work/install-files"

# --- the installed program, started through its link ------------------------------------
# Prints the window type of the first window the program maps on a virtual display: a
# missing transcoder shows its modal warning (a dialog) before the main window (a normal
# window). The loop only waits for the program; it is no limit on how fast it starts.
first_window_once() {
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$1" & pid=$!
    for _ in $(seq 1200); do
      for id in $(xwininfo -root -tree | awk "/\"Tonquell Audio Converter\"/ {print \$1}"); do
        if xwininfo -id "$id" | grep -q "Map State: IsViewable"; then
          xprop -id "$id" _NET_WM_WINDOW_TYPE | sed "s/.*= //; s/,.*//"
          kill "$pid"; wait "$pid" 2>/dev/null; exit 0
        fi
      done
      kill -0 "$pid" 2>/dev/null || { echo "ended before showing a window"; exit 0; }
      sleep 0.1
    done
    echo "no window"; kill "$pid"' _ "$1"
}
# A virtual display that is not ready in time is the display's fault, not the program's: such a
# start (no window type printed) is tried again, at most three times.
first_window() {
  local type
  for _ in 1 2 3; do
    type=$(first_window_once "$1")
    case "$type" in _NET_WM_WINDOW_TYPE_*) break ;; esac
  done
  echo "$type"
}
check "installed program shows its main window, no transcoder warning" \
  test "$(first_window "$usr/bin/tonquell")" = "_NET_WM_WINDOW_TYPE_NORMAL"
# The same program without its transcoder beside it must warn: proves the observation above.
alone=$work/alone/usr
mkdir -p "$alone/lib/tonquell" "$alone/bin"
cp "$usr/lib/tonquell/tonquell" "$alone/lib/tonquell/"
ln -s ../lib/tonquell/tonquell "$alone/bin/tonquell"
check "program without BeSweet.exe beside it warns first" \
  test "$(first_window "$alone/bin/tonquell")" = "_NET_WM_WINDOW_TYPE_DIALOG"

# The catalogues beside the installed program are found through the link: English where
# the locale asks for it, German otherwise.
usage_line() { env -u LANGUAGE -u LC_ALL -u LC_MESSAGES "$@" "$usr/bin/tonquell" --help | head -1; }
check "installed program speaks English under LANG=en_US.UTF-8" \
  test "$(usage_line LANG=en_US.UTF-8)" = "Usage: tonquell [FILE]"
check "installed program speaks German under LANG=C" \
  test "$(usage_line LANG=C)" = "Aufruf: tonquell [DATEI]"

# --- the installed tools ----------------------------------------------------------------
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=1" -ac 2 -c:a pcm_s16le \
  "$work/tone.wav"
ffmpeg -v error -i "$work/tone.wav" -c:a libmp3lame -b:a 128k -id3v2_version 3 \
  -metadata title="Installiert" -metadata artist="Tonquell" "$work/tagged.mp3"
check "installed tonquell-tags reads a tag" \
  grep -q '"Installiert"' <("$usr/bin/tonquell-tags" read "$work/tagged.mp3")
"$usr/bin/tonquell-tags" >/dev/null 2>"$work/usage.txt"
status=$?
check "installed tonquell-tags without arguments: usage and status 2" \
  test "$status" = 2 -a -n "$(grep usage: "$work/usage.txt")"

# --- the installed terminal converter ---------------------------------------------------
check "installed: lib/tonquell/tonquell-convert" test -x "$usr/lib/tonquell/tonquell-convert"
check "bin/tonquell-convert links to ../lib/tonquell/tonquell-convert" \
  test "$(readlink "$usr/bin/tonquell-convert")" = "../lib/tonquell/tonquell-convert"
check "man page tonquell-convert names the version" \
  grep -q "Tonquell Audio Converter $version\"" <(zcat "$usr/share/man/man1/tonquell-convert.1.gz")
check "installed tonquell-convert names the version" \
  test "$("$usr/bin/tonquell-convert" --version)" = "tonquell-convert (Tonquell Audio Converter) $version"
mkdir -p "$work/convert-out"
check "installed tonquell-convert converts through its link with the transcoder beside it" \
  "$usr/bin/tonquell-convert" -f mp3 -o "$work/convert-out" "$work/tagged.mp3"
check "installed tonquell-convert carries the tags" \
  grep -q '"Installiert"' <("$usr/bin/tonquell-tags" read "$work/convert-out/tagged.mp3")
# No toolkit below the terminal converter.
check "tonquell-convert links no Qt" \
  bash -c '! ldd "$1" | grep -qi qt' _ "$usr/lib/tonquell/tonquell-convert"

# --- the Debian package -----------------------------------------------------------------
rm -f "$build"/tonquell_*.deb
if ! (cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  fail "cpack -G DEB"
fi
deb=$build/tonquell_${version}_amd64.deb
if [ ! -f "$deb" ]; then
  fail "package $(basename "$deb") built"
else
  pass "package $(basename "$deb") built"
  field() { dpkg-deb -f "$deb" "$1"; }
  check "package name" test "$(field Package)" = "tonquell"
  check "package version" test "$(field Version)" = "$version"
  check "package architecture" test "$(field Architecture)" = "amd64"
  check "package section" test "$(field Section)" = "sound"
  # Found by shlibdeps: the toolkit and the codec libraries the binaries link.
  for lib in libqt6widgets6 libavcodec libavformat libmp3lame0 libsoxr0 libtwolame0 \
    libsndfile1 libc6; do
    case " $(field Depends)" in
      *" $lib"*) ;;
      *) fail "package depends on $lib" ;;
    esac
  done
  # Its file list is what cmake --install lays out, and nothing else.
  dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./usr/||; /\/$/d; /^$/d' | sort \
    >"$work/deb-files"
  check "package holds exactly the installed files" \
    diff "$work/install-files" "$work/deb-files"
  listing=$(dpkg-deb -c "$deb")
  check "package link bin/tonquell" \
    grep -q '^l.* ./usr/bin/tonquell -> ../lib/tonquell/tonquell$' <<<"$listing"
  # No maintainer scripts and no conffiles: removing the package cannot reach the user's
  # settings, which live in the user's own folders.
  dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||; /^$/d' | sort >"$work/control-files"
  check "package control holds only control and md5sums" \
    test "$(tr '\n' ' ' <"$work/control-files")" = "control md5sums "
  # The binaries in the package are stripped and still work: the transcoder converts.
  dpkg-deb -x "$deb" "$work/unpacked"
  check "packaged binaries are stripped" \
    bash -c '! file "$@" | grep -q "not stripped"' _ \
    "$work/unpacked/usr/lib/tonquell/"* "$work/unpacked/usr/bin/tonquell-tags"
  check "packaged tonquell-convert is stripped and lists its usage" \
    bash -c '! file "$1" | grep -q "not stripped" && "$1" --help | grep -q "^usage: "' _ \
    "$work/unpacked/usr/lib/tonquell/tonquell-convert"
  "$work/unpacked/usr/lib/tonquell/BeSweet.exe" -core\( -input "$work/tone.wav" \
    -output "$work/tone.mp3" \) -lame\( --alt-preset cbr 128 \) >/dev/null 2>"$work/bs.log"
  check "packaged BeSweet.exe converts WAV to MP3" \
    test "$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$work/tone.mp3")" = mp3
  check "apt can resolve the package's dependencies" \
    bash -c 'apt-get install -s "$1" >/dev/null 2>&1' _ "$deb"
  if command -v lintian >/dev/null; then
    lintian "$deb" >"$work/lintian.txt" 2>&1
    grep -v 'running with root privileges' "$work/lintian.txt" | sed 's/^/  lintian: /'
    check "lintian reports no error" bash -c '! grep -q "^E:" "$1"' _ "$work/lintian.txt"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "install test: $failures failure(s)" >&2
  exit 1
fi
echo "install test: all passed"
