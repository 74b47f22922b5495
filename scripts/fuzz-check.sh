#!/usr/bin/env bash
# Replays the committed fuzz inputs (corpus/ and found/) under AddressSanitizer and
# UndefinedBehaviorSanitizer, then, where clang with libFuzzer is installed, runs each fuzz
# target for a fixed number of executions from a fixed seed. Nothing here depends on chance or
# on the clock: the same commit always gives the same answer. Exits non-zero on any finding.
# The targets: the ID3 readers (read) and round trip (roundtrip) in tests/id3/fuzz/; the
# transcoder's own byte parsers in tests/transcoder/fuzz/: AC-3 and other frame headers with
# the layout scan (ac3_header), the tags around a bare stream (tag_span) and the WAV size
# check (wav_size), each with its own corpus/TARGET/ and found/TARGET/.
#   FUZZ_READ_RUNS, FUZZ_ROUNDTRIP_RUNS  executions per ID3 target (defaults below: about 30 s
#                                        for both on a 2-core machine)
#   FUZZ_TRANSCODER_RUNS                 executions per transcoder target (a few seconds each)
#   FUZZ_LIBRARY_TAGS_RUNS               executions of the library_tags target
#   --build-only                         build the libFuzzer targets into build-fuzz/ and stop
#                                        (scripts/fuzz-campaign.sh uses them)
set -euo pipefail
cd "$(dirname "$0")/.."

out=build-fuzz
transcoder_runs=${FUZZ_TRANSCODER_RUNS:-200000}
declare -A runs=([read]=${FUZZ_READ_RUNS:-300000} [roundtrip]=${FUZZ_ROUNDTRIP_RUNS:-12000}
                 [ac3_header]=$transcoder_runs [tag_span]=$transcoder_runs
                 [wav_size]=$transcoder_runs [library_tags]=${FUZZ_LIBRARY_TAGS_RUNS:-8000})
id3_targets=(read roundtrip)
transcoder_targets=(ac3_header tag_span wav_size)
tags_targets=(library_tags)
groups=(id3 transcoder tags)
build_only=false
[ "${1:-}" = --build-only ] && build_only=true
mkdir -p "$out"

