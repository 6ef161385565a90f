// A table of allele counts, as SNP panels are kept (R's genlight objects
// written out as a matrix, and most SNP tables): a header row naming the
// columns, then one row per individual: its identifier, optionally its
// group (the header names the second column group, pop, population, sample
// or site), then per locus the copies of the locus's second allele, 0, 1
// or 2; NA or an empty cell is missing. Commas, tabs or semicolons. The two
// alleles of a locus are labelled 1 and 2, as PLINK codes them.
#include <algorithm>
#include <array>

#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace mpdetect {

namespace {

bool missing_count(const std::string& cell) {
  return cell.empty() || cell == "NA";
}

bool is_count(const std::string& cell) {
  return cell == "0" || cell == "1" || cell == "2" || missing_count(cell);
}

// Whether the header's second cell names a group column.
bool names_group(const std::vector<std::string>& header) {
  if (header.size() < 2) return false;
  const std::string name = lower(trim(header[1]));
  return name == "group" || name == "pop" || name == "population" || name == "sample" ||
         name == "site";
}

}  // namespace

bool looks_like_allele_counts(const std::vector<std::string_view>& lines) {
  size_t first = 0;
  while (first < lines.size() && trim(std::string(lines[first])).empty()) ++first;
  if (first == lines.size()) return false;
  const CsvDialect dialect = csv_dialect(std::string(lines[first]));
  const std::vector<std::string> header = split_row(std::string(lines[first]), dialect);
  const size_t counts = names_group(header) ? 2 : 1;
  if (header.size() <= counts) return false;
  // A header of counts alone is a row of data: the table has no header.
  if (std::all_of(header.begin() + static_cast<long>(counts), header.end(), is_count)) return false;
  size_t rows = 0;
  for (size_t at = first + 1; at < lines.size(); ++at) {
    const std::string line(lines[at]);
    if (trim(line).empty()) continue;
    const std::vector<std::string> cells = split_row(line, dialect);
    if (cells.size() != header.size() ||
        !std::all_of(cells.begin() + static_cast<long>(counts), cells.end(), is_count))
      return false;
    ++rows;
  }
  return rows > 0;
}

Status read_allele_counts(const std::string& text, PopulationData& data) {
  data = PopulationData{};
  data.format = "allele-count";
  const std::vector<std::string> lines = split_lines(text);
  size_t first = 0;
  while (first < lines.size() && trim(lines[first]).empty()) ++first;
  if (first == lines.size()) return failure("the file is empty");
  const CsvDialect dialect = csv_dialect(lines[first]);
  const std::vector<std::string> header = split_row(lines[first], dialect);
  const bool grouped = names_group(header);
  const size_t counts = grouped ? 2 : 1;
  const int header_line = static_cast<int>(first) + 1;
  if (header.size() <= counts) {
    return failure_at(header_line, "line " + std::to_string(header_line) +
                                       ": the header names no locus after the identifier" +
                                       (grouped ? " and the group" : ""));
  }
  for (size_t column = counts; column < header.size(); ++column) {
    const std::string name = trim(header[column]);
    if (name.empty()) {
      return failure_at(header_line, "line " + std::to_string(header_line) +
                                         ": no name for the locus in column " +
                                         std::to_string(column + 1));
    }
    data.loci.push_back(name);
  }
  const size_t loci = data.loci.size();
  // Each locus's labels in order of first appearance, as every reader
  // lists them: code[i][a] is allele a's (0: the first, 1: the second),
  // MISSING_CODE until it is seen.
  data.labels.assign(loci, {});
  std::vector<std::array<int16_t, 2>> code(loci, {MISSING_CODE, MISSING_CODE});
  const auto code_of = [&](size_t i, int allele) {
    if (code[i][allele] == MISSING_CODE) {
      code[i][allele] = static_cast<int16_t>(data.labels[i].size());
      data.labels[i].push_back(allele == 0 ? "1" : "2");
    }
    return code[i][allele];
  };
  if (!grouped) sample_named(data, "sample 1");

  data.individuals.reserve(lines.size() - first - 1);
  for (size_t at = first + 1; at < lines.size(); ++at) {
    const int line = static_cast<int>(at) + 1;
    if (trim(lines[at]).empty()) continue;
    const std::vector<std::string> cells = split_row(lines[at], dialect);
    const std::string& id = cells[0];
    if (cells.size() != header.size()) {
      return failure_at(line,
                        "line " + std::to_string(line) + ": individual \"" + printable(id) +
                            "\" has " + std::to_string(cells.size()) + " cells; the header has " +
                            std::to_string(header.size()),
                        "", id);
    }
    const int sample = grouped ? sample_named(data, trim(cells[1])) : 0;
    Individual individual{id, sample, line, std::vector<AlleleCodes>(loci)};
    for (size_t i = 0; i < loci; ++i) {
      const std::string& cell = cells[counts + i];
      if (!is_count(cell)) {
        return failure_at(line,
                          "line " + std::to_string(line) + ": \"" + printable(cell) +
                              "\" at locus " + printable(data.loci[i]) + " of individual \"" +
                              printable(id) +
                              "\" is no count of the second allele (0, 1 or 2; NA missing)",
                          data.loci[i], id);
      }
      if (missing_count(cell)) continue;
      const int second = cell[0] - '0';  // copies of the second allele
      individual.genotype[i].allele[0] = code_of(i, second == 2 ? 1 : 0);
      individual.genotype[i].allele[1] = code_of(i, second == 0 ? 0 : 1);
    }
    data.individuals.push_back(std::move(individual));
  }
  if (data.individuals.empty()) return failure("the file has no individuals");
  return success();
}

}  // namespace mpdetect
