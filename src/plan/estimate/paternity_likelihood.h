// The likelihood of a brood's genotypes under fathers who split it into
// families, and the statistic of the likelihood verdict: how much better
// two fathers explain a brood than one.
//
// A family's likelihood at a locus sums, over the father's genotype drawn
// from the population's frequencies (Hardy-Weinberg), the product of its
// offspring's read genotypes' chances given mother and father; loci
// multiply, and an offspring not typed at a locus leaves it. A mother not
// sampled is summed over her genotypes the same way, once for the whole
// brood, since every family shares her. Each read is taken through a
// model of errors (ReadModel) so that one miscalled genotype does not
// decide.
//
// Only the alleles the brood shows are told apart: every other allele of
// the locus is one class, of their summed frequency. Each read's chance
// depends on a parent's allele only through which shown allele it is, if
// any, so the sums are exact with the classes, and a locus of 30 alleles
// costs what its few shown alleles cost.
//
// The statistic T is the highest, over every split of the offspring into
// two families (one of them possibly empty), of log L(split) - log L(one
// family): 0 when no split does better. The largest, not the sum over
// splits weighted by the shares: it needs no assumed shares, and a search
// can find it. Any such statistic is a valid test once calibrated by
// simulation (likelihood_trials.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "study/study_data.h"

