#include "driver/estimate.h"

#include <cstdio>
#include <ostream>

void prepare_estimates(const StudyData& study, EstimateWork& work) {
  prepare_fast_estimator(study, work.fast);
}

int count_detections(StudyData& study, int32_t brood_size, EstimateWork& work) {
#ifdef MPDETECT_PLAIN_ESTIMATE
  int detections = 0;
  for (int t = 0; t < TRIAL_COUNT; ++t) detections += run_trial(study, brood_size, work.trial);
  return detections;
#else
  return fast_count_detections(study, brood_size, TRIAL_COUNT, work.fast);
#endif
}

double running_share(int detections) {
  double sum = 0;
  for (int n = 0; n < detections; ++n) sum += 1 / 50000.0;
  return sum;
}

void estimate_and_report(StudyData& study, int32_t brood_size, EstimateWork& work,
                         std::ostream& out) {
  const int detections = count_detections(study, brood_size, work);

  char line[64];
  std::snprintf(line, sizeof line, "Loci =%3d; Sires =%3d.\n", study.locus_count, study.sire_count);
  out << line;
  std::snprintf(line, sizeof line, "Velm = %6.3f\n\n\n", running_share(detections));
  out << line;
}
