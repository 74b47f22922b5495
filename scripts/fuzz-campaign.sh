#!/usr/bin/env bash
# A longer fuzzing campaign, not run by CI: fuzzes the named targets (by default the two ID3
# targets, read and roundtrip; library_tags is the readers of every other source kind), each from a random seed for SECONDS (default 1200), then
# merges the inputs that reach new code into the target's found/ folder (-merge=1) and copies
# every crashing input there, so the CI replay keeps failing until it is fixed. Prints the
# seed, executions and findings per target. The targets run at once, or one after another
# with FUZZ_ONE_AT_A_TIME=1. Run it niced:
#   nice -n 19 scripts/fuzz-campaign.sh 1200
#   FUZZ_ONE_AT_A_TIME=1 nice -n 19 scripts/fuzz-campaign.sh 300 ac3_header tag_span wav_size
#   nice -n 19 scripts/fuzz-campaign.sh 1200 library_tags
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-1200}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(read roundtrip)
out=build-fuzz
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The committed inputs and the dictionary of a target: the ID3 targets share theirs, the
# transcoder's have a corpus and a found folder each.
corpus_of() {
  case $1 in
  read | roundtrip) echo tests/id3/fuzz/corpus ;;
  library_tags) echo tests/tags/fuzz/corpus ;;
  *) echo "tests/transcoder/fuzz/corpus/$1" ;;
  esac
}
found_of() {
  case $1 in
  read | roundtrip) echo tests/id3/fuzz/found ;;
  library_tags) mkdir -p tests/tags/fuzz/found && echo tests/tags/fuzz/found ;;
  *) mkdir -p "tests/transcoder/fuzz/found/$1" && echo "tests/transcoder/fuzz/found/$1" ;;
  esac
}
dict_of() {
  case $1 in
  read | roundtrip) echo tests/id3/fuzz/id3.dict ;;
  library_tags) echo tests/tags/fuzz/tags.dict ;;
  *) echo tests/transcoder/fuzz/transcoder.dict ;;
  esac
}

scripts/fuzz-check.sh --build-only
for target in "${targets[@]}"; do
  [ -x "$out/fuzz_$target" ] || { echo "fuzz-campaign: no target '$target'" >&2; exit 2; }
done

# Fuzzes one target; crashes do not end the run (-fork=1 -ignore_crashes=1), they are saved.
campaign() {  # target
  local target=$1 dir="$out/campaign-$1"
  rm -rf "$dir"
  mkdir -p "$dir/work" "$dir/artifacts"
  # A copy of its own: fork mode starts the binary again for every job, and fuzz-check.sh may
  # rebuild the one in build-fuzz/ meanwhile.
  cp "$out/fuzz_$target" "$dir/fuzzer"
  TMPDIR=$dir "$dir/fuzzer" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -max_total_time="$seconds" -dict="$(dict_of "$target")" -rss_limit_mb=2048 -timeout=30 \
    -artifact_prefix="$dir/artifacts/" "$dir/work" "$(corpus_of "$target")" \
    "$(found_of "$target")" >"$dir/log" 2>&1 || true
}

for target in "${targets[@]}"; do
  if [ "${FUZZ_ONE_AT_A_TIME:-0}" = 1 ]; then
    campaign "$target"
  else
    campaign "$target" &
  fi
done
wait

status=0
for target in "${targets[@]}"; do
  dir="$out/campaign-$target"
  found=$(found_of "$target")
  seed=$(sed -n 's/^INFO: Seed: *//p' "$dir/log" | head -n 1)
  # Fork mode reports the executions of all its jobs in its status lines: "#N: cov: ...".
  executions=$(sed -n 's/^#\([0-9]*\):.*/\1/p' "$dir/log" | tail -n 1)
  findings=$(find "$dir/artifacts" -type f | wc -l)
  before=$(ls "$found" | wc -l)
  TMPDIR=$dir "$dir/fuzzer" -merge=1 -dict="$(dict_of "$target")" -rss_limit_mb=2048 \
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
