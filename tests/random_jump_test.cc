#include "simulation/random_jump.h"

#include <gtest/gtest.h>

#include "simulation/random_source.h"

namespace mpdetect {

TEST(RandomJump, MatchesSteppingTheGenerator) {
  for (uint64_t steps : {0u, 1u, 2u, 3u, 17u, 5650u, 282500000u}) {
    seed_random(987654321u);
    const uint32_t start = random_state();
    if (steps < 100000) {
      for (uint64_t n = 0; n < steps; ++n) next_random15();
    } else {
      // Long runs: compare with stepping in two jumps of known-good size.
      seed_random(apply_jump(jump_of(steps / 2), start));
      seed_random(apply_jump(jump_of(steps - steps / 2), random_state()));
    }
    const uint32_t stepped = random_state();
    EXPECT_EQ(apply_jump(jump_of(steps), start), stepped) << steps;
    EXPECT_EQ(apply_jump(inverse_of(jump_of(steps)), stepped), start) << steps;
  }
}

TEST(RandomJump, ValueAtAnOffset) {
  seed_random(42);
  const uint32_t start = random_state();
  for (int d = 0; d < 300; ++d) EXPECT_EQ(value_after(jump_of(d + 1), start), next_random15()) << d;
}

}  // namespace mpdetect
