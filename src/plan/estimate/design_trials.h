// The trials of one design, whatever its size: the console program's
// estimator (estimate.h) for a design within its limits, the wide
// estimator (wide_estimate.h) for a design or brood sizes past them. Both
// count the same trials from the same state, so the choice changes only
// the time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "plan/estimate/wide_estimate.h"
#include "plan/model/design.h"
#include "simulation/estimate.h"

namespace mpdetect {

class DesignTrials {
 public:
  // Where the trials stand between estimates: the untyped mother's draws,
  // in the study record or the wide estimator's storage. A copy goes on
  // from there, leaving the original as it was.
  struct Standing {
    StudyData study;
    WideWork wide;
  };

  // The trials of `design` under its model (mother, loci that must
  // reveal, genotyping errors), for broods of up to `max_brood`.
  // REQUIRES: a design past the study record's limits, or max_brood past
  // MAX_OFFSPRING, has no genotyping errors; max_brood <= PLAN_MAX_OFFSPRING.
  DesignTrials(const Design& design, int max_brood);

  // Where the first estimate starts.
  const Standing& start() const { return start_; }

  // The detections of `trials` further trials of brood_size from `random`
  // and `standing`, both moved past them.
  // REQUIRES: brood_size <= the max_brood given.
  int64_t count(Standing& standing, int brood_size, int64_t trials, RandomState& random);

  // Moves `random` and `standing` past `trials` trials of brood_size as
  // count would, judging none where it can.
  // REQUIRES: brood_size <= the max_brood given.
  void skip(Standing& standing, int brood_size, int64_t trials, RandomState& random);

  // The chance that two or more sires father a brood of brood_size.
  double ceiling(int brood_size) const;

 private:
  bool wide_;
  Standing start_{};
  std::unique_ptr<EstimateWork> work_;
  WideTables tables_;
  std::vector<double> drawn_;  // each sire's chance of being drawn
  double none_ = 0;            // that of no sire
};

// The chance that two or more of the design's sires father a brood of
// brood_size (sire_ceiling.h); 0 for a design without sires.
double design_ceiling(const Design& design, int brood_size);

// One estimate as the dialogue makes it: the detections of TRIAL_COUNT
// trials of brood_size from `seed`.
int count_design_detections(const Design& design, int brood_size, uint32_t seed);

// The design with the loci of `candidates` (single-locus designs of one
// input under one model) at the indices in `set`, in that order: the first
// candidate's sires, mother model and label, each locus's own mother
// alleles. Within the study record's limits it is the study those loci
// make; past them it is held in the planner's record.
// REQUIRES: set not empty; every candidate has one locus.
Design joined_design(const std::vector<Design>& candidates, const std::vector<int>& set);

}  // namespace mpdetect
