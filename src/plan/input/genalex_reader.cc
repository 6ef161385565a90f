// GenAlEx, saved from a spreadsheet as CSV (commas, tabs or semicolons): a row of counts
// (loci, individuals, populations, then each population's size), a title row
// with the population names, a header naming each locus over its two
// columns, then one row per individual: identifier, population, and two
// allele codes per locus. Missing is 0 (or -1). Empty cells and columns
// past the last locus are ignored.
#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace mpdetect {

namespace {

// Holds the first row's counts to the records: individuals, populations
// and each population's size, as far as the row gives them.
Status check_header_counts(const std::vector<std::string>& counts, const PopulationData& data,
                           const std::vector<int>& sizes) {
  const auto says = [&](size_t cell, long found, const std::string& what) {
    long given = 0;
    if (cell >= counts.size() || counts[cell].empty() || !parse_integer(counts[cell], given) ||
        given == found) {
      return success();
    }
    return failure_at(1, "line 1: cell " + std::to_string(cell + 1) + " says " +
                             std::to_string(given) + " " + what + ", but the file has " +
                             std::to_string(found));
  };
  Status status = says(1, static_cast<long>(data.individuals.size()), "individuals");
  if (status.ok) status = says(2, static_cast<long>(data.samples.size()), "populations");
  for (size_t s = 0; status.ok && s < sizes.size(); ++s) {
    status = says(3 + s, sizes[s], "individuals in population " + printable(data.samples[s]));
  }
  return status;
}

}  // namespace

Status read_genalex(const std::string& text, PopulationData& data) {
  data = PopulationData{};
  data.format = "GenAlEx";
  const std::vector<std::string> lines = split_lines(text);
  if (lines.size() < 3) return failure("a GenAlEx file starts with three header rows");
  const CsvDialect dialect = csv_dialect(lines[0]);

  const std::vector<std::string> counts = split_row(lines[0], dialect);
  long loci = 0;
  if (counts.empty() || !parse_integer(counts[0], loci) || loci < 1 || loci > 10000) {
    return failure("line 1: the first cell should be the number of loci, but reads \"" +
                   (counts.empty() ? std::string() : counts[0]) + "\"");
  }
  const std::vector<std::string> header = split_row(lines[2], dialect);
  for (long i = 0; i < loci; ++i) {
    const size_t column = 2 + 2 * static_cast<size_t>(i);
    const std::string name = column < header.size() ? header[column] : "";
    if (name.empty()) {
      return failure("line 3: no name for locus " + std::to_string(i + 1) + " in column " +
                     std::to_string(column + 1));
    }
    data.loci.push_back(name);
  }
  // The columns a record may fill: the loci's, and any further column the
  // header names (a spreadsheet's extra columns). Empty cells past them are
  // a spreadsheet's too; a value there is a record with a cell too many.
  size_t width = 2 + 2 * static_cast<size_t>(loci);
  for (size_t column = width; column < header.size(); ++column) {
    if (!header[column].empty()) width = column + 1;
  }
  data.half_missing.assign(static_cast<size_t>(loci), HalfMissing{});
  std::vector<int> sizes;  // individuals per population, in order of appearance

  data.individuals.reserve(lines.size() - 3);  // at most one a row, never copied as it grows
  for (size_t at = 3; at < lines.size(); ++at) {
    const int line = static_cast<int>(at) + 1;
    const std::vector<std::string> cells = split_row(lines[at], dialect);
    bool empty = true;
    for (const std::string& cell : cells) empty = empty && cell.empty();
    if (empty) continue;
    if (cells.size() < 2 + 2 * static_cast<size_t>(loci)) {
      return failure_at(line,
                        "line " + std::to_string(line) + ": individual \"" + printable(cells[0]) +
                            "\" has " +
                            std::to_string(cells.size() < 2 ? 0 : (cells.size() - 2) / 2) +
                            " genotypes; the file has " + std::to_string(loci) + " loci",
                        "", cells[0]);
    }
    for (size_t column = width; column < cells.size(); ++column) {
      if (cells[column].empty()) continue;
      return failure_at(line,
                        "line " + std::to_string(line) + ": individual \"" + printable(cells[0]) +
                            "\" has a cell too many: column " + std::to_string(column + 1) +
                            " reads \"" + printable(cells[column]) + "\", past the last column (" +
                            std::to_string(width) + ") of the header",
                        "", cells[0]);
    }
    const int sample = sample_named(data, cells[1]);
    sizes.resize(data.samples.size(), 0);
    ++sizes[static_cast<size_t>(sample)];
    Individual individual{cells[0], sample, line, std::vector<AlleleCodes>(loci)};
    for (long i = 0; i < loci; ++i) {
      LabelPair pair;
      int missing = 0;  // alleles missing
      for (int slot = 0; slot < 2; ++slot) {
        const std::string& code = cells[2 + 2 * i + slot];
        long value = 0;
        if (!parse_integer(code, value) || value < -1) {
          return failure_at(line,
                            "line " + std::to_string(line) + ": allele \"" + printable(code) +
                                "\" at locus " + printable(data.loci[i]) + " of individual \"" +
                                printable(cells[0]) +
                                "\" is not a whole number (0 or -1 for missing)",
                            data.loci[i], cells[0]);
        }
        missing += value <= 0;
        pair.allele[slot] = code;
      }
      if (missing == 1) count_half_missing(data.half_missing[i], cells[0], line);
      const Status coded = set_genotype(data, individual, i, missing ? LabelPair{} : pair, line);
      if (!coded.ok) return coded;
    }
    data.individuals.push_back(std::move(individual));
  }
  if (data.individuals.empty()) return failure("the file has no individuals");
  return check_header_counts(counts, data, sizes);
}

}  // namespace mpdetect
