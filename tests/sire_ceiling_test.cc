// The ceiling of every design: the chance that two or more sires father the
// brood, against its closed form, an enumeration of the sire draws, and the
// estimates of a study whose loci reveal nearly every second father.
#include "simulation/sire_ceiling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>

#include "simulation/draw_table.h"
#include "simulation/estimate.h"
#include "test_support.h"

namespace mpdetect {

namespace {

StudyData with_shares(const std::vector<double>& shares, int loci = 1, int alleles = 2) {
  std::ostringstream text;
  text.precision(9);
  text << loci << "\n";
  for (int i = 0; i < loci; ++i) {
    text << alleles;
    for (int a = 0; a < alleles; ++a) text << " " << 1.0 / alleles;
    text << "\n";
  }
  text << shares.size() << "\n";
  for (const double share : shares) text << share << " ";
  text << "\n99 0\n";
  return study_from(text.str());
}

// The chance of two or more sires by walking every sequence of draws of
// n offspring: each picks a sire by the draw table, or nothing and keeps
// the previous sire (the last for the first offspring).
double enumerated(const StudyData& study, int n) {
  static int8_t table[RANDOM15_VALUES];
  fill_draw_table(study.skew, study.sire_count, table);
  std::vector<double> chance(study.sire_count + 1, 0);  // the last entry: nothing
  for (const int8_t sire : table) chance[sire == NO_INDEX ? study.sire_count : sire] += 1;
  for (double& c : chance) c /= RANDOM15_VALUES;
  double several = 0;
  std::function<void(int, int, int, double)> walk = [&](int j, int previous, int first, double p) {
    if (j == n) {
      several += first >= 0 && previous != first ? p : 0;
      return;
    }
    for (int pick = 0; pick <= study.sire_count; ++pick) {
      const int sire = pick == study.sire_count ? previous : pick;
      // Once two sires have appeared the brood has several, whatever follows.
      if (first >= 0 && sire != first) {
        several += p * chance[pick];
        continue;
      }
      walk(j + 1, sire, j == 0 ? sire : first, p * chance[pick]);
    }
  };
  walk(0, study.sire_count - 1, -1, 1.0);
  return several;
}

}  // namespace

TEST(SireCeiling, ClosedFormEnumerationAndTheSimulation) {
  // Shares a binary fraction holds exactly: 1 - sum of share^n.
  const StudyData halves = with_shares({0.5, 0.5});
  const StudyData quarters = with_shares({0.75, 0.25});
  for (int n = 0; n <= 100; ++n) {
    const double two = n < 2 ? 0 : 1 - 2 * std::pow(0.5, n);
    EXPECT_NEAR(several_sires_chance(halves, n), two, 1e-12) << n;
    const double skewed = n < 2 ? 0 : 1 - std::pow(0.75, n) - std::pow(0.25, n);
    EXPECT_NEAR(several_sires_chance(quarters, n), skewed, 1e-12) << n;
  }
  // The new user's case: 0.6/0.4 cannot reach 0.95 at 6 offspring.
  EXPECT_NEAR(several_sires_chance(with_shares({0.6, 0.4}), 6), 0.9492, 1e-4);
  EXPECT_LT(several_sires_chance(with_shares({0.6, 0.4}), 6), 0.95);

  // Shares short of 1 (draws that pick nothing keep the previous sire),
  // zeros, one sire and many.
  const std::vector<std::vector<double>> cases = {
      {0.45, 0.45}, {0.5, 0.3}, {0, 0.7, 0.2}, {1}, {0.2, 0.2, 0.2, 0.2, 0.19}, {0.9, 0.0999}};
  for (const auto& shares : cases) {
    const StudyData study = with_shares(shares);
    for (int n = 0; n <= 6; ++n)
      EXPECT_NEAR(several_sires_chance(study, n), enumerated(study, n), 1e-12)
          << shares[0] << " " << n;
  }

  // 25 loci of 30 equal alleles reveal nearly every second father: the
  // estimates run along the ceiling (once the brood is large enough that a
  // sire's offspring show both his alleles), never above it but for noise.
  for (const auto& shares : {std::vector<double>{0.6, 0.4}, std::vector<double>{0.9, 0.1}}) {
    StudyData study = with_shares(shares, 25, 30);
    static EstimateWork work;
    prepare_estimates(study, work);
    RandomState random{5};
    for (const int n : {8, 16, 30}) {
      const double p = count_detections(study, n, work, random) / static_cast<double>(TRIAL_COUNT);
      const double ceiling = several_sires_chance(study, n);
      const double se = std::sqrt(ceiling * (1 - ceiling) / TRIAL_COUNT);
      EXPECT_LE(p, ceiling + 4 * se) << shares[0] << " " << n;
      EXPECT_GT(p, ceiling - 0.03) << shares[0] << " " << n;
    }
  }
}

}  // namespace mpdetect
