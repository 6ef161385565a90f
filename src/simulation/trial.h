// One trial of the estimate, stated plainly: sample a brood from the study,
// then judge from the genotypes alone whether it reveals more than one sire.
// This is the readable statement of the rules; the fast estimator beside it
// must agree with it trial for trial.
#pragma once

#include <cstdint>

#include "simulation/genotyping_error.h"
#include "simulation/offspring_set.h"
#include "study/study_data.h"

namespace mpdetect {

// The working storage of one trial. Every entry a trial reads it has written
// earlier in the same trial.
struct TrialWork {
  Genotype sire_genotype[MAX_SIRES][MAX_LOCI];
  // Slot 0 the allele from the mother, slot 1 the allele from the sire.
  Genotype brood[MAX_OFFSPRING][MAX_LOCI];
  // The same as read with genotyping errors (read_brood), in no order of
  // slots: the mother's as judged, and the offspring's.
  Genotype read_mother[MAX_LOCI];
  Genotype read[MAX_OFFSPRING][MAX_LOCI];
};

// A locus reveals more than one father when it shows more paternal alleles
// than this: a father passes on one of his two, so one father's offspring
// show two at most. Every shortcut of the fast estimator that skips work
// because a count cannot pass this bound reads it from here.
constexpr int DETECTION_THRESHOLD = 2;

// Alleles one parent carries at a locus.
constexpr int ALLELES_PER_PARENT = 2;

// The judgement's last step: whether `paternal_alleles` at one locus reveal
// more than one father.
constexpr bool reveals_several_fathers(int paternal_alleles) {
  return paternal_alleles > DETECTION_THRESHOLD;
}

// Where each of a trial's generator values sits, counted from the trial's
// first value. sample_brood consumes them in this order: for an untyped
// mother 2 per locus (slot 0, slot 1); 2 per locus for each sire, sire by
// sire; then per offspring its sire draw and, locus by locus, its maternal
// choice and then its paternal choice. Everything that reads a trial's
// values out of order (the fast estimator, the tests) takes the offsets
// from here.
struct TrialLayout {
  int loci;
  int first_sire_value;
  int first_offspring_value;
  int values_per_offspring;
};

TrialLayout trial_layout(const StudyData& study);

// The same for a study of any size: `loci` loci, `sires` sires, the mother
// drawn in every trial unless `mother_known`.
TrialLayout trial_layout(int loci, int sires, bool mother_known);

// Generator values one trial of sample_brood consumes.
int values_per_trial(const StudyData& study, int32_t brood_size);

// Generator values one trial can consume at most.
constexpr int MAX_VALUES_PER_TRIAL = ALLELES_PER_PARENT * MAX_LOCI +
                                     ALLELES_PER_PARENT * MAX_SIRES * MAX_LOCI +
                                     MAX_OFFSPRING * (1 + 2 * MAX_LOCI);

// An untyped mother's draw for `slot` at `locus`.
constexpr int mother_value(int locus, int slot) {
  return ALLELES_PER_PARENT * locus + slot;
}

// Sire k's draw for `slot` at `locus`.
constexpr int sire_value(const TrialLayout& layout, int k, int locus, int slot) {
  return layout.first_sire_value + ALLELES_PER_PARENT * (k * layout.loci + locus) + slot;
}

// Offspring j's sire draw.
constexpr int offspring_sire_value(const TrialLayout& layout, int j) {
  return layout.first_offspring_value + j * layout.values_per_offspring;
}

// Offspring j's choice of its mother's slot at `locus`.
constexpr int maternal_choice_value(const TrialLayout& layout, int j, int locus) {
  return offspring_sire_value(layout, j) + 1 + 2 * locus;
}

// Offspring j's choice of its sire's slot at `locus`.
constexpr int paternal_choice_value(const TrialLayout& layout, int j, int locus) {
  return maternal_choice_value(layout, j, locus) + 1;
}

// Draws the mother (when untyped) into study.mother, a fresh set of sires and
// the first brood_size offspring, consuming values_per_trial generator
// values in the order of TrialLayout. A draw that picks
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

// The same, judging at each locus only the offspring `judged` holds there,
// and revealing several fathers only when at least `min_loci` loci do (a
// stricter verdict for noisy genotypes).
int judge_brood(const StudyData& study, int32_t brood_size, const TrialWork& work,
                const JudgedOffspring& judged, int min_loci = 1);

// The verdict when the mother was not sampled: each locus judged from the
// genotypes of the offspring `judged` holds there alone (parents_explain in
// locus_judgement.h), `min_loci` loci deciding the brood. The mother is
// drawn as ever; only her genotype is never read.
int judge_brood_unsampled(const StudyData& study, int32_t brood_size, const TrialWork& work,
                          const JudgedOffspring& judged, int min_loci = 1);

// The brood sample_brood drew, as read with the errors of `model`: the
// errors of trial `trial` of the estimate `key` (genotyping_error.h), into
// work.read_mother and work.read. The mother is read only when
// `mother_read` (drawn, then genotyped with the brood); otherwise her
// genotype is judged as it stands (given in advance, taken as read) or
// never looked at (not sampled).
// REQUIRES: sample_brood ran for this brood size.
void read_brood(const StudyData& study, int32_t brood_size, const ErrorModel& model, uint64_t key,
                int64_t trial, bool mother_read, TrialWork& work);

// judge_brood, or judge_brood_unsampled when `unsampled`, on the genotypes
// read_brood left. An offspring that carries neither of the mother's
// alleles as read is a mismatch at that locus and left out there, as the
// analysis of genotyped broods leaves it out.
int judge_read_brood(const StudyData& study, int32_t brood_size, const TrialWork& work,
                     const JudgedOffspring& judged, int min_loci, bool unsampled);

// sample_brood, then judge_brood.
int run_trial(StudyData& study, int32_t brood_size, TrialWork& work);

}  // namespace mpdetect
