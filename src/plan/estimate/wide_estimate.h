// The estimate for a design of any size within the planner's limits
// (wide_study.h): the trials of sample_brood and judge_brood (trial.h),
// draw for draw and rule for rule, for any number of loci, alleles, sires
// and offspring. Within the console program's limits it counts exactly
// what count_more_detections counts from the same state.
//
// A trial's values sit at the offsets TrialLayout gives, so they are read
// where they lie (random_jump.h) and only those a verdict needs are read:
// loci are judged most informative first, offspring by offspring, and a
// trial stops once enough loci reveal several fathers (or too few are
// left). A locus's count never drops as offspring are added, and the
// brood's first offspring are drawn as a smaller brood's would be, so a
// locus that reveals in a prefix reveals in the brood.
//
// An untyped mother's draw keeps her previous allele when it picks none;
// where a locus's frequencies leave some values picking none, every trial
// draws her at every locus in order, as the plain trial does. Elsewhere
// she is drawn only at the loci judged.
//
// Genotyping errors are not modelled here; a design with them runs within
// the console program's limits (estimate.h).
#pragma once

#include <cstdint>
#include <vector>

#include "plan/model/wide_study.h"
#include "simulation/random_jump.h"
#include "simulation/random_source.h"
#include "simulation/trial.h"

namespace mpdetect {

// What the trials of one design read, built once: the draws' bounds, the
// order of the loci, the jumps to any offset of a trial. Read-only while
// estimates run, so estimates side by side may share it.
struct WideTables {
  int loci = 0;
  int sires = 0;
  bool mother_known = false;
  bool unsampled_mother = false;
  int min_loci = 1;
  TrialLayout layout{};
  std::vector<int> allele_count;                     // per locus
  std::vector<std::vector<uint32_t>> allele_bounds;  // per locus (fill_draw_bounds)
  std::vector<uint32_t> sire_bounds;
  // Loci that can reveal (more alleles than DETECTION_THRESHOLD), the
  // likeliest first.
  std::vector<int> locus_order;
  // Every locus's draw picks an allele for every generator value, so an
  // untyped mother never keeps an allele from an earlier trial.
  bool mother_always_drawn = true;
  // near[d] advances the state by d values (d < JUMP_SPAN), far[m] by m
  // times JUMP_SPAN.
  std::vector<Jump> near, far;
};

// The working storage of one run of estimates, and where the untyped
// mother's draws stand between trials and between estimates.
struct WideWork {
  std::vector<Genotype> mother;      // per locus
  std::vector<int32_t> sire_of;      // per offspring, the sire drawn, for those drawn so far
  std::vector<Genotype> sire_codes;  // per sire, his alleles' codes at the locus being judged
  std::vector<int32_t> code_of;      // per allele of the locus being judged: its short code
  std::vector<int64_t> coded_at;     // per allele: the judging that gave the code
  int64_t judging = 0;
};

// Builds the tables for `study` judged with the mother (or, when
// `unsampled_mother`, from the offspring alone), `min_loci` loci deciding,
// for broods of up to `max_brood`.
// REQUIRES: check_plan_limits(study) ok; 1 <= min_loci; 0 <= max_brood <= PLAN_MAX_OFFSPRING.
void prepare_wide_tables(const WideStudy& study, bool unsampled_mother, int min_loci, int max_brood,
                         WideTables& tables);

// The storage for estimates of `study`, its mother where the study leaves
// her.
WideWork wide_work(const WideStudy& study, int max_brood);

// Runs `trials` trials of brood_size from `random`, returning how many
// detect multiple paternity and advancing `random` past them, the mother's
// draws kept in `work` as the plain trials keep them.
// REQUIRES: tables prepared for broods of brood_size; work from the same
// study; trials >= 0.
int64_t wide_count_detections(const WideTables& tables, int brood_size, int64_t trials,
                              WideWork& work, RandomState& random);

}  // namespace mpdetect
