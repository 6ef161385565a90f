// One estimate: TRIAL_COUNT simulated broods of one size, and the two report
// lines with the share of broods in which multiple paternity shows.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "simulation/trial.h"
#include "study/study_data.h"

constexpr int TRIAL_COUNT = 50000;

// The estimate as the dialogue prints it: 1/50000 added `detections` times,
// one addition after the other from 0. It is not detections / 50000 exactly;
// the rounding of the running sum can change the third decimal (225 of 50000
// prints 0.005, not 0.004).
double running_share(int detections);

// Runs the trials for brood_size and writes "Loci =..." and "Velm =..." to
// `out`. Continues the generator sequence; an untyped mother's drawn
// genotype carries over to the next estimate.
// REQUIRES: brood_size <= MAX_OFFSPRING.
void estimate_and_report(StudyData& study, int32_t brood_size, TrialWork& work, std::ostream& out);
