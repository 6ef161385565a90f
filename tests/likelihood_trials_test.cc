#include "plan/estimate/likelihood_trials.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "uneven_study.h"

namespace mpdetect {
namespace {

TEST(LikelihoodTrials, ThresholdIsTheOrderStatisticThatHoldsTheRate) {
  std::vector<double> hundred;
  for (int v = 100; v >= 1; --v) hundred.push_back(v);
  std::vector<double> ties(99, 0.0);
  ties.push_back(5);
  struct Row {
    const std::vector<double>* values;
    double alpha;
    double threshold;
  };
  const Row rows[] = {
      {&hundred, 0.05, 96},  // k = ceil(0.95 * 101) = 96
      {&hundred, 0.01, 100},
      {&hundred, 0.5, 51},
      {&hundred, 0.001, HUGE_VAL},  // 101 > 100: no brood may be called
      {&ties, 0.05, 0},
  };
  for (const Row& row : rows)
    EXPECT_EQ(calibrated_threshold(*row.values, row.alpha), row.threshold) << row.alpha;
}

// Each value left out in turn and held against calibrated_threshold of the
// rest, as written out, on values with and without ties, at rates whose
// threshold lies inside, at the top of, and past the values.
TEST(LikelihoodTrials, LeftOutFalseDetectionsAreEachValueAgainstTheOthers) {
  std::mt19937_64 random(8);
  for (int round = 0; round < 200; ++round) {
    const size_t n = 2 + random() % 60;
    std::vector<double> values;
    for (size_t i = 0; i < n; ++i) {
      // Half the rounds mostly zeros (a statistic's point mass at 0), the
      // rest few distinct values, so that ties fall on the threshold.
      const uint64_t draw = random() % 10;
      values.push_back(round % 2 ? (draw < 8 ? 0.0 : static_cast<double>(draw))
                                 : static_cast<double>(random() % 7));
    }
    for (const double alpha : {0.01, 0.05, 0.2, 0.5}) {
      int64_t expected = 0;
      for (size_t i = 0; i < n; ++i) {
        std::vector<double> others = values;
        others.erase(others.begin() + static_cast<ptrdiff_t>(i));
        expected += values[i] > calibrated_threshold(others, alpha);
      }
      EXPECT_EQ(false_detections_left_out(values, alpha), expected)
          << "n " << n << ", alpha " << alpha << ", round " << round;
    }
  }
}

// ---- An independent sampler of single-sire broods: std::mt19937 and
// discrete distributions, the errors drawn as genotyping_error.h states them.

struct Sampler {
  const WideStudy& study;
  ErrorRates errors;
  bool unsampled;
  std::mt19937_64 random;

