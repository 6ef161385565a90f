// Splits a data file into white-space-separated words and reads them as
// whole numbers or decimal reals, keeping the line number for messages.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace mpdetect {

// No number in a data file needs more characters than this. The scanner
// stops at the first character past it and marks the word, so that a file
// without white space is refused at once rather than read to its end.
constexpr int MAX_WORD_LENGTH = 64;

// A study file is a few kilobytes at most. The scanner gives up once it has
// read more than this, so that an endless stream (a link to /dev/zero, a
// pipe of blanks) is refused rather than read for ever.
constexpr long MAX_DATA_FILE_BYTES = 1L << 20;

struct NumberScanner {
  std::istream* in;
  int line;  // line of the last word read, counted from 1
  std::string word;
  bool word_truncated;
  long word_offset;  // where the last word began, counted from 0
  long bytes_read;
  bool too_large;  // gave up past MAX_DATA_FILE_BYTES
};

// REQUIRES: `in` outlives the scanner.
NumberScanner make_scanner(std::istream& in);

// Reads the next word into scanner.word. Returns false at end of input, and
// when the input has run past MAX_DATA_FILE_BYTES (too_large is then set).
// A UTF-8 byte order mark at the very start of the input is skipped.
bool next_word(NumberScanner& scanner);

// `word` as a message quotes it: every byte that is not printable ASCII is
// written as \xHH.
std::string printable(const std::string& word);

// True when `word` is an optionally signed decimal integer; stores it in
// `value`, saturated to the int64 range when it has too many digits.
bool parse_whole_number(const std::string& word, int64_t& value);

// True when `word` is an optionally signed decimal real (0.25, .25, 2.5e-1,
// 1); converts it straight to the nearest single-precision value.
bool parse_decimal_real(const std::string& word, float& value);

}  // namespace mpdetect
