// The likelihood verdict's trials: broods drawn from a design, each judged
// by the statistic T (paternity_likelihood.h) against a threshold t drawn
// from the design itself. t is the (1 - alpha) quantile of T over broods
// of the same size drawn with a single sire (the same loci, frequencies,
// mother and errors), so one sire is called several in at most a share
// alpha of broods by construction. That share is then measured on single-
// sire broods of their own, apart from those t came from, so the rate the
// table reports is an honest estimate and not the calibration restated.
//
// These broods are drawn by a generator of their own, keyed by the seed,
// the brood size, the set (calibration, single sire, design) and the
// trial's number: every trial is the same whichever thread runs it, and a
// size's trials do not depend on the sizes before it.
#pragma once

#include <cstdint>
#include <vector>

#include "plan/estimate/paternity_likelihood.h"
#include "plan/model/design.h"
#include "plan/model/wide_study.h"
#include "simulation/genotyping_error.h"

namespace mpdetect {

// How a design's genotypes are read by the likelihood: with the design's
// errors when it has any, else with the allowance as a false-allele rate.
ReadModel reading_of(const ErrorRates& errors, double allowance);

// The trials per set by default for a false-detection rate alpha: enough
// that the 95 % interval of the measured rate lies within alpha +- alpha/2
// (16 / alpha gives a half-width of 0.49 alpha), and at least 1000.
int64_t default_likelihood_trials(double alpha);

// What the trials of one design read, built once.
struct LikelihoodTables {
  WideStudy study;
  bool unsampled_mother = false;
  ErrorRates errors{};
  ReadModel reading{};
  // Per locus, its alleles' frequencies summed in order, for the draws.
  std::vector<std::vector<double>> cumulative;
  std::vector<double> sire_cumulative;
  // For broods of one size drawn as a real brood was typed: offspring j's
  // read at locus l left out where untyped[j * loci + l] (empty: all read).
  std::vector<uint8_t> untyped;
};

// REQUIRES: check_plan_limits(study) ok; study has at least one sire.
LikelihoodTables likelihood_tables(const WideStudy& study, bool unsampled_mother,
                                   const ErrorRates& errors, const ReadModel& reading);

// The likelihood verdict judges broods of up to this many offspring: its
// search's time grows with the square of the brood.
constexpr int LIKELIHOOD_MAX_OFFSPRING = 200;

// The most terms one brood may have: each costs 16 bytes, and every step
// of the search reads each offspring's, so this bounds both the memory a
// thread holds (32 MB) and the time a brood takes (tens of milliseconds).
constexpr double MOST_TERMS = 2000000;

// The terms of one brood of `brood_size` at most under the design: per
// locus, its classes (the alleles a brood can show: the mother's and two a
// sire, or any with errors, and one for the rest) make the father's
// genotypes, times the mother's where she is not sampled, for each
// offspring.
double most_terms(const WideStudy& study, bool unsampled_mother, const ErrorRates& errors,
                  int brood_size);

// Refuses a design with more terms a brood than MOST_TERMS, or broods past
// LIKELIHOOD_MAX_OFFSPRING, saying what to change.
Status check_likelihood_design(const WideStudy& study, bool unsampled_mother,
                               const ErrorRates& errors, int max_brood);

// The sets of broods a point draws; and the broods of K sires a brood's
// (K + 1)-th father is weighed against (NEXT_FATHER, drawn as DESIGN is,
// from tables whose shares are the brood's K families').
enum class BroodSet { CALIBRATION = 0, SINGLE_SIRE = 1, DESIGN = 2, NEXT_FATHER = 3 };

// The genotypes of trial `trial` of `set` at brood_size from `seed`, as
// read (errors drawn), and the sire of each offspring in `sire_of`.
void draw_likelihood_brood(const LikelihoodTables& tables, BroodSet set, int brood_size,
                           int64_t trial, uint32_t seed, BroodReads& brood,
                           std::vector<int>& sire_of);

// Where a point's false detections are counted: on `trials` single-sire
// broods apart from those its threshold comes from, or on the calibration
// broods themselves, each held against the threshold the others give
// (false_detections_left_out). The second counts what a further brood's
// rate is on average without drawing more broods; the first also follows
// how far the threshold drawn happens to stray, and is what a curve shows
// with its interval.
enum class FalseDetections { ON_MORE_BROODS, EACH_LEFT_OUT };

struct LikelihoodPoint {
  int brood_size = 0;
  int64_t trials = 0;  // broods of each set
  double threshold = 0;
  int64_t detections = 0;        // of the design's broods, T > threshold
  int64_t false_detections = 0;  // of the single-sire broods counted, T > their threshold
};

// The point at brood_size: the threshold for `alpha`, then the detections
// of `trials` design broods and `trials` single-sire broods, run on up to
// `threads` threads (the result the same whatever their number).
// REQUIRES: 0 < alpha < 1; trials >= 1; 1 <= brood_size <= PLAN_MAX_OFFSPRING.
// Broods of up to `exact_up_to` offspring are judged by every split
// (exact_split_statistic), larger ones by the search. `measured` says
// where the false detections are counted; left out in turn, the point
// draws no single-sire broods beyond its calibration.
LikelihoodPoint likelihood_point(const LikelihoodTables& tables, int brood_size, int64_t trials,
                                 double alpha, uint32_t seed, int threads, int exact_up_to = 0,
                                 FalseDetections measured = FalseDetections::ON_MORE_BROODS);

// The detections of `trials` design broods at brood_size against
// `threshold`: likelihood_point's count, for a design whose threshold is
// already known (it depends on the mother, loci and offspring the tables
// draw, not on the sires' shares).
// REQUIRES: trials >= 1; 1 <= brood_size <= PLAN_MAX_OFFSPRING.
int64_t design_detections(const LikelihoodTables& tables, int brood_size, int64_t trials,
                          double threshold, uint32_t seed, int threads, int exact_up_to = 0);

// T of a brood as the point judges it: by every split up to `exact_up_to`
// offspring, else by the search (stopping above `enough`).
double brood_statistic(const BroodTerms& terms, SplitSearch& search, int exact_up_to,
                       double enough = 1e300);

// One father more, given a brood's split into `families` families
// (family_of, 0 to families - 1): the largest of the families' own
// statistics, each family judged as a brood of its own (restrict_terms) by
// brood_statistic; the family it splits (-1 where none does), its members,
// and their places in its better split (0 or 1 each).
struct NextFather {
  double statistic = 0;
  int family = -1;
  std::vector<int> members;
  std::vector<int> within;
};
NextFather next_father(const BroodTerms& terms, const std::vector<int>& family_of, int families,
                       int exact_up_to);

// The brood's families after `father`'s split: his family's members placed
// 1 by his split become family `families`.
// REQUIRES: father.family >= 0.
void split_off(const NextFather& father, int families, std::vector<int>& family_of);

// The threshold a brood's (K + 1)-th father must pass at brood_size, K the
// sires of `tables`: alpha's (calibrated_threshold) over `trials` broods of
// those sires, each split into K families as a brood is (its best
// two-family split, then next_father's split while they are fewer than K)
// and weighed by next_father; on up to `threads` threads, the result the
// same whatever their number.
// REQUIRES: tables with two sires or more; trials >= 1; 0 < alpha < 1.
double next_father_threshold(const LikelihoodTables& tables, int brood_size, int64_t trials,
                             double alpha, uint32_t seed, int threads, int exact_up_to);

// The threshold of `values` (T of n single-sire broods) for alpha: the
// k-th smallest, k = ceil((1 - alpha) (n + 1)), so that a further single-
// sire brood exceeds it with chance (n + 1 - k) / (n + 1) <= alpha at most
// (the order statistics of exchangeable draws); infinite when k > n (too
// few broods for so small a rate).
// REQUIRES: values not empty.
double calibrated_threshold(std::vector<double> values, double alpha);

// How many of `values` exceed the threshold (calibrated_threshold) of the
// others at alpha: each single-sire brood left out of the calibration in
// turn and judged as a further brood would be, so that the count over n
// has the expectation of a further brood's chance of passing a threshold
// from n - 1 broods. A value equal to the others' threshold is not above
// it, as a brood's statistic is judged.
// REQUIRES: values.size() >= 2.
int64_t false_detections_left_out(std::vector<double> values, double alpha);

}  // namespace mpdetect
