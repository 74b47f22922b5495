#!/usr/bin/env bash
# Installs what is missing, builds a release build in build/ and starts the converter.
# Usage: ./run.sh [FILE]
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target tonquell BeSweet.exe

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start it from a desktop session, or without one as: xvfb-run ./build/tonquell [FILE]" >&2
  exit 1
fi
exec ./build/tonquell "$@"
