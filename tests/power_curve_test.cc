#include "driver/power_curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "driver/dialogue.h"
#include "simulation/random_source.h"
#include "test_support.h"

namespace {

bool parse(std::vector<const char*> words, PowerCurveOptions& options, std::string& error) {
  words.insert(words.begin(), "power-curve");
  return parse_power_curve_options(static_cast<int>(words.size()), words.data(), options, error);
}

}  // namespace

TEST(PowerCurveOptions, Accepted) {
  PowerCurveOptions options;
  std::string error;
  ASSERT_TRUE(parse({"--from", "3", "--to", "40", "--step", "5", "--target", "0.9", "--output",
                     "t.csv", "--plot", "c.png", "--size", "640x480", "--seed", "4294967295"},
                    options, error))
      << error;
  EXPECT_EQ(options.from, 3);
  EXPECT_EQ(options.to, 40);
  EXPECT_EQ(options.step, 5);
  EXPECT_EQ(options.target, 0.9);
  EXPECT_EQ(options.output, "t.csv");
  EXPECT_EQ(options.plot, "c.png");
  EXPECT_EQ(options.width, 640);
  EXPECT_EQ(options.height, 480);
  EXPECT_TRUE(options.seeded);
  EXPECT_EQ(options.seed, 4294967295u);

  PowerCurveOptions defaults;
  ASSERT_TRUE(parse({}, defaults, error));
  EXPECT_EQ(defaults.from, 1);
  EXPECT_EQ(defaults.to, MAX_OFFSPRING);
  EXPECT_EQ(defaults.target, 0.95);
  EXPECT_FALSE(defaults.seeded);
}

TEST(PowerCurveOptions, Refused) {
  const std::pair<std::vector<const char*>, const char*> cases[] = {
      {{"--from", "0"}, "--from takes a brood size from 1 to 100, not 0"},
      {{"--to", "101"}, "--to takes a brood size from 1 to 100, not 101"},
      {{"--to", "5x"}, "--to takes a brood size from 1 to 100, not 5x"},
      {{"--step", "0"}, "--step takes a whole number from 1 to 100, not 0"},
      {{"--target", "0"}, "--target takes a probability above 0 and at most 1, not 0"},
      {{"--target", "1.5"}, "--target takes a probability above 0 and at most 1, not 1.5"},
      {{"--target", "nan"}, "--target takes a probability above 0 and at most 1, not nan"},
      {{"--size", "800"}, "--size takes WIDTHxHEIGHT in pixels, each from 100 to 10000, not 800"},
      // Numbers that would wrap into the range are refused as they stand.
      {{"--size", "4294967896x4294967896"},
       "--size takes WIDTHxHEIGHT in pixels, each from 100 to 10000, not 4294967896x4294967896"},
      {{"--size", "+800x600"},
       "--size takes WIDTHxHEIGHT in pixels, each from 100 to 10000, not +800x600"},
      {{"--seed", "18446744073709551617"},
       "--seed takes a whole number from 0 to 4294967295, not 18446744073709551617"},
      {{"--to", "4294967306"}, "--to takes a brood size from 1 to 100, not 4294967306"},
      {{"--seed", "-1"}, "--seed takes a whole number from 0 to 4294967295, not -1"},
      {{"--from", "50", "--to", "10"}, "--from 50 is above --to 10"},
      {{"--plot"}, "--plot needs a value"},
      {{"--output", ""}, "--output needs a file name"},
      {{"--frm", "3"}, "unknown option --frm (see --help)"},
  };
  for (const auto& [words, message] : cases) {
    PowerCurveOptions options;
    std::string error;
    EXPECT_FALSE(parse(words, options, error)) << message;
    EXPECT_EQ(error, message);
  }
}

TEST(PowerCurve, SameEstimatesAsTheDialogue) {
  StudyData study = study_from(EXAMPLE_STUDY);
  StudyData dialogue_study = study;
  static EstimateWork work;
  prepare_estimates(study, work);
  PowerCurveOptions options;
  options.from = 2;
  options.to = 14;
  options.step = 3;
  CurvePoint points[MAX_CURVE_POINTS];
  RandomState random{777};
  const int count = estimate_curve(study, options, work, random, points);
  ASSERT_EQ(count, 5);
  std::ostringstream table;
  write_curve_table(points, count, table);

  seed_random(777);
  std::istringstream answers("2 5 8 11 14 0");
  std::ostringstream dialogue;
  run_dialogue(dialogue_study, answers, dialogue);

  // Every probability in the table is the dialogue's report for that size.
  std::istringstream rows(table.str());
  std::string row;
  std::getline(rows, row);
  EXPECT_EQ(row, "brood_size,probability,standard_error");
  size_t at = 0;
  for (int n = 0; n < count; ++n) {
    ASSERT_TRUE(std::getline(rows, row));
    EXPECT_EQ(row.substr(0, row.find(',')), std::to_string(options.from + n * options.step));
    const std::string probability = row.substr(row.find(',') + 1, 5);
    at = dialogue.str().find("Velm = ", at);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(dialogue.str().substr(at + 8, 5), probability) << row;
    ++at;
  }
}

TEST(PowerCurve, StandardErrorAndTargetLine) {
  EXPECT_EQ(standard_error(0), 0.0);
  EXPECT_EQ(standard_error(50000), 0.0);
  EXPECT_NEAR(standard_error(25000), 0.5 / std::sqrt(50000.0), 1e-15);

  PowerCurveOptions options;
  options.from = 3;
  // 47500 of 50000 is exactly 0.950: reached. The running sum decides the
  // third decimal, as in the dialogue: 47475 prints 0.950 too.
  const CurvePoint reached[] = {{3, 1000}, {4, 47475}, {5, 47500}};
  EXPECT_EQ(target_line(reached, 3, options),
            "Smallest brood size reaching 0.95: 4 (estimate 0.950).\n");
  const CurvePoint short_of[] = {{3, 1000}, {7, 47000}, {11, 46000}};
  EXPECT_EQ(target_line(short_of, 3, options),
            "No brood size from 3 to 11 reaches 0.95 (highest estimate 0.940, at 7).\n");
}
