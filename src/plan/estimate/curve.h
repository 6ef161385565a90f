// Power curves: for each design, the estimate at every brood size of a
// range, each design starting from the same seed (common random numbers),
// and the estimates of one design following one another as the dialogue's
// do when answered with those sizes in turn.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plan/model/design.h"
#include "simulation/estimate.h"

namespace mpdetect {

struct CurveRange {
  int from = 1;
  int to = MAX_OFFSPRING;
  int step = 1;
};

// Where an estimate stands against the target: its 95 % interval at or
// above it, below it, or holding it (the decision open).
// With genotyping errors under the allele rule, a size whose detection
// reaches the target but whose false detections lie above the rate allowed
// (the 95 % interval's low end above it) does not reach it:
// TOO_MANY_FALSE. The likelihood verdict holds the rate by construction.
enum class Decision { BELOW, REACHES, OPEN, TOO_MANY_FALSE };

// How a curve decides which sizes reach the target: by each estimate's
// interval; an estimate whose interval holds the target, up to the first
// size that reaches it, goes on with more trials, up to max_trials in all,
// until the interval lies on one side. max_trials = TRIAL_COUNT never goes
// on.
// `trials` is the trials of each estimate: TRIAL_COUNT, as the dialogue's,
// unless a design need not match the dialogue; 0 is each verdict's default
// (trials_for).
struct CurveTarget {
  double target = 0.95;
  int64_t max_trials = TRIAL_COUNT;
  int64_t trials = TRIAL_COUNT;
};

// The trials of each estimate of `design` when `asked` (0: the verdict's
// default: TRIAL_COUNT for the allele rule; for the likelihood, broods of
// each of its three sets, default_likelihood_trials).
int64_t trials_for(const Design& design, int64_t asked);

// Trials a refined decision may take by default, and at most; and the
// fewest an estimate may have.
constexpr int64_t DEFAULT_MAX_TRIALS = 1000000;
constexpr int64_t MOST_TRIALS = 100000000;
constexpr int64_t MIN_TRIALS = 1000;

struct CurvePoint {
  int brood_size;
  int detections;  // of estimate_trials: with TRIAL_COUNT, the estimate the dialogue gives
  double ceiling;  // the chance that two or more sires father the brood
  int64_t estimate_trials;
  // The trials the decision rests on (TRIAL_COUNT, or more where it was
  // refined) and the detections among them, the first TRIAL_COUNT included.
  int64_t trials;
  int64_t all_detections;
  Decision decision;
  // With genotyping errors, the detections of the design's single-sire
  // companion (single_sire in design.h) at this size, of estimate_trials:
  // false detections all; under the likelihood verdict, those of its own
  // single-sire broods. -1 without either.
  int false_detections = -1;
};

struct DesignCurve {
  std::string label;
  std::vector<CurvePoint> points;
  // What the figures say of the design beside its label: its input and
  // sample (Design::source, Design::sample), and its mother.
  std::string source, sample;
  bool unsampled_mother = false;
  bool mother_given = false;
  // How its broods were judged, and the false detections allowed.
  Verdict verdict = Verdict::ALLELES;
  double false_detection = DEFAULT_FALSE_DETECTION;
};

// The design's curve before any estimate: its label and what figures say
// of it, no points.
DesignCurve curve_of(const Design& design);

// Called after each estimate with the design's index and how many of its
// sizes are done. Returning false stops the run: every design ends after
// the estimate it is making.
using EstimateDone = std::function<bool(size_t design, int done)>;

// Estimates every design over the range from `seed`; a design with
// genotyping errors has its single-sire companion estimated beside it, from
// the same seed, on the same thread. A design judged by the likelihood
// measures its false detections itself (likelihood_trials.h), its trials
// spread over the threads the other designs leave. Designs run side by
// side on up to `threads` threads; the results do not depend on how many.
// `complete`, when given, says whether every estimate was made (false once
// `done` stopped the run, the curves then cut short).
// REQUIRES: 1 <= from <= to <= MAX_OFFSPRING; step >= 1.
std::vector<DesignCurve> estimate_curves(const std::vector<Design>& designs,
                                         const CurveRange& range, uint32_t seed, int threads,
                                         const EstimateDone& done = {}, bool* complete = nullptr,
                                         const CurveTarget& target = {});

// The decision for `detections` of `trials` against `target`.
Decision decide(int64_t detections, int64_t trials, double target);

// How many sizes the range holds.
int sizes_in(const CurveRange& range);

// The estimate exactly as the dialogue prints it, to three decimals.
double printed_probability(int detections);

// A point's estimate: the dialogue's running share for TRIAL_COUNT trials,
// detections over trials otherwise; and the same to three decimals, as the
// figures place it.
double point_estimate(const CurvePoint& point);
double printed_estimate(const CurvePoint& point);

// The decimals an estimate from `trials` trials is written with: down to
// the first significant decimal of its largest standard error (at one
// half), and never fewer than the dialogue's three. 50000 trials: 3;
// 1000000: 4.
int supported_decimals(int64_t trials);

// `share`, an estimate from `trials` trials, written so.
std::string share_text(double share, int64_t trials);

// With genotyping errors, the single-sire companion's estimate at a point,
// as point_estimate gives the design's.
// REQUIRES: point.false_detections >= 0.
double false_detection_share(const CurvePoint& point);

// Whether the curve's design has genotyping errors (and so a companion).
bool with_errors(const DesignCurve& curve);

// The Monte Carlo standard error of an estimate from `detections` of
// TRIAL_COUNT, or of `trials`.
double standard_error(int detections);
double standard_error(int64_t detections, int64_t trials);

// The 95 % Wilson score interval of the share of detecting trials, of
// TRIAL_COUNT or of `trials`.
void interval95(int detections, double& low, double& high);
void interval95(int64_t detections, int64_t trials, double& low, double& high);

// The table: design,brood_size,probability,standard_error,ci_low,ci_high,
// ceiling,decision,refined_trials,refined_probability,refined_ci_low,
// refined_ci_high; the refined cells empty where the decision rests on the
// first TRIAL_COUNT trials. With genotyping errors, then
// false_detection,false_detection_ci_low,false_detection_ci_high: the
// single-sire companion's estimate and interval.
// With `with_design` false the design column is left out (one design).
std::string curve_table(const std::vector<DesignCurve>& curves, bool with_design);

// The smallest brood size of a curve whose decision is that it reaches the
// target, or 0.
int smallest_reaching(const DesignCurve& curve);

// The line that names that size, or says that no size of the range reaches
// the target, naming the decisions before it that stayed open and, with
// genotyping errors, the false detections of one sire at that size;
// prefixed with the design's label when `labelled`.
std::string target_line(const DesignCurve& curve, double target, bool labelled);

}  // namespace mpdetect
