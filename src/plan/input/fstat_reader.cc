// FSTAT (.dat): a first row of four whole numbers (samples, loci, highest
// allele, digits per allele), a row per locus name, then a row per
// individual: its sample's number and a genotype per locus, each allele
// written with that many digits (0913 is 09 and 13; a program may drop the
// leading zeros, 913), 0 or all zeros missing. Individuals have no
// identifiers; they are named by their order in the file.
#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace mpdetect {

namespace {

std::string where(int line) {
  return "line " + std::to_string(line);
}

// The header's four numbers, and the index of the first line after it.
struct Header {
  long samples = 0, loci = 0, highest = 0, digits = 0;
  size_t first = 0;  // the header's line
};

bool header_of(const std::vector<std::string_view>& lines, Header& header) {
  size_t at = 0;
  while (at < lines.size() && word_views(lines[at]).empty()) ++at;
  if (at == lines.size()) return false;
  const std::vector<std::string_view> words = word_views(lines[at]);
  header.first = at;
  return words.size() == 4 && parse_integer(words[0], header.samples) &&
         parse_integer(words[1], header.loci) && parse_integer(words[2], header.highest) &&
         parse_integer(words[3], header.digits) && header.samples >= 1 && header.loci >= 1 &&
         header.digits >= 1 && header.digits <= 3;
}

}  // namespace

bool looks_like_fstat(const std::vector<std::string_view>& lines) {
  Header header;
  if (!header_of(lines, header)) return false;
  const size_t names = header.first + 1;
  const size_t first_row = names + static_cast<size_t>(header.loci);
  if (first_row >= lines.size()) return false;
  for (size_t at = names; at < first_row; ++at) {
    if (word_views(lines[at]).empty()) return false;
  }
  const std::vector<std::string_view> row = word_views(lines[first_row]);
  if (row.size() != static_cast<size_t>(header.loci) + 1) return false;
  long value = 0;
  for (const std::string_view word : row) {
    if (!parse_integer(word, value)) return false;
  }
  return true;
}

Status read_fstat(const std::string& text, PopulationData& data) {
  data = PopulationData{};
  data.format = "FSTAT";
  const std::vector<std::string_view> lines = line_views(text);
  Header header;
  if (!header_of(lines, header)) {
    return failure(
        "an FSTAT file begins with four whole numbers: the samples, the loci, the highest "
        "allele and the digits per allele (1 to 3)");
  }
  const size_t loci = static_cast<size_t>(header.loci);
  const size_t width = static_cast<size_t>(header.digits);
  size_t at = header.first + 1;
  for (; at < lines.size() && data.loci.size() < loci; ++at) {
    const std::string name = trim(std::string(lines[at]));
    if (name.empty()) {
      return failure_at(static_cast<int>(at) + 1,
                        where(static_cast<int>(at) + 1) + ": the name of locus " +
                            std::to_string(data.loci.size() + 1) + " of " + std::to_string(loci) +
                            " is empty (the first row says " + std::to_string(loci) +
                            " loci, a name to a row)");
    }
    data.loci.push_back(name);
  }
  if (data.loci.size() < loci) {
    return failure("the first row says " + std::to_string(loci) + " loci, but the file names " +
                   std::to_string(data.loci.size()));
  }
  data.half_missing.assign(loci, HalfMissing{});
  data.individuals.reserve(lines.size() - at);
  for (; at < lines.size(); ++at) {
    const std::vector<std::string_view> row = word_views(lines[at]);
    if (row.empty()) continue;
    const int line = static_cast<int>(at) + 1;
    const std::string id = std::to_string(data.individuals.size() + 1);
    if (row.size() != loci + 1) {
      return failure_at(line,
                        where(line) + ": individual " + id + " has " + std::to_string(row.size()) +
                            " columns; the file has " + std::to_string(loci) +
                            " loci (a sample's number, then a genotype "
                            "per locus)",
                        "", id);
    }
    long number = 0;
    if (!parse_integer(row[0], number) || number < 1) {
      return failure_at(line,
                        where(line) + ": the sample of individual " + id + " reads \"" +
                            printable(std::string(row[0])) + "\", not a number from 1",
                        "", id);
    }
    const int sample = sample_named(data, "sample " + std::to_string(number));
    Individual individual{id, sample, line, std::vector<AlleleCodes>(loci)};
    for (size_t i = 0; i < loci; ++i) {
      LabelPair pair;
      int missing = 0;
      if (!split_digits(row[1 + i], width, pair, missing)) {
        return failure_at(line,
                          where(line) + ": genotype \"" + printable(std::string(row[1 + i])) +
                              "\" at locus " + printable(data.loci[i]) + " of individual " + id +
                              " is not " + std::to_string(2 * width) +
                              " digits (the first row says " + std::to_string(width) +
                              " to an allele)",
                          data.loci[i], id);
      }
      if (missing == 1) count_half_missing(data.half_missing[i], id, line);
      const Status coded = set_genotype(data, individual, i, pair, line);
      if (!coded.ok) return coded;
    }
    data.individuals.push_back(std::move(individual));
  }
  if (data.individuals.empty()) return failure("the file has no individuals");
  data.notes.push_back(
      "FSTAT file: its individuals have no identifiers and are named by their "
      "order in the file, 1 to " +
      std::to_string(data.individuals.size()));
  return success();
}

}  // namespace mpdetect
