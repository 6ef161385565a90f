// One trial of the estimate, stated plainly: sample a brood from the study,
// then judge from the genotypes alone whether it reveals more than one sire.
// This is the readable statement of the rules; the fast estimator beside it
// must agree with it trial for trial.
#pragma once

#include <cstdint>

#include "study/study_data.h"

// The working storage of one trial. Every entry a trial reads it has written
// earlier in the same trial.
struct TrialWork {
  Genotype sire_genotype[MAX_SIRES][MAX_LOCI];
  // Slot 0 the allele from the mother, slot 1 the allele from the sire.
  Genotype brood[MAX_OFFSPRING][MAX_LOCI];
};

// Draws the mother (when untyped) into study.mother, a fresh set of sires and
// the first brood_size offspring, consuming 2L (untyped mother only) + 2SL +
// brood_size * (1 + 2L) generator values in a fixed order. A draw that picks
// no index leaves its target as it was: an untyped mother's slot keeps the
// previous trial's allele, an offspring keeps the previous offspring's sire
// (the last sire for the first offspring), and a sire's allele slot takes the
// last allele of its locus.
// REQUIRES: study as accepted by read_study_data; brood_size <= MAX_OFFSPRING.
void sample_brood(StudyData& study, int32_t brood_size, TrialWork& work);

// 1 when some locus shows more than two paternal alleles, else 0. Consumes no
// generator values. A brood size of zero or less judges 0.
// REQUIRES: brood_size <= MAX_OFFSPRING; every allele index valid for its locus.
int judge_brood(const StudyData& study, int32_t brood_size, const TrialWork& work);

// sample_brood, then judge_brood.
int run_trial(StudyData& study, int32_t brood_size, TrialWork& work);
