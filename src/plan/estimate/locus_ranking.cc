#include "plan/estimate/locus_ranking.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "plan/estimate/curve.h"
#include "plan/estimate/design_trials.h"
#include "plan/estimate/parallel.h"
#include "plan/input/plan_text.h"
#include "simulation/estimate.h"

namespace mpdetect {

namespace {

// The detections of each candidate (a list of loci), each from `seed`.
std::vector<int> estimate_candidates(const Design& design,
                                     const std::vector<std::vector<int>>& candidates,
                                     int32_t brood_size, uint32_t seed, int threads) {
  std::vector<int> detections(candidates.size(), 0);
  run_jobs(candidates.size(), threads, [&](size_t c) {
    // The loci keep the study's order, so that the candidate with every
    // locus is the study itself.
    std::vector<int> loci = candidates[c];
    std::sort(loci.begin(), loci.end());
    detections[c] = count_design_detections(design_with_loci(design, loci), brood_size, seed);
  });
  return detections;
}

}  // namespace

LocusRanking rank_loci(const Design& design, int32_t brood_size, uint32_t seed, int threads) {
  const int loci = static_cast<int>(design.locus_names.size());
  LocusRanking ranking;
  std::vector<std::vector<int>> candidates;
  for (int i = 0; i < loci; ++i) candidates.push_back({i});
  for (int i = 0; i < loci; ++i) {
    std::vector<int> rest;
    for (int other = 0; other < loci; ++other) {
      if (other != i) rest.push_back(other);
    }
    candidates.push_back(rest);
  }
  const std::vector<int> first = estimate_candidates(design, candidates, brood_size, seed, threads);
  ranking.alone.assign(first.begin(), first.begin() + loci);
  ranking.without.assign(first.begin() + loci, first.end());

  // Forward: the best single locus is already known; each later step tries
  // every remaining locus with those chosen so far. Ties go to the locus
  // that comes first in the study.
  std::vector<bool> used(loci, false);
  for (int step = 0; step < loci; ++step) {
    std::vector<int> tried;
    std::vector<int> detections;
    if (step == 0) {
      for (int i = 0; i < loci; ++i) tried.push_back(i);
      detections = ranking.alone;
    } else {
      std::vector<std::vector<int>> next;
      for (int i = 0; i < loci; ++i) {
        if (used[i]) continue;
        tried.push_back(i);
        next.push_back(ranking.order);
        next.back().push_back(i);
      }
      detections = estimate_candidates(design, next, brood_size, seed, threads);
    }
    size_t best = 0;
    for (size_t n = 1; n < tried.size(); ++n) {
      if (detections[n] > detections[best]) best = n;
    }
    ranking.order.push_back(tried[best]);
    ranking.forward.push_back(detections[best]);
    used[tried[best]] = true;
  }
  return ranking;
}

std::string ranking_table(const Design& design, const LocusRanking& ranking) {
  std::string table = "analysis,locus,loci,probability,standard_error\n";
  const int loci = static_cast<int>(design.locus_names.size());
  char numbers[64];
  auto row = [&](const char* analysis, int locus, int used, int detections) {
    std::snprintf(numbers, sizeof numbers, ",%d,%.3f,%.4f\n", used, running_share(detections),
                  standard_error(detections));
    table += std::string(analysis) + "," + csv_cell(design.locus_names[locus]) + numbers;
  };
  for (int i = 0; i < loci; ++i) row("alone", i, 1, ranking.alone[i]);
  for (int i = 0; i < loci; ++i) row("without", i, loci - 1, ranking.without[i]);
  for (int n = 0; n < loci; ++n) row("forward", ranking.order[n], n + 1, ranking.forward[n]);
  return table;
}

}  // namespace mpdetect
