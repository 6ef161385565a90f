// The panel statistics against their known values and against a brute-force
// enumeration of genotypes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "plan/estimate/curve.h"
#include "plan/model/panel_stats.h"

namespace mpdetect {

namespace {

// A parent is excluded when no allele of the offspring it would have had to
// pass on is among its own. Enumerates every mother, offspring and father
// (or pair) with Hardy-Weinberg probabilities.
struct Exclusions {
  double first, second, pair;
};

Exclusions brute_force(const std::vector<double>& p) {
  const int n = static_cast<int>(p.size());
  struct G {
    int a, b;
    double prob;
  };
  std::vector<G> genotypes;
  for (int a = 0; a < n; ++a)
    for (int b = a; b < n; ++b) genotypes.push_back({a, b, (a == b ? 1 : 2) * p[a] * p[b]});
  auto has = [](const G& g, int x) { return g.a == x || g.b == x; };
  Exclusions e{0, 0, 0};
  // Offspring of a mother m and a true father t; an unrelated male u.
  for (const G& m : genotypes)
    for (const G& t : genotypes)
      for (int mi = 0; mi < 2; ++mi)
        for (int ti = 0; ti < 2; ++ti) {
          const int from_m = mi ? m.b : m.a, from_t = ti ? t.b : t.a;
          const double w = m.prob * t.prob * 0.25;
          const G child{std::min(from_m, from_t), std::max(from_m, from_t), 0};
          for (const G& u : genotypes) {
            // First parent: only the offspring known; u shares no allele.
            if (!has(u, child.a) && !has(u, child.b)) e.first += w * u.prob;
            // Second parent: the mother known; u carries no allele she could
            // not have given.
            bool could = false;
            for (int x : {child.a, child.b}) {
              const int other = x == child.a ? child.b : child.a;
              if (has(m, other) && has(u, x)) could = true;
            }
            if (!could) e.second += w * u.prob;
          }
          // Parent pair: a random pair (u, v) that could not have produced it.
          for (const G& u : genotypes)
            for (const G& v : genotypes) {
              const bool fits =
                  (has(u, child.a) && has(v, child.b)) || (has(u, child.b) && has(v, child.a));
              if (!fits) e.pair += w * u.prob * v.prob;
            }
        }
  return e;
}

}  // namespace

TEST(PanelStatistics, KnownValues) {
  const LocusStatistics two = locus_statistics("L", {0.5, 0.5}, -1, -1);
  EXPECT_DOUBLE_EQ(two.expected_het, 0.5);
  EXPECT_DOUBLE_EQ(two.pic, 0.375);
  EXPECT_DOUBLE_EQ(two.exclusion_second, 0.1875);
  EXPECT_TRUE(std::isnan(two.observed_het));
  for (int n = 2; n <= 12; ++n) {
    const LocusStatistics even = locus_statistics("L", std::vector<double>(n, 1.0 / n), -1, -1);
    const double n4 = std::pow(n, 4);
    EXPECT_NEAR(even.exclusion_second, 1 - (2.0 * n * n * n + n * n - 5.0 * n + 3) / n4, 1e-12);
    EXPECT_EQ(even.alleles, n);
  }
  const LocusStatistics typed = locus_statistics("L", {0.5, 0.25, 0.25, 0}, 10, 7);
  EXPECT_EQ(typed.alleles, 3) << "an allele of frequency zero is not counted";
  EXPECT_DOUBLE_EQ(typed.observed_het, 0.7);
  EXPECT_DOUBLE_EQ(typed.unbiased_het, 20.0 / 19.0 * (1 - 0.375));
}

TEST(PanelStatistics, ExclusionAgreesWithEnumeration) {
  std::mt19937 random(5);
  for (int trial = 0; trial < 12; ++trial) {
    const int n = 1 + trial % 5;
    std::vector<double> p(n);
    double sum = 0;
    for (double& x : p) sum += x = 1 + random() % 9;
    for (double& x : p) x /= sum;
    const LocusStatistics s = locus_statistics("L", p, -1, -1);
    const Exclusions e = brute_force(p);
    EXPECT_NEAR(s.exclusion_first, e.first, 1e-12) << n;
    EXPECT_NEAR(s.exclusion_second, e.second, 1e-12) << n;
    EXPECT_NEAR(s.exclusion_pair, e.pair, 1e-12) << n;
  }
}

TEST(PanelStatistics, CombinedOverLociAndTables) {
  Panel panel;
  panel.loci.push_back(LocusPanel{"A", 0, {"1", "2"}, {0.5, 0.5}, 4, 2, {}});
  panel.loci.push_back(LocusPanel{"B,x", 1, {"1", "2"}, {0.5, 0.5}, 4, 1, {}});
  const PanelStatistics stats = panel_statistics(panel);
  EXPECT_DOUBLE_EQ(stats.combined_second, 1 - 0.8125 * 0.8125);
  const std::string csv = statistics_csv(stats, true);
  EXPECT_NE(csv.find("\nA,2,4,0.5000,0.5000,0.5714,0.3750,"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\n\"B,x\",2,4,0.2500,"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\ncombined,,,,,,,"), std::string::npos) << csv;
  const std::string without = statistics_csv(stats, false);
  EXPECT_EQ(without.substr(0, without.find('\n')),
            "locus,alleles,He,PIC,excl_first_parent,excl_second_parent,excl_parent_pair");

  // A combined exclusion short of 1 never reads 1.0000, nor one above 0
  // 0.0000: as many decimals as it takes, four when they do.
  PanelStatistics near = stats;
  near.combined_first = 0.99996;
  near.combined_second = 0.000012;
  near.combined_pair = 0.99994;
  const std::string shown = statistics_csv(near, false);
  EXPECT_NE(shown.find("\ncombined,,,,0.99996,0.00001,0.9999\n"), std::string::npos) << shown;
}

// Estimates are written down to the first significant decimal of their
// standard error, never fewer than the dialogue's three.
TEST(Estimates, DecimalsFollowTheTrials) {
  const struct {
    int64_t trials;
    int decimals;
  } rows[] = {{1, 3},      {20000, 3},   {50000, 3},    {250000, 3},
              {250001, 4}, {1000000, 4}, {100000000, 5}};
  for (const auto& row : rows)
    EXPECT_EQ(supported_decimals(row.trials), row.decimals) << row.trials;
  EXPECT_EQ(share_text(0.95612, 50000), "0.956");
  EXPECT_EQ(share_text(0.95612, 1000000), "0.9561");
}

}  // namespace mpdetect
