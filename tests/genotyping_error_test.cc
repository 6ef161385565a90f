// The error model's draws and the judgement of genotypes as read.
#include "simulation/genotyping_error.h"

#include <gtest/gtest.h>

#include <cmath>

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
