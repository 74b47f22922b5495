#!/usr/bin/env bash
# Installs what is missing, builds the program in build/ (configured as ./test.sh does, so the
# two share their objects) and starts the converter.
# Usage: ./run.sh [FILE]
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
scripts/configure.sh
cmake --build build --target tonquell BeSweet.exe

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start it from a desktop session, or without one as: xvfb-run ./build/tonquell [FILE]" >&2
  exit 1
fi
exec ./build/tonquell "$@"
