// Random access into the generator's sequence. The generator is an affine map
// modulo 2^32, so k steps are again one affine map: state -> mul * state + add.
// That lets a trial's values be read at any offset, and whole runs of values
// be skipped, without stepping through them.
#pragma once

#include <cstdint>

#include "simulation/random_source.h"

namespace mpdetect {

struct Jump {
  uint32_t mul;
  uint32_t add;
};

// The map that advances the state by `steps` values (0 gives the identity).
Jump jump_of(uint64_t steps);

// The map that undoes `jump`.
Jump inverse_of(Jump jump);

inline uint32_t apply_jump(Jump jump, uint32_t state) {
  return jump.mul * state + jump.add;
}

// The generator value that next_random15 returns after the state has been
// moved by `jump` from `state`; that is, with jump_of(d + 1), the value at
// offset d from `state`.
inline int value_after(Jump jump, uint32_t state) {
  return output15(apply_jump(jump, state));
}

}  // namespace mpdetect
