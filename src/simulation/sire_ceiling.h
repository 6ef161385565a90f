// The most any design can detect at a brood size: the chance that at least
// two sires father its offspring. No loci, however many and rich, reveal a
// second father who fathered none of the brood; so a design whose curve
// runs along this ceiling is limited by its shares and brood size, not by
// its loci.
#pragma once

#include <cstdint>

#include "study/study_data.h"

namespace mpdetect {

// Each sire's chance of being drawn for an offspring, and of no sire (the
// previous offspring's kept), from the values of the generator that pick
// them.
struct SireChances {
  int sires;
  double drawn[MAX_SIRES];
  double none;
};
SireChances sire_chances(const StudyData& study);

// The chance that the brood_size offspring of one trial of sample_brood
// have two or more sires between them, exactly as its sire draw makes
// them: each offspring draws a sire by the shares, and a draw that picks
// none keeps the previous offspring's sire (the last sire for the first
// offspring). For shares adding up to 1 this is 1 - sum of share^n.
// REQUIRES: study as accepted by read_study_data; 0 <= brood_size.
double several_sires_chance(const StudyData& study, int32_t brood_size);
double several_sires_chance(const SireChances& chances, int32_t brood_size);

// The same from each of `sires` sires' chance of being drawn and that of
// none, for any number of sires.
double several_sires_chance(const double* drawn, int sires, double none, int32_t brood_size);

}  // namespace mpdetect