namespace mpdetect {

// How the likelihood reads a genotype: a heterozygote read as homozygous
// for one of its alleles (dropout), then each allele call replaced by an
// allele drawn by the population's frequencies (false_allele).
//
// The simulation draws false alleles from the frequencies of the other
// alleles (genotyping_error.h); the likelihood's replacement from all of
// them keeps the classes exact, and the test's calibration by simulation
// holds whatever the difference.
struct ReadModel {
  double dropout = 0;
  double false_allele = 0;
};

// The genotypes of one brood as read: allele indices into the locus's
// frequencies, -1 where a genotype was not read.
struct BroodReads {
  int loci = 0;
  int offspring = 0;
  bool mother_typed = true;      // false: summed over her genotypes
  std::vector<Genotype> mother;  // per locus, read when mother_typed
  std::vector<Genotype> young;   // offspring j's at locus l at [j * loci + l]
};

// Allele groups are made for panels of up to this many loci: there one
// locus's segregation can make the best split, which moving single
// offspring does not reach; on larger panels no single locus decides and
// single moves find the best split (as the tests measure), while groups
// would cost loci squared.
constexpr int MOST_GROUP_LOCI = 16;

// A read that no father's genotype explains (possible only without false
// alleles in the model) counts this fraction of the best explained read at
// its locus, so that it weighs heavily against a family without excluding
// it outright. A read that no pair of parents explains (an offspring that
// mismatches a typed mother) counts as untyped at that locus.
constexpr double LEAST_READ_CHANCE = 1e-12;

// Groups of offspring, one after another in `member` (each in order),
// group g's ending at end[g]: kept in two vectors so that a brood's groups
// reuse the storage of the brood's before.
struct OffspringGroups {
  std::vector<int> member;
  std::vector<int> end;
};

// The terms of a brood's likelihood, per locus: the mother's and the
// father's genotype classes with their prior chances, and each offspring's
// read chance for each pair of classes, scaled so that its largest is 1
// (the scale is the same for every split and leaves T unchanged).
struct BroodTerms {
  int loci = 0;
  int offspring = 0;
  std::vector<int> mothers, fathers;  // per locus: classes of each parent's genotype
  std::vector<int> prior_at;          // per locus: where its priors start
  std::vector<int> read_at;           // per locus: where offspring 0's chances start
  std::vector<double> mother_prior;   // [prior_at[l] + m]
  std::vector<double> father_prior;   // [prior_at[l] + f]
  // Offspring j's chance with mother class m and father class f at
  // read_at[l] + j * width(l) + m * fathers[l] + f.
  std::vector<double> read;
  std::vector<double> inverse;  // 1 / read, entry for entry
  // Per locus and allele, the offspring whose read shows it (two or more,
  // not all): what a father's allele may set apart, for the search. Made
  // for panels of up to MOST_GROUP_LOCI loci.
  OffspringGroups groups;
  // Per locus, the alleles its shown classes stand for, from shown_at[l]
  // (the class of every other allele, where there is one, follows them),
  // and its count of classes.
  std::vector<int> shown_at;
  std::vector<int> shown;
  std::vector<int> classes;
};

// REQUIRES: 0 <= each rate <= 0.5.
// `frequency[l]` the locus's alleles' frequencies, every read allele an
// index into it. `terms` keeps its storage between broods.
void prepare_brood_terms(const std::vector<std::vector<double>>& frequency, const ReadModel& model,
                         const BroodReads& brood, BroodTerms& terms);

// The log-likelihood of the brood split into families: family_of[j] in
// 0 .. families - 1 (an empty family counts 1). Computed afresh, the
// reference the searches are checked against.
double split_log_likelihood(const BroodTerms& terms, const std::vector<int>& family_of,
                            int families);

// The most likely genotype of a family's father at a locus, given the
// split: two allele indices, NOT_SHOWN for one of the alleles the brood does
// not show, and the chance of that genotype given the reads and the split
// (the other families' fathers, and a mother not sampled, summed over). A
// family without offspring has chance 0.
constexpr int NOT_SHOWN = -1;
struct FatherCall {
  int allele[2] = {NOT_SHOWN, NOT_SHOWN};
  double chance = 0;
};

// The calls of each family's father at each locus, at [k * terms.loci + l].
// REQUIRES: family_of[j] in 0 .. families - 1.
std::vector<FatherCall> father_calls(const BroodTerms& terms, const std::vector<int>& family_of,
                                     int families);

// The terms of the brood made of `members` alone (offspring indices of
// `terms`, in order), as a brood of its own with the same mother: what
// splitting one family in two weighs. With the mother typed, families
// multiply, so splitting a family gains exactly its own statistic.
void restrict_terms(const BroodTerms& terms, const std::vector<int>& members, BroodTerms& out);

// How firmly a split into `families` places each offspring: its likelihood
// in its family against the sum over every family it could be in, every
// other offspring where the split puts it (split_support for two).
std::vector<double> family_support(const BroodTerms& terms, const std::vector<int>& family_of,
                                   int families);

// Where a locus's terms and a search's sums for it lie.
struct SearchLocus {
  int width;  // mothers * fathers
  int mothers;
  int read_at;     // offspring 0's chances in BroodTerms::read
  int product_at;  // family 0's products
  int sum_at;      // family 0's sums by mother
};

// How firmly the split places each offspring: 1 / (1 + L(j moved) / L(split)),
// the likelihood of offspring j in its family against the other, every
// other offspring where the split puts it. 0.5 where both fit alike.
std::vector<double> split_support(const BroodTerms& terms, const std::vector<int>& family_of);

// A search's state where one of its starts leaves it.
struct SplitStart {
  std::vector<int> family_of;
  std::vector<double> product;
  std::vector<int> shift;
  std::vector<double> value, inverse_value, family_sum;
  double log_value = 0;
};

// The working storage of a search, kept between broods.
struct SplitSearch {
  std::vector<SearchLocus> layout;  // per locus
  std::vector<int> family_of;
  std::vector<double> product;  // per locus and family, the product of its members' chances
  std::vector<int> shift;       // per locus and family, the binary exponent taken out of it
  std::vector<double> value;    // per locus, the split's likelihood there (shifts aside)
  std::vector<double> inverse_value;
  std::vector<double> family_sum;
  std::vector<double> changed, group_factor;
  std::vector<int> best;
  SplitStart whole, pool;  // the whole brood in family 0; every offspring in the pool
  std::vector<std::pair<double, int>> apart;      // the seeds, best first
  std::vector<std::pair<double, size_t>> ranked;  // the allele groups, best first
};

// T as a search finds it: starts from the whole brood and from splits
// seeded by the offspring least likely to share a father with the first,
// each improved by moving one offspring at a time while that raises the
// likelihood. Never above exact_split_statistic; it may stop as soon as it
// finds a split above `enough` (returning that split's value). The split
// it reached is left in search.best.
double searched_split_statistic(const BroodTerms& terms, SplitSearch& search,
                                double enough = 1e300);

// T by every split (offspring 0 kept in the first family), in an order
// that moves one offspring at a time; the best split left in search.best.
// REQUIRES: terms.offspring <= 24.
double exact_split_statistic(const BroodTerms& terms, SplitSearch& search);

}  // namespace mpdetect
