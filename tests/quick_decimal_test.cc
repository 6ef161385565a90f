#include "study/quick_decimal.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace mpdetect {

namespace {

uint64_t bits_of(double x) {
  uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

uint32_t bits_of(float x) {
  uint32_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

// A decimal of the shapes data files hold and some they rarely do: a sign,
// leading and trailing zeros, a point anywhere or none, an exponent.
std::string random_decimal(std::mt19937& random) {
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::string text;
  const int sign = below(4);
  if (sign == 0) text += '-';
  if (sign == 1) text += '+';
  const int digits = 1 + below(22);
  const int point = below(digits + 2) - 1;  // -1: none
  for (int d = 0; d < digits; ++d) {
    if (d == point) text += '.';
    text += static_cast<char>('0' + (below(3) == 0 ? 0 : below(10)));
  }
  if (point == digits) text += '.';
  if (below(3) == 0) {
    text += below(2) == 0 ? 'e' : 'E';
    if (below(2) == 0) text += below(2) == 0 ? '-' : '+';
    text += std::to_string(below(40));
  }
  return text;
}

}  // namespace

// Wherever the quick path answers, it gives the library's value to the
// bit, for doubles and floats; and it answers for most such numbers.
TEST(QuickDecimal, AgreesWithTheLibraryToTheBit) {
  std::mt19937 random(20261211);
  int quick_doubles = 0;
  int quick_floats = 0;
  const int count = 200000;
  for (int n = 0; n < count; ++n) {
    const std::string text = random_decimal(random);
    double d = 0;
    if (quick_decimal(text, d)) {
      ++quick_doubles;
      ASSERT_EQ(bits_of(d), bits_of(std::strtod(text.c_str(), nullptr))) << text;
    }
    float f = 0;
    if (quick_decimal(text, f)) {
      ++quick_floats;
      ASSERT_EQ(bits_of(f), bits_of(std::strtof(text.c_str(), nullptr))) << text;
    }
  }
  EXPECT_GT(quick_doubles, count / 2);
  EXPECT_GT(quick_floats, count / 2);
}

TEST(QuickDecimal, TakesTheNumbersOfDataFiles) {
  const char* const texts[] = {"0.0333333", "0.125",  ".25", "1",  "1.",
                               "-0",        "2.5e-1", "1E3", "+7", "0.0000000000000000000001"};
  for (const char* text : texts) {
    float f = 0;
    EXPECT_TRUE(quick_decimal(text, f)) << text;
    EXPECT_EQ(bits_of(f), bits_of(std::strtof(text, nullptr))) << text;
  }
}

// Rounded to the nearest double first, these decimals land exactly halfway
// between two floats, though they lie to one side of that point: the double
// alone would round them the wrong way (ties to even), so they go to the
// library. As doubles they are quick.
TEST(QuickDecimal, LeavesHalfwayDoublesToTheLibrary) {
  const char* const texts[] = {"3847443851601068e7", "7324222315219231e-20", "5607176424512291e3"};
  for (const char* text : texts) {
    EXPECT_NE(bits_of(static_cast<float>(std::strtod(text, nullptr))),
              bits_of(std::strtof(text, nullptr)))
        << text;
    float f = 0;
    EXPECT_FALSE(quick_decimal(text, f)) << text;
    double d = 0;
    EXPECT_TRUE(quick_decimal(text, d)) << text;
    EXPECT_EQ(bits_of(d), bits_of(std::strtod(text, nullptr))) << text;
  }
}

TEST(QuickDecimal, RefusesWhatItCannotReadExactly) {
  const char* const texts[] = {"",
                               ".",
                               "-",
                               "e5",
                               "1e",
                               "1e+",
                               "1.2.3",
                               "0x10",
                               "inf",
                               "nan",
                               "1 ",
                               "--1",
                               "9007199254740993",
                               "12345678901234567890",
                               "1e23",
                               "1e-23",
                               "1e999999999999",
                               "0.1f"};
  for (const char* text : texts) {
    double d = 7;
    EXPECT_FALSE(quick_decimal(text, d)) << text;
    EXPECT_EQ(d, 7) << text;
  }
  // Zero takes any power.
  double zero = 7;
  EXPECT_TRUE(quick_decimal("-0e999999999999", zero));
  EXPECT_EQ(bits_of(zero), bits_of(-0.0));
}

}  // namespace mpdetect
