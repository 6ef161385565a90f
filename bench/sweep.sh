#!/usr/bin/env bash
# Times whole-process sweeps (brood sizes 1 to 100, then 0) of the built
# program and of the plain-path build, on each study file in bench/, and
# prints the ratio. The fast program's time is the best of three runs; the
# plain one runs once (it takes minutes).
#   bash bench/sweep.sh            build in build-bench/ and time every study
#   bash bench/sweep.sh mid        only bench/mid.txt
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-deps.sh benchmark
cmake --preset bench > /dev/null
cmake --build build-bench -j 2 --target mpdetect mpdetect-plain > /dev/null

answers=$(mktemp)
seq 1 100 > "$answers"
echo 0 >> "$answers"
work=$(mktemp -d)
trap 'rm -rf "$work" "$answers"' EXIT

# The clock is frozen so that both programs get the same seed and must print
# the same reports.
seconds() {  # seconds PROGRAM: one sweep's wall time
  local start end
  start=$(date +%s.%N)
  (cd "$work" && faketime -f '2026-01-01 00:00:00' "$1" < "$answers" > output.txt) || true
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

studies=("$@")
[ ${#studies[@]} -eq 0 ] && studies=(largest skewed mid)
printf '%-10s %10s %10s %8s\n' study fast_s plain_s ratio
for study in "${studies[@]}"; do
  cp "bench/$study.txt" "$work/mmdata.txt"
  best=""
  for _ in 1 2 3; do
    t=$(seconds "$PWD/build-bench/mpdetect")
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  cp "$work/output.txt" "$work/fast.txt"
  plain=$(seconds "$PWD/build-bench/mpdetect-plain")
  cmp -s "$work/fast.txt" "$work/output.txt" || { echo "$study: the two programs printed different reports" >&2; exit 1; }
  awk -v s="$study" -v f="$best" -v p="$plain" 'BEGIN { printf "%-10s %10.3f %10.2f %8.0f\n", s, f, p, p / f }'
done
