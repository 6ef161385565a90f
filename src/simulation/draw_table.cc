#include "simulation/draw_table.h"

#include "simulation/random_source.h"

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
