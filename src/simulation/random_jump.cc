#include "simulation/random_jump.h"

#include "simulation/random_source.h"

namespace mpdetect {

// Composes two maps: first `a`, then `b`.
static Jump then(Jump a, Jump b) {
  return Jump{b.mul * a.mul, b.mul * a.add + b.add};
}

Jump jump_of(uint64_t steps) {
  Jump result{1, 0};
  Jump power{RANDOM_MULTIPLIER, RANDOM_INCREMENT};
  while (steps != 0) {
    if (steps & 1) result = then(result, power);
    power = then(power, power);
    steps >>= 1;
  }
  return result;
}

Jump inverse_of(Jump jump) {
  // The multiplier is odd, so it has an inverse modulo 2^32; Newton's
  // iteration doubles the number of correct low bits each round.
  uint32_t inverse = jump.mul;
  for (int round = 0; round < 5; ++round) inverse *= 2u - jump.mul * inverse;
  return Jump{inverse, 0u - inverse * jump.add};
}

}  // namespace mpdetect
