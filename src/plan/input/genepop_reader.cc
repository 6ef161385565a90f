// Genepop: a title line, locus names (one a line or several separated by
// commas) up to the first "Pop" line, then samples, each opened by "Pop"
// (perhaps with the sample's name after it), of individuals "identifier,
// genotype genotype ...", where a record may go on over several lines and
// each diploid genotype is 4 or 6 digits.
#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace mpdetect {

namespace {}  // namespace

bool is_pop_line(const std::string& line, std::string& name) {
  const std::string content = trim(line);
  if (lower(content.substr(0, 3)) != "pop") return false;
  name.clear();
  if (content.size() == 3) return true;
  const char next = content[3];
  if (next != ' ' && next != '\t' && next != ',') return false;
  std::string rest = trim(content.substr(3));
  if (!rest.empty() && rest[0] == ',') rest = trim(rest.substr(1));
  if (rest.find(',') != std::string::npos) return false;
  name = rest;
  return true;
}

namespace {

std::string where(int line) {
  return "line " + std::to_string(line);
}

// How messages name an individual: its identifier in quotes, escaped.
std::string individual_named(const Individual& individual) {
  return "individual \"" + printable(individual.id) + "\"";
}

// The refusal of a record with too few or too many genotypes.
Status wrong_count(const Individual& individual, size_t genotypes, size_t loci) {
  return failure_at(individual.line,
                    where(individual.line) + ": " + individual_named(individual) + " has " +
                        std::to_string(genotypes) + " genotypes; the file has " +
                        std::to_string(loci) + " loci",
                    "", individual.id);
}

// Splits a genotype of 4 or 6 digits into its two alleles; all zeros is
// missing, and one missing allele makes the genotype missing (counted in
// `half`).
Status split_genotype(const std::string& code, const std::string& locus,
                      const Individual& individual, int line, LabelPair& pair, HalfMissing& half) {
  const std::string what = where(line) + ": genotype \"" + printable(code) + "\" at locus " +
                           printable(locus) + " of " + individual_named(individual);
  bool digits = true;
  for (const char c : code) digits = digits && c >= '0' && c <= '9';
  if (digits && (code.size() == 2 || code.size() == 3)) {
    return failure_at(line,
                      what + " is haploid; the planner needs diploid genotypes (4 or 6 digits)",
                      locus, individual.id);
  }
  if (!digits || (code.size() != 4 && code.size() != 6)) {
    return failure_at(line, what + " is not a Genepop genotype (4 or 6 digits)", locus,
                      individual.id);
  }
  const size_t width = code.size() / 2;
  long first = 0, second = 0;
  parse_integer(code.substr(0, width), first);
  parse_integer(code.substr(width), second);
  if (first == 0 || second == 0) {
    if ((first == 0) != (second == 0)) count_half_missing(half, individual.id, line);
    pair = LabelPair{};
  } else {
    pair.allele[0] = code.substr(0, width);
    pair.allele[1] = code.substr(width);
  }
  return success();
}

}  // namespace

Status read_genepop(const std::string& text, PopulationData& data) {
  data = PopulationData{};
  data.format = "Genepop";
  const std::vector<std::string_view> lines = line_views(text);
  if (lines.empty()) return failure("the file is empty");

  size_t at = 1;  // line 1 is the title, whatever it holds
  std::string sample_name;
  for (; at < lines.size() && !is_pop_line(std::string(lines[at]), sample_name); ++at) {
    for (const std::string& name : split_cells(std::string(lines[at]), ',')) {
      if (!name.empty()) data.loci.push_back(name);
    }
  }
  if (at == lines.size()) {
    return failure(
        "no line reads \"Pop\" (alone or with a sample's name): this is no Genepop file");
  }
  if (data.loci.empty()) return failure("no locus names before the first \"Pop\" line");
  const size_t loci = data.loci.size();
  std::vector<int> width(loci, 0);  // digits per genotype at each locus, once seen
  data.half_missing.assign(loci, HalfMissing{});

  // At most a record a line: reserved, so that the list is never copied
  // while it grows (which would hold it twice at once).
  data.individuals.reserve(lines.size() - at);
  Individual* open = nullptr;  // a record still short of genotypes
  size_t filled = 0;
  for (; at < lines.size(); ++at) {
    const int line = static_cast<int>(at) + 1;
    const std::string content = trim(std::string(lines[at]));
    if (content.empty()) continue;
    if (is_pop_line(content, sample_name)) {
      if (open != nullptr) return wrong_count(*open, filled, loci);
      data.samples.push_back(
          sample_name.empty() ? "sample " + std::to_string(data.samples.size() + 1) : sample_name);
      continue;
    }
    std::string genotypes = content;
    if (open == nullptr) {
      const size_t comma = content.find(',');
      if (comma == std::string::npos) {
        return failure_at(line, where(line) + ": \"" + printable(content) +
                                    "\" is no individual (an identifier, a comma, then the "
                                    "genotypes)");
      }
      data.individuals.push_back(Individual{trim(content.substr(0, comma)),
                                            static_cast<int>(data.samples.size()) - 1, line,
                                            std::vector<AlleleCodes>(loci)});
      open = &data.individuals.back();
      filled = 0;
      genotypes = content.substr(comma + 1);
    } else if (content.find(',') != std::string::npos) {
      return wrong_count(*open, filled, loci);
    }
    for (const std::string& code : split_words(genotypes)) {
      if (filled == loci) {
        return failure_at(line,
                          where(line) + ": " + individual_named(*open) + " has more than " +
                              std::to_string(loci) + " genotypes",
                          "", open->id);
      }
      LabelPair pair;
      Status result =
          split_genotype(code, data.loci[filled], *open, line, pair, data.half_missing[filled]);
      if (!result.ok) return result;
      result = set_genotype(data, *open, filled, pair, line);
      if (!result.ok) return result;
      if (width[filled] == 0) width[filled] = static_cast<int>(code.size());
      if (width[filled] != static_cast<int>(code.size())) {
        return failure_at(line,
                          where(line) + ": genotype \"" + code + "\" at locus " +
                              printable(data.loci[filled]) + " of " + individual_named(*open) +
                              " has " + std::to_string(code.size()) + " digits; that locus uses " +
                              std::to_string(width[filled]),
                          data.loci[filled], open->id);
      }
      ++filled;
    }
    if (filled == loci) open = nullptr;
  }
  if (open != nullptr) return wrong_count(*open, filled, loci);
  if (data.individuals.empty()) return failure("the file has no individuals");
  return success();
}

}  // namespace mpdetect
