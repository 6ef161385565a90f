#include "plan/input/plan_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "study/quick_decimal.h"

namespace mpdetect {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '\n' || c == '\r') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::vector<std::string_view> line_views(const std::string& text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c != '\n' && c != '\r') continue;
    lines.emplace_back(text.data() + start, at - start);
    if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    start = at + 1;
  }
  if (start < text.size()) lines.emplace_back(text.data() + start, text.size() - start);
  return lines;
}

std::string trim(const std::string& text) {
  const char* const blanks = " \t\r\n";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string> split_cells(const std::string& line, char separator) {
  std::vector<std::string> cells;
  std::string cell;
  bool quoted = false;
  // A cell that was quoted keeps what its quotes hold exactly (a line end
  // or blank in it is the cell's); blanks outside quotes are dropped.
  bool exact = false;
  auto finish = [&] {
    cells.push_back(exact ? cell : trim(cell));
    cell.clear();
    exact = false;
  };
  for (size_t at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (quoted) {
      if (c == '"' && at + 1 < line.size() && line[at + 1] == '"') {
        cell.push_back('"');
        ++at;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell.push_back(c);
      }
    } else if (c == '"' && !exact && trim(cell).empty()) {
      quoted = true;
      exact = true;
      cell.clear();
    } else if (c == separator) {
      finish();
    } else if (!exact || (c != ' ' && c != '\t' && c != '\r' && c != '\n')) {
      cell.push_back(c);
    }
  }
  finish();
  return cells;
}

std::vector<std::vector<std::string>> csv_records(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  bool quoted = false;
  size_t start = 0;
  for (size_t at = 0; at <= text.size(); ++at) {
    const bool end = at == text.size();
    if (!end && text[at] == '"') quoted = !quoted;  // "" inside quotes toggles twice
    if (!end && (quoted || (text[at] != '\n' && text[at] != '\r'))) continue;
    std::string record = text.substr(start, at - start);
    if (!end && text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
    start = at + 1;
    if (!trim(record).empty()) records.push_back(split_cells(record, ','));
  }
  return records;
}

CsvDialect csv_dialect(const std::string& first_row) {
  size_t count[3] = {0, 0, 0};  // , ; tab
  bool quoted = false;
  for (const char c : first_row) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == ',') ++count[0];
    if (c == ';') ++count[1];
    if (c == '\t') ++count[2];
  }
  CsvDialect dialect;
  if (count[2] > count[0] && count[2] >= count[1]) dialect.separator = '\t';
  if (count[1] > count[0] && count[1] > count[2]) dialect = CsvDialect{';', true};
  return dialect;
}

std::vector<std::string> split_row(const std::string& line, const CsvDialect& dialect) {
  return split_cells(line, dialect.separator);
}

bool parse_cell_number(const std::string& cell, const CsvDialect& dialect, double& value) {
  if (!dialect.decimal_comma) return parse_number(cell, value);
  std::string decimal = cell;
  for (char& c : decimal) {
    if (c == ',') c = '.';
  }
  return parse_number(decimal, value);
}

std::vector<std::string> split_words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

std::vector<std::string_view> word_views(std::string_view text) {
  std::vector<std::string_view> words;
  size_t start = 0;
  for (size_t at = 0; at <= text.size(); ++at) {
    const bool blank = at == text.size() || text[at] == ' ' || text[at] == '\t' ||
                       text[at] == '\r' || text[at] == '\n';
    if (!blank) continue;
    if (at > start) words.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  return words;
}

bool parse_integer(std::string_view text, long& value) {
  size_t at = text.size() > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (at == text.size() || text.size() - at > 15) return false;
  long magnitude = 0;
  for (size_t digit = at; digit < text.size(); ++digit) {
    if (text[digit] < '0' || text[digit] > '9') return false;
    magnitude = magnitude * 10 + (text[digit] - '0');
  }
  value = text[0] == '-' ? -magnitude : magnitude;
  return true;
}

bool parse_number(const std::string& text, double& value) {
  if (text.empty() || text.size() > 64) return false;
  // Decimal notation only: no hex, no inf or nan, no blanks.
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return false;
  }
  if (quick_decimal(text, value)) return true;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text.c_str(), &end);
  return *end == '\0' && errno == 0 && std::isfinite(value);
}

std::string lower(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

std::string file_name(const std::string& path) {
  return path.substr(path.find_last_of('/') + 1);
}

std::string short_number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string csv_cell(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? "\"\"" : std::string(1, c);
  return quoted + "\"";
}

std::string locus_phrase(const std::string& name) {
  return name.rfind("locus ", 0) == 0 ? name : "locus " + name;
}

}  // namespace mpdetect
