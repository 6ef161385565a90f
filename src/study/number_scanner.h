// Splits a data file into white-space-separated words and reads them as
// whole numbers or decimal reals, keeping the line number for messages.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

// No number in a data file needs more characters than this. The scanner keeps
// only the first ones of a longer word and marks it, so that a file without
// white space cannot make it hold the whole file; the reader refuses it.
constexpr int MAX_WORD_LENGTH = 64;

struct NumberScanner {
  std::istream* in;
  int line;  // line of the last word read, counted from 1
  std::string word;
  bool word_truncated;
};

// REQUIRES: `in` outlives the scanner.
NumberScanner make_scanner(std::istream& in);

// Reads the next word into scanner.word. Returns false at end of input.
bool next_word(NumberScanner& scanner);

// True when `word` is an optionally signed decimal integer; stores it in
// `value`, saturated to the int64 range when it has too many digits.
bool parse_whole_number(const std::string& word, int64_t& value);

// True when `word` is an optionally signed decimal real (0.25, .25, 2.5e-1,
// 1); converts it straight to the nearest single-precision value.
bool parse_decimal_real(const std::string& word, float& value);
