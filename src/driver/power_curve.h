// The power curve: estimates for a range of brood sizes, exactly as the
// dialogue gives them when answered with those sizes in turn, as a table and
// the smallest size that reaches a target probability.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "simulation/estimate.h"
#include "study/study_data.h"

struct PowerCurveOptions {
  int from = 1;
  int to = MAX_OFFSPRING;
  int step = 1;
  double target = 0.95;
  std::string output;  // table file; empty: standard output
  std::string plot;    // PNG file; empty: no plot
  int width = 800;
  int height = 600;
  bool seeded = false;  // seed given, rather than the clock
  uint32_t seed = 0;
  bool help = false;
};

// One row of the table.
struct CurvePoint {
  int brood_size;
  int detections;  // of TRIAL_COUNT trials
};

constexpr int MAX_CURVE_POINTS = MAX_OFFSPRING;

// The usage text, ending in a line end.
const char* power_curve_usage();

// Reads the command-line words (argv[1] on). Returns false with `error` set
// (one line, no line end) when a word is unknown or a value is out of range.
bool parse_power_curve_options(int argc, const char* const* argv, PowerCurveOptions& options,
                               std::string& error);

// Estimates every size of the range, continuing the generator sequence from
// `random`; writes the points and returns how many.
// REQUIRES: options as accepted by parse_power_curve_options; work prepared
// for this study; points holds MAX_CURVE_POINTS.
int estimate_curve(StudyData& study, const PowerCurveOptions& options, EstimateWork& work,
                   RandomState& random, CurvePoint* points);

// The estimate exactly as the dialogue prints it, to three decimals.
double printed_probability(int detections);

// The Monte Carlo standard error of an estimate from `detections` of
// TRIAL_COUNT trials.
double standard_error(int detections);

// Writes the table: a header line, then one line per point.
void write_curve_table(const CurvePoint* points, int count, std::ostream& out);

// The line that names the smallest brood size whose estimate reaches the
// target, or says that none in the range does; ends in a line end.
std::string target_line(const CurvePoint* points, int count, const PowerCurveOptions& options);
