// VCF 4.x as text: header lines begin with "##", the column line with
// "#CHROM" names the samples after FORMAT, then one line per site (CHROM
// POS ID REF ALT QUAL FILTER INFO FORMAT, then a field per sample), columns
// separated by tabs. Each sample's GT (the FORMAT key of that name) gives
// its genotype: two allele indices (0 the REF, 1 the first ALT, ...)
// separated by "/" or "|"; "." missing. A site is named by its ID, or
// CHROM:POS where the ID is "."; its alleles are labelled by their bases.
// Every sample of the file is one individual of one population sample.
#include <string_view>

#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace mpdetect {

namespace {

// The tab-separated fields of a line.
std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

// The genotype a GT value gives: `first` and `second` allele indices, -1
// missing; false for a value that is no diploid genotype.
bool diploid(std::string_view gt, long& first, long& second) {
  const size_t split = gt.find_first_of("/|");
  if (split == std::string_view::npos) return false;
  const auto index = [](std::string_view text, long& value) {
    if (text == ".") {
      value = -1;
      return true;
    }
    return !text.empty() && text.size() < 6 &&
           text.find_first_not_of("0123456789") == std::string_view::npos &&
           (value = std::stol(std::string(text)), true);
  };
  return index(gt.substr(0, split), first) && index(gt.substr(split + 1), second);
}

}  // namespace

bool looks_like_vcf(const std::vector<std::string_view>& lines) {
  for (const std::string_view line : lines) {
    if (line.empty()) continue;
    return line.substr(0, 16) == "##fileformat=VCF" || line.substr(0, 6) == "#CHROM";
  }
  return false;
}

Status read_vcf(const std::string& text, PopulationData& data) {
  data = PopulationData{};
  data.format = "VCF";
  const std::vector<std::string_view> lines = line_views(text);
  size_t at = 0;
  while (at < lines.size() && (lines[at].empty() || lines[at].substr(0, 2) == "##")) ++at;
  if (at == lines.size() || lines[at].substr(0, 6) != "#CHROM")
    return failure("a VCF file names its columns on a line that begins with #CHROM");
  const std::vector<std::string_view> columns = fields_of(lines[at]);
  const int column_line = static_cast<int>(at) + 1;
  if (columns.size() < 10 || columns[8] != "FORMAT") {
    return failure_at(column_line, "line " + std::to_string(column_line) +
                                       ": no sample follows the FORMAT column");
  }
  sample_named(data, "all samples");
  for (size_t s = 9; s < columns.size(); ++s)
    data.individuals.push_back(Individual{std::string(columns[s]), 0, column_line, {}});
  const size_t samples = data.individuals.size();

  for (++at; at < lines.size(); ++at) {
    const int line = static_cast<int>(at) + 1;
    if (lines[at].empty()) continue;
    const std::vector<std::string_view> fields = fields_of(lines[at]);
    const auto refuse = [&](const std::string& what) {
      return failure_at(line, "line " + std::to_string(line) + ": " + what);
    };
    if (fields.size() != 9 + samples) {
      return refuse("the site has " + std::to_string(fields.size()) + " columns; the #CHROM line " +
                    std::to_string(9 + samples));
    }
    const std::string name = fields[2] == "."
                                 ? std::string(fields[0]) + ":" + std::string(fields[1])
                                 : std::string(fields[2]);
    std::vector<std::string> alleles{std::string(fields[3])};
    if (fields[4] != ".") {
      for (const std::string& alt : split_cells(std::string(fields[4]), ','))
        alleles.push_back(alt);
    }
    long gt = -1;
    long key = 0;
    for (std::string_view format = fields[8]; !format.empty(); ++key) {
      const size_t colon = format.find(':');
      if (format.substr(0, colon) == "GT") gt = key;
      format = colon == std::string_view::npos ? std::string_view() : format.substr(colon + 1);
    }
    if (gt < 0) return refuse("site " + printable(name) + " has no GT in its FORMAT");
    const size_t locus = data.loci.size();
    data.loci.push_back(name);
    data.labels.emplace_back();
    data.label_codes.emplace_back();
    for (size_t s = 0; s < samples; ++s) {
      Individual& individual = data.individuals[s];
      individual.genotype.emplace_back();
      std::string_view value = fields[9 + s];
      for (long k = 0; k < gt; ++k) {
        const size_t colon = value.find(':');
        value = colon == std::string_view::npos ? std::string_view() : value.substr(colon + 1);
      }
      value = value.substr(0, value.find(':'));
      long first = -1, second = -1;
      if (value == "." || value.empty()) continue;
      if (!diploid(value, first, second) || first >= static_cast<long>(alleles.size()) ||
          second >= static_cast<long>(alleles.size())) {
        Status refusal = refuse("\"" + printable(std::string(value)) + "\" at site " +
                                printable(name) + " of sample \"" + printable(individual.id) +
                                "\" is no diploid genotype of its " +
                                std::to_string(alleles.size()) + " alleles");
        refusal.locus = name;
        refusal.individual = individual.id;
        return refusal;
      }
      if (first < 0 || second < 0) continue;
      LabelPair pair;
      pair.allele[0] = alleles[static_cast<size_t>(first)];
      pair.allele[1] = alleles[static_cast<size_t>(second)];
      const Status coded = set_genotype(data, individual, locus, pair, line);
      if (!coded.ok) return coded;
    }
  }
  if (data.loci.empty()) return failure("the file has no site");
  return success();
}

}  // namespace mpdetect
