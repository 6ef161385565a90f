// The lane helpers of the estimator's kernel against the values one at a
// time, for brood sizes at and around the lane and word boundaries. This
// file is built without AVX2, so it holds the build for any machine (four
// lanes at a time on x86-64, one elsewhere) to the generator's own output.
#include "simulation/choice_bits.h"

#include <gtest/gtest.h>

#include <random>

namespace mpdetect {

namespace {

struct Lanes {
  uint32_t mul[CHOICE_LANES] = {};
  uint32_t add[CHOICE_LANES] = {};
};

// Random maps for the first n lanes; the rest zero, as the kernel lays them.
Lanes random_lanes(std::mt19937& random, int n) {
  Lanes lanes;
  for (int j = 0; j < n; ++j) {
    lanes.mul[j] = static_cast<uint32_t>(random());
    lanes.add[j] = static_cast<uint32_t>(random());
  }
  return lanes;
}

bool in(const OffspringSet& set, int j) {
  return (set.word[j >> 6] >> (j & 63)) & 1u;
}

constexpr int SIZES[] = {0, 1, 3, 4, 5, 7, 8, 9, 15, 16, 17, 63, 64, 65, 96, 99, 100};

TEST(ChoiceBits, UpperHalvesAreThoseOfEachValue) {
  std::mt19937 random(7);
  for (const int n : SIZES) {
    for (int round = 0; round < 20; ++round) {
      const Lanes lanes = random_lanes(random, n);
      const uint32_t state = static_cast<uint32_t>(random());
      const OffspringSet set = upper_half_choices(lanes.mul, lanes.add, n, state);
      for (int j = 0; j < 128; ++j) {
        const bool expected = j < n && upper_half(output15(lanes.mul[j] * state + lanes.add[j]));
        ASSERT_EQ(in(set, j), expected) << "n " << n << ", lane " << j;
      }
    }
  }
}

TEST(ChoiceBits, DrawnValuesAndTheSetAtOrAboveABound) {
  std::mt19937 random(11);
  const uint32_t bounds[] = {0, 1, 16383, 16384, 32767, 32768};
  for (const int n : SIZES) {
    for (const uint32_t bound : bounds) {
      const Lanes lanes = random_lanes(random, n);
      const uint32_t state = static_cast<uint32_t>(random());
      uint32_t value[CHOICE_LANES];
      const OffspringSet set = draw_values_at_least(lanes.mul, lanes.add, n, state, bound, value);
      for (int j = 0; j < (n + 7) / 8 * 8; ++j) {
        ASSERT_EQ(value[j], static_cast<uint32_t>(output15(lanes.mul[j] * state + lanes.add[j])))
            << "n " << n << ", lane " << j;
      }
      for (int j = 0; j < 128; ++j) {
        ASSERT_EQ(in(set, j), j < n && value[j] >= bound)
            << "n " << n << ", bound " << bound << ", lane " << j;
      }
    }
  }
}

TEST(ChoiceBits, FirstOffspringHoldsExactlyTheFirstN) {
  for (const int n : SIZES) {
    const OffspringSet set = first_offspring(n);
    for (int j = 0; j < 128; ++j) ASSERT_EQ(in(set, j), j < n) << "n " << n << ", lane " << j;
  }
}

}  // namespace

}  // namespace mpdetect
