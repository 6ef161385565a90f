// Which loci matter at one brood size: the estimate with each locus alone,
// without each locus, and a forward order (the best single locus, the best
// pair that contains it, and so on to all loci). Every candidate starts
// from the same seed (common random numbers), so that differences between
// candidates come from the loci, not from noise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/model/design.h"

namespace mpdetect {

struct LocusRanking {
  std::vector<int> alone;    // per locus, detections with that locus alone
  std::vector<int> without;  // per locus, detections with every other locus
  std::vector<int> order;    // the forward order, locus indices
  std::vector<int> forward;  // detections with the first n + 1 loci of the order
};

// A ranking estimates each locus alone, without each, and at every step
// forward each locus left: about loci * loci / 2 estimates. It takes this
// many loci at most; a panel can be chosen from any number (panel_choice.h).
constexpr int MAX_RANKED_LOCI = 100;

// Ranks the loci of `design` at `brood_size`, running candidates side by
// side on up to `threads` threads (the results do not depend on how many).
// REQUIRES: 1 <= brood_size <= MAX_OFFSPRING, or PLAN_MAX_OFFSPRING for a
// design without genotyping errors.
LocusRanking rank_loci(const Design& design, int32_t brood_size, uint32_t seed, int threads);

// The table: analysis,locus,loci,probability,standard_error, where
// analysis is alone, without or forward; for forward rows the locus is the
// one added at that step and loci the number of loci used.
std::string ranking_table(const Design& design, const LocusRanking& ranking);

}  // namespace mpdetect
