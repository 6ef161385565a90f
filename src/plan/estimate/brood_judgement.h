// Genotyped broods judged as the simulation judges its own (one judgement,
// locus_judgement.h): per brood and locus the offspring typed there, the
// alleles that must be paternal and whether they are more than two; and the
// offspring that carry neither of their mother's alleles, left out.
//
// A brood is one sample of a population file: its mother, found by the
// --mothers rule, and the rest as her offspring. A brood whose mother is
// not found, or is typed at none of the loci, is judged as one whose mother
// was not sampled: each locus from the offspring alone (parents_explain).
#pragma once

#include <string>
#include <vector>

#include "plan/input/population.h"
#include "simulation/offspring_set.h"

namespace mpdetect {

// Finds each sample's mother by `rule`: "first" (the sample's first
// individual), "maternal" (the individual of the sample its offspring's
// maternal field names, as a pedigree gives it), identifiers separated by commas, or else a regular
// expression (POSIX extended) that the whole identifier matches. mother[s] is
// the index into data.individuals of sample s's mother, or -1 when the rule
// finds none there. An identifier names every individual that has it
// (each brood's mother may be called "M"). Refuses an identifier that no
// individual has, a pattern that is not one, and a sample in which the rule
// finds two.
Status find_mothers(const PopulationData& data, const std::string& rule, std::vector<int>& mother);

// An offspring that carries neither allele of its mother at a locus.
struct Mismatch {
  int offspring;  // index into data.individuals
  int locus;      // index into data.loci
};

struct BroodLocus {
  int locus;     // index into data.loci
  int typed;     // offspring typed here, mismatches included
  int paternal;  // paternal alleles the judged offspring show (paternal_count)
  bool judged;   // some offspring is judged here (fitting the mother, when she is sampled)
  bool reveals;  // more than two paternal alleles
  OffspringSet offspring;  // the offspring judged here, by position in the brood
};

struct BroodVerdict {
  int sample;
  int mother;                    // index into data.individuals; -1: none found
  bool mother_sampled;           // found and typed at some locus: judged with her
  std::vector<int> offspring;    // indices into data.individuals, in file order
  std::vector<BroodLocus> loci;  // one per locus asked, in that order
  std::vector<Mismatch> mismatches;
  int loci_typed;  // loci judged
  bool revealed;   // min_loci loci (some locus, by default) reveal several fathers
  // The least number of sires that explain every locus jointly
  // (least_fathers), or, when its search met its budget, a bound it lies
  // above: min_sires_exact says which, and min_sires_most is then the
  // fewest found.
  int min_sires;
  // The per-locus bound: at each locus the paternal alleles halved,
  // rounded up; the largest over the loci.
  int min_sires_per_locus;
  bool min_sires_exact = true;
  int min_sires_most = 0;
};

// Judges the brood of sample `sample` with mother `mother` (-1: none) at
// `loci` (indices into data.loci), offspring in file order. Without a
// mother typed at some locus the brood is judged as unsampled: min_sires
// (and min_sires_per_locus) is then 2 for a brood revealed, 1 for one not,
// and paternal is 0.
// REQUIRES: mother -1 or an individual of the sample; the sample holds at
// most MAX_OFFSPRING offspring.
BroodVerdict judge_genotyped_brood(const PopulationData& data, int sample, int mother,
                                   const std::vector<int>& loci, int min_loci = 1);

// Whether a brood's mismatches suggest the wrong mother rather than a few
// genotyping errors: mismatches at DOUBTFUL_MOTHER_LOCI loci or more, and
// at a quarter of the loci judged or more. A genotyping error or a null
// allele touches one locus of one offspring; a mother who is not the
// offspring's touches most loci.
constexpr int DOUBTFUL_MOTHER_LOCI = 3;
bool mother_doubtful(const BroodVerdict& brood);

// The genotype as "a/b", or "missing".
std::string genotype_text(const PopulationData& data, const Individual& individual, int locus);

}  // namespace mpdetect
