#!/usr/bin/env bash
# Times whole-process sweeps (brood sizes 1 to 100, then 0) of the program
# as it stands against the program built from an earlier revision, both
# builds of each (with the AVX2 kernel and portable), taking turns so that
# both see the machine alike; prints the median of 10 runs of each and the
# ratio now / before, and checks that both print the same reports.
#   bash bench/compare.sh REVISION            every study in bench/
#   bash bench/compare.sh REVISION mid        only bench/mid.txt
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 1 ] || { echo "usage: bash bench/compare.sh REVISION [STUDY...]" >&2; exit 2; }
revision=$1
shift
bash scripts/ensure-deps.sh benchmark

work=$(mktemp -d)
trap 'git worktree remove --force "$work/before" > /dev/null 2>&1 || true; rm -rf "$work"' EXIT
git worktree add --detach "$work/before" "$revision" > /dev/null 2>&1

# build NAME SOURCE VECTOR: mpdetect from SOURCE into $work/NAME.
build() {
  cmake -S "$2" -B "$work/build-$1" -DCMAKE_BUILD_TYPE=Release -DMPDETECT_TESTS=OFF \
    -DMPDETECT_VECTOR_KERNEL="$3" > /dev/null
  cmake --build "$work/build-$1" -j 2 --target mpdetect > /dev/null
  cp "$work/build-$1/mpdetect" "$work/$1"
}
build before-avx2 "$work/before" ON
build before-portable "$work/before" OFF
build now-avx2 "$PWD" ON
build now-portable "$PWD" OFF

seq 1 100 > "$work/answers"
echo 0 >> "$work/answers"
mkdir "$work/run"

milliseconds() {  # milliseconds PROGRAM OUTPUT: one sweep's wall time
  local start end
  start=$(date +%s%N)
  # The clock is frozen so that both get the same seed; the program's exit
  # status is its own business here (the reports are compared below).
  (cd "$work/run" && faketime -f '2026-01-01 00:00:00' "$1" < "$work/answers" > "$2") || true
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2 }'; }

studies=("$@")
[ ${#studies[@]} -eq 0 ] && studies=(common largest skewed mid)
printf '%-10s %-9s %10s %10s %7s\n' study build before_ms now_ms ratio
for study in "${studies[@]}"; do
  cp "bench/$study.txt" "$work/run/mmdata.txt"
  for kind in avx2 portable; do
    : > "$work/before.times"
    : > "$work/now.times"
    for _ in $(seq 10); do
      milliseconds "$work/before-$kind" "$work/before.txt" >> "$work/before.times"
      milliseconds "$work/now-$kind" "$work/now.txt" >> "$work/now.times"
    done
    cmp -s "$work/before.txt" "$work/now.txt" ||
      { echo "$study ($kind): the two programs printed different reports" >&2; exit 1; }
    before=$(median < "$work/before.times")
    now=$(median < "$work/now.times")
    awk -v s="$study" -v k="$kind" -v b="$before" -v n="$now" \
      'BEGIN { printf "%-10s %-9s %10.0f %10.0f %7.2f\n", s, k, b, n, n / b }'
  done
done
