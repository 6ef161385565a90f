// The pseudo-random generator: a linear congruential generator (multiplier
// 214013, increment 2531011, modulo 2^32) that keeps 15 bits of output, so
// every uniform variate is a multiple of 1/32768.
//
// The dialogue uses one process-wide state through seed_random and the
// draw functions. Code that must not share that state (an estimate running
// beside another) holds a RandomState of its own and reads values by offset
// (random_jump.h).
#pragma once

#include <cstdint>

namespace mpdetect {

constexpr uint32_t RANDOM_MULTIPLIER = 214013u;
constexpr uint32_t RANDOM_INCREMENT = 2531011u;
// How many values the generator gives: 0 to 32767.
constexpr int RANDOM15_VALUES = 32768;
// The first value that draw_half turns into 1.
constexpr int HALF_POINT = RANDOM15_VALUES / 2;
// What draw_by_weight returns when the walk passes the last weight.
constexpr int NO_INDEX = -1;

// A generator state owned by its caller.
struct RandomState {
  uint32_t value;
};

// The generator's output for a state it has just moved to: bits 16 to 30.
constexpr int output15(uint32_t state) {
  return static_cast<int>((state >> 16) & 0x7FFFu);
}

// Whether a value draws the upper half: what draw_half returns for it.
constexpr bool upper_half(int value) {
  return value >= HALF_POINT;
}

// Sets the process-wide state. It is 1 until this is called.
void seed_random(uint32_t seed);

// The process-wide state, for code that reads ahead by offset.
uint32_t random_state();

// Advances the process-wide state and returns output15 of the new state.
int next_random15();

// One generator value r as r / 32768: from 0 to 32767/32768, never 1.
double draw_uniform();

// One generator value as 0 (r below HALF_POINT) or 1.
int draw_half();

// Walks the weights from index 0, returning the first index whose weight is
// strictly greater than what is left of u, after taking off the weights
// passed; NO_INDEX when the walk passes the last weight, which happens only
// when the weights sum to no more than u. Consumes no generator values.
int draw_by_weight(const double* weights, int n, double u);

}  // namespace mpdetect
