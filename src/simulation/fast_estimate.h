// The estimator the program uses: the same trials as run_trial, trial for
// trial, without drawing what cannot change a verdict.
//
// A trial's generator values sit at fixed offsets from its first state
// (TrialLayout in trial.h), so any of them can be read directly
// (random_jump.h), and a draw by weight is one lookup in a table built once
// by the exact walk (draw_table.h). The count of paternal alleles at a locus
// never drops as offspring are added and does not depend on their order,
// and a trial detects as soon as one locus passes DETECTION_THRESHOLD; so a
// trial is judged a locus at a time, all offspring at once, and stops at
// the first locus that passes.
//
// Where each step of the plain trial (trial.cc) is carried out here, so
// that a change to one there can be made everywhere it applies (all in
// fast_kernel.cc unless named otherwise). The judgement's rules are those
// numbered in judge_brood (trial.cc) and stated in locus_judgement.h.
//
//   untyped mother's draw, kept when it picks nothing
//                               untyped_mother_allele (across trials and
//                               estimates, through mother_track)
//   sire allele draws, last allele when nothing is picked
//                               draw_sire_alleles
//   offspring's sire draw, previous sire when nothing is picked
//                               draw_offspring_sires (all offspring at once,
//                               by comparing each value with sire_bound; in
//                               order when some value picks nothing),
//                               first_look_detects (in order, a few)
//   maternal and paternal choices (draw_half)
//                               upper_half (random_source.h), through
//                               upper_half_choices (choice_bits.h) and
//                               first_look_detects
//   rules 1 to 3 (homozygous offspring, the mother's own genotype marking
//   the locus ambiguous, the sire's allele)
//                               add_offspring (one offspring) and
//                               locus_detects (the offspring of each sire
//                               and slot at once)
//   rule 4 (the ambiguous mark counts one of the mother's alleles)
//                               locus_reveals
//   rule 5 (more than DETECTION_THRESHOLD paternal alleles)
//                               locus_reveals
//   rule 6 (any locus reveals, or min_loci of them)
//                               judge_trial, which stops at the first locus
//                               that does, in locus_order (judge_strictly
//                               counts them, and stops once min_loci have or
//                               too few loci are left)
//
// With an unsampled mother (FastTables::unsampled_mother) a locus is
// judged by locus_unexplained instead of locus_detects: the distinct
// genotypes of its judged offspring, as judge_brood_unsampled forms them,
// held to parents_explain. Its shortcuts hold there too: one father's
// offspring are explained by their true parents; fathers who carry two
// distinct alleles between them, or two offspring, are explained by one
// pair; and a brood that a prefix leaves unexplained stays so.
//
// With genotyping errors (FastTables::genotyping_errors) a locus is
// judged by locus_reveals_as_read: the errors at that locus of that trial
// are drawn first (only the gaps between them cost anything); a locus no
// error strikes is judged as without errors. One that errors strike is
// judged on the distinct genotypes of the offspring no error struck (as
// above, by father, slot and maternal choice) and the struck offspring as
// read, offspring that fit neither of the mother's read alleles left out,
// as judge_read_brood does. Too few fathers no longer bound the count, so
// too_few_fathers and one_sire_only are not used; instead a locus whose
// struck offspring, with the fathers' alleles, cannot make more than the
// threshold is passed over (too_few_to_detect on their union). The first
// stage still holds: the errors of the first offspring do not depend on
// the brood size. The first look is not used.
//
// Offspring left out at a locus (FastTables::judged) are drawn as ever
// and left out of that locus's count: locus_detects and first_look_detects
// judge only those judged holds, as judge_brood does with the same set.
//
// The shortcuts, and what each relies on:
//   - too_few_to_detect: a locus's count is at most the number of offspring
//     (each adds one paternal allele or the ambiguous mark) and at most the
//     distinct alleles the fathers carry; the kernel skips brood sizes and
//     loci (locus_detects) where these cannot pass rule 5.
//   - too_few_fathers (judge_trial) and one_sire_only
//     (prepare_fast_estimator): each father carries ALLELES_PER_PARENT
//     alleles, so too few fathers cannot pass rule 5.
//   - the loci left out of locus_order (prepare_fast_estimator): a locus
//     with no more alleles than the threshold cannot pass rule 5.
//   - the first stage (judge_trial, FIRST_STAGE offspring at the most
//     informative locus) and the first look (first_look_detects, FIRST_LOOK
//     offspring judged together): the first n offspring of a brood are drawn
//     as a brood of n would be, and a locus's count never drops as
//     offspring are added (a flag stays set; the ambiguous mark's one
//     allele gives way only to a flag of its own). So a prefix that
//     reveals, reveals for the brood; a prefix that does not decides
//     nothing, and the trial is judged whole.
//   - sire_bound (draw_offspring_sires): a draw by weight picks an index no
//     smaller for a larger value, since no weight is negative (the reader
//     refuses negative shares); so a sire draw is the number of run
//     boundaries at or below its value.
//
// What stays exact: after an estimate the generator state and study.mother
// are what the plain trials would have left.
//
// The kernel is built twice, for AVX2 and for any x86-64 (or other)
// machine; fast_count_detections picks one at run time, and both give the
// same results.
#pragma once

#include <cstdint>

#include "simulation/draw_table.h"
#include "simulation/genotyping_error.h"
#include "simulation/offspring_set.h"
#include "simulation/random_jump.h"
#include "simulation/random_source.h"
#include "simulation/trial.h"
#include "study/study_data.h"

