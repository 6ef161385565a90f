// Genepop: a title line, locus names (one a line or several separated by
// commas) up to the first "Pop" line, then samples, each opened by "Pop",
// of individuals "identifier, genotype genotype ...", where a record may go
// on over several lines and each diploid genotype is 4 or 6 digits.
#include "plan/plan_text.h"
#include "plan/population.h"

namespace {

bool is_pop_line(const std::string& line) {
  return lower(trim(line)) == "pop";
}

std::string where(int line) {
  return "line " + std::to_string(line);
}

// Splits a genotype of 4 or 6 digits into its two alleles; all zeros is
// missing, and one missing allele makes the genotype missing.
Status split_genotype(const std::string& code, const std::string& locus,
                      const Individual& individual, int line, LabelPair& pair) {
  const std::string whose = " at locus " + locus + " of individual \"" + individual.id + "\"";
  for (const char c : code) {
    if (c < '0' || c > '9') {
      return failure(where(line) + ": genotype \"" + code + "\"" + whose +
                     " is not a Genepop genotype (4 or 6 digits)");
    }
  }
  if (code.size() == 2 || code.size() == 3) {
    return failure(where(line) + ": genotype \"" + code + "\"" + whose +
                   " is haploid; the planner needs diploid genotypes (4 or 6 digits)");
  }
  if (code.size() != 4 && code.size() != 6) {
    return failure(where(line) + ": genotype \"" + code + "\"" + whose +
                   " is not a Genepop genotype (4 or 6 digits)");
  }
  const size_t half = code.size() / 2;
  long first = 0, second = 0;
  parse_integer(code.substr(0, half), first);
  parse_integer(code.substr(half), second);
  if (first == 0 || second == 0) {
    pair = LabelPair{};
  } else {
    pair.allele[0] = std::to_string(first);
    pair.allele[1] = std::to_string(second);
  }
  return success();
}

}  // namespace

Status read_genepop(const std::string& text, PopulationData& data) {
  data = PopulationData{};
  data.format = "Genepop";
  const std::vector<std::string> lines = split_lines(text);
  if (lines.empty()) return failure("the file is empty");

  size_t at = 1;  // line 1 is the title, whatever it holds
  for (; at < lines.size() && !is_pop_line(lines[at]); ++at) {
    std::string names = lines[at];
    size_t start = 0;
    for (;;) {
      const size_t comma = names.find(',', start);
      const std::string name =
          trim(names.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
      if (!name.empty()) data.loci.push_back(name);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  if (at == lines.size()) return failure("no line reads \"Pop\": this is no Genepop file");
  if (data.loci.empty()) return failure("no locus names before the first \"Pop\" line");
  const size_t loci = data.loci.size();
  std::vector<int> width(loci, 0);  // digits per genotype at each locus, once seen

  Individual* open = nullptr;  // a record still short of genotypes
  size_t filled = 0;
  for (; at < lines.size(); ++at) {
    const int line = static_cast<int>(at) + 1;
    const std::string content = trim(lines[at]);
    if (content.empty()) continue;
    if (is_pop_line(content)) {
      if (open != nullptr) {
        return failure(where(open->line) + ": individual \"" + open->id + "\" has " +
                       std::to_string(filled) + " genotypes; the file has " + std::to_string(loci) +
                       " loci");
      }
      data.samples.push_back("sample " + std::to_string(data.samples.size() + 1));
      continue;
    }
    std::string genotypes = content;
    if (open == nullptr) {
      const size_t comma = content.find(',');
      if (comma == std::string::npos) {
        return failure(where(line) + ": \"" + content +
                       "\" is no individual (an identifier, a comma, then the genotypes)");
      }
      data.individuals.push_back(Individual{trim(content.substr(0, comma)),
                                            static_cast<int>(data.samples.size()) - 1, line,
                                            std::vector<LabelPair>(loci)});
      open = &data.individuals.back();
      filled = 0;
      genotypes = content.substr(comma + 1);
    } else if (content.find(',') != std::string::npos) {
      return failure(where(open->line) + ": individual \"" + open->id + "\" has " +
                     std::to_string(filled) + " genotypes; the file has " + std::to_string(loci) +
                     " loci");
    }
    for (const std::string& code : split_words(genotypes)) {
      if (filled == loci) {
        return failure(where(line) + ": individual \"" + open->id + "\" has more than " +
                       std::to_string(loci) + " genotypes");
      }
      Status result = split_genotype(code, data.loci[filled], *open, line, open->genotype[filled]);
      if (!result.ok) return result;
      if (width[filled] == 0) width[filled] = static_cast<int>(code.size());
      if (width[filled] != static_cast<int>(code.size())) {
        return failure(where(line) + ": genotype \"" + code + "\" at locus " + data.loci[filled] +
                       " of individual \"" + open->id + "\" has " + std::to_string(code.size()) +
                       " digits; that locus uses " + std::to_string(width[filled]));
      }
      ++filled;
    }
    if (filled == loci) open = nullptr;
  }
  if (open != nullptr) {
    return failure(where(open->line) + ": individual \"" + open->id + "\" has " +
                   std::to_string(filled) + " genotypes; the file has " + std::to_string(loci) +
                   " loci");
  }
  if (data.individuals.empty()) return failure("the file has no individuals");
  return success();
}
