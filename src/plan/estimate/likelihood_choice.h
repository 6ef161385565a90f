// Choosing a panel for the likelihood verdict from many loci, as GT-seq
// panels are chosen from thousands of SNPs.
//
// Given the families a brood really has, the loci add their log-likelihood
// ratios: log L(true families) - log L(one family) is a sum over loci. Its
// expectation over broods of the design, a locus's information, is then
// additive too, and the panel of K loci with the most expected evidence
// for the true families is simply the K most informative loci: no forward
// search, and no step that a single locus's weakness alone would hide (an
// SNP alone reveals almost nothing). The information is estimated from
// broods of the design at one size, every candidate from the same brood
// keys (common random numbers).
//
// Its limit: the verdict's statistic is the best split, not the true one,
// and its threshold grows with the panel, so the most information is not
// always the most power; the calibrated detection of the chosen panel is
// therefore estimated, at panel sizes 1, 2, 4, ... and K, by the verdict
// itself (likelihood_trials.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/estimate/likelihood_trials.h"
#include "plan/model/design.h"
#include "plan/model/panel_stats.h"

namespace mpdetect {

// Broods per candidate for its information: enough to order loci whose
// information differs by a few percent.
constexpr int64_t INFORMATION_BROODS = 400;

struct LocusInformation {
  double mean = 0;   // expected log-likelihood ratio of the true families
  double error = 0;  // its standard error
};

struct LikelihoodChoice {
  std::vector<std::string> names;             // every candidate
  std::vector<LocusStatistics> statistics;    // per candidate
  std::vector<LocusInformation> information;  // per candidate
  std::vector<int> chosen;                    // the loci chosen, most informative first
  // The verdict's estimate with the first point_loci[n] loci chosen.
  std::vector<int> point_loci;
  std::vector<LikelihoodPoint> points;
  int asked = 0;
  int64_t broods = 0;  // per candidate, for its information
};

// Each candidate's information at `brood_size`, from `broods` broods of
// its design drawn from `seed`, on up to `threads` threads (the result the
// same whatever their number).
// REQUIRES: every candidate of one locus and at least two sires;
// 1 <= brood_size <= LIKELIHOOD_MAX_OFFSPRING; broods >= 2.
std::vector<LocusInformation> locus_information(const std::vector<Design>& candidates,
                                                int brood_size, int64_t broods, uint32_t seed,
                                                int threads);

// The panel sizes the verdict is estimated at: 1, 2, 4, ... below `loci`,
// and `loci`.
std::vector<int> checkpoint_loci(int loci);

// Chooses the `choose` most informative loci (ties keep the input's order)
// and estimates the verdict on `trials` broods of each set at each
// checkpoint.
// REQUIRES: as locus_information; choose >= 1; trials >= 1.
LikelihoodChoice choose_likelihood_panel(const std::vector<Design>& candidates,
                                         const std::vector<LocusStatistics>& statistics, int choose,
                                         int brood_size, int64_t trials, uint32_t seed,
                                         int threads);

// The table: step,locus,information,information_standard_error,loci,
// probability,standard_error,false_detection,he,pic, one row per locus
// chosen; the verdict's columns filled at the checkpoints, empty between.
std::string likelihood_choice_table(const LikelihoodChoice& choice);

// What the user is told: how the loci were chosen and what was estimated.
Notes likelihood_choice_notes(const LikelihoodChoice& choice, int brood_size);

}  // namespace mpdetect
