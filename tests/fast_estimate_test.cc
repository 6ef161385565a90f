// The fast estimator against the plain trials, on many generated studies.
#include "simulation/fast_estimate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>

#include "simulation/random_source.h"
#include "simulation/trial.h"
#include "test_support.h"

namespace {

// Writes a random study file. Its frequencies and shares are sometimes a
// little short of 1, so that draws can pick no index; sometimes hold zeros;
// sometimes a single sire or a single allele.
std::string generated_study(std::mt19937& random) {
  auto below = [&random](uint32_t n) { return static_cast<int>(random() % n); };
  auto weights = [&](int n, std::ostringstream& text) {
    double w[MAX_ALLELES];
    double sum = 0;
    for (int s = 0; s < n; ++s) {
      w[s] = below(4) == 0 ? 0.0 : 1.0 + below(100);
      sum += w[s];
    }
    if (sum == 0) w[n - 1] = sum = 1;
    const double scale = below(3) == 0 ? 0.9995 : below(2) == 0 ? 0.99 : 1.0;
    for (int s = 0; s < n; ++s) text << " " << w[s] / sum * scale;
    text << "\n";
  };
  std::ostringstream text;
  text.precision(9);
  const int loci = below(8) == 0 ? 1 + below(MAX_LOCI) : 1 + below(5);
  text << loci << "\n";
  int alleles[MAX_LOCI];
  for (int i = 0; i < loci; ++i) {
    alleles[i] = below(10) == 0 ? 1 + below(MAX_ALLELES) : 1 + below(8);
    text << alleles[i];
    weights(alleles[i], text);
  }
  const int sires = below(6) == 0 ? 1 : 1 + below(MAX_SIRES);
  text << sires;
  weights(sires, text);
  if (below(2) == 0) {
    text << "99 " << below(5) << "\n";
  } else {
    for (int i = 0; i < loci; ++i) text << below(alleles[i]) << " " << below(alleles[i]) << "\n";
  }
  return text.str();
}

}  // namespace

TEST(FastEstimate, DrawTablesMatchTheWalk) {
  std::mt19937 random(7);
  static FastEstimator fast;
  for (int n = 0; n < 20; ++n) {
    StudyData study = study_from(generated_study(random));
    prepare_fast_estimator(study, fast);
    for (int r = 0; r < RANDOM15_VALUES; ++r) {
      for (int i = 0; i < study.locus_count; ++i) {
        ASSERT_EQ(fast.allele_draw[i][r],
                  draw_by_weight(study.allele_frequency[i], study.allele_count[i], r / 32768.0));
      }
      ASSERT_EQ(fast.sire_draw[r], draw_by_weight(study.skew, study.sire_count, r / 32768.0));
    }
  }
}

TEST(FastEstimate, AgreesWithThePlainTrials) {
  std::mt19937 random(2026);
  static FastEstimator fast;
  static TrialWork work;
  const int32_t sizes[] = {3, 1, 2, 17, 100, 3, 0, 5, -4};
  int detecting_estimates = 0;
  for (int n = 0; n < 300; ++n) {
    const std::string text = generated_study(random);
    StudyData plain = study_from(text);
    StudyData quick = plain;
    prepare_fast_estimator(quick, fast);
    const uint32_t seed = random();
    // Every tenth study runs long enough for the estimator to settle how it
    // starts its trials, which it decides after a few hundred.
    const int trials = n % 10 == 0 ? 600 : 40 + static_cast<int>(random() % 80);
    for (int32_t size : sizes) {
      seed_random(seed + size);
      int expected = 0;
      for (int t = 0; t < trials; ++t) expected += run_trial(plain, size, work);
      const uint32_t plain_state = random_state();

      seed_random(seed + size);
      const int counted = fast_count_detections(quick, size, trials, fast);
      ASSERT_EQ(counted, expected) << text << "size " << size;
      ASSERT_EQ(random_state(), plain_state) << text << "size " << size;
      ASSERT_EQ(0, std::memcmp(plain.mother, quick.mother, sizeof plain.mother))
          << text << "size " << size;
      detecting_estimates += counted > 0 && counted < trials ? 1 : 0;
    }
  }
  // The generated studies must exercise both verdicts, not only trivial ones.
  EXPECT_GT(detecting_estimates, 300);
}
