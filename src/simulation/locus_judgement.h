// The judgement of one locus of a brood, offspring by offspring: which of
// the alleles the offspring carry must have come from fathers. The
// simulation's judge_brood and the analysis of genotyped broods both judge
// through these functions, so that planning and analysis judge alike.
//
// An offspring's genotype is taken as read, without knowing which allele
// came from which parent: for a simulated offspring (slot 0 the mother's
// allele) this gives the same judgement as knowing it, since slot 0 is
// always one of the mother's alleles.
#pragma once

#include <cstdint>

#include "study/study_data.h"

namespace mpdetect {

// Allele indices a judgement can hold: a study's alleles, or the distinct
// alleles of one locus of a genotyped brood.
constexpr int MAX_JUDGED_ALLELES = 256;

struct LocusJudgement {
  int32_t a, b;  // the mother's slot 0 and slot 1 alleles
  uint64_t paternal[MAX_JUDGED_ALLELES / 64];
  bool ambiguous;  // some offspring carries the mother's own genotype
};

// A judgement with no offspring yet, for a mother of genotype `mother`.
// REQUIRES: her alleles below MAX_JUDGED_ALLELES.
LocusJudgement start_locus(const Genotype& mother);

// Whether `offspring` carries one of the mother's alleles. One that carries
// neither is a mismatch (a genotyping error, a null allele or the wrong
// mother): it cannot be judged, and is left out.
bool fits_mother(const LocusJudgement& judgement, const Genotype& offspring);

// Rules 1 to 3 of the judgement for one offspring: a homozygous offspring's
// allele is paternal; one with the mother's own heterozygous genotype marks
// the locus ambiguous; otherwise the allele that is not the mother's is
// paternal.
// REQUIRES: fits_mother; alleles below MAX_JUDGED_ALLELES.
void judge_offspring(LocusJudgement& judgement, const Genotype& offspring);

// Rule 4, then the count: the paternal alleles flagged, and one more when
// the locus is ambiguous and neither of the mother's alleles is flagged (an
// offspring with her genotype got one of them from its sire).
int paternal_count(const LocusJudgement& judgement);

// The judgement of a locus when the mother was not sampled: the offspring's
// genotypes alone. They reveal several fathers when no pair of parents, a
// mother and a father of two alleles each, could have produced every one
// of them, each offspring carrying one allele of each parent. More than
// four distinct alleles is one such case; offspring 1/1, 2/2 and 3/3 are
// another (one parent would need all three). `genotypes` may repeat.
// REQUIRES: alleles below MAX_JUDGED_ALLELES.
bool parents_explain(const Genotype* genotypes, int count);

}  // namespace mpdetect
