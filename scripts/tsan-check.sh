#!/usr/bin/env bash
# Builds the transcoder with ThreadSanitizer in a build folder of its own (build-tsan/ unless
# given) and runs the tests of its two threads there: the chain between the decoding and the
# writing thread (Chain.*), and whole conversions on one thread and on two that must give the
# same files (Threads.*, which run the sanitized BeSweet.exe). Any report of the sanitizer, in
# the tests or in a BeSweet.exe they start, fails the run. Not part of ./test.sh: the build
# takes a few minutes of its own.
#   usage: scripts/tsan-check.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-tsan}
flags="-fsanitize=thread -fno-omit-frame-pointer -g"
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONQUELL_WERROR=ON \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$out" --target BeSweet.exe besweet_threads_test
# A report ends the process with a status the tests do not expect; the report itself is
# printed by the test (the child's stderr) or by the test program.
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1"
export BESWEET_THREADS=2
"$out/tests/besweet_threads_test"
echo "tsan-check: OK: no report from ThreadSanitizer"