# Per group of targets: the folder of the fuzz sources, the library's sources and includes.
id3_dir=tests/id3/fuzz
id3_sources=(id3/*.cpp platform/file_attributes.cpp platform/replace_file.cpp platform/unique_fd.cpp)
id3_includes=(-Iid3 -Iplatform)
id3_libs=(-lz)
transcoder_dir=tests/transcoder/fuzz
transcoder_sources=(transcoder/frame_header.cpp transcoder/source_bytes.cpp)
transcoder_includes=(-Itranscoder)
transcoder_libs=()
tags_dir=tests/tags/fuzz
tags_sources=(tags/*.cpp id3/*.cpp platform/file_attributes.cpp platform/replace_file.cpp
              platform/unique_fd.cpp)
read -r -a tags_includes <<<"-Itags -Iid3 -Iplatform $(pkg-config --cflags taglib libavformat libavutil)"
read -r -a tags_libs <<<"$(pkg-config --libs taglib libavformat libavutil) -lz"

sanitize=(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
          -DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

group_of() {  # target -> id3, tags or transcoder
  case $1 in read | roundtrip) echo id3 ;; library_tags) echo tags ;; *) echo transcoder ;; esac
}
# The folders of committed inputs of a target: the ID3 targets share theirs.
inputs_of() {  # target
  if [ "$(group_of "$1")" = id3 ]; then
    echo "$id3_dir/corpus $id3_dir/found"
  elif [ "$(group_of "$1")" = tags ]; then
    mkdir -p "$tags_dir/found"
    echo "$tags_dir/corpus $tags_dir/found"
  else
    mkdir -p "$transcoder_dir/found/$1"
    echo "$transcoder_dir/corpus/$1 $transcoder_dir/found/$1"
  fi
}
dict_of() {  # target
  case $(group_of "$1") in
  id3) echo "$id3_dir/id3.dict" ;;
  tags) echo "$tags_dir/tags.dict" ;;
  *) echo "$transcoder_dir/transcoder.dict" ;;
  esac
}

# Compiles a group's library once per compiler into objects, two at a time.
build_objects() {  # group, compiler, folder, extra flags...
  local group=$1 cxx=$2 dir=$3
  shift 3
  local -n srcs="${group}_sources" incs="${group}_includes"
  rm -rf "$dir"
  mkdir -p "$dir"
  printf '%s\n' "${srcs[@]}" | xargs -P2 -I{} sh -c \
    "$cxx -std=c++20 -O1 -g ${*} ${incs[*]} -c {} -o $dir/\$(basename {} .cpp).o"
}

has_libfuzzer() {
  command -v clang++ >/dev/null &&
    echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer - -o "$out/probe" 2>/dev/null
}

build_fuzzers() {
  echo "fuzz-check: building the libFuzzer targets (clang)"
  for group in "${groups[@]}"; do
    local -n targets="${group}_targets" incs="${group}_includes" dir="${group}_dir" libs="${group}_libs"
    build_objects "$group" clang++ "$out/fuzz-obj-$group" "${sanitize[@]}" -fsanitize=fuzzer-no-link
    for target in "${targets[@]}"; do
      clang++ -std=c++20 -O1 -g "${sanitize[@]}" -fsanitize=fuzzer "${incs[@]}" \
        "$dir/${target}_fuzzer.cpp" "$out"/fuzz-obj-$group/*.o "${libs[@]}" -o "$out/fuzz_$target"
    done
  done
}

if $build_only; then
  has_libfuzzer || { echo "fuzz-check: clang with libFuzzer not found" >&2; exit 2; }
  build_fuzzers
  exit 0
fi

echo "fuzz-check: building the replay drivers (g++, ASan + UBSan)"
for group in "${groups[@]}"; do
  declare -n targets="${group}_targets" incs="${group}_includes" dir="${group}_dir" libs="${group}_libs"
  build_objects "$group" g++ "$out/replay-obj-$group" "${sanitize[@]}"
  for target in "${targets[@]}"; do
    g++ -std=c++20 -O1 -g "${sanitize[@]}" "${incs[@]}" \
      "$dir/${target}_fuzzer.cpp" "$id3_dir/replay_main.cpp" "$out"/replay-obj-$group/*.o \
      "${libs[@]}" -o "$out/replay_$target"
  done
  unset -n targets incs dir libs
done

replayed=0
files=0
for target in "${id3_targets[@]}" "${transcoder_targets[@]}" "${tags_targets[@]}"; do
  read -r -a folders <<<"$(inputs_of "$target")"
  if ! line=$(TMPDIR=$out "$out/replay_$target" "${folders[@]}"); then
    echo "fuzz-check: FINDING while replaying the corpus through the $target target (see above)"
    exit 1
  fi
  replayed=$((replayed + ${line//[^0-9]/}))
done
files=$(find "$id3_dir/corpus" "$id3_dir/found" "$transcoder_dir/corpus" "$transcoder_dir/found" \
  "$tags_dir/corpus" "$tags_dir/found" -type f | wc -l)
echo "fuzz-check: corpus replayed clean ($replayed runs over $files inputs)"

fuzzed="libFuzzer runs skipped (clang with libFuzzer not found)"
if has_libfuzzer; then
  build_fuzzers
  no_aslr=()
  if setarch -R true 2>/dev/null; then
    no_aslr=(setarch -R)
  else
    echo "fuzz-check: warning: setarch -R unavailable; the fixed-seed runs may vary slightly"
  fi
  total=0
  details=""
  for target in "${id3_targets[@]}" "${transcoder_targets[@]}" "${tags_targets[@]}"; do
    read -r -a folders <<<"$(inputs_of "$target")"
    work=$(mktemp -d "$out/corpus-$target.XXXXXX")
    log="$out/fuzz_$target.log"
    # A fixed seed, a fixed number of executions, no rereading of the corpus on a timer
    # (-reload=0) and fixed addresses (setarch -R; the stack-depth feature sees them): the run
    # is the same every time.
    if ! TMPDIR=$out "${no_aslr[@]}" "$out/fuzz_$target" -seed=1 -runs="${runs[$target]}" -reload=0 \
        -dict="$(dict_of "$target")" -rss_limit_mb=2048 -timeout=60 -print_final_stats=1 \
        -artifact_prefix="$out/" "$work" "${folders[@]}" >"$log" 2>&1; then
      tail -n 40 "$log"
      echo "fuzz-check: FINDING in $target fuzzer, see $log and $out/crash-*"
      exit 1
    fi
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    total=$((total + ${executed:-0}))
    details="$details $target=${executed:-0}"
    rm -rf "$work"
  done
  fuzzed="libFuzzer ran $total executions without a finding (seed 1:$details)"
fi
echo "fuzz-check: OK: corpus $replayed runs clean; $fuzzed"
