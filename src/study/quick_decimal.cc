#include "study/quick_decimal.h"

#include <cstdint>
#include <cstring>

namespace mpdetect {

namespace {

// 10^0 .. 10^22: every one an exact double.
constexpr double POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int MOST_POWER = 22;
constexpr int MOST_DIGITS = 19;  // below 10^19 < 2^64: no overflow
constexpr uint64_t EXACT_BELOW = uint64_t{1} << 53;

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool quick_decimal(std::string_view text, double& value) {
  size_t pos = 0;
  const bool negative = pos < text.size() && text[pos] == '-';
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  uint64_t significand = 0;
  int significant = 0;  // digits from the first that is not zero
  int digits = 0;
  int scale = 0;  // the power of ten the significand is multiplied by
  bool point = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (!is_digit(c)) break;
    ++digits;
    if (point) --scale;
    if (significand == 0 && c == '0') continue;
    if (++significant > MOST_DIGITS) return false;
    significand = significand * 10 + static_cast<uint64_t>(c - '0');
  }
  if (digits == 0) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    const bool down = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    if (pos == text.size()) return false;
    int exponent = 0;
    for (; pos < text.size() && is_digit(text[pos]); ++pos) {
      // Far past any power the fast path takes, but short of overflow.
      if (exponent < 100000) exponent = exponent * 10 + (text[pos] - '0');
    }
    scale += down ? -exponent : exponent;
  }
  if (pos != text.size() || significand >= EXACT_BELOW) return false;
  double result = static_cast<double>(significand);
  if (significand != 0) {
    if (scale < -MOST_POWER || scale > MOST_POWER) return false;
    result = scale < 0 ? result / POWERS_OF_TEN[-scale] : result * POWERS_OF_TEN[scale];
  }
  value = negative ? -result : result;
  return true;
}

bool quick_decimal(std::string_view text, float& value) {
  double nearest = 0;
  if (!quick_decimal(text, nearest)) return false;
  // The quick path's doubles lie between 10^-22 and 2^53 * 10^22, well
  // within the normal floats, whose 24-bit significands leave 29 bits of a
  // double's below them. A float halfway point is itself a double, so the
  // double nearest the decimal is on the same side of every halfway point
  // as the decimal is, unless it is one: then the decimal may lie on
  // either side, and only the library can tell.
  uint64_t bits = 0;
  std::memcpy(&bits, &nearest, sizeof bits);
  constexpr uint64_t BELOW_FLOAT = (uint64_t{1} << 29) - 1;
  if ((bits & BELOW_FLOAT) == uint64_t{1} << 28) return false;
  value = static_cast<float>(nearest);
  return true;
}

}  // namespace mpdetect
