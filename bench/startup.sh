#!/usr/bin/env bash
# Start-up of the console program: a run answered 0 (it reads the study
# file, asks once and ends) against an empty program, /bin/true, each the
# median of 7 rounds of 200 runs, in milliseconds a run.
#   bash bench/startup.sh [MPDETECT]   (default build/mpdetect)
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/mpdetect}")
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp examples/mmdata.txt "$folder/"
cd "$folder"

# Microseconds for 200 runs of the command, standard input `answer`.
round() {
  local start end
  start=$(date +%s%N)
  for _ in $(seq 200); do "$@" < answer > /dev/null 2>&1 || true; done
  end=$(date +%s%N)
  echo $(((end - start) / 200000))
}
median() { sort -n | sed -n 4p; }
echo 0 > answer
empty=$(for _ in $(seq 7); do round /bin/true; done | median)
console=$(for _ in $(seq 7); do round "$program"; done | median)
echo "empty program: $empty us a run; mpdetect answered 0: $console us a run;" \
     "the difference: $((console - empty)) us"
