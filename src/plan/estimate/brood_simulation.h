// Broods drawn by the simulation and written as a Genepop file, one sample
// per brood, the mother first: what the example brood file and the tests of
// the brood analysis are made from, with the truth beside them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/input/panel.h"
#include "study/study_data.h"

namespace mpdetect {

struct SimulatedBrood {
  std::string name;  // the sample's name, "B01"
  int sires;         // sires of the design it was drawn from
  int verdict;       // judge_brood's, on the genotypes as drawn
  Genotype mother[MAX_LOCI];
  std::vector<std::vector<Genotype>> offspring;  // [offspring][locus], slot 0 the mother's
  // Each offspring's sire (0, 1, ... as the shares are given): the one
  // whose genotype holds its paternal allele at every locus; -1 where two
  // sires' genotypes both do.
  std::vector<int> sire_of;
};

// Draws a brood of `size` offspring from `study` with `shares` (its mother
// drawn from the population when the study's is untyped) through
// sample_brood, from the process-wide generator as it stands, and judges
// it with judge_brood.
// REQUIRES: study as accepted by read_study_data; 1 to MAX_SIRES shares;
// size <= MAX_OFFSPRING.
SimulatedBrood simulate_brood(StudyData& study, const std::vector<double>& shares, int size,
                              const std::string& name);

// The broods as a Genepop file: a title line, the loci, then per brood a
// "Pop <name>" line, the mother ("<name>-M") and her offspring
// ("<name>-01", ...), each allele by its label in `panel`. An allele index
// of -1 is written as missing (0 in every digit).
// REQUIRES: panel the study's panel (same loci, labels in index order),
// labels of one width.
std::string broods_genepop(const std::string& title, const Panel& panel,
                           const std::vector<SimulatedBrood>& broods);

}  // namespace mpdetect
