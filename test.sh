#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, checks the
# formatting and runs every test. The exit status is the tests' status.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

echo "== Formatting"
git ls-files -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror

echo "== Build"
scripts/configure.sh
cmake --build build

if [ -x scripts/fuzz-check.sh ]; then
  echo "== Fuzzing (corpus replay, then fixed-seed runs)"
  scripts/fuzz-check.sh
fi

echo "== Tests"
export QT_QPA_PLATFORM=offscreen
# The tests read the window's own texts, German, whatever language this shell asks for.
export LANGUAGE= LC_ALL= LC_MESSAGES=C.UTF-8
cd build
ctest --output-on-failure -j"$(nproc)"

echo "== Batch run from outside (Xvfb)"
../tests/e2e/batch_xvfb.sh .
../tests/e2e/library_xvfb.sh .
../tests/e2e/handover_xvfb.sh .
../tests/e2e/keyboard_xvfb.sh .

echo "== Install and package"
cd ..
tests/install/install_test.sh build