namespace mpdetect {

// Offspring a trial with the first look looks at one by one, at the most
// informative locus, before it is judged a locus at a time.
constexpr int FIRST_LOOK = 4;

// The jumps from a trial's first state to a set of per-offspring values.
struct OffspringJumps {
  uint32_t mul[CHOICE_LANES];
  uint32_t add[CHOICE_LANES];
};

// Trials the batched stage judges at once at most, one in each lane of a
// vector (see trial_batch.h): eight with AVX2, four with SSE2.
constexpr int BATCH_TRIALS = 8;
// Offspring it judges per trial at each locus, at most: past 16, a trial it
// leaves open at a locus is nearly always one whose sires cannot show three
// alleles there, not one whose offspring missed one.
constexpr int BATCH_OFFSPRING = 16;
// The most sires it takes: each offspring's kind (its sire, the slot of his
// allele it got, its maternal choice) is one bit of a 32-bit lane, below
// its top bit.
constexpr int BATCH_SIRES = 7;

// Where the batched first stage's trials start, laid out per estimate.
struct BatchJumps {
  int offspring;  // judged per trial and locus; 0: this estimate does not batch
  // The stage goes on to the next locus while at least this many lanes,
  // 1 or 2, are open.
  int open_least;
  // From a batch's first state to each lane's, and to the next batch's.
  uint32_t lane_mul[BATCH_TRIALS];
  uint32_t lane_add[BATCH_TRIALS];
  Jump next;
};

// The tables for one study and its estimates' settings: built once, then
// only read by the estimates.
struct FastTables {
  // Built by prepare_fast_tables, once per study.
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
  // The offspring judged at each locus: every one, as prepared, unless a
  // genotyped brood's untyped offspring are left out (see JudgedOffspring).
  JudgedOffspring judged;
  // The mother was not sampled: loci are judged from the offspring alone
  // (judge_brood_unsampled), without the first look.
  bool unsampled_mother;
  // Loci that must reveal several fathers for a trial to detect (1 as
  // prepared); with more, trials are judged whole, without the first look
  // or the first stage.
  int min_loci;
  // Genotypes are read with the errors of `errors` (off as prepared).
  bool genotyping_errors;
  ErrorModel errors;
};

// The working storage of one estimate.
struct FastWork {
  // Per offspring, the jumps to its sire draw, and per locus to its maternal
  // and paternal choices.
  OffspringJumps sire_jumps;
  OffspringJumps maternal_jumps[MAX_LOCI];
  OffspringJumps paternal_jumps[MAX_LOCI];
  // Where the untyped mother's slots stand: the allele they held after trial
  // `trial` of the running estimate (-1: before it).
  struct {
    int32_t trial;
    int32_t allele;
  } mother_track[MAX_LOCI][2];
  uint64_t error_key;  // the running estimate's, from its first state

  // The jumps to the values the first look reads at the most informative
  // locus, in lanes of FIRST_LOOK: the offspring's sire draws, paternal
  // choices and maternal choices, then the untyped mother's two draws.
  OffspringJumps first_look_jumps;
  // The jumps to each sire's allele draws, by locus: a locus's together.
  Jump sire_jumps_at[MAX_LOCI][MAX_SIRES][ALLELES_PER_PARENT];
  BatchJumps batch;

  // Working storage of one trial.
  uint32_t sire_value[CHOICE_LANES];
  OffspringSet offspring_of[MAX_SIRES];
  int8_t sire_allele[MAX_SIRES][2];
};

// The tables of a study beside the storage of one estimate: estimates that
// run side by side each need their own, and may copy the same tables. They
// are one record, not two, so that the trial loop reaches both from one
// address: held apart, its inner loops need one more register than they
// have, and run about 2.5 % more instructions.
struct FastEstimator {
  FastTables tables;
  FastWork work;
};

// Builds the tables for `study`, with the settings of the console
// program's verdict (every offspring judged, the mother sampled, one locus
// deciding, no genotyping errors).
// REQUIRES: study as accepted by read_study_data.
void prepare_fast_tables(const StudyData& study, FastTables& tables);

// prepare_fast_tables for the estimator's tables.
void prepare_fast_estimator(const StudyData& study, FastEstimator& fast);

// Runs `trial_count` trials of brood_size from `random` and returns how many
// detect multiple paternity, exactly as that many calls of run_trial from
// that state would, leaving `random` and study.mother as they would. Reads
// fast.tables and writes nothing but fast.work, `study` and `random`.
// REQUIRES: fast prepared for this study; brood_size <= MAX_OFFSPRING.
int fast_count_detections(StudyData& study, int32_t brood_size, int trial_count,
                          FastEstimator& fast, RandomState& random);

// Moves `random` and study.mother past `trial_count` trials of brood_size
// exactly as fast_count_detections would, without judging them: where a
// later estimate starts, reached without running the earlier ones.
// REQUIRES: as fast_count_detections.
void fast_skip_trials(StudyData& study, int32_t brood_size, int trial_count, FastEstimator& fast,
                      RandomState& random);

// The kernels behind fast_count_detections, for tests that hold them to
// each other: each is fast_count_detections on one instruction set.
using CountKernel = int (*)(StudyData& study, int32_t brood_size, int trial_count,
                            FastEstimator& fast, RandomState& random);

// The kernel for any machine.
CountKernel portable_kernel();

// The AVX2 kernel when this machine can run it and this build has it (on
// x86-64 with MPDETECT_VECTOR_KERNEL); nullptr otherwise.
CountKernel vector_kernel();

}  // namespace mpdetect
