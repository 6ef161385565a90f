#include "plan/population.h"

void set_genotype(PopulationData& data, Individual& individual, size_t locus,
                  const LabelPair& pair) {
  if (data.labels.size() < data.loci.size()) data.labels.resize(data.loci.size());
  AlleleCodes codes;
  if (!pair.allele[0].empty()) {
    std::vector<std::string>& labels = data.labels[locus];
    for (int slot = 0; slot < 2; ++slot) {
      // Loci have tens of alleles, not thousands: a scan is quick.
      size_t code = 0;
      while (code < labels.size() && labels[code] != pair.allele[slot]) ++code;
      if (code == labels.size()) labels.push_back(pair.allele[slot]);
      codes.allele[slot] = static_cast<int32_t>(code);
    }
  }
  individual.genotype[locus] = codes;
}

LabelPair labels_at(const PopulationData& data, const Individual& individual, size_t locus) {
  const AlleleCodes& codes = individual.genotype[locus];
  if (codes.allele[0] == MISSING_CODE) return LabelPair{};
  return LabelPair{{data.labels[locus][codes.allele[0]], data.labels[locus][codes.allele[1]]}};
}
