#include "simulation/estimate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "driver/report.h"
#include "simulation/random_source.h"
#include "test_support.h"

namespace mpdetect {

namespace {

std::string printed(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%6.3f", share);
  return text;
}

}  // namespace

TEST(RunningShare, PrintsTheRunningSumNotTheQuotient) {
  const std::pair<int, const char*> cases[] = {{0, " 0.000"},     {225, " 0.005"},
                                               {425, " 0.008"},   {46775, " 0.936"},
                                               {50000, " 1.000"}, {30988, " 0.620"}};
  for (const auto& [detections, text] : cases)
    EXPECT_EQ(printed(running_share(detections)), text) << detections;
  EXPECT_EQ(printed(225.0 / TRIAL_COUNT), " 0.004");
}

// The sums kept for every count are the additions one after the other,
// bit for bit, up to every trial and past it.
TEST(RunningShare, KeptSumsAreTheAdditions) {
  double sum = 0;
  for (int n = 0; n <= TRIAL_COUNT + 3; ++n) {
    ASSERT_EQ(running_share(n), sum) << n;
    sum += 1.0 / TRIAL_COUNT;
  }
}

TEST(EstimateAndReport, ReportLines) {
  StudyData study = study_from(EXAMPLE_STUDY);
  static EstimateWork work;
  prepare_estimates(study, work);
  seed_random(12345);
  std::ostringstream out;
  estimate_and_report(study, 20, work, out);
  EXPECT_EQ(out.str(), "Loci =  3; Sires =  2.\nVelm =  0.620\n\n\n");
}

}  // namespace mpdetect
