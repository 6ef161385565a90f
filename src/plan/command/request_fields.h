// The planner's requests from named values given as text, for the front
// ends that hold what the user gave as text (the page's fields, R's
// arguments formatted by R): each value read by the planner's rule for it
// (value_from_text) and the request checked (check_request), so that they
// refuse what mpplan refuses, each naming its own field or argument in the
// value's place. The names are the requests' own, not any front end's.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "plan/command/plan_requests.h"

namespace mpdetect {

using NamedValues = std::vector<std::pair<std::string, std::string>>;

// A run as named values. Every design shares `shared`: format, structure,
// pop, loci (a CSV list), pool_rare and as_is ("1" for yes), min_loci,
// from, to, step, target, trials, max_trials, dropout, false_allele, verdict
// (alleles or likelihood), false_detection, error_allowance, size
// (loci's brood size), choose, screen, mothers, population (the population
// sample's name) and seed. Each design has its own sires, shares (a list)
// and mother, any of them repeated for more variants.
struct RequestFields {
  std::string command;  // study, panel, curve, loci or broods
  NamedValues shared;
  std::vector<NamedValues> designs = {NamedValues{}};
  std::vector<std::string> names;  // the inputs', in order
};

// What the values ask for: the curve's request (whose first design's
// options the other commands take), the other commands' own values, and
// the seed where one was given.
struct FieldRun {
  std::string command;
  CurveRequest curve;
  int brood_size = 0;
  int choose = 0;
  int screen = 20;
  std::string mothers = "first";
  std::string population;
  bool seeded = false;
  uint32_t seed = 0;
};

// Reads every value and checks the command's request; the first refusal,
// a value's leaving its place (`Input`) for the front end's name.
Status run_of_fields(const RequestFields& fields, FieldRun& run);

// Each command's request from a run read so.
// REQUIRES: run_of_fields succeeded for `run`.
StudyRequest study_request(const FieldRun& run);
PanelRequest panel_request(const FieldRun& run, bool table);
LociRequest loci_request(const FieldRun& run);
BroodsRequest broods_request(const FieldRun& run);

}  // namespace mpdetect
