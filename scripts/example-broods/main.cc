// example_broods: writes the example brood file from the simulation itself,
// with the truth beside it. 30 broods of 4 to 30 offspring at the loci of a
// population sample, each drawn with one, two or three sires; then a few
// offspring genotypes miscalled so that they carry neither allele of their
// mother, and a few left missing. Deterministic: the same files every run.
//
//   example_broods POPULATION BROODS TRUTH ERRORS SIRES
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

#include "plan/estimate/brood_simulation.h"
#include "plan/model/design.h"
#include "plan/model/study_writer.h"
#include "simulation/random_source.h"

namespace mpdetect {
namespace {

constexpr int BROODS = 30;
constexpr int MISCALLED = 4;
constexpr int MISSING = 3;

bool write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace
}  // namespace mpdetect

// The entry points stand outside the project's namespace.
using namespace mpdetect;

int main(int argc, char** argv) {
  if (argc != 6) {
    std::cerr << "usage: example_broods POPULATION BROODS TRUTH ERRORS SIRES\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  PopulationData data;
  Panel panel;
  Notes notes;
  Design design;
  if (!panel_of_input(argv[1], text.str(), InputOptions{}, data, panel, notes).ok ||
      !design_of_panel(argv[1], panel, equal_shares(2), MotherChoice{}, data, false, design, notes)
           .ok) {
    std::cerr << "example_broods: cannot make a study of " << argv[1] << "\n";
    return 1;
  }
  StudyData study = design.study;
  std::mt19937 choose(20261208);
  auto below = [&choose](int n) { return static_cast<int>(choose() % static_cast<uint32_t>(n)); };
  seed_random(20261208);

  const std::vector<std::vector<double>> designs = {{1.0}, {0.6, 0.4}, {0.5, 0.3, 0.2}};
  const char* const design_text[] = {"1", "0.6/0.4", "0.5/0.3/0.2"};
  std::vector<SimulatedBrood> broods;
  std::vector<int> kind;
  std::string truth = "brood,offspring,sires,shares,revealed_as_drawn\n";
  for (int b = 0; b < BROODS; ++b) {
    const int roll = below(10);
    kind.push_back(roll < 4 ? 0 : roll < 8 ? 1 : 2);
    char name[8];
    std::snprintf(name, sizeof name, "B%02d", b + 1);
    broods.push_back(simulate_brood(study, designs[kind.back()], 4 + below(27), name));
    const SimulatedBrood& brood = broods.back();
    truth += brood.name + "," + std::to_string(brood.offspring.size()) + "," +
             std::to_string(brood.sires) + "," + design_text[kind.back()] + "," +
             std::to_string(brood.verdict) + "\n";
  }

  // Miscalls: both alleles replaced by alleles the mother does not carry,
  // at loci where there are such alleles.
  std::string errors = "brood,offspring,locus,drawn,written\n";
  for (int n = 0; n < MISCALLED + MISSING; ++n) {
    SimulatedBrood& brood = broods[below(BROODS)];
    const int j = below(static_cast<int>(brood.offspring.size()));
    const int i = below(study.locus_count);
    Genotype& genotype = brood.offspring[j][i];
    const Genotype& mother = brood.mother[i];
    const LocusPanel& locus = panel.loci[i];
    auto label = [&locus](const Genotype& g) {
      return g.slot[0] < 0 ? std::string("missing")
                           : locus.labels[g.slot[0]] + "/" + locus.labels[g.slot[1]];
    };
    Genotype written{{-1, -1}};
    if (n < MISCALLED) {
      std::vector<int32_t> others;
      for (int32_t a = 0; a < study.allele_count[i]; ++a) {
        if (a != mother.slot[0] && a != mother.slot[1]) others.push_back(a);
      }
      if (others.empty() || genotype.slot[0] < 0) {
        --n;
        continue;
      }
      written = Genotype{{others[below(static_cast<int>(others.size()))],
                          others[below(static_cast<int>(others.size()))]}};
    }
    char offspring[16];
    std::snprintf(offspring, sizeof offspring, "%s-%02d", brood.name.c_str(), j + 1);
    errors += brood.name + "," + offspring + "," + locus.name + "," + label(genotype) + "," +
              label(written) + "\n";
    genotype = written;
  }

  // Each offspring's sire, numbered from 1 as the shares are given.
  std::string sires = "brood,offspring,sire\n";
  for (const SimulatedBrood& brood : broods) {
    for (size_t j = 0; j < brood.offspring.size(); ++j) {
      char offspring[16];
      std::snprintf(offspring, sizeof offspring, "%s-%02d", brood.name.c_str(),
                    static_cast<int>(j + 1));
      const int sire = brood.sire_of[j];
      sires +=
          brood.name + "," + offspring + "," + (sire < 0 ? "?" : std::to_string(sire + 1)) + "\n";
    }
  }

  const std::string broods_text = broods_genepop(
      "Broods drawn by the simulation from examples/population.gen (see broods-truth.csv)", panel,
      broods);
  if (!write(argv[2], broods_text) || !write(argv[3], truth) || !write(argv[4], errors) ||
      !write(argv[5], sires)) {
    std::cerr << "example_broods: cannot write the files\n";
    return 1;
  }
  return 0;
}
