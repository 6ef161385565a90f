// A draw by weight depends only on the 15-bit generator value, so a table
// from value to index gives every draw of a run at the cost of one lookup.
#pragma once

#include <cstdint>

#include "simulation/random_source.h"

// Fills table[r], for every generator value r, with what
// draw_by_weight(weights, n, r / 32768.0) returns (NO_INDEX included).
// REQUIRES: 0 <= n <= 127; table holds RANDOM15_VALUES entries.
void fill_draw_table(const double* weights, int n, int8_t* table);
