#include "plan/input/population.h"

#include "study/number_scanner.h"

namespace mpdetect {

Status set_genotype(PopulationData& data, Individual& individual, size_t locus,
                    const LabelPair& pair, int line) {
  if (data.labels.size() < data.loci.size()) {
    data.labels.resize(data.loci.size());
    data.label_codes.resize(data.loci.size());
  }
  AlleleCodes codes;
  if (!pair.allele[0].empty()) {
    std::vector<std::string>& labels = data.labels[locus];
    for (int slot = 0; slot < 2; ++slot) {
      const std::string key = allele_key(pair.allele[slot]);
      const auto known = data.label_codes[locus].find(key);
      const size_t code = known != data.label_codes[locus].end()
                              ? static_cast<size_t>(known->second)
                              : labels.size();
      if (code == MAX_LABELS) {
        return failure_at(line,
                          "line " + std::to_string(line) + ": locus " + data.loci[locus] +
                              " has more than " + std::to_string(MAX_LABELS) +
                              " distinct alleles; no marker has",
                          data.loci[locus], individual.id);
      }
      if (code == labels.size()) {
        labels.push_back(pair.allele[slot]);
        data.label_codes[locus].emplace(key, static_cast<int16_t>(code));
      }
      codes.allele[slot] = static_cast<int16_t>(code);
    }
  }
  individual.genotype[locus] = codes;
  return success();
}

std::string allele_key(const std::string& label) {
  const size_t sign = !label.empty() && (label[0] == '-' || label[0] == '+') ? 1 : 0;
  if (label.size() == sign) return label;
  for (size_t c = sign; c < label.size(); ++c) {
    if (label[c] < '0' || label[c] > '9') return label;
  }
  size_t first = sign;
  while (first + 1 < label.size() && label[first] == '0') ++first;
  const std::string digits = label.substr(first);
  return (label[0] == '-' && digits != "0" ? "-" : "") + digits;
}

bool split_digits(std::string_view code, size_t width, LabelPair& pair, int& missing) {
  if (code.empty() || code.size() > 2 * width) return false;
  for (const char c : code) {
    if (c < '0' || c > '9') return false;
  }
  const std::string full = std::string(2 * width - code.size(), '0') + std::string(code);
  pair = LabelPair{{full.substr(0, width), full.substr(width)}};
  missing = 0;
  for (const std::string& allele : pair.allele)
    missing += allele.find_first_not_of('0') == std::string::npos;
  if (missing) pair = LabelPair{};
  return true;
}

LabelPair labels_at(const PopulationData& data, const Individual& individual, size_t locus) {
  const AlleleCodes& codes = individual.genotype[locus];
  if (codes.allele[0] == MISSING_CODE) return LabelPair{};
  return LabelPair{{data.labels[locus][codes.allele[0]], data.labels[locus][codes.allele[1]]}};
}

void count_half_missing(HalfMissing& half, const std::string& id, int line) {
  if (half.count++ == 0)
    half.first = "individual \"" + printable(id) + "\", line " + std::to_string(line);
}

int sample_named(PopulationData& data, const std::string& name) {
  const auto [at, added] = data.sample_codes.emplace(name, static_cast<int>(data.samples.size()));
  if (added) data.samples.push_back(name);
  return at->second;
}

}  // namespace mpdetect
