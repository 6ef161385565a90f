#include "simulation/sire_ceiling.h"

#include <cmath>

#include "simulation/draw_table.h"

namespace mpdetect {

SireChances sire_chances(const StudyData& study) {
  static thread_local int8_t table[RANDOM15_VALUES];
  fill_draw_table(study.skew, study.sire_count, table);
  SireChances chances{study.sire_count, {}, 0};
  for (const int8_t sire : table) {
    if (sire == NO_INDEX) {
      chances.none += 1.0 / RANDOM15_VALUES;
    } else {
      chances.drawn[sire] += 1.0 / RANDOM15_VALUES;
    }
  }
  return chances;
}

double several_sires_chance(const SireChances& chances, int32_t brood_size) {
  return several_sires_chance(chances.drawn, chances.sires, chances.none, brood_size);
}

double several_sires_chance(const double* drawn, int sires, double none, int32_t brood_size) {
  if (brood_size < 2) return 0;
  // One sire for the whole brood: the first offspring gets sire k (the last
  // sire also when nothing is picked), and every later one keeps him by
  // drawing him or nothing.
  const int last = sires - 1;
  double one_sire = 0;
  for (int k = 0; k < sires; ++k) {
    const double first = drawn[k] + (k == last ? none : 0.0);
    one_sire += first * std::pow(drawn[k] + none, brood_size - 1);
  }
  return 1 - one_sire;
}

double several_sires_chance(const StudyData& study, int32_t brood_size) {
  return several_sires_chance(sire_chances(study), brood_size);
}

}  // namespace mpdetect
