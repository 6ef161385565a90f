#include "study/number_scanner.h"

#include <cctype>
#include <cstdlib>
#include <istream>

#include "study/quick_decimal.h"

namespace mpdetect {

NumberScanner make_scanner(std::istream& in) {
  return NumberScanner{&in, 1, std::string(), false, 0, 0, false};
}

// Windows editors start a UTF-8 file with these bytes.
static const char BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";

static bool is_blank(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The next byte, or EOF at the end of input and past the size limit.
static int next_byte(NumberScanner& scanner) {
  if (scanner.bytes_read >= MAX_DATA_FILE_BYTES) {
    scanner.too_large = scanner.in->peek() != EOF;
    return EOF;
  }
  const int c = scanner.in->get();
  if (c != EOF) ++scanner.bytes_read;
  return c;
}

static bool read_word(NumberScanner& scanner) {
  scanner.word.clear();
  scanner.word_truncated = false;
  int c = next_byte(scanner);
  while (c != EOF && is_blank(c)) {
    if (c == '\n') ++scanner.line;
    c = next_byte(scanner);
  }
  if (c == EOF) return false;
  scanner.word_offset = scanner.bytes_read - 1;
  while (c != EOF && !is_blank(c)) {
    if (static_cast<int>(scanner.word.size()) == MAX_WORD_LENGTH) {
      scanner.word_truncated = true;
      return true;
    }
    scanner.word.push_back(static_cast<char>(c));
    c = next_byte(scanner);
  }
  // The blank that ended the word is not part of it; give it back so that a
  // line end is counted on the line it ends.
  if (c != EOF) {
    scanner.in->unget();
    --scanner.bytes_read;
  }
  return true;
}

bool next_word(NumberScanner& scanner) {
  const bool at_start = scanner.bytes_read == 0;
  if (!read_word(scanner)) return false;
  if (at_start && scanner.word_offset == 0 && scanner.word.rfind(BYTE_ORDER_MARK, 0) == 0) {
    scanner.word.erase(0, 3);
    if (scanner.word.empty()) return read_word(scanner);
  }
  return true;
}

std::string printable(const std::string& word) {
  static const char HEX[] = "0123456789ABCDEF";
  std::string text;
  for (const char c : word) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      text.push_back(c);
    } else {
      text += "\\x";
      text.push_back(HEX[byte >> 4]);
      text.push_back(HEX[byte & 15]);
    }
  }
  return text;
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
  if (!quick_decimal(word, value)) value = std::strtof(word.c_str(), nullptr);
  return true;
}

}  // namespace mpdetect
