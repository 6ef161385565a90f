#include "simulation/draw_table.h"

#include <cmath>

#include "simulation/random_source.h"

namespace mpdetect {

// The index the walk picks for value r, with NO_INDEX ranked above every
// index. That rank never drops as r grows: subtracting the same weights in
// double precision keeps the order of what is left of u.
static int ranked_draw(const double* weights, int n, int r) {
  const int index = draw_by_weight(weights, n, r / static_cast<double>(RANDOM15_VALUES));
  return index == NO_INDEX ? n : index;
}

void fill_draw_table(const double* weights, int n, int8_t* table) {
  // Each run of equal draws is found by bisection on the exact walk and
  // filled whole, so the table costs a few hundred walks, not one per value.
  int r = 0;
  while (r < RANDOM15_VALUES) {
    const int draw = ranked_draw(weights, n, r);
    int low = r, high = RANDOM15_VALUES - 1;  // the run ends somewhere in [low, high]
    while (low < high) {
      const int middle = low + (high - low + 1) / 2;
      if (ranked_draw(weights, n, middle) == draw) {
        low = middle;
      } else {
        high = middle - 1;
      }
    }
    const int8_t entry = static_cast<int8_t>(draw == n ? NO_INDEX : draw);
    for (; r <= low; ++r) table[r] = entry;
  }
}

// Whether value r walks past the first k weights, picking none of them: the
// draw is index k or later. Never false again once true as r grows.
static bool walks_past(const double* weights, int k, int r) {
  return draw_by_weight(weights, k, r / static_cast<double>(RANDOM15_VALUES)) == NO_INDEX;
}

void fill_draw_bounds(const double* weights, int n, uint32_t* bounds) {
  bounds[0] = 0;
  double before = 0;  // the weights before k, added in order
  for (int k = 1; k <= n; ++k) {
    before += weights[k - 1];
    // The bound lies in [low, high]; it is near where the weights before k
    // add up to, so the search starts there and widens, then bisects.
    int low = static_cast<int>(bounds[k - 1]), high = RANDOM15_VALUES;
    if (low == high) {  // no value reaches index k - 1, nor any later
      bounds[k] = static_cast<uint32_t>(low);
      continue;
    }
    const double near = std::ceil(before * RANDOM15_VALUES);
    const int guess = near < low ? low : near > high - 1 ? high - 1 : static_cast<int>(near);
    // Invariant: the bound is in [low, high]; high walks past or is the end.
    if (walks_past(weights, k, guess)) {
      high = guess;
      for (int d = 1; guess - d >= low; d *= 2) {
        if (!walks_past(weights, k, guess - d)) {
          low = guess - d + 1;
          break;
        }
        high = guess - d;
      }
    } else {
      low = guess + 1;
      for (int d = 1; guess + d < high; d *= 2) {
        if (walks_past(weights, k, guess + d)) {
          high = guess + d;
          break;
        }
        low = guess + d + 1;
      }
    }
    while (low < high) {
      const int middle = low + (high - low) / 2;
      if (walks_past(weights, k, middle)) {
        high = middle;
      } else {
        low = middle + 1;
      }
    }
    bounds[k] = static_cast<uint32_t>(low);
  }
}

}  // namespace mpdetect
