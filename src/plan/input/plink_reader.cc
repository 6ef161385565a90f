// PLINK's text pedigree (.ped): one row per individual, its fields
// separated by blanks or tabs: family, individual, father, mother, sex,
// phenotype, then two alleles per locus ("0" missing; bases, 1/2 or any
// label). Each family is one sample; the mother's field ("0" for none)
// names whom an offspring was born to. Its .map names the loci, one row
// each: chromosome, identifier, optionally the position in centimorgans,
// and the base-pair position. Without a .map the loci are named by their
// place, and the reader says so.
#include <algorithm>

#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace mpdetect {

namespace {

constexpr size_t PEDIGREE_FIELDS = 6;  // family, individual, father, mother, sex, phenotype

bool is_sex(std::string_view field) {
  return field == "0" || field == "1" || field == "2" || field == "-9";
}

bool is_phenotype(std::string_view field) {
  double value = 0;
  return field == "NA" || parse_number(std::string(field), value);
}

// The loci's names from the .map's rows, or a refusal naming its line.
Status map_names(const std::string& map, std::vector<std::string>& names) {
  const std::vector<std::string_view> lines = line_views(map);
  for (size_t at = 0; at < lines.size(); ++at) {
    const std::vector<std::string_view> fields = word_views(lines[at]);
    if (fields.empty()) continue;
    const int line = static_cast<int>(at) + 1;
    long position = 0;
    if ((fields.size() != 3 && fields.size() != 4) || !parse_integer(fields.back(), position)) {
      return failure_at(line, "the .map file, line " + std::to_string(line) +
                                  ": a row holds a chromosome, an identifier, perhaps the "
                                  "position in centimorgans, and the base-pair position");
    }
    names.push_back(fields[1] == "." ? std::string(fields[0]) + ":" + std::string(fields.back())
                                     : std::string(fields[1]));
  }
  return success();
}

}  // namespace

bool looks_like_plink(const std::vector<std::string_view>& lines) {
  std::vector<std::vector<std::string_view>> rows;
  for (const std::string_view line : lines) {
    std::vector<std::string_view> fields = word_views(line);
    if (fields.empty()) continue;
    if (fields.size() < PEDIGREE_FIELDS + 2 || (fields.size() - PEDIGREE_FIELDS) % 2 != 0 ||
        (!rows.empty() && fields.size() != rows[0].size()) || !is_sex(fields[4]) ||
        !is_phenotype(fields[5]))
      return false;
    rows.push_back(std::move(fields));
  }
  if (rows.empty()) return false;
  // A parent is "0" or an individual of the file: the test that tells a
  // pedigree from rows of numbers (STRUCTURE's), whose third and fourth
  // columns are alleles.
  std::vector<std::string_view> ids;
  for (const auto& row : rows) ids.push_back(row[1]);
  std::sort(ids.begin(), ids.end());
  for (const auto& row : rows) {
    for (size_t parent = 2; parent <= 3; ++parent) {
      if (row[parent] != "0" && !std::binary_search(ids.begin(), ids.end(), row[parent]))
        return false;
    }
  }
  return true;
}

Status read_plink(const std::string& ped, const std::string& map, PopulationData& data) {
  data = PopulationData{};
  data.format = "PLINK";
  const std::vector<std::string_view> lines = line_views(ped);
  size_t loci = 0;
  int first_line = 0;
  for (size_t at = 0; at < lines.size() && first_line == 0; ++at) {
    const std::vector<std::string_view> fields = word_views(lines[at]);
    if (fields.empty()) continue;
    first_line = static_cast<int>(at) + 1;
    if (fields.size() < PEDIGREE_FIELDS + 2 || (fields.size() - PEDIGREE_FIELDS) % 2 != 0) {
      return failure_at(first_line, "line " + std::to_string(first_line) + ": a row holds " +
                                        std::to_string(PEDIGREE_FIELDS) +
                                        " pedigree fields and two alleles per locus; this one " +
                                        std::to_string(fields.size()) + " fields");
    }
    loci = (fields.size() - PEDIGREE_FIELDS) / 2;
  }
  if (first_line == 0) return failure("the file has no individual");
  if (map.empty()) {
    for (size_t l = 0; l < loci; ++l) {
      std::string name = "locus ";
      name += std::to_string(l + 1);
      data.loci.push_back(name);
    }
    data.notes.push_back(
        Note("no .map file beside it: its loci are named by their place, "
             "locus 1 to locus " +
             std::to_string(loci)));
  } else {
    const Status named = map_names(map, data.loci);
    if (!named.ok) return named;
    if (data.loci.size() != loci) {
      return failure("the .map file names " + std::to_string(data.loci.size()) +
                     " loci, but the rows hold " + std::to_string(loci));
    }
  }
  data.labels.resize(loci);
  data.label_codes.resize(loci);
  data.half_missing.resize(loci);
  for (size_t at = 0; at < lines.size(); ++at) {
    const std::vector<std::string_view> fields = word_views(lines[at]);
    if (fields.empty()) continue;
    const int line = static_cast<int>(at) + 1;
    if (fields.size() != PEDIGREE_FIELDS + 2 * loci) {
      return failure_at(line, "line " + std::to_string(line) + ": the row has " +
                                  std::to_string(fields.size()) + " fields; line " +
                                  std::to_string(first_line) + " " +
                                  std::to_string(PEDIGREE_FIELDS + 2 * loci));
    }
    Individual individual{std::string(fields[1]), sample_named(data, std::string(fields[0])), line,
                          std::vector<AlleleCodes>(loci)};
    if (fields[3] != "0") individual.maternal = std::string(fields[3]);
    for (size_t l = 0; l < loci; ++l) {
      const std::string_view first = fields[PEDIGREE_FIELDS + 2 * l];
      const std::string_view second = fields[PEDIGREE_FIELDS + 2 * l + 1];
      LabelPair pair;
      if (first != "0" && second != "0") {
        pair.allele[0] = std::string(first);
        pair.allele[1] = std::string(second);
      } else if (first != "0" || second != "0") {
        count_half_missing(data.half_missing[l], individual.id, line);
      }
      const Status coded = set_genotype(data, individual, l, pair, line);
      if (!coded.ok) return coded;
    }
    data.individuals.push_back(std::move(individual));
  }
  return success();
}

}  // namespace mpdetect
