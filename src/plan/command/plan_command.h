// What each of the planner's commands computes, from its request and the
// inputs' texts to the texts it gives: values in, values out, for the
// command line, the page and R alike. Each checks its request first
// (check_request). The caller reads the inputs, writes the outputs and
// draws the figure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plan/command/plan_requests.h"

namespace mpdetect {

// Called after every estimate of a curve: design index, designs in all,
// estimates done for that design and in all for it. Returning false stops
// the run, which then ends refused as interrupted.
using CurveProgress = std::function<bool(size_t design, size_t designs, int done, int total)>;

// The refusal of a run that its caller stopped.
constexpr const char* INTERRUPTED = "interrupted before every estimate was made";

// study: the study file and legend from a population file.
StudyResult run_study_command(const StudyRequest& request, const std::string& text);

// panel: the statistics as CSV, or as an aligned table.
PanelResult run_panel_command(const PanelRequest& request, const std::string& text);

// The inputs of a run, taken one at a time as the work reaches them, so
// that no more than one input's text need be held at once: `count` of
// them; `use(n, work)` calls work with input n's text and gives what it
// returns, or the refusal of reading it.
using TextWork = std::function<Status(const std::string& text)>;
struct InputTexts {
  size_t count = 0;
  std::function<Status(size_t n, const TextWork& work)> use;
};

// Inputs already in memory.
InputTexts texts_in_memory(const std::vector<std::string>& texts);

// Which of a run's designs it estimates. A run split among workers that
// share no memory (the web page's) estimates one design in each part, so
// that a worker done early takes the next: a part's result holds that
// design's curve alone (the others without points) and no table. The run
// put together from its parts estimates nothing: each design's points are
// given, as the parts made them, and its result is the whole run's, byte
// for byte.
struct CurveWork {
  int only = -1;  // the design a part estimates; -1: every one
  const std::vector<std::vector<CurvePoint>>* points = nullptr;  // one per design
};

// curve: every design of every input (request.names) from `seed`, the
// table with a design column when there is more than one design. Designs
// run on up to `threads` threads; `progress`, when set, hears of every
// estimate (from the thread that made it). The count of designs is checked
// before any input is read.
CurveResult run_curve_command(const CurveRequest& request, const InputTexts& inputs, uint32_t seed,
                              int threads, const CurveProgress& progress = {},
                              const CurveWork& work = {});
CurveResult run_curve_command(const CurveRequest& request, const std::vector<std::string>& texts,
                              uint32_t seed, int threads, const CurveProgress& progress = {},
                              const CurveWork& work = {});

// broods: the brood table from the brood file's text and, when
// request.population names one, the population sample's, from `seed` on
// up to `threads` threads.
BroodsResult run_broods_command(const BroodsRequest& request, const std::string& text,
                                const std::string& population_text, uint32_t seed, int threads);

// loci: the ranking at request.brood_size, or the panel chosen, from `seed`.
LociResult run_loci_command(const LociRequest& request, const std::string& text, uint32_t seed,
                            int threads);

}  // namespace mpdetect
