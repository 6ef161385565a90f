#include "simulation/locus_judgement.h"

namespace {

bool flagged(const LocusJudgement& judgement, int32_t allele) {
  return (judgement.paternal[allele >> 6] >> (allele & 63) & 1) != 0;
}

void flag(LocusJudgement& judgement, int32_t allele) {
  judgement.paternal[allele >> 6] |= uint64_t{1} << (allele & 63);
}

bool mothers(const LocusJudgement& judgement, int32_t allele) {
  return allele == judgement.a || allele == judgement.b;
}

}  // namespace

LocusJudgement start_locus(const Genotype& mother) {
  return LocusJudgement{mother.slot[0], mother.slot[1], {0, 0, 0, 0}, false};
}

bool fits_mother(const LocusJudgement& judgement, const Genotype& offspring) {
  return mothers(judgement, offspring.slot[0]) || mothers(judgement, offspring.slot[1]);
}

void judge_offspring(LocusJudgement& judgement, const Genotype& offspring) {
  const int32_t x = offspring.slot[0];
  const int32_t y = offspring.slot[1];
  if (x == y) {
    flag(judgement, x);  // rule 1
  } else if (mothers(judgement, x) && mothers(judgement, y)) {
    judgement.ambiguous = true;  // rule 2: x and y are the mother's two alleles
  } else {
    flag(judgement, mothers(judgement, x) ? y : x);  // rule 3
  }
}

int paternal_count(const LocusJudgement& judgement) {
  int count = 0;
  for (const uint64_t word : judgement.paternal) count += __builtin_popcountll(word);
  const bool either = flagged(judgement, judgement.a) || flagged(judgement, judgement.b);
  return count + (judgement.ambiguous && !either ? 1 : 0);
}
