#!/usr/bin/env bash
# Times the planner as a user runs it, whole process, best of three runs:
# study and panel on a generated Genepop file of 1000 individuals at 25 loci
# (targets: under 0.2 s each); curve with 4 designs, sizes 1 to 100, on
# bench/largest.txt (under 1.5 s); 8 designs on one core and on both (both
# at most 0.6 of one); loci on bench/largest.txt at size 20
# (under 1 s); the curve with the mother unsampled, and with genotyping
# errors and its single-sire companion (under 1.5 s each); the refinement of
# a decision to 1000000 trials (under 0.5 s); broods on
# a generated file of 200 broods of 20 offspring at 12 loci (under 2 s), by
# the likelihood with families (under 5 s), and 200 such broods at 200 SNPs
# (under 20 s);
# curves by the likelihood verdict of 100 SNPs and of 8 microsatellites, 2 to
# 30 (under 10 s each); 96 of 2000 SNPs chosen for it (under 60 s).
# Then on a generated Genepop file of 1350 individuals at 678 loci:
# choosing a panel of 10 at brood size 10 from all 678 loci (under 5 s), of
# 40 (past a study file's 25), and from 30 of them (under 1 s); a curve of
# 200 loci of 40 alleles and 15 sires to broods of 300; and the memory that reading takes (panel's
# peak resident size over the file's size; target: at most 3, the
# process's own included). Last, the readers at scale: a frequency table of
# 100000 loci, GenAlEx and STRUCTURE files of 100000 samples (each under
# 2 s), and the memory of reading a Genepop file of 1000000 individuals at
# one locus and of judging 80000 broods (at most three times the file's
# size, 100 bytes an individual and 500 bytes a brood).
#   bash bench/plan.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-deps.sh benchmark
cmake --preset release > /dev/null
cmake --build --preset release --target mpplan > /dev/null
plan="$PWD/build/mpplan"
root="$PWD"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 1000 individuals, 25 loci of 12 to 30 alleles (3-digit codes), 2 % missing.
awk 'BEGIN {
  srand(2026);
  print "generated for bench/plan.sh";
  for (i = 1; i <= 25; i++) printf "L%02d%s", i, (i < 25 ? ", " : "\n");
  for (p = 1; p <= 2; p++) {
    print "Pop";
    for (n = 1; n <= 500; n++) {
      printf "p%dn%03d,", p, n;
      for (i = 1; i <= 25; i++) {
        k = 12 + (i * 7) % 19;
        if (rand() < 0.02) { printf " 000000"; continue }
        a = 100 + 2 * int(k * rand() * rand()); b = 100 + 2 * int(k * rand() * rand());
        printf " %03d%03d", a, b;
      }
      printf "\n";
    }
  }
}' > "$work/large.gen"
cp bench/largest.txt "$work/largest.txt"

best() {  # best NAME COMMAND...: the best wall time of three runs
  local name=$1 t best=""
  shift
  for _ in 1 2 3; do
    /usr/bin/time -f %e -o time.txt "$@" > /dev/null 2> errors.txt ||
      { echo "$name failed:" >&2; cat errors.txt >&2; exit 1; }
    t=$(tail -n 1 time.txt)
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  printf '%-40s %6.2f s\n' "$name" "$best"
}

cd "$work"
best "study (1000 individuals, 25 loci)" "$plan" study large.gen -o study.txt --as-is
best "panel (1000 individuals, 25 loci)" "$plan" panel large.gen
best "curve (4 designs, 1 to 100, largest)" "$plan" curve largest.txt --seed 1 \
  --shares 0.5,0.5 --shares 0.9,0.1 --sires 5 --sires 10
# 8 designs on one core and on both: the designs run side by side, so both
# cores should take at most 0.6 of one core's time.
eight=(--shares 0.5,0.5 --shares 0.9,0.1 --shares 0.6,0.4 --shares 0.7,0.3
       --sires 3 --sires 4 --sires 5 --sires 10)
best "curve (8 designs, largest, one core)" taskset -c 0 "$plan" curve largest.txt --seed 1 \
  "${eight[@]}"
best "curve (8 designs, largest, both cores)" "$plan" curve largest.txt --seed 1 "${eight[@]}"
best "loci (largest, size 20)" "$plan" loci largest.txt --size 20 --seed 1
best "curve (1 to 100, largest, unsampled)" "$plan" curve largest.txt --seed 1 --mother unsampled
best "curve (1 to 100, largest, errors)" "$plan" curve largest.txt --seed 1 \
  --dropout 0.01 --false-allele 0.005
