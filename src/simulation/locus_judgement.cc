#include "simulation/locus_judgement.h"

namespace mpdetect {

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

bool parents_explain(const Genotype* genotypes, int count) {
  // The distinct alleles, at most four for any pair of parents.
  int32_t seen[4];
  int alleles = 0;
  for (int n = 0; n < count; ++n) {
    for (const int32_t allele : genotypes[n].slot) {
      bool known = false;
      for (int a = 0; a < alleles; ++a) known = known || seen[a] == allele;
      if (known) continue;
      if (alleles == 4) return false;
      seen[alleles++] = allele;
    }
  }
  if (alleles <= 2) return true;  // a parent of each carries them all
  // A parent's two alleles are among those seen, or one of them is an
  // allele no offspring shows (index `alleles` stands for it).
  const int choices = alleles + 1;
  auto index_of = [&](int32_t allele) {
    int a = 0;
    while (seen[a] != allele) ++a;
    return a;
  };
  for (int m0 = 0; m0 < choices; ++m0) {
    for (int m1 = m0; m1 < choices; ++m1) {
      for (int f0 = 0; f0 < choices; ++f0) {
        for (int f1 = f0; f1 < choices; ++f1) {
          const auto mothers = [&](int a) { return a == m0 || a == m1; };
          const auto fathers = [&](int a) { return a == f0 || a == f1; };
          bool all = true;
          for (int n = 0; n < count && all; ++n) {
            const int x = index_of(genotypes[n].slot[0]);
            const int y = index_of(genotypes[n].slot[1]);
            all = (mothers(x) && fathers(y)) || (mothers(y) && fathers(x));
          }
          if (all) return true;
        }
      }
    }
  }
  return false;
}

}  // namespace mpdetect
