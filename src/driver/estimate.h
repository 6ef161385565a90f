// One estimate: TRIAL_COUNT simulated broods of one size, and the two report
// lines with the share of broods in which multiple paternity shows.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "simulation/fast_estimate.h"
#include "simulation/trial.h"
#include "study/study_data.h"

constexpr int TRIAL_COUNT = 50000;

// The storage every estimate works in, of fixed size: the plain trial's and
// the fast estimator's tables.
struct EstimateWork {
  TrialWork trial;
  FastEstimator fast;
};

// Builds what the estimates for `study` need. Call once after loading.
void prepare_estimates(const StudyData& study, EstimateWork& work);

// Runs TRIAL_COUNT trials of brood_size and returns how many detect multiple
// paternity. The program counts them with the fast estimator; a build with
// MPDETECT_PLAIN_ESTIMATE runs run_trial one trial after another instead,
// with the same result.
// REQUIRES: work prepared for this study; brood_size <= MAX_OFFSPRING.
int count_detections(StudyData& study, int32_t brood_size, EstimateWork& work);

// The estimate as the dialogue prints it: 1/50000 added `detections` times,
// one addition after the other from 0. It is not detections / 50000 exactly;
// the rounding of the running sum can change the third decimal (225 of 50000
// prints 0.005, not 0.004).
double running_share(int detections);

// Runs the trials for brood_size and writes "Loci =..." and "Velm =..." to
// `out`. Continues the generator sequence; an untyped mother's drawn
// genotype carries over to the next estimate.
// REQUIRES: work prepared for this study; brood_size <= MAX_OFFSPRING.
void estimate_and_report(StudyData& study, int32_t brood_size, EstimateWork& work,
                         std::ostream& out);
