#include "study/number_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <streambuf>

namespace mpdetect {

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

// An input that never ends: the same byte for ever.
class EndlessBuffer : public std::streambuf {
 public:
  explicit EndlessBuffer(char byte) { std::fill(block_, block_ + sizeof block_, byte); }

 protected:
  int_type underflow() override {
    setg(block_, block_, block_ + sizeof block_);
    return traits_type::to_int_type(block_[0]);
  }

 private:
  char block_[4096];
};

TEST(NumberScanner, StopsAtTheFirstCharacterPastALongWord) {
  EndlessBuffer ones('1');
  std::istream in(&ones);
  NumberScanner scanner = make_scanner(in);
  ASSERT_TRUE(next_word(scanner));
  EXPECT_TRUE(scanner.word_truncated);
  EXPECT_EQ(static_cast<int>(scanner.word.size()), MAX_WORD_LENGTH);
  EXPECT_EQ(scanner.bytes_read, MAX_WORD_LENGTH + 1);
}

TEST(NumberScanner, GivesUpOnEndlessInput) {
  for (char byte : {' ', '\n'}) {
    EndlessBuffer blanks(byte);
    std::istream in(&blanks);
    NumberScanner scanner = make_scanner(in);
    EXPECT_FALSE(next_word(scanner));
    EXPECT_TRUE(scanner.too_large);
    EXPECT_EQ(scanner.bytes_read, MAX_DATA_FILE_BYTES);
  }
  // Exactly at the limit and then the end: an ordinary end of input.
  std::istringstream in(std::string(MAX_DATA_FILE_BYTES, ' '));
  NumberScanner scanner = make_scanner(in);
  EXPECT_FALSE(next_word(scanner));
  EXPECT_FALSE(scanner.too_large);
}

TEST(NumberScanner, SkipsAByteOrderMarkAtTheStartOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"\xEF\xBB\xBF"
       "3 4",
       "3"},
      {"\xEF\xBB\xBF"
       "\n 3 4",
       "3"},
      {" \xEF\xBB\xBF"
       "3 4",
       "\xEF\xBB\xBF"
       "3"},
      {"\xEF\xBB"
       "3",
       "\xEF\xBB"
       "3"},
  };
  for (const auto& [text, first] : cases) {
    std::istringstream in(text);
    NumberScanner scanner = make_scanner(in);
    ASSERT_TRUE(next_word(scanner)) << text;
    EXPECT_EQ(scanner.word, first);
  }
}

TEST(NumberScanner, PrintableEscapesEveryOtherByte) {
  EXPECT_EQ(printable("0,5 x~"), "0,5 x~");
  EXPECT_EQ(printable(std::string("\x1B[2J\x00\x7F\xEF", 7)), "\\x1B[2J\\x00\\x7F\\xEF");
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

}  // namespace mpdetect