# 13 loci of 12 equal alleles, sires 0.6/0.4: at 6 offspring the estimate
# sits on 0.95 and the decision goes on to 1000000 trials.
awk 'BEGIN { print 13; for (i = 1; i <= 13; i++) { printf "12";
  for (a = 1; a <= 12; a++) printf " %.6f", 1 / 12; print "" } print 2; print "0.6 0.4";
  print "99 0" }' > refine.txt
best "refining a decision (size 6, 10^6 trials)" "$plan" curve refine.txt --seed 2 --from 6 --to 6

# 200 broods, each a mother and 20 offspring of two sires, at 12 loci of 8 to
# 19 alleles (3-digit codes), 2 % of genotypes missing.
awk 'BEGIN {
  srand(200);
  print "generated for bench/plan.sh";
  for (i = 1; i <= 12; i++) printf "L%02d%s", i, (i < 12 ? ", " : "\n");
  for (b = 1; b <= 200; b++) {
    print "Pop";
    for (i = 1; i <= 12; i++) {
      k = 8 + (i * 5) % 12;
      for (p = 0; p < 6; p++) allele[i, p] = 100 + 2 * int(k * rand());
    }
    for (n = 0; n <= 20; n++) {
      printf "b%03d-%02d,", b, n;
      sire = 2 + 2 * int(2 * rand());
      for (i = 1; i <= 12; i++) {
        if (n > 0 && rand() < 0.02) { printf " 000000"; continue }
        if (n == 0) printf " %03d%03d", allele[i, 0], allele[i, 1];
        else printf " %03d%03d", allele[i, int(2 * rand())], allele[i, sire + int(2 * rand())];
      }
      printf "\n";
    }
  }
}' > broods.gen
best "broods (200 broods of 20, 12 loci)" "$plan" broods broods.gen --seed 1
# The same judged by the likelihood, with each offspring's father written
# (target: under 5 s).
best "broods likelihood with families (200 broods of 20, 12 loci)" "$plan" broods broods.gen \
  --seed 1 --verdict likelihood --families families.csv
# 200 broods of 20 at 200 SNPs (minor alleles 0.05 to 0.5), half of them of
# two sires, as a table of allele counts (target: under 20 s).
awk 'BEGIN {
  srand(201);
  printf "individual,group";
  for (l = 1; l <= 200; l++) printf ",snp%03d", l;
  printf "\n";
  for (b = 1; b <= 200; b++) {
    for (l = 1; l <= 200; l++) {
      p = 0.05 + 0.45 * (l - 1) / 199;
      for (h = 0; h < 6; h++) allele[l, h] = rand() < p;
    }
    for (n = 0; n <= 20; n++) {
      printf "b%03d-%02d,b%03d", b, n, b;
      sire = 2 + 2 * (b % 2) * int(2 * rand());
      for (l = 1; l <= 200; l++) {
        if (n == 0) printf ",%d", allele[l, 0] + allele[l, 1];
        else printf ",%d", allele[l, int(2 * rand())] + allele[l, sire + int(2 * rand())];
      }
      printf "\n";
    }
  }
}' > snp-broods.csv
best "broods likelihood with families (200 broods of 20, 200 SNPs)" "$plan" broods \
  snp-broods.csv --seed 1 --verdict likelihood --families snp-families.csv
# The likelihood verdict, sizes 2 to 30, two equal sires, the mother drawn:
# 100 SNPs (minor alleles 0.05 to 0.5) and the 8 microsatellites of the
# example population (targets: under 10 s each on two cores).
cp "$root/examples/snp-population.vcf" "$root/examples/population.gen" .
best "curve likelihood (100 SNPs, 2 to 30)" "$plan" curve snp-population.vcf \
  --verdict likelihood --from 2 --to 30 --seed 1
best "curve likelihood (8 loci, 2 to 30)" "$plan" curve population.gen \
  --verdict likelihood --from 2 --to 30 --seed 1
# A GT-seq panel: 96 of 2000 SNPs chosen for the likelihood verdict at 10
# offspring (target: under 60 s).
python3 "$root/scripts/make-snp-example.py" 2000 > candidates.vcf
best "loci --choose 96 of 2000 SNPs (likelihood, size 10)" "$plan" loci candidates.vcf \
  --choose 96 --size 10 --verdict likelihood --seed 1

