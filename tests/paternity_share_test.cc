// The corrected share of multiply-sired broods against a direct
// computation: the log-likelihood over a fine grid of shares, its peak and
// the shares within the chi-square bound of it; and by hand, broods that
// would all reveal (a binomial share).
#include "plan/estimate/paternity_share.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mpdetect {

namespace {

struct Direct {
  double share, low, high;
};

Direct on_a_grid(const std::vector<int>& revealed, const std::vector<double>& detection) {
  constexpr int POINTS = 200000;
  std::vector<double> ll(POINTS + 1);
  int best = 0;
  for (int n = 0; n <= POINTS; ++n) {
    ll[n] = share_log_likelihood(static_cast<double>(n) / POINTS, revealed, detection);
    if (ll[n] > ll[best]) best = n;
  }
  Direct direct{static_cast<double>(best) / POINTS, 1, 0};
  for (int n = 0; n <= POINTS; ++n) {
    if (ll[n] < ll[best] - 3.841458820694124 / 2) continue;
    direct.low = std::min(direct.low, static_cast<double>(n) / POINTS);
    direct.high = std::max(direct.high, static_cast<double>(n) / POINTS);
  }
  return direct;
}

}  // namespace

TEST(PaternityShare, AgreesWithTheLikelihoodOnAGrid) {
  struct Row {
    std::vector<int> revealed;
    std::vector<double> detection;
  };
  const Row rows[] = {
      {{1, 0, 0, 1, 0}, {0.9, 0.5, 0.2, 0.7, 0.95}},
      {{1, 1, 1}, {0.3, 0.4, 0.2}},           // every brood revealed
      {{0, 0, 0, 0}, {0.99, 0.8, 0.9, 0.6}},  // none, but each could
      {{1, 0, 0, 0, 0, 0}, {0.1, 0.1, 0.05, 1.0, 0.2, 0.3}},
      {{0, 1, 0}, {0.01, 0.0, 0.02}},  // revealed though given no chance
      {{1, 0, 1, 0, 1, 0, 1, 0}, {0.5, 0.5, 0.6, 0.6, 0.7, 0.7, 0.8, 0.8}},
  };
  for (const Row& row : rows) {
    const ShareEstimate estimate = estimate_share(row.revealed, row.detection);
    const Direct direct = on_a_grid(row.revealed, row.detection);
    EXPECT_NEAR(estimate.share, direct.share, 2e-5);
    EXPECT_NEAR(estimate.low, direct.low, 2e-5);
    EXPECT_NEAR(estimate.high, direct.high, 2e-5);
    EXPECT_LE(estimate.low, estimate.share);
    EXPECT_GE(estimate.high, estimate.share);
  }
}

TEST(PaternityShare, BinomialWhenEveryBroodWouldRevealAndUnboundedWhenNoneCould) {
  // 3 of 10 broods revealed, each certain to reveal several sires: the
  // share is 3/10, the observed share itself.
  const std::vector<int> three({1, 1, 1, 0, 0, 0, 0, 0, 0, 0});
  const ShareEstimate certain = estimate_share(three, std::vector<double>(10, 1.0));
  EXPECT_NEAR(certain.share, 0.3, 1e-12);
  EXPECT_DOUBLE_EQ(certain.observed, 0.3);
  EXPECT_TRUE(certain.bounded);
  // Half as likely to reveal: the same verdicts mean twice the share.
  EXPECT_NEAR(estimate_share(three, std::vector<double>(10, 0.5)).share, 0.6, 1e-12);
  // Broods that could hardly reveal anything bound nothing.
  const ShareEstimate blind = estimate_share({0, 0, 0}, {0.01, 0.02, 0.0});
  EXPECT_EQ(blind.share, 0);
  EXPECT_EQ(blind.low, 0);
  EXPECT_EQ(blind.high, 1);
  EXPECT_FALSE(blind.bounded);
}

}  // namespace mpdetect

namespace mpdetect {

// With false detections, brood i is revealed with chance s d_i + (1 - s) f_i:
// the estimate and interval against that likelihood written out here, on a
// grid; and all-zero false detections give the plain estimate exactly.
TEST(PaternityShare, FalseDetectionsEnterTheModel) {
  const std::vector<int> revealed = {1, 0, 1, 0, 0, 1, 0, 0, 0, 1};
  const std::vector<double> detection = {0.9, 0.8, 0.95, 0.6, 0.7, 0.9, 0.85, 0.5, 0.9, 0.99};
  const std::vector<double> falsely = {0.01, 0.05, 0.02, 0.01, 0.1, 0.01, 0.01, 0.03, 0.01, 0.2};
  const auto direct = [&](double s) {
    double sum = 0;
    for (size_t i = 0; i < revealed.size(); ++i) {
      const double p = s * detection[i] + (1 - s) * falsely[i];
      sum += std::log(revealed[i] ? p : 1 - p);
    }
    return sum;
  };
  constexpr int POINTS = 100000;
  int best = 0;
  for (int n = 0; n <= POINTS; ++n) {
    if (direct(static_cast<double>(n) / POINTS) > direct(static_cast<double>(best) / POINTS))
      best = n;
  }
  double low = 1, high = 0;
  const double level = direct(static_cast<double>(best) / POINTS) - 3.841458820694124 / 2;
  for (int n = 0; n <= POINTS; ++n) {
    const double s = static_cast<double>(n) / POINTS;
    if (direct(s) < level) continue;
    low = std::min(low, s);
    high = std::max(high, s);
  }
  const ShareEstimate estimate = estimate_share(revealed, detection, falsely);
  EXPECT_NEAR(estimate.share, static_cast<double>(best) / POINTS, 3e-5);
  EXPECT_NEAR(estimate.low, low, 3e-5);
  EXPECT_NEAR(estimate.high, high, 3e-5);
  // Counting false detections lowers the share the same verdicts give.
  EXPECT_LT(estimate.share, estimate_share(revealed, detection).share - 0.02);

  const ShareEstimate plain = estimate_share(revealed, detection);
  const ShareEstimate zeros =
      estimate_share(revealed, detection, std::vector<double>(revealed.size(), 0.0));
  EXPECT_EQ(plain.share, zeros.share);
  EXPECT_EQ(plain.low, zeros.low);
  EXPECT_EQ(plain.high, zeros.high);
}

}  // namespace mpdetect
