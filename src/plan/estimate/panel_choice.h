// Choosing a panel of a few loci from many candidates (a microsatellite
// library, markers found by sequencing): forward selection at one brood
// size, every estimate from the same seed (common random numbers), each
// step adding the candidate that raises the estimate most. A study holds
// at most MAX_LOCI loci, so no candidate panel is larger; the candidates
// themselves may be any number.
//
// To stay fast with hundreds of candidates, the selection is screened:
// every candidate is first estimated alone, and each forward step tries
// only the `screen` candidates best alone (0: every one). Loci that do
// little alone rarely do much in a panel, since each locus reveals a
// second father by itself; the screen can miss a locus that does better
// beside the loci already chosen than its rank alone says, and the notes
// say how wide it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/model/design.h"
#include "plan/model/panel_stats.h"

namespace mpdetect {

// Candidates each step tries by default.
constexpr int DEFAULT_SCREEN = 20;

struct ChoiceStep {
  int locus;       // the candidate added
  int detections;  // with the loci chosen so far and this one
  // The rise over the step before (for the first step, over none) and its
  // standard error, sqrt(se^2 + se'^2): the two estimates share the seed,
  // but a panel of one more locus draws each trial's values at other
  // offsets, so they are all but independent.
  double gain;
  double gain_error;
};

struct PanelChoice {
  std::vector<std::string> names;           // every candidate
  std::vector<LocusStatistics> statistics;  // per candidate: He, PIC ...
  std::vector<int> alone;                   // per candidate, detections alone
  std::vector<ChoiceStep> steps;            // the loci chosen, in order
  int asked = 0;                            // loci asked for
  int screen = 0;                           // candidates each step tried
  bool stopped = false;                     // no candidate added more than Monte Carlo noise
};

// The candidate loci of one input, each as a design of its own (one locus,
// the first share and mother variant of the options), with its statistics.
// Refusals name the input and the locus.
Status candidate_loci(const std::string& name, const std::string& text, const InputOptions& options,
                      std::vector<Design>& candidates, std::vector<LocusStatistics>& statistics,
                      Notes& notes);

// Chooses up to `choose` loci at `brood_size` from `seed` on up to
// `threads` threads; stops early when the best candidate's gain is within
// 1.96 standard errors of none. `screen` 0 tries every candidate at every
// step. The result does not depend on the number of threads.
// REQUIRES: candidates as candidate_loci gives them, at least one;
// 1 <= choose <= MAX_LOCI; 1 <= brood_size <= MAX_OFFSPRING.
PanelChoice choose_panel(const std::vector<Design>& candidates,
                         const std::vector<LocusStatistics>& statistics, int choose, int screen,
                         int32_t brood_size, uint32_t seed, int threads);

// The table: step,locus,loci,probability,standard_error,gain,
// gain_standard_error,alone,he,pic, one row per locus chosen.
std::string choice_table(const PanelChoice& choice);

// What the user is told: the screen and, when it stopped early, why.
Notes choice_notes(const PanelChoice& choice);

}  // namespace mpdetect
