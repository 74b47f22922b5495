#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# but only when one of them is missing. Safe to run again and again.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config clang-format
  # user interface
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-liberation
  # other languages: lupdate and lrelease, their CMake functions, Qt's own catalogues
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  # transcoder
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
  libmp3lame-dev libsoxr-dev libtwolame-dev libsndfile1-dev
  # ID3 tags: compressed frames; tags of every other kind of source
  zlib1g-dev libtag1-dev
  # tests: GoogleTest, test audio, tag cross-checks, fuzzing with sanitizers
  googletest libgtest-dev ffmpeg python3 python3-mutagen clang libclang-rt-14-dev
  # tests: switching Qt's accessibility on without a screen reader
  qt6-base-private-dev
  # the window read as a screen reader reads it, and under a dark GTK desktop
  at-spi2-core dbus python3-pyatspi qt6-gtk-platformtheme
  # screenshots and runs without a display
  xvfb xauth
  # the batch run driven from outside: clicks, screenshots
  xdotool imagemagick
  # benchmarks: whole-process wall and CPU times
  time
  # installing and packaging: .deb dependencies, validators, window checks of the install test
  dpkg-dev file lintian desktop-file-utils appstream shared-mime-info x11-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
