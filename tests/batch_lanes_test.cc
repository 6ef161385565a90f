// The batched stage's lane operations against the same arithmetic one value
// at a time. This file is built without AVX2, so on x86-64 it holds the
// four-lane SSE2 operations, the ones that put a multiply together from
// halves and a shift by lanes from a float's exponent; elsewhere there are
// none to hold.
#include "simulation/batch_lanes.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "simulation/random_source.h"

#ifdef MPDETECT_BATCH_LANES
namespace mpdetect {
namespace lanes {
namespace {

using Values = std::array<uint32_t, WIDTH>;

Values values_of(Vec v) {
  Values out{};
  store(out.data(), v);
  return out;
}

Vec vec_of(const Values& values) {
  return load(values.data());
}

Values random_values(std::mt19937& random) {
  Values out{};
  for (uint32_t& x : out) x = static_cast<uint32_t>(random());
  return out;
}

TEST(BatchLanes, EachLaneAsOneValueAtATime) {
  std::mt19937 random(5);
  for (int n = 0; n < 2000; ++n) {
    const Values x = random_values(random);
    Values y = random_values(random);
    // Equal and near values in some lanes, so that comparisons go both ways.
    y[n % WIDTH] = x[n % WIDTH];
    y[(n + 1) % WIDTH] = x[(n + 1) % WIDTH] + 1;
    const uint32_t m = static_cast<uint32_t>(random());
    const Values product = values_of(times(vec_of(x), m));
    const Values sum = values_of(plus(vec_of(x), vec_of(y)));
    const Values difference = values_of(minus(vec_of(x), vec_of(y)));
    const Values value = values_of(right<17>(left<1>(vec_of(x))));
    const Values picked = values_of(chosen(greater(vec_of(x), vec_of(y)), vec_of(x), vec_of(y)));
    const uint32_t equal_lanes = lanes_of(equal(vec_of(x), vec_of(y)));
    const uint32_t unequal_lanes = lanes_of(unequal(vec_of(x), vec_of(y)));
    const uint32_t greater_lanes = lanes_of(greater(vec_of(x), vec_of(y)));
    const uint32_t but_not_lanes =
        lanes_of(but_not(equal(vec_of(x), vec_of(x)), equal(vec_of(x), vec_of(y))));
    for (int lane = 0; lane < WIDTH; ++lane) {
      const bool above = static_cast<int32_t>(x[lane]) > static_cast<int32_t>(y[lane]);
      ASSERT_EQ(product[lane], x[lane] * m) << lane;
      ASSERT_EQ(sum[lane], x[lane] + y[lane]) << lane;
      ASSERT_EQ(difference[lane], x[lane] - y[lane]) << lane;
      ASSERT_EQ(value[lane], static_cast<uint32_t>(output15(x[lane]))) << lane;
      ASSERT_EQ(picked[lane], above ? y[lane] : x[lane]) << lane;
      ASSERT_EQ(equal_lanes >> lane & 1u, x[lane] == y[lane] ? 1u : 0u) << lane;
      ASSERT_EQ(unequal_lanes >> lane & 1u, x[lane] != y[lane] ? 1u : 0u) << lane;
      ASSERT_EQ(greater_lanes >> lane & 1u, above ? 1u : 0u) << lane;
      ASSERT_EQ(but_not_lanes >> lane & 1u, x[lane] != y[lane] ? 1u : 0u) << lane;
    }
  }
}

TEST(BatchLanes, BitsAtEveryPosition) {
  for (uint32_t k = 0; k <= 30; ++k) {
    for (int lane = 0; lane < WIDTH; ++lane) {
      Values at{};
      at[lane] = k;
      const Values bits = values_of(bit_at(vec_of(at)));
      for (int other = 0; other < WIDTH; ++other)
        ASSERT_EQ(bits[other], other == lane ? 1u << k : 1u) << "k " << k << ", lane " << other;
    }
  }
}

TEST(BatchLanes, BytesAreReadSigned) {
  // A draw table's entries: alleles, and NO_INDEX where a value picks none.
  int8_t table[64 + 3];
  for (int r = 0; r < 64 + 3; ++r) table[r] = static_cast<int8_t>(r % 7 == 0 ? NO_INDEX : r % 30);
  std::mt19937 random(9);
  for (int n = 0; n < 500; ++n) {
    Values index{};
    for (uint32_t& i : index) i = random() % 64;
    const Values read = values_of(byte_at(table, vec_of(index)));
    for (int lane = 0; lane < WIDTH; ++lane)
      ASSERT_EQ(static_cast<int32_t>(read[lane]), table[index[lane]]) << lane;
  }
}

}  // namespace
}  // namespace lanes
}  // namespace mpdetect
#endif
