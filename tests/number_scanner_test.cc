#include "study/number_scanner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

TEST(NumberScanner, SplitsWordsAndCountsLines) {
  std::istringstream in("3\n\n 4\t0.4  \r\n0.6\n");
  NumberScanner scanner = make_scanner(in);
  const std::pair<std::string, int> expected[] = {{"3", 1}, {"4", 3}, {"0.4", 3}, {"0.6", 4}};
  for (const auto& [word, line] : expected) {
    ASSERT_TRUE(next_word(scanner));
    EXPECT_EQ(scanner.word, word);
    EXPECT_EQ(scanner.line, line);
  }
  EXPECT_FALSE(next_word(scanner));
}

TEST(NumberScanner, MarksOverlongWords) {
  std::istringstream in(std::string(1000, '1') + " 2");
  NumberScanner scanner = make_scanner(in);
  ASSERT_TRUE(next_word(scanner));
  EXPECT_TRUE(scanner.word_truncated);
  EXPECT_EQ(static_cast<int>(scanner.word.size()), MAX_WORD_LENGTH);
  ASSERT_TRUE(next_word(scanner));
  EXPECT_EQ(scanner.word, "2");
  EXPECT_FALSE(scanner.word_truncated);
}

TEST(NumberScanner, WholeNumbers) {
  const std::pair<const char*, int64_t> good[] = {
      {"0", 0}, {"99", 99}, {"-3", -3}, {"+7", 7}, {"007", 7}};
  for (const auto& [word, expected] : good) {
    int64_t value = -1;
    EXPECT_TRUE(parse_whole_number(word, value)) << word;
    EXPECT_EQ(value, expected) << word;
  }
  // Too many digits: saturated, never wrapped into range.
  int64_t huge = 0;
  EXPECT_TRUE(parse_whole_number("99999999999999999999999", huge));
  EXPECT_GT(huge, INT64_C(1) << 40);
  EXPECT_TRUE(parse_whole_number("-99999999999999999999999", huge));
  EXPECT_LT(huge, -(INT64_C(1) << 40));
  for (const char* word : {"", "-", "+", "1.0", "1e2", "0x10", "3,", "abc", "1-"}) {
    int64_t value = 0;
    EXPECT_FALSE(parse_whole_number(word, value)) << word;
  }
}

TEST(NumberScanner, DecimalRealsRoundStraightToSinglePrecision) {
  const std::pair<const char*, float> good[] = {
      {"0.25", 0.25f}, {".25", 0.25f}, {"2.5e-1", 0.25f}, {"1", 1.0f},   {"1.", 1.0f},
      {"-0.5", -0.5f}, {"+0.1", 0.1f}, {"1E0", 1.0f},     {"0.1", 0.1f}, {"1e50", HUGE_VALF}};
  for (const auto& [word, expected] : good) {
    float value = -1;
    EXPECT_TRUE(parse_decimal_real(word, value)) << word;
    EXPECT_EQ(value, expected) << word;
  }
  // A decimal that lies just past the midpoint of two floats in single
  // precision but rounds to the midpoint in double would round twice wrongly
  // through a double; strtof rounds it once.
  float value = 0;
  ASSERT_TRUE(parse_decimal_real("1.000000059604644775390625000000001", value));
  EXPECT_EQ(value, 1.00000011920928955078125f);
  for (const char* word :
       {"", ".", "e1", "1e", "1e+", "inf", "nan", "0x1p-2", "0.5,", "1..2", "--1", "0.5x"}) {
    EXPECT_FALSE(parse_decimal_real(word, value)) << word;
  }
}
