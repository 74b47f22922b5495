#!/usr/bin/env bash
# A longer fuzzing campaign over the ID3 code, not run by CI: fuzzes both targets at once, each
# from a random seed for SECONDS (default 1200), then merges the inputs that reach new code into
# tests/id3/fuzz/found/ (-merge=1) and copies every crashing input there, so the CI replay keeps
# failing until it is fixed. Prints the seed, executions and findings per target. Run it niced:
#   nice -n 19 scripts/fuzz-campaign.sh 1200
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-1200}
out=build-fuzz
fuzz_dir=tests/id3/fuzz
corpus=$fuzz_dir/corpus
found=$fuzz_dir/found
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

scripts/fuzz-check.sh --build-only

# Fuzzes one target; crashes do not end the run (-fork=1 -ignore_crashes=1), they are saved.
campaign() {  # target
  local target=$1 dir="$out/campaign-$1"
  rm -rf "$dir"
  mkdir -p "$dir/work" "$dir/artifacts"
  # A copy of its own: fork mode starts the binary again for every job, and fuzz-check.sh may
  # rebuild the one in build-fuzz/ meanwhile.
  cp "$out/fuzz_$target" "$dir/fuzzer"
  TMPDIR=$dir "$dir/fuzzer" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -max_total_time="$seconds" -dict="$fuzz_dir/id3.dict" -rss_limit_mb=2048 -timeout=30 \
    -artifact_prefix="$dir/artifacts/" "$dir/work" "$corpus" "$found" >"$dir/log" 2>&1 || true
}

for target in read roundtrip; do
  campaign "$target" &
done
wait

status=0
for target in read roundtrip; do
  dir="$out/campaign-$target"
  seed=$(sed -n 's/^INFO: Seed: *//p' "$dir/log" | head -n 1)
  # Fork mode reports the executions of all its jobs in its status lines: "#N: cov: ...".
  executions=$(sed -n 's/^#\([0-9]*\):.*/\1/p' "$dir/log" | tail -n 1)
  findings=$(find "$dir/artifacts" -type f | wc -l)
  before=$(ls "$found" | wc -l)
  TMPDIR=$dir "$dir/fuzzer" -merge=1 -dict="$fuzz_dir/id3.dict" -rss_limit_mb=2048 \
    -timeout=30 "$found" "$dir/work" >"$dir/merge.log" 2>&1 || true
  for artifact in "$dir"/artifacts/*; do
    [ -f "$artifact" ] || continue
    cp "$artifact" "$found/$(sha1sum "$artifact" | cut -c1-40)"
  done
  added=$(($(ls "$found" | wc -l) - before))
  echo "fuzz-campaign: $target: seed ${seed:-?}, ${executions:-0} executions in ${seconds}s," \
    "$findings findings, $added inputs added to $found"
  if [ "$findings" -gt 0 ]; then
    status=1
    find "$dir/artifacts" -type f -printf '  finding: %p\n'
  fi
done
exit $status
