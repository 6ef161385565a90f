// The study record: loci with allele frequencies, sires with their shares of
// paternity, and the mother's genotype when it is known. Filled once by the
// reader, then read by the simulation for the rest of the run.
#pragma once

#include <cstdint>

namespace mpdetect {

constexpr int MAX_LOCI = 25;
constexpr int MAX_ALLELES = 30;
constexpr int MAX_SIRES = 10;
constexpr int MAX_OFFSPRING = 100;
// A first mother number of 99 says the mother was not genotyped.
constexpr int32_t UNTYPED_MOTHER_MARK = 99;

// Two allele indices. In an offspring's genotype slot 0 holds the allele from
// the mother and slot 1 the allele from the sire.
struct Genotype {
  int32_t slot[2];
};

struct StudyData {
  int32_t locus_count;
  int32_t allele_count[MAX_LOCI];
  // Single-precision values as read, widened; zero beyond each locus's alleles.
  double allele_frequency[MAX_LOCI][MAX_ALLELES];
  int32_t sire_count;
  double skew[MAX_SIRES];
  // When the mother is untyped every trial overwrites this with her drawn
  // genotype, so it is the only field that changes after loading.
  Genotype mother[MAX_LOCI];
  bool mother_known;
};

}  // namespace mpdetect
