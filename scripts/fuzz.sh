#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on a copy
# of its corpus. Fails when a target finds an input that breaks it; the input
# is then left in fuzz-findings/ to be added to the corpus with a fix.
#   bash scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/ensure-deps.sh clang
cmake --preset fuzz -DMPDETECT_WERROR=ON > /dev/null
cmake --build build-fuzz -j 2 --target reader_fuzz answers_fuzz population_fuzz > /dev/null

mkdir -p fuzz-findings
for target in reader answers population; do
  work=$(mktemp -d)
  cp tests/fuzz/corpus/$target/* "$work/"
  echo "fuzzing $target for ${seconds}s ..."
  max_len=4096
  if ! build-fuzz/${target}_fuzz "$work" -max_total_time="$seconds" -max_len=$max_len -timeout=10 \
       -rss_limit_mb=2048 -artifact_prefix="fuzz-findings/$target-" -print_final_stats=1 2> "$work/log.txt"; then
    tail -n 40 "$work/log.txt"
    echo "$target: the fuzzer found a failing input; see fuzz-findings/" >&2
    exit 1
  fi
  grep -E 'stat::number_of_executed_units|stat::new_units_added|^#[0-9]+ *DONE' "$work/log.txt" || true
  echo "$target: corpus of $(ls "$work" | grep -vc '^log.txt$') inputs after the run"
  rm -rf "$work"
done
