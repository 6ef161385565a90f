// The marker panel a study is made from: per locus its allele labels in
// increasing order with their frequencies, and how many individuals were
// typed there. Built from a population sample (one sample or all pooled,
// the loci chosen) or from a frequency table.
#pragma once

#include <string>
#include <vector>

#include "plan/input/population.h"

namespace mpdetect {

struct LocusPanel {
  std::string name;
  int source;                       // the locus's index in the population file
  std::vector<std::string> labels;  // increasing: by number when all are whole numbers
  std::vector<double> frequency;    // allele counts over the alleles typed
  int typed;                        // individuals typed here; -1 for a frequency table
  int heterozygous;                 // of those, heterozygous; -1 for a frequency table
  std::vector<std::string> pooled;  // labels pooled into the last allele, if any
};

struct Panel {
  std::vector<LocusPanel> loci;
  // Whom the frequencies come from, for figure titles: "sample 2", "all 3
  // samples pooled", "one sample" or "frequency table".
  std::string sample;
};

// The sample that --pop names: a position (1, 2, ...), a population's name,
// or an individual's identifier (that individual's sample). A name comes
// before a position, with a note in `notes` when the name is a number. An
// empty `choice` pools every sample: `sample` is then -1.
Status choose_sample(const PopulationData& data, const std::string& choice, int& sample,
                     std::vector<Note>& notes);

// The loci that --loci names (a comma-separated list of names, in the order
// wanted); an empty list keeps every locus in file order.
Status choose_loci(const std::vector<std::string>& names, const std::string& list,
                   std::vector<int>& chosen);

// Whom a panel over `sample` (-1: all samples) takes its frequencies from,
// as Panel::sample says it.
std::string sample_description(const PopulationData& data, int sample);

// The panel of `loci` over `sample` (-1: all samples).
Panel panel_of(const PopulationData& data, int sample, const std::vector<int>& loci);

// Pools the rarest alleles of a locus into one (labelled "pooled", last) so
// that it keeps `max_alleles`; a locus with no more keeps them all.
void pool_rarest(LocusPanel& locus, int max_alleles);

// The index of `label` at `locus` (the pooled allele's for a pooled
// label), or -1. A label is found as written or, when no label of the
// locus is written so, as the only one with its allele_key ("9" finds
// "09", and "09" finds "9").
int allele_index(const LocusPanel& locus, const std::string& label);

}  // namespace mpdetect
