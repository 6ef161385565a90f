// Many two-way choices of one trial at once: whether each of a set of
// generator values, read at known offsets from one state, is 16384 or more.
#pragma once

#include <cstdint>

// Offspring sets as bits: bit j of word j / 64 stands for offspring j.
struct OffspringSet {
  uint64_t word[2];
};

// The mul and add arrays hold this many entries at least: a whole number of
// eight-lane blocks covering every offspring.
constexpr int CHOICE_LANES = 104;

// The set of j < n whose value, next_random15 after the state moves from
// `state` by the map (mul[j], add[j]), is 16384 or more (that is, bit 30 of
// the moved state is set).
// REQUIRES: n <= 100; entries from n up to the next multiple of 8 are 0.
OffspringSet upper_half_choices(const uint32_t* mul, const uint32_t* add, int n, uint32_t state);

// Stores each value, next_random15 after the state moves from `state` by the
// map (mul[j], add[j]), in value[j] for j up to the next multiple of 8 past
// n, and returns the set of j < n whose value is at least `bound`.
// REQUIRES: n <= 100; mul and add as for upper_half_choices.
OffspringSet draw_values_at_least(const uint32_t* mul, const uint32_t* add, int n, uint32_t state, uint32_t bound,
                                  uint32_t* value);

// The offspring 0 .. n-1.
// REQUIRES: 0 <= n <= 100.
OffspringSet first_offspring(int n);

// The set of j < n with value[j] >= bound.
// REQUIRES: n <= 100; value holds entries up to the next multiple of 8.
OffspringSet values_at_least(const uint32_t* value, int n, uint32_t bound);
