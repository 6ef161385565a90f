#include "simulation/random_source.h"

namespace mpdetect {

static RandomState process_state{1};

void seed_random(uint32_t seed) {
  process_state.value = seed;
}

uint32_t random_state() {
  return process_state.value;
}

int next_random15() {
  process_state.value = process_state.value * RANDOM_MULTIPLIER + RANDOM_INCREMENT;
  return output15(process_state.value);
}

double draw_uniform() {
  return next_random15() / static_cast<double>(RANDOM15_VALUES);
}

int draw_half() {
  return static_cast<int>(draw_uniform() * 2);
}

int draw_by_weight(const double* weights, int n, double u) {
  for (int i = 0; i < n; ++i) {
    if (weights[i] > u) return i;
    u -= weights[i];
  }
  return NO_INDEX;
}

}  // namespace mpdetect
