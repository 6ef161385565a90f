// The error model's draws and the judgement of genotypes as read.
#include "simulation/genotyping_error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "simulation/error_draws.h"
#include "simulation/trial.h"
#include "test_support.h"

namespace mpdetect {

namespace {

ErrorKinds error_of(bool dropout, int kept, bool false0, double u0, bool false1, double u1) {
  return ErrorKinds{dropout, {false0, false1}, kept, {u0, u1}};
}

}  // namespace

// Each error on a genotype of one locus of alleles 0.5, 0.25, 0.25 and 0
// (a fourth allele of no frequency), by hand.
TEST(GenotypingError, ReadsGenotypesByHand) {
  const StudyData study = study_from("1\n4 0.5 0.25 0.25 0\n1\n1\n0 1\n");
  const ErrorModel model = error_model(ErrorRates{0.1, 0.1}, study);
  struct Row {
    Genotype truth;
    ErrorKinds error;
    Genotype read;
  } const rows[] = {
      {{{0, 1}}, error_of(true, 0, false, 0, false, 0), {{0, 0}}},  // dropout keeps slot 0
      {{{0, 1}}, error_of(true, 1, false, 0, false, 0), {{1, 1}}},  // or slot 1
      {{{2, 2}}, error_of(true, 1, false, 0, false, 0), {{2, 2}}},  // a homozygote stays
      // A false 0 among 1 and 2 (0.25 each of 0.5): below half gives 1.
      {{{0, 2}}, error_of(false, 0, true, 0.4, false, 0), {{1, 2}}},
      {{{0, 2}}, error_of(false, 0, true, 0.6, false, 0), {{2, 2}}},
      // A false 1 among 0 and 2 (0.5 and 0.25 of 0.75), never the empty 3.
      {{{0, 1}}, error_of(false, 0, false, 0, true, 0.5), {{0, 0}}},
      {{{0, 1}}, error_of(false, 0, false, 0, true, 0.99), {{0, 2}}},
      // Dropout first, then each call of the dropped genotype.
      {{{0, 1}}, error_of(true, 1, true, 0.0, true, 0.99), {{0, 2}}},
  };
  for (const Row& row : rows) {
    const Genotype read = apply_error(model, 0, row.truth, row.error);
    EXPECT_EQ(read.slot[0], row.read.slot[0]) << (&row - rows);
    EXPECT_EQ(read.slot[1], row.read.slot[1]) << (&row - rows);
  }
  // A locus with one allele of any frequency keeps every call.
  const StudyData single = study_from("1\n2 1 0\n1\n1\n0 0\n");
  const Genotype kept = apply_error(error_model(ErrorRates{0.1, 0.1}, single), 0, Genotype{{0, 0}},
                                    error_of(false, 0, true, 0.5, true, 0.5));
  EXPECT_EQ(kept.slot[0], 0);
  EXPECT_EQ(kept.slot[1], 0);
}

// Over many loci of many trials, the reads struck and the kinds of error
// come at the rates asked, within 4 standard errors; the draws repeat for
// the same key, trial and locus and differ for another trial.
TEST(GenotypingError, ErrorsComeAtTheirRates) {
  const ErrorModel model =
      error_model(ErrorRates{0.05, 0.02}, study_from("1\n2 0.5 0.5\n1\n1\n0 1\n"));
  const int trials = 4000;
  int64_t dropouts = 0, false_calls = 0, reads = 0;
  for (int t = 0; t < trials; ++t) {
    ErrorStream stream = error_stream(error_key(12345), t, t % MAX_LOCI);
    ReadError error;
    for (int from = 0; next_error(model, stream, from, error); from = error.read + 1) {
      const ErrorKinds kinds = kinds_of(model, error);
      dropouts += kinds.dropout ? 1 : 0;
      false_calls += (kinds.false_call[0] ? 1 : 0) + (kinds.false_call[1] ? 1 : 0);
    }
    reads += READS_PER_LOCUS;
  }
  const auto near = [](int64_t count, int64_t n, double p) {
    const double expected = p * static_cast<double>(n);
    return std::fabs(static_cast<double>(count) - expected) < 4 * std::sqrt(expected * (1 - p));
  };
  EXPECT_TRUE(near(dropouts, reads, 0.05)) << dropouts << " of " << reads;
  EXPECT_TRUE(near(false_calls, 2 * reads, 0.02)) << false_calls << " of " << 2 * reads;

  ErrorStream a = error_stream(error_key(7), 3, 2), b = a, c = error_stream(error_key(7), 4, 2);
  ReadError ea, eb, ec;
  int same = 0, differ = 0;
  for (int n = 0; n < 20; ++n) {
    ASSERT_EQ(next_error(model, a, 0, ea), next_error(model, b, 0, eb));
    EXPECT_EQ(ea.read, eb.read);
    EXPECT_EQ(ea.draws, eb.draws);
    if (next_error(model, c, 0, ec)) (ec.read == ea.read ? same : differ) += 1;
  }
  EXPECT_GT(differ, same);
  // No rates, no errors.
  ErrorStream none = error_stream(error_key(7), 0, 0);
  EXPECT_FALSE(
      next_error(error_model(ErrorRates{}, study_from("1\n2 0.5 0.5\n1\n1\n0 1\n")), none, 0, ea));
}

// A false call drawn by counting the others' sums (where they never fall)
// lands where a search by halves of those sums lands, for every allele of
// loci of uneven and zero frequencies and variates on and about every sum.
// Frequencies a study file gives are read as single floats, whose sums come
// out exact; frequencies of a population sample are not, and rounding can
// make the sums dip: there the search itself is used, and some loci here,
// of such frequencies, dip.
TEST(GenotypingError, FalseCallsLandWhereTheSearchFinds) {
  std::mt19937 random(31);
  int dipping = 0, calls = 0;
  for (int n = 0; n < 300; ++n) {
    const int alleles = n == 0 ? 3 : 2 + static_cast<int>(random() % (MAX_ALLELES - 1));
    std::ostringstream text;
    text << "1\n" << alleles;
    for (int a = 0; a < alleles; ++a) text << " " << 1.0 / alleles;
    text << "\n1\n1\n0 1\n";
    StudyData study = study_from(text.str());
    for (int a = 0; a < alleles; ++a) {
      // 0.074 then 0.788: the sums past allele 1, taken less its 0.788,
      // fall a hair below 0.074 at the allele of no frequency after it.
      const double drawn = random() % 4 == 0 ? 0.0 : (1 + random() % 997) / 1000.0 / alleles;
      study.allele_frequency[0][a] = n == 0 ? (a == 0 ? 0.074 : a == 1 ? 0.788 : 0) : drawn;
    }
    const ErrorModel model = error_model(ErrorRates{0.1, 0.1}, study);
    const int count = model.alleles[0];
    for (int allele = 0; allele < count; ++allele) {
      const auto up_to = [&](int b) { return error_draws::others_up_to(model, 0, allele, b); };
      dipping += model.others_rise[0][allele] ? 0 : 1;
      const double others = up_to(count - 1);
      std::vector<double> variates;
      for (int k = 0; k < 20; ++k) variates.push_back((random() % 1000000) / 1e6);
      for (int b = 0; b < count && others > 0; ++b) {
        const double at = up_to(b) / others;
        variates.insert(variates.end(), {at, std::nextafter(at, 0.0), std::nextafter(at, 1.0)});
      }
      for (double u : variates) {
        if (u < 0 || u >= 1) continue;
        int expected = allele;
        if (others > 0) {
          int low = 0, high = count - 1;
          while (low < high) {
            const int middle = (low + high) / 2;
            if (up_to(middle) > u * others) {
              high = middle;
            } else {
              low = middle + 1;
            }
          }
          expected = low;
        }
        ASSERT_EQ(error_draws::false_call(model, 0, allele, u), expected)
            << "locus " << n << ", allele " << allele << ", u " << u;
        ++calls;
      }
    }
  }
  EXPECT_GT(dipping, 0);
  EXPECT_GT(calls, 10000);
}

// The kinds of a read's errors are the first of the seven patterns whose
// running total passes the read's variate, as a walk through the totals
// finds it, at rates from none to many of each kind.
TEST(GenotypingError, KindsAreTheFirstPatternPassed) {
  const StudyData study = study_from("1\n2 0.5 0.5\n1\n1\n0 1\n");
  const ErrorRates rates[] = {{0.01, 0.005}, {0.2, 0}, {0, 0.15}, {0.4, 0.3}, {0.3, 0.3}};
  std::mt19937_64 random(8);
  for (const ErrorRates& rate : rates) {
    const ErrorModel model = error_model(rate, study);
    int seen[8] = {};
    for (int n = 0; n < 20000; ++n) {
      const ReadError error{1, random()};
      const uint64_t first = error_draws::mix(error.draws ^ 0x5851F42D4C957F2Du);
      const double v = static_cast<double>(first >> 11) * 0x1.0p-53 * model.pattern_total[6];
      int pattern = 1;
      while (pattern < 7 && v >= model.pattern_total[pattern - 1]) ++pattern;
      const ErrorKinds kinds = kinds_of(model, error);
      ASSERT_EQ(kinds.dropout, (pattern & 1) != 0) << n;
      ASSERT_EQ(kinds.false_call[0], (pattern & 2) != 0) << n;
      ASSERT_EQ(kinds.false_call[1], (pattern & 4) != 0) << n;
      ++seen[pattern];
    }
    // Every pattern the rates allow comes up.
    if (rate.dropout > 0) {
      EXPECT_GT(seen[1], 0);
    }
    if (rate.false_allele > 0) {
      EXPECT_GT(seen[6], 0);
    }
  }
}

// An offspring that fits neither of the mother's alleles as read is a
// mismatch: left out of the locus, it cannot add a paternal allele. The
// mother 0/1 and offspring 0/2 and 1/3 show two; 4/5 would be a third.
TEST(GenotypingError, MismatchesAreLeftOut) {
  const StudyData study = study_from("1\n6 0.2 0.2 0.2 0.2 0.1 0.1\n2\n0.5 0.5\n0 1\n");
  static TrialWork work;
  work.read_mother[0] = Genotype{{0, 1}};
  work.read[0][0] = Genotype{{0, 2}};
  work.read[1][0] = Genotype{{3, 1}};
  work.read[2][0] = Genotype{{4, 5}};
  const JudgedOffspring every = every_offspring_judged();
  EXPECT_EQ(judge_read_brood(study, 3, work, every, 1, false), 0);
  // 4/1 fits the mother, and its 4 is a third paternal allele.
  work.read[2][0] = Genotype{{4, 1}};
  EXPECT_EQ(judge_read_brood(study, 3, work, every, 1, false), 1);
  // The mother read as 0/4 makes 3/1 the mismatch instead: 2 and 1 remain.
  work.read_mother[0] = Genotype{{0, 4}};
  EXPECT_EQ(judge_read_brood(study, 3, work, every, 1, false), 0);
  // Without the mother, five alleles among three offspring need two fathers.
  EXPECT_EQ(judge_read_brood(study, 3, work, every, 1, true), 1);
}

}  // namespace mpdetect
