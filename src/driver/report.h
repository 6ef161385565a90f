// The dialogue's answer to one brood size: an estimate from the process-wide
// generator and its two report lines.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "simulation/estimate.h"
#include "study/study_data.h"

namespace mpdetect {

// Runs the trials for brood_size and writes "Loci =..." and "Velm =..." to
// `out`. Continues the process-wide generator sequence; an untyped mother's
// drawn genotype carries over to the next estimate.
// REQUIRES: work prepared for this study; brood_size <= MAX_OFFSPRING.
void estimate_and_report(StudyData& study, int32_t brood_size, EstimateWork& work,
                         std::ostream& out);

}  // namespace mpdetect
