#!/usr/bin/env bash
# Times two shell commands in turn, A then B, for N rounds after one warm-up round each, and
# prints the median wall and CPU seconds (user + system, children included) of each and the
# ratios A/B of the medians. Pairing the rounds keeps a comparison fair while the machine's
# speed drifts.
#   bench/pair.sh RUNS 'A command' 'B command'
set -euo pipefail
runs=$1
declare -a command=("$2" "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

one() {
  /usr/bin/time -f '%e %U %S' -o "$work/time" bash -c "$1" >/dev/null 2>"$work/err" || {
    echo "failed: $1" >&2
    cat "$work/err" >&2
    exit 1
  }
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$work/time"
}

median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

for side in 0 1; do one "${command[$side]}" >/dev/null; done
for _ in $(seq "$runs"); do
  for side in 0 1; do one "${command[$side]}" >>"$work/$side"; done
done
for side in 0 1; do
  wall[$side]=$(cut -d' ' -f1 "$work/$side" | median)
  cpu[$side]=$(cut -d' ' -f2 "$work/$side" | median)
done
printf '%-3s %10s %10s\n' "" "wall s" "cpu s"
printf '%-3s %10s %10s\n' A "${wall[0]}" "${cpu[0]}" B "${wall[1]}" "${cpu[1]}"
awk -v a="${wall[0]}" -v b="${wall[1]}" -v c="${cpu[0]}" -v d="${cpu[1]}" \
  'BEGIN { printf "A/B %10.3f %10.3f   (medians of %d rounds)\n", a / b, c / d, '"$runs"' }'
