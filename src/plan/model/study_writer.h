// From a marker panel and a design (sires with their shares, the mother) to
// a study file the dialogue reads, and the legend that maps each allele
// index back to its label.
#pragma once

#include <string>
#include <vector>

#include "plan/input/panel.h"
#include "plan/input/population.h"
#include "plan/model/wide_study.h"

namespace mpdetect {

// Who the mother is: drawn from the population and genotyped with the
// brood (UNTYPED, as the study file says it); drawn but never genotyped, so
// that the brood is judged from the offspring alone (UNSAMPLED, which a
// study file cannot say: it is written as UNTYPED); an individual of the
// population file; or her labels locus by locus ("135/143,136/146,...").
struct MotherChoice {
  enum Kind { UNTYPED, UNSAMPLED, INDIVIDUAL, LABELS } kind = UNTYPED;
  std::string text;               // as given
  std::vector<LabelPair> labels;  // LABELS: her two labels at each locus of the panel
};

// Reads --mother: "drawn" (or "untyped", the same), "unsampled", labels
// (every locus a pair with a slash), or else an individual's identifier.
MotherChoice mother_choice(const std::string& text);

struct StudyFiles {
  std::string study;   // the data file's text
  std::string legend;  // CSV: locus,index,allele
};

// Shares for `sires` equal sires, as decimals that add up to exactly 1.
std::vector<std::string> equal_shares(int sires);

// A list of shares as typed, read by the one rule of every front end:
// shares separated by commas, semicolons or blanks ("0.6,0.4", "0.6; 0.4",
// "0.6 0.4"). A share left empty between two commas or semicolons is kept,
// empty, for the caller to refuse.
std::vector<std::string> share_words(const std::string& text);

// Each share as the study file's reader reads it, in `values`; a refusal
// naming the first that is no number, zero or more.
Status share_values(const std::vector<std::string>& shares, std::vector<double>& values);

// A study holds 1 to MAX_SIRES sires: a refusal for any other count.
Status check_sire_count(size_t sires);

// Refuses more loci than a study holds (MAX_LOCI), naming the count.
Status check_locus_count(size_t loci);

// Writes the study for `panel` with the shares (decimals as text, written
// as given) and the mother. Frequencies are written with six decimals that
// add up to exactly 1 at each locus (the largest takes up the rounding).
// Refuses a panel beyond a study's limits (too many loci; a locus with too
// many alleles unless pooled first, see pool_rarest), a mother whose
// alleles are not in the panel, or one not typed at a chosen locus.
// REQUIRES: every locus of `panel` has an allele (panel_of_input refuses
// a locus typed in nobody).
Status write_study(const Panel& panel, const std::vector<std::string>& shares,
                   const MotherChoice& mother, const PopulationData& data, StudyFiles& files);

// The study write_study would write, as the planner's record and of any
// size within the planner's limits: each frequency written as write_study
// writes it and read back as the study file's reader reads it, each share
// read so, the mother's alleles found as write_study finds them (a drawn or
// unsampled mother starting from the last allele twice, as the reader
// leaves her). Within the study record's limits the record is exactly the
// study write_study's file gives. Refuses what write_study refuses but the
// study record's limits, and a design past the planner's (check_plan_limits).
// REQUIRES: as write_study.
Status wide_study_of(const Panel& panel, const std::vector<std::string>& shares,
                     const MotherChoice& mother, const PopulationData& data, WideStudy& study);

}  // namespace mpdetect
