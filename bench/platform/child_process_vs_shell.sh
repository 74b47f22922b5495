#!/bin/sh
# Times ChildProcess against the shell doing the same work, in the same run, pair by pair:
# draining 512 MiB of a child's stdout (against `head | cat`), and starting and reaping
# /bin/true 500 times (against a shell loop). Prints the medians and the
# ratio A/B (bench/pair.sh): ours over the shell's.
# Usage: bench/platform/child_process_vs_shell.sh [build-folder]
set -eu
build=${1:-build}
bench="$build/child_process_bench"
bytes=$((512 * 1024 * 1024))
count=500
pair="$(dirname "$0")/../pair.sh"
"$pair" 7 "$bench drain $bytes" "head -c $bytes /dev/zero | cat >/dev/null"
"$pair" 7 "$bench spawn $count" "i=0; while [ \$i -lt $count ]; do /bin/true; i=\$((i+1)); done"
