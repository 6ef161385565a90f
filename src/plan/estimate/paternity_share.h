// How many broods truly have more than one sire, from what was observed:
// each brood's verdict and the probability that its design would reveal
// multiple paternity were it there. A brood that could hardly have shown it
// counts for little.
//
// The model: a brood has several sires with chance `share`, and is then
// revealed with its own detection probability d; a brood with one sire is
// never revealed (the judgement gives no false detections on error-free
// genotypes). So brood i is revealed with chance share * d_i, and the
// likelihood of the verdicts is the product of share * d_i over revealed
// broods and 1 - share * d_i over the others. Where a verdict can call a
// single-sire brood several (genotyping errors; the likelihood verdict, at
// its false-detection rate), brood i's own chance f_i of that enters too:
// it is revealed with chance share * d_i + (1 - share) * f_i.
#pragma once

#include <vector>

namespace mpdetect {

struct ShareEstimate {
  double observed;   // revealed broods over all
  double share;      // the maximum-likelihood share of multiply-sired broods
  double low, high;  // its 95 % profile-likelihood interval
  // False when the interval is the whole of 0 to 1: the data cannot bound
  // the share (no brood could reveal much, say).
  bool bounded;
};

// The log-likelihood of `share` given the verdicts (1 revealed, 0 not) and
// each brood's detection probability. A revealed brood's probability is
// taken as at least MIN_DETECTION, since it did reveal.
constexpr double MIN_DETECTION = 1e-5;
double share_log_likelihood(double share, const std::vector<int>& revealed,
                            const std::vector<double>& detection,
                            const std::vector<double>& false_detection = {});

// The estimate and its interval: the share where the log-likelihood peaks
// on 0 to 1 (it is concave there), and the shares whose log-likelihood lies
// within 3.8415 / 2 of the peak (the chi-square 95 % point on one degree of
// freedom).
// REQUIRES: revealed and detection (and false_detection, unless empty: none)
// of one size, at least one brood; probabilities from 0 to 1, each false
// detection below its brood's detection.
ShareEstimate estimate_share(const std::vector<int>& revealed, const std::vector<double>& detection,
                             const std::vector<double>& false_detection = {});

}  // namespace mpdetect