# 1350 individuals at 678 loci, 3-digit codes: about 6 MB.
awk 'BEGIN {
  srand(678);
  print "generated for bench/plan.sh";
  for (i = 1; i <= 678; i++) printf "L%03d%s", i, (i < 678 ? ", " : "\n");
  print "Pop";
  for (n = 1; n <= 1350; n++) {
    printf "i%04d,", n;
    for (i = 1; i <= 678; i++) printf " %03d%03d", 100 + int(20 * rand()), 100 + int(20 * rand());
    printf "\n";
  }
}' > people.gen
best "loci --choose 10 of 678 (size 10)" "$plan" loci people.gen --size 10 --choose 10 --seed 1
# Past a study file's limits: a panel of 40 of the 678 loci, and a curve of
# 200 loci of 40 alleles with 15 equal sires up to broods of 300.
best "loci --choose 40 of 678 (size 10)" "$plan" loci people.gen --size 10 --choose 40 --seed 1
awk 'BEGIN {
  srand(200); print "locus,allele,frequency";
  for (i = 1; i <= 200; i++) {
    sum = 0; for (a = 1; a <= 40; a++) { w[a] = rand() + 0.05; sum += w[a] }
    for (a = 1; a <= 40; a++) printf "L%d,%d,%.6f\n", i, 100 + a, w[a] / sum;
  }
}' > wide.csv
best "curve (200 loci, 40 alleles, 15 sires)" "$plan" curve wide.csv --sires 15 --to 300 --seed 1
best "loci --choose 10 of 30 (size 10)" "$plan" loci people.gen --size 10 --choose 10 --seed 1 \
  --loci "$(seq -f "L%03g" 1 30 | paste -sd, -)"
/usr/bin/time -f %M -o memory.txt "$plan" panel people.gen > /dev/null 2> errors.txt ||
  { echo "panel on people.gen failed:" >&2; cat errors.txt >&2; exit 1; }
awk -v kb="$(tail -n 1 memory.txt)" -v bytes="$(wc -c < people.gen)" 'BEGIN {
  printf "%-40s %6.1f MB for %.1f MB: %.2f times\n", "panel memory (1350 x 678 loci)",
    kb / 1024, bytes / 1048576, kb * 1024 / bytes }'

# Peak memory of a run against the bound: three times the file's size, 100
# bytes an individual and 500 bytes a brood.
memory() {  # memory NAME INDIVIDUALS BROODS FILE COMMAND...
  local name=$1 individuals=$2 broods=$3 file=$4
  shift 4
  /usr/bin/time -f %M -o memory.txt "$@" > /dev/null 2> errors.txt ||
    { echo "$name failed:" >&2; cat errors.txt >&2; exit 1; }
  awk -v kb="$(tail -n 1 memory.txt)" -v bytes="$(wc -c < "$file")" -v n="$individuals" \
    -v b="$broods" -v name="$name" 'BEGIN {
    bound = 3 * bytes + 100 * n + 500 * b;
    printf "%-40s %6.1f MB for %.1f MB: %.2f of the bound\n", name, kb / 1024,
      bytes / 1048576, kb * 1024 / bound }'
}

awk 'BEGIN { print "locus,allele,frequency";
  for (i = 1; i <= 100000; i++) { print "L" i ",1,0.25"; print "L" i ",2,0.75" } }' > loci.csv
awk 'BEGIN { srand(11); n = 100000; printf "1,%d,%d", n, n; for (s = 1; s <= n; s++) printf ",1";
  printf "\nt,,"; for (s = 1; s <= n; s++) printf ",s%d", s; printf "\nid,pop,A,\n";
  for (s = 1; s <= n; s++) printf "i%d,s%d,%d,%d\n", s, s, 1 + int(4 * rand()), 1 + int(4 * rand()) }' \
  > samples.csv
awk 'BEGIN { srand(12); print "A"; for (s = 1; s <= 100000; s++) {
  printf "i%d %d %d\n", s, s, 1 + int(4 * rand()); printf "i%d %d %d\n", s, s, 1 + int(4 * rand()) } }' \
  > samples.str
best "panel (frequency table, 100000 loci)" "$plan" panel loci.csv
best "panel (GenAlEx, 100000 samples)" "$plan" panel samples.csv
best "panel (STRUCTURE, 100000 samples)" "$plan" panel samples.str
awk 'BEGIN { srand(13); print "generated for bench/plan.sh"; print "A"; print "Pop";
  for (i = 1; i <= 1000000; i++) printf "i%d, %02d%02d\n", i, 1 + int(9 * rand()), 1 + int(9 * rand()) }' \
  > million.gen
memory "panel memory (1000000 x 1 locus)" 1000000 0 million.gen "$plan" panel million.gen
awk 'BEGIN { print "generated for bench/plan.sh"; print "A";
  for (b = 1; b <= 80000; b++) { print "Pop"; printf "m%d, 0102\n", b; printf "o%d, 0103\n", b } }' \
  > many-broods.gen
memory "broods memory (80000 broods)" 160000 80000 many-broods.gen "$plan" broods many-broods.gen --seed 1
