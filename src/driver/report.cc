#include "driver/report.h"

#include <cstdio>
#include <ostream>

#include "simulation/random_source.h"

namespace mpdetect {

void estimate_and_report(StudyData& study, int32_t brood_size, EstimateWork& work,
                         std::ostream& out) {
  RandomState random{random_state()};
  const int detections = count_detections(study, brood_size, work, random);
  seed_random(random.value);

  char line[64];
  std::snprintf(line, sizeof line, "Loci =%3d; Sires =%3d.\n", study.locus_count, study.sire_count);
  out << line;
  std::snprintf(line, sizeof line, "Velm = %6.3f\n\n\n", running_share(detections));
  out << line;
}

}  // namespace mpdetect
