#!/usr/bin/env bash
# The folder walk of a library run against find and sort over the same tree of 10,000 files
# in 500 folders, in the same run (bench/pair.sh), then the walk a round at a time as the
# window does it: the longest round is how long the window waits at most.
#   bench/walk/walk_vs_find.sh [build-folder] [rounds]
set -euo pipefail
build=$(realpath "${1:-build}")
cd "$(dirname "$0")/../.."
rounds=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/walk_bench" make "$work/tree"
sync
bench/pair.sh "$rounds" "'$build/walk_bench' walk '$work/tree'" \
  "find '$work/tree' -name '.*' -prune -o -type f -iname '*.mp3' -print | sort -f"
"$build/walk_bench" steps "$work/tree"