  int allele(int locus) {
    const std::vector<double>& p = study.frequency[static_cast<size_t>(locus)];
    return std::discrete_distribution<int>(p.begin(), p.end())(random);
  }
  double uniform() { return std::uniform_real_distribution<double>(0, 1)(random); }
  Genotype read(int locus, Genotype g) {
    if (g.slot[0] != g.slot[1] && uniform() < errors.dropout) {
      const int kept = uniform() < 0.5 ? 0 : 1;
      g.slot[1 - kept] = g.slot[kept];
    }
    for (int32_t& a : g.slot) {
      if (uniform() >= errors.false_allele) continue;
      std::vector<double> others = study.frequency[static_cast<size_t>(locus)];
      others[static_cast<size_t>(a)] = 0;
      a = std::discrete_distribution<int>(others.begin(), others.end())(random);
    }
    return g;
  }
  BroodReads single_sire_brood(int size) {
    const int loci = static_cast<int>(study.frequency.size());
    BroodReads brood;
    brood.loci = loci;
    brood.offspring = size;
    brood.mother_typed = !unsampled;
    brood.young.resize(static_cast<size_t>(loci * size));
    for (int l = 0; l < loci; ++l) {
      Genotype mother = study.mother[static_cast<size_t>(l)];
      if (!study.mother_known) mother = Genotype{{allele(l), allele(l)}};
      const Genotype father{{allele(l), allele(l)}};
      brood.mother.push_back(study.mother_known ? mother : read(l, mother));
      for (int j = 0; j < size; ++j) {
        const Genotype child{{mother.slot[random() & 1u], father.slot[random() & 1u]}};
        brood.young[static_cast<size_t>(j * loci + l)] = read(l, child);
      }
    }
    return brood;
  }
};

WideStudy panel(int loci, int alleles, bool mother_known) {
  return uneven_study(loci, alleles, {0.5, 0.5}, mother_known);
}

// The rate the threshold keeps, measured on broods another sampler draws:
// within alpha +- 4 standard errors (of the threshold's own calibration
// broods and of the broods counted) on designs of microsatellites and
// SNPs, each mother, with errors and without.
TEST(LikelihoodTrials, FalseDetectionsHoldTheRateOnBroodsDrawnApart) {
  struct Case {
    int loci, alleles;
    bool mother_known, unsampled;
    ErrorRates errors;
  };
  const Case cases[] = {
      {6, 6, false, false, {}},
      {6, 6, true, false, {}},
      {4, 5, false, true, {}},
      {6, 6, false, false, {0.02, 0.01}},
      {6, 6, true, false, {0.02, 0.01}},
      {4, 5, false, true, {0.02, 0.01}},
      {30, 2, false, false, {}},
      {30, 2, true, false, {}},
      {12, 2, false, true, {}},
      {30, 2, false, false, {0.02, 0.01}},
      {30, 2, true, false, {0.02, 0.01}},
      {12, 2, false, true, {0.02, 0.01}},
  };
  constexpr double ALPHA = 0.05;
  constexpr int64_t CALIBRATION = 1000;
  constexpr int COUNTED = 1000;
  constexpr int SIZE = 6;
  for (const Case& c : cases) {
    const WideStudy study = panel(c.loci, c.alleles, c.mother_known);
    const LikelihoodTables tables =
        likelihood_tables(study, c.unsampled, c.errors, reading_of(c.errors, 0.01));
    const LikelihoodPoint point = likelihood_point(tables, SIZE, CALIBRATION, ALPHA, 17, 2);
    Sampler sampler{study, c.errors, c.unsampled, std::mt19937_64(91)};
    BroodTerms terms;
    SplitSearch search;
    int called = 0;
    for (int b = 0; b < COUNTED; ++b) {
      const BroodReads brood = sampler.single_sire_brood(SIZE);
      prepare_brood_terms(study.frequency, tables.reading, brood, terms);
      called += searched_split_statistic(terms, search, point.threshold) > point.threshold;
    }
    const double rate = static_cast<double>(called) / COUNTED;
    const double se = std::sqrt(ALPHA * (1 - ALPHA) * (1.0 / COUNTED + 1.0 / CALIBRATION));
    EXPECT_LE(std::fabs(rate - ALPHA), 4 * se)
        << c.loci << " loci of " << c.alleles << ", mother known " << c.mother_known
        << ", unsampled " << c.unsampled << ", dropout " << c.errors.dropout << ": " << rate;
    // The point's own measure, from its own single-sire broods, agrees;
    // and so does the count of its calibration broods left out in turn
    // (the same broods, so the same threshold).
    const double own = static_cast<double>(point.false_detections) / CALIBRATION;
    EXPECT_LE(std::fabs(own - ALPHA), 4 * se) << c.loci << " loci: own " << own;
    const LikelihoodPoint left = likelihood_point(tables, SIZE, CALIBRATION, ALPHA, 17, 2, 0,
                                                  FalseDetections::EACH_LEFT_OUT);
    ASSERT_EQ(left.threshold, point.threshold);
    const double left_out = static_cast<double>(left.false_detections) / CALIBRATION;
    EXPECT_LE(std::fabs(left_out - rate), 4 * se) << c.loci << " loci: left out " << left_out;
  }
}

TEST(LikelihoodTrials, APointIsTheSameOnAnyNumberOfThreads) {
  const WideStudy study = panel(5, 4, false);
  const LikelihoodTables tables = likelihood_tables(study, false, {}, reading_of({}, 0.01));
  const LikelihoodPoint one = likelihood_point(tables, 7, 1100, 0.01, 5, 1);
  const LikelihoodPoint two = likelihood_point(tables, 7, 1100, 0.01, 5, 2);
  EXPECT_EQ(one.threshold, two.threshold);
  EXPECT_EQ(one.detections, two.detections);
  EXPECT_EQ(one.false_detections, two.false_detections);
  // Two sires at 7 offspring on five loci: most broods show them.
  EXPECT_GT(one.detections, 700);
}

// A brood's threshold comes from single-sire broods, the same whatever the
// design's shares: a further design's detections against the first
// design's threshold are its own point's, and so is the threshold.
TEST(LikelihoodTrials, TheThresholdServesEveryDesignOfShares) {
  WideStudy first = panel(5, 4, true);
  const LikelihoodTables tables = likelihood_tables(first, false, {}, reading_of({}, 0.01));
  const LikelihoodPoint point =
      likelihood_point(tables, 9, 300, 0.05, 12, 2, 0, FalseDetections::EACH_LEFT_OUT);
  for (const std::vector<double>& shares :
       {std::vector<double>{0.8, 0.2}, {0.4, 0.3, 0.3}, {0.95, 0.05}}) {
    WideStudy other = first;
    other.share = shares;
    const LikelihoodTables others = likelihood_tables(other, false, {}, reading_of({}, 0.01));
    const LikelihoodPoint own =
        likelihood_point(others, 9, 300, 0.05, 12, 2, 0, FalseDetections::EACH_LEFT_OUT);
    EXPECT_EQ(own.threshold, point.threshold) << shares.size();
    EXPECT_EQ(own.false_detections, point.false_detections) << shares.size();
    EXPECT_EQ(design_detections(others, 9, 300, point.threshold, 12, 1), own.detections)
        << shares.size();
  }
}

TEST(LikelihoodTrials, ADesignBroodHasTheSiresItsSharesDraw) {
  WideStudy study = panel(3, 4, false);
  study.share = {0.9, 0.1};
  const LikelihoodTables tables = likelihood_tables(study, false, {}, reading_of({}, 0.01));
  BroodReads brood;
  std::vector<int> sire_of;
  int second = 0, drawn = 0;
  for (int64_t t = 0; t < 400; ++t) {
    draw_likelihood_brood(tables, BroodSet::DESIGN, 10, t, 3, brood, sire_of);
    for (const int s : sire_of) second += s == 1;
    drawn += 10;
    draw_likelihood_brood(tables, BroodSet::SINGLE_SIRE, 10, t, 3, brood, sire_of);
    EXPECT_EQ(std::count(sire_of.begin(), sire_of.end(), 0), 10);
  }
  // 4000 draws of a share of 0.1: within 4 standard errors (0.019).
  EXPECT_NEAR(static_cast<double>(second) / drawn, 0.1, 0.019);
}

}  // namespace
}  // namespace mpdetect

