// The estimator the program uses: the same trials as run_trial, trial for
// trial, without drawing what cannot change a verdict.
//
// A trial's generator values sit at fixed offsets from its first state, so
// any of them can be read directly (random_jump.h), and a draw by weight is
// one lookup in a table built once by the exact walk (draw_table.h). The
// count of paternal alleles at a locus (the flag added for offspring with the
// mother's genotype included) never drops as offspring are added and does
// not depend on their order, and a trial detects as soon as one locus passes
// two; so a trial is judged a locus at a time, all offspring at once, and
// stops at the first locus that passes. Sire alleles are read only for sires
// that fathered offspring; a trial with one father, a locus with two alleles
// or fewer, and a locus whose fathers carry two alleles or fewer between
// them cannot detect and are passed over. Before that, where it pays, the
// first few offspring are looked at one by one, and a large brood is judged
// at its best locus by its first sixteen offspring: a subset that passes two
// settles the trial. Whole estimates that cannot detect (two offspring or
// fewer, one possible sire) only move the generator.
//
// What stays exact: a sire draw that picks no index keeps the previous
// offspring's sire (the last sire for the first offspring), and an untyped
// mother's slot keeps its allele from the previous trial, across estimates
// too. After an estimate the generator state and study.mother are what the
// plain trials would have left.
#pragma once

#include <cstdint>

#include "simulation/choice_bits.h"
#include "simulation/draw_table.h"
#include "simulation/random_jump.h"
#include "study/study_data.h"

// Generator values one trial can consume at most.
constexpr int MAX_VALUES_PER_TRIAL =
    2 * MAX_LOCI + 2 * MAX_SIRES * MAX_LOCI + MAX_OFFSPRING * (1 + 2 * MAX_LOCI);

// The jumps from a trial's first state to a set of per-offspring values,
// laid out for upper_half_choices.
struct OffspringJumps {
  uint32_t mul[CHOICE_LANES];
  uint32_t add[CHOICE_LANES];
};

struct FastEstimator {
  // Built by prepare_fast_estimator, once per study.
  int8_t allele_draw[MAX_LOCI][RANDOM15_VALUES];  // allele a value picks, or NO_INDEX
  int8_t sire_draw[RANDOM15_VALUES];              // sire a value picks, or NO_INDEX
  // sire_bound[k]: the first value whose draw is sire k or later (k >= 1);
  // sire_bound[S]: the first value that picks no sire.
  uint32_t sire_bound[MAX_SIRES + 1];
  Jump step[MAX_VALUES_PER_TRIAL + 1];  // step[k] advances the state by k values
  int locus_order[MAX_LOCI];            // loci that can detect, most informative first
  int useful_loci;                      // how many of them
  bool one_sire_only;                   // no brood can have two fathers
  bool first_look;                      // trials start with a look at a few offspring

  // Working storage of one estimate: per offspring, the jumps to its sire
  // draw, and per locus to its maternal and paternal choices.
  OffspringJumps sire_jumps;
  OffspringJumps maternal_jumps[MAX_LOCI];
  OffspringJumps paternal_jumps[MAX_LOCI];
  // Where the untyped mother's slots stand: the allele they held after trial
  // `trial` of the running estimate (-1: before it).
  struct {
    int32_t trial;
    int32_t allele;
  } mother_track[MAX_LOCI][2];

  // Working storage of one trial.
  uint32_t sire_value[CHOICE_LANES];
  OffspringSet offspring_of[MAX_SIRES];
  int8_t sire_allele[MAX_SIRES][2];
};

// Generator values that one trial of sample_brood consumes.
int values_per_trial(const StudyData& study, int32_t brood_size);

// Builds the tables for `study`.
// REQUIRES: study as accepted by read_study_data.
void prepare_fast_estimator(const StudyData& study, FastEstimator& fast);

// Runs `trial_count` trials of brood_size from the current generator state and
// returns how many detect multiple paternity, exactly as that many calls of
// run_trial would, leaving the generator and study.mother as they would.
// REQUIRES: fast prepared for this study; brood_size <= MAX_OFFSPRING.
int fast_count_detections(StudyData& study, int32_t brood_size, int trial_count,
                          FastEstimator& fast);
