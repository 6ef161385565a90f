// mpplan's command line: a subcommand (study, panel, curve, loci, broods),
// its input files and options, and the request each subcommand makes of
// the planner from them. The options' words, their usage texts and the
// table of options live here alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/command/plan_requests.h"

namespace mpdetect {

struct PlanOptions {
  std::string command;  // study, panel, curve, loci or broods; empty: none given
  bool help = false;
  bool version = false;
  std::vector<std::string> inputs;  // files; "-" is standard input
  InputOptions input;
  std::string output;  // -o: the main result's file; empty: standard output
  std::string legend;  // study: the allele legend's file
  enum { AUTOMATIC, CSV, TABLE } layout = AUTOMATIC;  // panel
  CurveRange range;
  double target = 0.95;
  int64_t max_trials = DEFAULT_MAX_TRIALS;  // curve: trials a decision may take
  std::vector<Verdict> verdicts;            // curve: each --verdict, in order, once each
  int64_t trials = 0;                       // curve: trials per estimate (0: the verdict's default)
  bool seeded = false;
  uint32_t seed = 0;
  std::string plot;
  int width = 800;
  int height = 600;
  std::string title;
  int brood_size = 0;  // loci: --size
  int choose = 0;      // loci: a panel of this many (0: rank the loci)
  int screen = 20;     // loci --choose: candidates each step tries (0: all)
  // broods: how mothers are found, the population sample, and the
  // mismatch list's and the summary's files.
  std::string mothers = "first";
  std::string population;
  std::string mismatches;
  std::string families;
  std::string fathers;
  std::string summary;
};

// The usage text of `command` (empty: of mpplan itself), ending in a line end.
std::string plan_usage(const std::string& command);

// Every option as a Markdown table (the option, its value, which commands
// take it, what it does), from the table --help prints: docs/options.md.
std::string option_tables();

// The version line, ending in a line end.
const char* plan_version();

// Reads argv[1] on. Refuses (one line, no line end) a word that is
// unknown, a value out of range, a missing subcommand or an option the
// subcommand does not take; the values by the planner's rules for its
// request (check_request), whose refusals leave the option's place for
// command_line_text to fill.
Status parse_plan_options(int argc, const char* const* argv, PlanOptions& options);

// The request of each subcommand, from its options.
StudyRequest study_request_of(const PlanOptions& options);
PanelRequest panel_request_of(const PlanOptions& options, bool table);
CurveRequest curve_request_of(const PlanOptions& options);
LociRequest loci_request_of(const PlanOptions& options);
BroodsRequest broods_request_of(const PlanOptions& options);

}  // namespace mpdetect