namespace mpdetect {
namespace {

// What the verdict will take on, before any work: its terms a brood bound
// memory and time alike.
TEST(LikelihoodTrials, DesignsPastItsBoundsAreRefusedBeforeAnyWork) {
  const WideStudy snps = panel(100, 2, false);
  // Two alleles and one class for the rest make six genotypes a locus.
  EXPECT_EQ(most_terms(snps, false, {}, 30), 100 * 6 * 30);
  EXPECT_TRUE(check_likelihood_design(snps, false, {}, 200).ok);
  EXPECT_FALSE(check_likelihood_design(snps, false, {}, 201).ok);

  WideStudy many = panel(8, 13, false);
  many.share.assign(10, 0.1);
  EXPECT_TRUE(check_likelihood_design(many, false, {}, 100).ok);
  const Status unsampled = check_likelihood_design(many, true, {}, 100);
  EXPECT_FALSE(unsampled.ok);
  EXPECT_NE(unsampled.message.find("past its 2000000: fewer loci, sires or offspring, or the "
                                   "mother sampled, bring it within"),
            std::string::npos)
      << unsampled.message;
  // Errors can show any allele: more terms than the brood alone shows.
  EXPECT_GT(most_terms(panel(8, 13, false), false, {0.01, 0}, 10),
            most_terms(panel(8, 13, false), false, {}, 10));
}

}  // namespace
}  // namespace mpdetect
