#!/usr/bin/env bash
# Configures build/ the one way both ./run.sh and ./test.sh use, so neither invalidates the
# other's objects: one build type, one set of flags.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONQUELL_WERROR=ON >/dev/null
