// The one process-wide pseudo-random generator: a linear congruential
// generator (multiplier 214013, increment 2531011, modulo 2^32) that keeps 15
// bits of output, so every uniform variate is a multiple of 1/32768.
#pragma once

#include <cstdint>

constexpr uint32_t RANDOM_MULTIPLIER = 214013u;
constexpr uint32_t RANDOM_INCREMENT = 2531011u;
// What draw_by_weight returns when the walk passes the last weight.
constexpr int NO_INDEX = -1;

// Sets the generator state. The state is 1 until this is called.
void seed_random(uint32_t seed);

// The current state, for code that jumps ahead or checks where it stands.
uint32_t random_state();

// Advances the state and returns bits 16 to 30 of the new state: 0 to 32767.
int next_random15();

// One generator value r as r / 32768: from 0 to 32767/32768, never 1.
double draw_uniform();

// One generator value as 0 (r below 16384) or 1.
int draw_half();

// Walks the weights from index 0, returning the first index whose weight is
// strictly greater than what is left of u, after taking off the weights
// passed; NO_INDEX when the walk passes the last weight, which happens only
// when the weights sum to no more than u. Consumes no generator values.
int draw_by_weight(const double* weights, int n, double u);
