#include "simulation/random_source.h"

static uint32_t state = 1;

void seed_random(uint32_t seed) {
  state = seed;
}

uint32_t random_state() {
  return state;
}

int next_random15() {
  state = state * RANDOM_MULTIPLIER + RANDOM_INCREMENT;
  return static_cast<int>((state >> 16) & 0x7FFFu);
}

double draw_uniform() {
  return next_random15() / 32768.0;
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
