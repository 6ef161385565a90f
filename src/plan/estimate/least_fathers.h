// The least number of fathers that explain a brood jointly at every locus:
// the fewest fathers' multi-locus genotypes that, with the mother's, give
// each offspring its genotype at every locus where it is judged. The
// per-locus bound (a locus's paternal alleles halved) can be lower: two
// loci that each need two fathers may need three together, when no way of
// pairing their alleles puts each offspring's two paternal alleles in one
// father.
//
// An offspring's paternal allele at a locus, with the mother known, is
// either one allele (all it carries that she does not, or its one allele
// when homozygous) or either of hers (it carries exactly her heterozygous
// genotype). A group of offspring can share a father at a locus when its
// single alleles are at most two, and, when some carry her genotype, at
// most one or among them one of hers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace mpdetect {

// One offspring at one locus: NOT_JUDGED, HERS (either of the mother's
// alleles), or the one allele (0 or more) that must be its father's.
constexpr int NOT_JUDGED = -1;
constexpr int HERS = -2;

// The search's answer: `least` is exact when `exact`; otherwise the search
// met its budget, and the least number lies from `least` (a bound that
// always holds) to `most` (the fewest fathers found).
struct FatherCount {
  int least = 0;
  int most = 0;
  bool exact = true;
};

// The entry of an offspring of genotype `offspring` whose mother has
// `mother` (alleles 0 or more): NOT_JUDGED when it carries neither of hers.
int paternal_entry(const std::array<int, 2>& mother, const std::array<int, 2>& offspring);

// The search starts from the larger of two bounds (the per-locus bound, and
// a set of offspring no two of which can share a father), places those
// apart, fits the rest first-come to get a count to beat, and then tries
// every way of sharing them among fewer fathers, the offspring that can
// join the fewest fathers first. It is exact unless it meets its budget:
// broods of many offspring from many fathers, with genotyping errors
// that each ask a father of their own, can take more.
//
// The nodes a search may visit before it gives its bounds instead.
constexpr int64_t FATHER_SEARCH_BUDGET = 20000;

// The least number of fathers for `paternal` (one row per offspring, one
// entry per locus) given the mother's two alleles at each locus, `mother`.
// An offspring judged at no locus needs no father of its own.
// REQUIRES: every row as long as `mother`; alleles 0 or more.
FatherCount least_fathers(const std::vector<std::array<int, 2>>& mother,
                          const std::vector<std::vector<int>>& paternal,
                          int64_t budget = FATHER_SEARCH_BUDGET);

}  // namespace mpdetect
