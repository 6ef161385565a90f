// The standard statistics of a marker panel, per locus from its allele
// frequencies (Hardy-Weinberg proportions, unlinked loci), and the combined
// exclusion probabilities over all loci. Exclusion answers whether a given
// male can be ruled out as a father; it is not the probability of
// detecting multiple paternity, which only the simulation gives.
#pragma once

#include <string>
#include <vector>

#include "plan/input/panel.h"

namespace mpdetect {

struct LocusStatistics {
  std::string name;
  int alleles;              // with frequency above zero
  int typed;                // -1 when unknown (frequency table, study file)
  double observed_het;      // Ho; NaN when unknown
  double expected_het;      // He = 1 - sum p^2 (Nei 1973)
  double unbiased_het;      // 2N/(2N-1) He (Nei 1978); NaN when N is unknown
  double pic;               // Botstein et al. 1980
  double exclusion_first;   // first parent, other unknown (Jamieson & Taylor 1997)
  double exclusion_second;  // second parent, other known
  double exclusion_pair;    // parent pair
};

struct PanelStatistics {
  std::vector<LocusStatistics> loci;
  // 1 - product over loci of (1 - P), for each exclusion probability.
  double combined_first, combined_second, combined_pair;
};

// The statistics of one locus from its frequencies; `typed` and
// `heterozygous` as in LocusPanel (-1: unknown).
LocusStatistics locus_statistics(const std::string& name, const std::vector<double>& frequency,
                                 int typed, int heterozygous);

PanelStatistics panel_statistics(const Panel& panel);

// The table as CSV, with the columns that need genotypes only when
// `genotypes` is set; the last row holds the combined exclusions.
std::string statistics_csv(const PanelStatistics& stats, bool genotypes);

// The same as an aligned table for the terminal.
std::string statistics_table(const PanelStatistics& stats, bool genotypes);

}  // namespace mpdetect
