// One estimate: TRIAL_COUNT simulated broods of one size, and the share of
// them in which multiple paternity shows.
#pragma once

#include <cstdint>

#include "simulation/fast_estimate.h"
#include "simulation/random_source.h"
#include "simulation/trial.h"
#include "study/study_data.h"

namespace mpdetect {

// Trials in every estimate.
constexpr int TRIAL_COUNT = 50000;

// The storage one estimate works in, of fixed size: the plain trial's and
// the fast estimator's tables. Estimates that run side by side each need
// their own.
struct EstimateWork {
  TrialWork trial;
  FastEstimator fast;
};

// Builds what the estimates for `study` need. Call once after loading.
void prepare_estimates(const StudyData& study, EstimateWork& work);

// From now on, judges at each locus only the offspring `judged` holds there
// (a genotyped brood's untyped offspring left out); prepare_estimates judges
// every one.
void judge_only(EstimateWork& work, const JudgedOffspring& judged);

// From now on, judges as if the mother were never sampled: from the
// offspring alone (judge_brood_unsampled). The study's mother must be
// untyped: she is drawn as ever.
// REQUIRES: !study.mother_known for the study prepared.
void judge_unsampled(EstimateWork& work);

// From now on, a trial detects only when at least `min_loci` loci reveal
// several fathers; prepare_estimates asks one.
// REQUIRES: min_loci >= 1.
void require_loci(EstimateWork& work, int min_loci);

// From now on, reads every genotype a trial reads with the errors of
// `rates` (genotyping_error.h): the offspring's, and the mother's when she
// is drawn and sampled; a mother given in advance is taken as read. An
// offspring that then fits neither of the mother's alleles at a locus is
// left out there. Rates of zero leave the estimates as they are.
// REQUIRES: each rate from 0 to MAX_ERROR_RATE; work prepared for `study`.
void model_errors(EstimateWork& work, const StudyData& study, const ErrorRates& rates);

// Runs TRIAL_COUNT trials of brood_size from `random` and returns how many
// detect multiple paternity, advancing `random` past them. The program
// counts them with the fast estimator; a build with MPDETECT_PLAIN_ESTIMATE
// runs run_trial one trial after another instead (through the process-wide
// generator, so not side by side), with the same result.
// REQUIRES: work prepared for this study; brood_size <= MAX_OFFSPRING.
int count_detections(StudyData& study, int32_t brood_size, EstimateWork& work, RandomState& random);

// Runs `trials` further trials of brood_size from `random`, as that many
// calls of run_trial would (the same build choice as count_detections),
// and returns how many detect. For estimates beyond TRIAL_COUNT trials.
// REQUIRES: as count_detections; trials >= 0.
int64_t count_more_detections(StudyData& study, int32_t brood_size, int64_t trials,
                              EstimateWork& work, RandomState& random);

// Moves `random` and study.mother past `trials` trials of brood_size as
// count_more_detections would, without judging them.
// REQUIRES: as count_more_detections.
void skip_more_trials(StudyData& study, int32_t brood_size, int64_t trials, EstimateWork& work,
                      RandomState& random);

// The estimate as the dialogue prints it: 1/TRIAL_COUNT added `detections`
// times, one addition after the other from 0. It is not detections /
// TRIAL_COUNT exactly; the rounding of the running sum can change the third
// decimal (225 of 50000 prints 0.005, not 0.004).
double running_share(int detections);

}  // namespace mpdetect
