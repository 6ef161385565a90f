// Small text helpers for the planner's readers: lines with any line ends,
// trimmed cells, and numbers read strictly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mpdetect {

// The lines of `text`, without their line ends ("\n", "\r\n" or "\r").
std::vector<std::string> split_lines(const std::string& text);

// The same as views into `text`, which must outlive them: no copy of a
// large file's lines.
std::vector<std::string_view> line_views(const std::string& text);

// `text` without blanks, tabs and line ends at either end.
std::string trim(const std::string& text);

// The cells of one row of a CSV file, split at `separator` (',', ';' or '\t'),
// each trimmed; a cell in double quotes may hold the separator ("" is a
// quote).
std::vector<std::string> split_cells(const std::string& line, char separator);

// The records of a CSV text separated by commas, each split into its cells
// as split_cells splits a line; a line end inside double quotes belongs to
// its cell, as csv_cell writes one. Empty lines hold no record.
std::vector<std::vector<std::string>> csv_records(const std::string& text);

// How a CSV file separates its cells: commas, tabs or semicolons, whichever
// its first row uses most outside quotes (commas when it uses none). A
// file separated by semicolons is a spreadsheet's from a locale that writes
// decimals with a comma ("0,25").
struct CsvDialect {
  char separator = ',';
  bool decimal_comma = false;
};
CsvDialect csv_dialect(const std::string& first_row);

// The cells of one row as `dialect` separates them (see split_cells).
std::vector<std::string> split_row(const std::string& line, const CsvDialect& dialect);

// A decimal number cell as `dialect` writes it (see parse_number).
bool parse_cell_number(const std::string& cell, const CsvDialect& dialect, double& value);

// The words of `text` separated by blanks and tabs.
std::vector<std::string> split_words(const std::string& text);

// The same as views into `text`, which must outlive them.
std::vector<std::string_view> word_views(std::string_view text);

// True when `text` is a whole number (optional sign, digits only, at most
// 15 of them); stores it in `value`.
bool parse_integer(std::string_view text, long& value);

// True when `text` is a decimal number (0.25, .25, 2.5e-1, 25) and finite;
// stores it in `value`.
bool parse_number(const std::string& text, double& value);

// `text` in lower case (ASCII).
std::string lower(const std::string& text);

// How messages name a locus: "locus fca8"; a locus a file leaves unnamed
// is called "locus 2" already, and keeps that.
std::string locus_phrase(const std::string& name);

// A path's file name, without its folders: how titles name an input.
std::string file_name(const std::string& path);

// The number with as few digits as show it exactly to 6 significant
// figures ("0.7", "0.3333", "12").
std::string short_number(double value);

// `text` as a CSV cell: in double quotes (a quote doubled) when it holds a
// comma, a quote or a line end.
std::string csv_cell(const std::string& text);

}  // namespace mpdetect
