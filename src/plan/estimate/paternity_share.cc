#include "plan/estimate/paternity_share.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace mpdetect {

namespace {

constexpr double HALF_CHI_SQUARE_95 = 3.841458820694124 / 2;
// Bisections halve 0 to 1 this many times: far below any share's meaning.
constexpr int HALVINGS = 60;

double probability_of(int revealed, double detection) {
  return revealed ? std::max(detection, MIN_DETECTION) : detection;
}

double false_of(const std::vector<double>& false_detection, size_t i) {
  return false_detection.empty() ? 0 : false_detection[i];
}

// The slope of the log-likelihood at `share`, which falls as share grows.
double slope(double share, const std::vector<int>& revealed, const std::vector<double>& detection,
             const std::vector<double>& false_detection) {
  double sum = 0;
  for (size_t i = 0; i < revealed.size(); ++i) {
    const double d = probability_of(revealed[i], detection[i]);
    const double f = false_of(false_detection, i);
    if (f == 0) {
      sum += revealed[i] ? 1 / share : -d / (1 - share * d);
      continue;
    }
    const double p = f + share * (d - f);
    sum += revealed[i] ? (d - f) / p : -(d - f) / (1 - p);
  }
  return sum;
}

// The share in [low, high] where the log-likelihood crosses `level`, given
// that it lies above the level at `inside` and below at `outside`.
double crossing(double inside, double outside, double level, const std::vector<int>& revealed,
                const std::vector<double>& detection, const std::vector<double>& false_detection) {
  for (int n = 0; n < HALVINGS; ++n) {
    const double middle = (inside + outside) / 2;
    if (share_log_likelihood(middle, revealed, detection, false_detection) >= level) {
      inside = middle;
    } else {
      outside = middle;
    }
  }
  return (inside + outside) / 2;
}

}  // namespace

double share_log_likelihood(double share, const std::vector<int>& revealed,
                            const std::vector<double>& detection,
                            const std::vector<double>& false_detection) {
  double sum = 0;
  for (size_t i = 0; i < revealed.size(); ++i) {
    const double f = false_of(false_detection, i);
    const double p = f + share * (probability_of(revealed[i], detection[i]) - f);
    const double q = revealed[i] ? p : 1 - p;
    if (q <= 0) return -std::numeric_limits<double>::infinity();
    sum += std::log(q);
  }
  return sum;
}

ShareEstimate estimate_share(const std::vector<int>& revealed, const std::vector<double>& detection,
                             const std::vector<double>& false_detection) {
  ShareEstimate estimate{0, 0, 0, 1, false};
  size_t shown = 0;
  for (const int r : revealed) shown += r ? 1 : 0;
  estimate.observed = static_cast<double>(shown) / static_cast<double>(revealed.size());
  if (shown == 0) {
    estimate.share = 0;
  } else if (slope(1, revealed, detection, false_detection) >= 0) {
    estimate.share = 1;
  } else {
    double low = 0, high = 1;  // the slope is positive near 0, negative at 1
    for (int n = 0; n < HALVINGS; ++n) {
      const double middle = (low + high) / 2;
      (slope(middle, revealed, detection, false_detection) > 0 ? low : high) = middle;
    }
    estimate.share = (low + high) / 2;
  }
  const auto log_likelihood = [&](double share) {
    return share_log_likelihood(share, revealed, detection, false_detection);
  };
  const double level = log_likelihood(estimate.share) - HALF_CHI_SQUARE_95;
  estimate.low = log_likelihood(0) >= level
                     ? 0
                     : crossing(estimate.share, 0, level, revealed, detection, false_detection);
  estimate.high = log_likelihood(1) >= level
                      ? 1
                      : crossing(estimate.share, 1, level, revealed, detection, false_detection);
  estimate.bounded = estimate.low > 0 || estimate.high < 1;
  return estimate;
}

}  // namespace mpdetect
