// Sets of offspring of one brood as bits, and the lanes the vector code
// reads per-offspring arrays in.
#pragma once

#include <cstdint>

#include "study/study_data.h"

namespace mpdetect {

// Bit j of word j / 64 stands for offspring j.
struct OffspringSet {
  uint64_t word[2];
};
static_assert(MAX_OFFSPRING <= 128, "an OffspringSet holds 128 offspring");

// The offspring judged at each locus of a brood: every one in a simulated
// study, fewer where a genotyped brood has offspring untyped. The others are
// drawn as ever (their draws move the generator alike) but left out of the
// locus's judgement.
struct JudgedOffspring {
  OffspringSet at[MAX_LOCI];
};

// Every offspring at every locus.
constexpr JudgedOffspring every_offspring_judged() {
  JudgedOffspring judged{};
  for (OffspringSet& set : judged.at) set = OffspringSet{{~uint64_t{0}, ~uint64_t{0}}};
  return judged;
}

// Whether offspring j is in `set`.
constexpr bool holds(const OffspringSet& set, int j) {
  return (set.word[j >> 6] >> (j & 63) & 1) != 0;
}

// Per-offspring arrays hold this many entries at least: a whole number of
// eight-lane blocks covering every offspring.
constexpr int CHOICE_LANES = (MAX_OFFSPRING + 7) / 8 * 8;

}  // namespace mpdetect
