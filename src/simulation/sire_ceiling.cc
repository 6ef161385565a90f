#include "simulation/sire_ceiling.h"

#include <cmath>

#include "simulation/draw_table.h"

double several_sires_chance(const StudyData& study, int32_t brood_size) {
  if (brood_size < 2) return 0;
  // Each sire's chance of being drawn, and of no sire, by the values of the
  // generator that pick them.
  static thread_local int8_t table[RANDOM15_VALUES];
  fill_draw_table(study.skew, study.sire_count, table);
  double drawn[MAX_SIRES] = {};
  double none = 0;
  for (const int8_t sire : table) {
    if (sire == NO_INDEX) {
      none += 1.0 / RANDOM15_VALUES;
    } else {
      drawn[sire] += 1.0 / RANDOM15_VALUES;
    }
  }
  // One sire for the whole brood: the first offspring gets sire k (the last
  // sire also when nothing is picked), and every later one keeps him by
  // drawing him or nothing.
  const int last = study.sire_count - 1;
  double one_sire = 0;
  for (int k = 0; k < study.sire_count; ++k) {
    const double first = drawn[k] + (k == last ? none : 0.0);
    one_sire += first * std::pow(drawn[k] + none, brood_size - 1);
  }
  return 1 - one_sire;
}
