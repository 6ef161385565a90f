#include "driver/estimate.h"

#include <cstdio>
#include <ostream>

double running_share(int detections) {
  double sum = 0;
  for (int n = 0; n < detections; ++n) sum += 1 / 50000.0;
  return sum;
}

void estimate_and_report(StudyData& study, int32_t brood_size, TrialWork& work, std::ostream& out) {
  int detections = 0;
  for (int t = 0; t < TRIAL_COUNT; ++t) detections += run_trial(study, brood_size, work);

  char line[64];
  std::snprintf(line, sizeof line, "Loci =%3d; Sires =%3d.\n", study.locus_count, study.sire_count);
  out << line;
  std::snprintf(line, sizeof line, "Velm = %6.3f\n\n\n", running_share(detections));
  out << line;
}
