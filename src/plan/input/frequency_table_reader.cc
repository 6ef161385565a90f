// A frequency table: the header locus,allele,frequency, then a row per
// allele, with commas, tabs or semicolons (decimal commas then), quoted or
// not; R's write.csv puts a column of row names first, with an empty
// header. Loci come in the order they first appear.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "plan/input/plan_text.h"
#include "plan/input/population.h"

namespace mpdetect {

bool frequency_header(const std::vector<std::string>& cells, size_t& first) {
  first = !cells.empty() && cells[0].empty() ? 1 : 0;
  if (cells.size() < first + 3) return false;
  for (size_t c = first + 3; c < cells.size(); ++c) {
    if (!cells[c].empty()) return false;
  }
  return lower(cells[first]) == "locus" && lower(cells[first + 1]) == "allele" &&
         lower(cells[first + 2]) == "frequency";
}

Status read_frequency_table(const std::string& text, PopulationData& data) {
  data = PopulationData{};
  data.format = "frequency table";
  const std::vector<std::string> lines = split_lines(text);
  size_t at = 0;
  while (at < lines.size() && trim(lines[at]).empty()) ++at;
  if (at == lines.size()) return failure("the file is empty");
  const CsvDialect dialect = csv_dialect(lines[at]);
  size_t first = 0;  // the locus column
  if (!frequency_header(split_row(lines[at], dialect), first)) {
    return failure_at(static_cast<int>(at) + 1,
                      "line " + std::to_string(at + 1) +
                          ": a frequency table starts with the header locus,allele,frequency");
  }
  // Each locus and each of its alleles found by name, so that a table of
  // 100000 loci reads as fast per row as one of 10.
  std::unordered_map<std::string, size_t> locus_index;
  std::vector<std::unordered_set<std::string>> allele_seen;
  for (++at; at < lines.size(); ++at) {
    const std::string where = "line " + std::to_string(at + 1);
    if (trim(lines[at]).empty()) continue;
    std::vector<std::string> cells = split_row(lines[at], dialect);
    cells.erase(cells.begin(), cells.begin() + static_cast<long>(std::min(first, cells.size())));
    bool extra = false;
    for (size_t c = 3; c < cells.size(); ++c) extra = extra || !cells[c].empty();
    if (cells.size() < 3 || cells[0].empty() || cells[1].empty() || extra) {
      return failure(where +
                     ": a row holds a locus, an allele and its frequency, and nothing more");
    }
    double frequency = 0;
    // Counts and percentages pass (the scale check speaks of them later);
    // numbers beyond any count are no frequencies.
    if (!parse_cell_number(cells[2], dialect, frequency) || frequency < 0 || frequency > 1e9) {
      return failure(where + ": the frequency of allele " + cells[1] + " at locus " + cells[0] +
                     " should be a number from 0 to 1, but reads \"" + cells[2] + "\"");
    }
    const auto [known, added] = locus_index.emplace(cells[0], data.loci.size());
    const size_t locus = known->second;
    if (added) {
      data.loci.push_back(cells[0]);
      data.table.emplace_back();
      allele_seen.emplace_back();
    }
    TableLocus& entry = data.table[locus];
    if (!allele_seen[locus].insert(cells[1]).second) {
      return failure(where + ": allele " + cells[1] + " of locus " + cells[0] + " is listed twice");
    }
    if (entry.labels.size() == MAX_LABELS) {
      Status refusal = failure_at(static_cast<int>(at) + 1,
                                  where + ": locus " + cells[0] + " has more than " +
                                      std::to_string(MAX_LABELS) + " alleles; no marker has",
                                  cells[0]);
      return refusal;
    }
    entry.labels.push_back(cells[1]);
    entry.frequencies.push_back(frequency);
  }
  if (data.loci.empty()) return failure("the table has no rows");
  return success();
}

}  // namespace mpdetect
