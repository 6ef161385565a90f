// What each of the planner's commands is asked, and what it gives, as
// values. The command line, the page and R each build a request from their
// own words, fields or arguments; the rules a request's values keep are
// here alone, so that every front end refuses the same values, each in its
// own words (the refusal leaves the value's place, `Input`, for its name).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/estimate/brood_analysis.h"
#include "plan/estimate/curve.h"
#include "plan/estimate/locus_ranking.h"
#include "plan/model/design.h"

namespace mpdetect {

// study: the study file and legend from one population file.
struct StudyRequest {
  std::string name;  // the input's, for messages
  InputOptions input;
};

// panel: the panel's statistics.
struct PanelRequest {
  std::string name;
  InputOptions input;
  bool table = false;  // an aligned table rather than CSV
};

// curve: the power curves of every design of every input.
struct CurveRequest {
  std::vector<std::string> names;  // the inputs', in order
  // Each design's options (the page's designs may differ in their loci as
  // well); the command line and R give one.
  std::vector<InputOptions> designs = {InputOptions{}};
  CurveRange range;
  double target = 0.95;
  int64_t max_trials = DEFAULT_MAX_TRIALS;  // trials a decision may take
  // Trials per estimate; 0: the verdict's default (TRIAL_COUNT for the
  // allele rule, default_likelihood_trials for the likelihood, per set).
  int64_t trials = 0;
};

// loci: the ranking of loci at one brood size, or a panel chosen forward.
struct LociRequest {
  std::string name;
  InputOptions input;
  int brood_size = 0;
  int choose = 0;   // a panel of this many (0: rank the loci)
  int screen = 20;  // candidates each step of a choice tries (0: all)
};

// broods: the judged broods and the corrected share.
struct BroodsRequest {
  std::string name;
  InputOptions input;
  std::string mothers = "first";  // first, identifiers A,B,... or a pattern
  std::string population;         // the population sample's name; empty: none
};

// The request with its verdict settled (brood_verdict): what every front
// end judges broods by.
BroodsRequest broods_request(const std::string& name, const InputOptions& input,
                             const std::string& mothers, const std::string& population);

// What every command gives: ok or the refusal, the notes (for standard
// error, in order) and the main result (a study file or a CSV table).
struct CommandResult {
  Status status;
  Notes notes;
  std::string output;
};

struct StudyResult : CommandResult {
  std::string legend;  // the allele legend (CSV)
};

struct PanelResult : CommandResult {};

struct CurveResult : CommandResult {
  std::vector<DesignCurve> curves;  // one per design
  std::vector<Design> designs;      // what was estimated
};

struct LociResult : CommandResult {
  Design design;  // what was ranked, or the panel chosen
  LocusRanking ranking;
};

struct BroodsResult : CommandResult {
  std::string mismatches;  // the mismatch list (CSV)
  std::string families;    // each offspring's father, by the likelihood verdict (CSV)
  std::string fathers;     // each father's offspring, share and genotypes (CSV)
  std::string summary;     // the corrected shares (CSV)
  BroodsReport broods;     // what was judged and estimated
};

// What `input` takes, in words ("a number of sires from 1 to 100"), for a
// refusal of a value given in a form that is not a number at all.
// REQUIRES: `input` is one of the values a request holds (SIRES on).
std::string what_input_takes(Input input);

// Whether `value` is one `input` takes.
bool value_fits(Input input, double value);

// Reads `text` as `input`'s value, as every front end reads a value typed:
// a whole number as digits alone (at most 18, checked as text, so that
// nothing wraps into range), else a decimal; false for a text that is no
// such number or one out of range.
bool value_from_text(Input input, const std::string& text, double& value);

// The refusal of `given` (as the user typed it) for `input`. A seed, which
// no request holds, is read and refused by the same rules (Input::SEED).
Status value_refused(Input input, const std::string& given);

// Refuses a request whose values break the rules (each value's range, the
// shares as decimals, one variant where the command estimates one design,
// a range of sizes that runs upwards), before any work.
Status check_request(const StudyRequest& request);
Status check_request(const PanelRequest& request);
Status check_request(const CurveRequest& request);
Status check_request(const LociRequest& request);
Status check_request(const BroodsRequest& request);

}  // namespace mpdetect
