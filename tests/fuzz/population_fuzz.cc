// Any bytes as a population file, in every format (STRUCTURE also laid out
// as a user says): each reader either
// accepts it, with every individual holding one genotype per locus (codes
// of the locus's labels), or refuses it with a one-line message; an
// accepted file gives a panel whose
// frequencies at each locus add up to 1, and a study file (when it fits a
// study's limits) that the dialogue's reader accepts without a warning. Each
// sample, judged as a brood with its first individual as the mother, keeps
// the judgement's bounds.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz_check.h"
#include "plan/estimate/brood_judgement.h"
#include "plan/input/panel.h"
#include "plan/input/population.h"
#include "plan/model/panel_stats.h"
#include "plan/model/study_writer.h"
#include "study/study_reader.h"

// The entry point stands outside the project's namespace.
using namespace mpdetect;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  detect_format(text);
  // STRUCTURE twice: as inferred, and laid out as a user might say.
  StructureLayout said;
  FUZZ_CHECK(parse_structure_layout("MARKERNAMES=1,LABEL=0,ONEROWPERIND=0,POPDATA=1", said).ok);
  int pass = 0;
  for (const InputFormat format :
       {InputFormat::GENEPOP, InputFormat::GENALEX, InputFormat::STRUCTURE, InputFormat::STRUCTURE,
        InputFormat::FSTAT, InputFormat::GENETIX, InputFormat::FREQUENCIES,
        InputFormat::ALLELE_COUNTS, InputFormat::VCF, InputFormat::PLINK}) {
    PopulationData population;
    const bool laid_out = format == InputFormat::STRUCTURE && pass++ == 1;
    const Status read =
        read_population(text, format, population, laid_out ? said : StructureLayout{});
    if (!read.ok) {
      FUZZ_CHECK(!read.message.empty() && read.message.find('\n') == std::string::npos);
      continue;
    }
    for (const Individual& individual : population.individuals) {
      FUZZ_CHECK(individual.genotype.size() == population.loci.size());
      for (size_t i = 0; i < individual.genotype.size(); ++i) {
        const AlleleCodes& codes = individual.genotype[i];
        FUZZ_CHECK((codes.allele[0] == MISSING_CODE) == (codes.allele[1] == MISSING_CODE));
        for (const int16_t code : codes.allele) {
          FUZZ_CHECK(code == MISSING_CODE ||
                     (i < population.labels.size() &&
                      static_cast<size_t>(code) < population.labels[i].size()));
        }
      }
      FUZZ_CHECK(individual.sample >= 0 &&
                 individual.sample < static_cast<int>(population.samples.size()));
    }
    std::vector<int> loci;
    FUZZ_CHECK(choose_loci(population.loci, "", loci).ok);
    std::vector<int> mothers;
    FUZZ_CHECK(find_mothers(population, "first", mothers).ok);
    std::vector<int> members(population.samples.size(), 0);
    for (const Individual& individual : population.individuals) ++members[individual.sample];
    for (size_t s = 0; s < mothers.size() && format != InputFormat::FREQUENCIES; ++s) {
      if (mothers[s] < 0 || members[s] - 1 > MAX_OFFSPRING) continue;
      const BroodVerdict brood =
          judge_genotyped_brood(population, static_cast<int>(s), mothers[s], loci);
      FUZZ_CHECK(static_cast<int>(brood.offspring.size()) == members[s] - 1);
      bool reveals = false;
      for (const BroodLocus& locus : brood.loci) {
        FUZZ_CHECK(locus.paternal <= locus.typed);
        FUZZ_CHECK(2 * brood.min_sires >= locus.paternal);
        reveals = reveals || locus.reveals;
      }
      FUZZ_CHECK(reveals == brood.revealed);
      // The least number of fathers over all loci is never below the
      // per-locus bound, nor above the offspring judged.
      FUZZ_CHECK(brood.min_sires >= brood.min_sires_per_locus);
      FUZZ_CHECK(brood.min_sires_most >= brood.min_sires);
      FUZZ_CHECK(brood.min_sires <= static_cast<int>(brood.offspring.size()) ||
                 !brood.mother_sampled);
      FUZZ_CHECK(brood.mismatches.size() <= brood.offspring.size() * loci.size());
    }
    Panel panel = panel_of(population, -1, loci);
    panel_statistics(panel);
    bool fits = format != InputFormat::FREQUENCIES;
    bool typed = true;  // a locus typed in nobody is refused before a study is written
    for (LocusPanel& locus : panel.loci) {
      typed = typed && !locus.labels.empty();
      pool_rarest(locus, MAX_ALLELES);
      FUZZ_CHECK(static_cast<int>(locus.labels.size()) <= MAX_ALLELES);
      double sum = 0;
      for (const double p : locus.frequency) sum += p;
      if (!locus.labels.empty() && fits) FUZZ_CHECK(std::fabs(sum - 1) < 1e-9);
    }
    StudyFiles files;
    if (!typed) continue;
    if (!write_study(panel, equal_shares(2), MotherChoice{}, population, files).ok) continue;
    StudyData study{};
    std::istringstream in(files.study);
    const LoadStatus loaded = read_study_data(study, in);
    FUZZ_CHECK(loaded.ok);
    if (fits) FUZZ_CHECK(loaded.warnings.empty());
  }
  return 0;
}
