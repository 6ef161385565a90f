// Power curves: for each design, the estimate at every brood size of a
// range, each design starting from the same seed (common random numbers),
// and the estimates of one design following one another as the dialogue's
// do when answered with those sizes in turn.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plan/design.h"

struct CurveRange {
  int from = 1;
  int to = MAX_OFFSPRING;
  int step = 1;
};

struct CurvePoint {
  int brood_size;
  int detections;  // of TRIAL_COUNT trials
  double ceiling;  // the chance that two or more sires father the brood
};

struct DesignCurve {
  std::string label;
  std::vector<CurvePoint> points;
};

// Called after each estimate with the design's index and how many of its
// sizes are done. Returning false stops the run: every design ends after
// the estimate it is making.
using EstimateDone = std::function<bool(size_t design, int done)>;

// Estimates every design over the range from `seed`. Designs run side by
// side on up to `threads` threads; the results do not depend on how many.
// `complete`, when given, says whether every estimate was made (false once
// `done` stopped the run, the curves then cut short).
// REQUIRES: 1 <= from <= to <= MAX_OFFSPRING; step >= 1.
std::vector<DesignCurve> estimate_curves(const std::vector<Design>& designs,
                                         const CurveRange& range, uint32_t seed, int threads,
                                         const EstimateDone& done = {}, bool* complete = nullptr);

// How many sizes the range holds.
int sizes_in(const CurveRange& range);

// The estimate exactly as the dialogue prints it, to three decimals.
double printed_probability(int detections);

// The Monte Carlo standard error of an estimate from `detections`.
double standard_error(int detections);

// The 95 % Wilson score interval of the share of detecting trials.
void interval95(int detections, double& low, double& high);

// The table: design,brood_size,probability,standard_error,ci_low,ci_high,
// ceiling.
// With `with_design` false the design column is left out (one design).
std::string curve_table(const std::vector<DesignCurve>& curves, bool with_design);

// The smallest brood size of a curve whose estimate reaches `target`, or 0.
int smallest_reaching(const DesignCurve& curve, double target);

// The line that names that size, or says that no size of the range reaches
// the target; prefixed with the design's label when `labelled`.
std::string target_line(const DesignCurve& curve, double target, bool labelled);
