#include "plan/estimate/brood_simulation.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "simulation/trial.h"

namespace mpdetect {

SimulatedBrood simulate_brood(StudyData& study, const std::vector<double>& shares, int size,
                              const std::string& name) {
  study.sire_count = static_cast<int32_t>(shares.size());
  for (int k = 0; k < MAX_SIRES; ++k) study.skew[k] = k < study.sire_count ? shares[k] : 0;
  const std::unique_ptr<TrialWork> work(new TrialWork);
  sample_brood(study, size, *work);
  SimulatedBrood brood{name, study.sire_count, judge_brood(study, size, *work), {}, {}, {}};
  for (int i = 0; i < study.locus_count; ++i) brood.mother[i] = study.mother[i];
  for (int j = 0; j < size; ++j)
    brood.offspring.emplace_back(work->brood[j], work->brood[j] + study.locus_count);
  // The sampler keeps no record of each offspring's sire, but its
  // paternal alleles name him.
  for (int j = 0; j < size; ++j) {
    int sire = -1, fitting = 0;
    for (int k = 0; k < study.sire_count; ++k) {
      bool fits = true;
      for (int i = 0; i < study.locus_count && fits; ++i) {
        const Genotype& his = work->sire_genotype[k][i];
        const int32_t allele = work->brood[j][i].slot[1];
        fits = allele == his.slot[0] || allele == his.slot[1];
      }
      if (fits) {
        sire = k;
        ++fitting;
      }
    }
    brood.sire_of.push_back(fitting == 1 ? sire : -1);
  }
  return brood;
}

namespace {

// Genepop's alleles are numbers of one width: 2 or 3 digits, zero-padded.
size_t digits_of(const LocusPanel& locus) {
  size_t width = 2;
  for (const std::string& label : locus.labels) width = std::max(width, label.size());
  return width;
}

std::string genepop_genotype(const LocusPanel& locus, const Genotype& genotype) {
  const size_t width = digits_of(locus);
  std::string text;
  for (const int32_t allele : genotype.slot) {
    const std::string label = allele < 0 ? "0" : locus.labels[static_cast<size_t>(allele)];
    text.append(width - std::min(width, label.size()), '0');
    text.append(label);
  }
  return text;
}

std::string genepop_line(const Panel& panel, const std::string& id, const Genotype* genotype) {
  std::string line = id;
  line += ",";
  for (size_t i = 0; i < panel.loci.size(); ++i) {
    line += " ";
    line += genepop_genotype(panel.loci[i], genotype[i]);
  }
  line += "\n";
  return line;
}

}  // namespace

std::string broods_genepop(const std::string& title, const Panel& panel,
                           const std::vector<SimulatedBrood>& broods) {
  std::string text = title + "\n";
  for (size_t i = 0; i < panel.loci.size(); ++i) {
    text += i ? ", " : "";
    text += panel.loci[i].name;
  }
  text += "\n";
  for (const SimulatedBrood& brood : broods) {
    text += "Pop " + brood.name + "\n";
    text += genepop_line(panel, brood.name + "-M", brood.mother);
    for (size_t j = 0; j < brood.offspring.size(); ++j) {
      char number[8];
      std::snprintf(number, sizeof number, "-%02d", static_cast<int>(j + 1) % 1000);
      text += genepop_line(panel, brood.name + number, brood.offspring[j].data());
    }
  }
  return text;
}

}  // namespace mpdetect
