// A frequency table: the header locus,allele,frequency, then a row per
// allele. Loci come in the order they first appear.
#include "plan/plan_text.h"
#include "plan/population.h"

Status read_frequency_table(const std::string& text, PopulationData& data) {
  data = PopulationData{};
  data.format = "frequency table";
  const std::vector<std::string> lines = split_lines(text);
  size_t at = 0;
  while (at < lines.size() && trim(lines[at]).empty()) ++at;
  if (at == lines.size()) return failure("the file is empty");
  const char separator = lines[at].find('\t') != std::string::npos ? '\t' : ',';
  const std::vector<std::string> header = split_cells(lines[at], separator);
  if (header.size() < 3 || lower(header[0]) != "locus" || lower(header[1]) != "allele" ||
      lower(header[2]) != "frequency") {
    return failure("line " + std::to_string(at + 1) +
                   ": a frequency table starts with the header locus,allele,frequency");
  }
  for (++at; at < lines.size(); ++at) {
    const std::string where = "line " + std::to_string(at + 1);
    if (trim(lines[at]).empty()) continue;
    const std::vector<std::string> cells = split_cells(lines[at], separator);
    bool extra = false;
    for (size_t c = 3; c < cells.size(); ++c) extra = extra || !cells[c].empty();
    if (cells.size() < 3 || cells[0].empty() || cells[1].empty() || extra) {
      return failure(where +
                     ": a row holds a locus, an allele and its frequency, and nothing more");
    }
    double frequency = 0;
    // Counts and percentages pass (the scale check speaks of them later);
    // numbers beyond any count are no frequencies.
    if (!parse_number(cells[2], frequency) || frequency < 0 || frequency > 1e9) {
      return failure(where + ": the frequency of allele " + cells[1] + " at locus " + cells[0] +
                     " should be a number from 0 to 1, but reads \"" + cells[2] + "\"");
    }
    size_t locus = 0;
    while (locus < data.loci.size() && data.loci[locus] != cells[0]) ++locus;
    if (locus == data.loci.size()) {
      data.loci.push_back(cells[0]);
      data.table.emplace_back();
    }
    TableLocus& entry = data.table[locus];
    for (const std::string& label : entry.labels) {
      if (label == cells[1]) {
        return failure(where + ": allele " + cells[1] + " of locus " + cells[0] +
                       " is listed twice");
      }
    }
    entry.labels.push_back(cells[1]);
    entry.frequencies.push_back(frequency);
  }
  if (data.loci.empty()) return failure("the table has no rows");
  return success();
}
