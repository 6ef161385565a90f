#include "study/number_scanner.h"

#include <cctype>
#include <cstdlib>
#include <istream>

NumberScanner make_scanner(std::istream& in) {
  return NumberScanner{&in, 1, std::string(), false};
}

static bool is_blank(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool next_word(NumberScanner& scanner) {
  std::istream& in = *scanner.in;
  scanner.word.clear();
  scanner.word_truncated = false;
  int c = in.get();
  while (c != EOF && is_blank(c)) {
    if (c == '\n') ++scanner.line;
    c = in.get();
  }
  if (c == EOF) return false;
  while (c != EOF && !is_blank(c)) {
    if (static_cast<int>(scanner.word.size()) < MAX_WORD_LENGTH) {
      scanner.word.push_back(static_cast<char>(c));
    } else {
      scanner.word_truncated = true;
    }
    c = in.get();
  }
  // The blank that ended the word is not part of it; give it back so that a
  // line end is counted on the line it ends.
  if (c != EOF) in.unget();
  return true;
}

static bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

bool parse_whole_number(const std::string& word, int64_t& value) {
  size_t pos = 0;
  bool negative = false;
  if (pos < word.size() && (word[pos] == '+' || word[pos] == '-')) negative = word[pos++] == '-';
  if (pos == word.size()) return false;
  const int64_t limit = INT64_MAX / 10 - 1;
  int64_t magnitude = 0;
  for (; pos < word.size(); ++pos) {
    if (!is_digit(word[pos])) return false;
    if (magnitude < limit) magnitude = magnitude * 10 + (word[pos] - '0');
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

static size_t skip_digits(const std::string& word, size_t pos) {
  while (pos < word.size() && is_digit(word[pos])) ++pos;
  return pos;
}

bool parse_decimal_real(const std::string& word, float& value) {
  // Check the decimal grammar first: strtof alone would also take hex
  // floats, "inf" and "nan", which are no frequencies.
  size_t pos = 0;
  if (pos < word.size() && (word[pos] == '+' || word[pos] == '-')) ++pos;
  size_t int_end = skip_digits(word, pos);
  size_t digits = int_end - pos;
  pos = int_end;
  if (pos < word.size() && word[pos] == '.') {
    size_t frac_end = skip_digits(word, pos + 1);
    digits += frac_end - (pos + 1);
    pos = frac_end;
  }
  if (digits == 0) return false;
  if (pos < word.size() && (word[pos] == 'e' || word[pos] == 'E')) {
    ++pos;
    if (pos < word.size() && (word[pos] == '+' || word[pos] == '-')) ++pos;
    size_t exp_end = skip_digits(word, pos);
    if (exp_end == pos) return false;
    pos = exp_end;
  }
  if (pos != word.size()) return false;
  value = std::strtof(word.c_str(), nullptr);
  return true;
}
