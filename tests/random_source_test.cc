#include "simulation/random_source.h"

#include <gtest/gtest.h>

#include "simulation/random_jump.h"

namespace mpdetect {

TEST(RandomSource, KnownSequenceFromStateOne) {
  seed_random(1);
  EXPECT_EQ(next_random15(), 41);
  EXPECT_EQ(random_state(), 2745024u);
  for (int expected : {18467, 6334, 26500, 19169}) EXPECT_EQ(next_random15(), expected);
}

TEST(RandomSource, UniformAndHalfFollowTheFifteenBitValue) {
  for (uint32_t seed : {0u, 7u, 12345u, 0xFFFFFFFFu}) {
    for (int n = 0; n < 2000; ++n) {
      seed_random(seed);
      const int r = next_random15();
      seed_random(seed);
      EXPECT_EQ(draw_uniform(), r / static_cast<double>(RANDOM15_VALUES));
      seed_random(seed);
      EXPECT_EQ(draw_half(), r < HALF_POINT ? 0 : 1) << "r = " << r;
      seed = random_state();
    }
  }
}

struct WeightCase {
  std::vector<double> weights;
  double u;
  int expected;
};

TEST(RandomSource, DrawByWeight) {
  const double top = 32767 / 32768.0;
  const WeightCase cases[] = {
      {{0.5, 0.5}, 0.5, 1},               // 0.5 is not strictly greater than 0.5
      {{0.3, 0.3, 0.39}, top, NO_INDEX},  // the weights sum to less than u
      {{0.5}, 0.5, NO_INDEX},             // summing to exactly u fails too
      {{0, 1}, 0.0, 1},                   // a zero weight is never chosen
      {{0, 1}, top, 1},
      {{0.5, 0, 0.5}, 0.5, 2},
      {{0.4, 0.3, 0.2, 0.1}, 0.0, 0},
      {{0.4, 0.3, 0.2, 0.1}, 0.75, 2},
      {{}, 0.0, NO_INDEX},
  };
  for (const WeightCase& c : cases) {
    EXPECT_EQ(draw_by_weight(c.weights.data(), static_cast<int>(c.weights.size()), c.u), c.expected)
        << "u = " << c.u;
  }
}

TEST(RandomSource, UpperHalfIsWhatDrawHalfGivesForEveryValue) {
  const Jump back = inverse_of(jump_of(1));
  for (int r = 0; r < RANDOM15_VALUES; ++r) {
    seed_random(apply_jump(back, static_cast<uint32_t>(r) << 16));
    ASSERT_EQ(draw_half(), upper_half(r) ? 1 : 0) << r;
  }
  EXPECT_FALSE(upper_half(HALF_POINT - 1));
  EXPECT_TRUE(upper_half(HALF_POINT));
}

}  // namespace mpdetect
