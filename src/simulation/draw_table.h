// A draw by weight depends only on the 15-bit generator value, so a table
// from value to index gives every draw of a run at the cost of one lookup.
#pragma once

#include <cstdint>

#include "simulation/random_source.h"

namespace mpdetect {

// Fills table[r], for every generator value r, with what
// draw_by_weight(weights, n, r / 32768.0) returns (NO_INDEX included).
// REQUIRES: 0 <= n <= 127; table holds RANDOM15_VALUES entries.
void fill_draw_table(const double* weights, int n, int8_t* table);

// The same draws for any number of weights, as the bounds of their runs:
// bounds[k], for k from 1 to n - 1, is the first generator value whose draw
// is index k or later (or picks nothing); bounds[n] is the first value that
// picks nothing, RANDOM15_VALUES when every value picks one; bounds[0] is 0.
// Costs about 15 walks of k weights for each k, never one per value.
// REQUIRES: n >= 0; bounds holds n + 1 entries.
void fill_draw_bounds(const double* weights, int n, uint32_t* bounds);

// What draw_by_weight(weights, n, r / 32768.0) returns, from the bounds
// fill_draw_bounds gave for those weights.
// REQUIRES: 0 <= r < RANDOM15_VALUES.
inline int draw_from_bounds(const uint32_t* bounds, int n, uint32_t r) {
  // The count of bounds[1..n] at or below r: a bisection, since they never drop.
  int low = 0, high = n;  // the count lies in [low, high]
  while (low < high) {
    const int middle = (low + high + 1) / 2;
    if (bounds[middle] <= r) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low == n ? NO_INDEX : low;
}

}  // namespace mpdetect
