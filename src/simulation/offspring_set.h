// Sets of offspring of one brood as bits, and the lanes the vector code
// reads per-offspring arrays in.
#pragma once

#include <cstdint>

#include "study/study_data.h"

// Bit j of word j / 64 stands for offspring j.
struct OffspringSet {
  uint64_t word[2];
};
static_assert(MAX_OFFSPRING <= 128, "an OffspringSet holds 128 offspring");

// Per-offspring arrays hold this many entries at least: a whole number of
// eight-lane blocks covering every offspring.
constexpr int CHOICE_LANES = (MAX_OFFSPRING + 7) / 8 * 8;
