#!/bin/sh
# Times ChildProcess against the shell doing the same work, in the same run, pair by pair:
# draining 512 MiB of a child's stdout (against `head | cat`), and starting and reaping
# /bin/true 500 times (against a shell loop). Prints farm-bench's report; the ratio A/B is
# ours over the shell's.
# Usage: bench/platform/child_process_vs_shell.sh [build-folder]
set -eu
build=${1:-build}
bench="$build/child_process_bench"
bytes=$((512 * 1024 * 1024))
count=500
farm-bench -n 7 --vs "sh -c 'head -c $bytes /dev/zero | cat >/dev/null'" -- "$bench" drain "$bytes"
farm-bench -n 7 --vs "sh -c 'i=0; while [ \$i -lt $count ]; do /bin/true; i=\$((i+1)); done'" \
    -- "$bench" spawn "$count"
