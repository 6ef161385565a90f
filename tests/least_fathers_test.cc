// The least number of fathers, against a brute force that tries every
// partition of the offspring and every father's genotype for each part.
#include "plan/estimate/least_fathers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace mpdetect {

namespace {

using Pair = std::array<int, 2>;

// An offspring's paternal allele at a locus, as the brood's judgement sees
// it: what it carries beyond its mother, either of hers when it carries
// exactly her heterozygous genotype, NOT_JUDGED when it fits her not.
int paternal_of(const Pair& mother, const Pair& offspring) {
  const auto hers = [&](int a) { return a == mother[0] || a == mother[1]; };
  std::vector<int> options;
  if (hers(offspring[0])) options.push_back(offspring[1]);
  if (hers(offspring[1]) && offspring[1] != offspring[0]) options.push_back(offspring[0]);
  if (options.empty()) return NOT_JUDGED;
  if (options.size() == 2 && options[0] != options[1]) return HERS;
  return options[0];
}

// Whether one father explains `members` at every locus: some pair of his
// alleles that, with one of the mother's, gives each its genotype.
bool one_father(const std::vector<Pair>& mother, const std::vector<std::vector<Pair>>& brood,
                const std::vector<int>& members, int alleles) {
  for (size_t l = 0; l < mother.size(); ++l) {
    bool some = false;
    for (int f0 = 0; f0 < alleles && !some; ++f0) {
      for (int f1 = f0; f1 < alleles && !some; ++f1) {
        bool all = true;
        for (const int o : members) {
          const Pair& child = brood[static_cast<size_t>(o)][l];
          if (child[0] < 0) continue;  // not judged here
          bool made = false;
          for (const int m : mother[l]) {
            for (const int f : {f0, f1}) {
              made = made || (std::min(m, f) == std::min(child[0], child[1]) &&
                              std::max(m, f) == std::max(child[0], child[1]));
            }
          }
          all = all && made;
        }
        some = all;
      }
    }
    if (!some) return false;
  }
  return true;
}

// The fewest parts of a partition of the offspring, each one father's.
int brute_force(const std::vector<Pair>& mother, const std::vector<std::vector<Pair>>& brood,
                int alleles) {
  const int n = static_cast<int>(brood.size());
  bool judged = false;
  for (const std::vector<Pair>& child : brood)
    for (const Pair& genotype : child) judged = judged || genotype[0] >= 0;
  if (!judged) return 0;
  std::vector<int> part(static_cast<size_t>(n), 0);
  int best = n + 1;
  // Restricted growth strings enumerate every set partition once.
  std::vector<int> most(static_cast<size_t>(n), 0);
  while (true) {
    const int parts = n ? *std::max_element(part.begin(), part.end()) + 1 : 0;
    if (parts < best) {
      bool fits = true;
      for (int p = 0; p < parts && fits; ++p) {
        std::vector<int> members;
        for (int o = 0; o < n; ++o)
          if (part[static_cast<size_t>(o)] == p) members.push_back(o);
        fits = one_father(mother, brood, members, alleles);
      }
      if (fits) best = parts;
    }
    int i = n - 1;
    while (i > 0 && part[static_cast<size_t>(i)] == most[static_cast<size_t>(i)] + 1) --i;
    if (i <= 0) break;
    ++part[static_cast<size_t>(i)];
    for (int j = i + 1; j < n; ++j) {
      part[static_cast<size_t>(j)] = 0;
      most[static_cast<size_t>(j)] =
          std::max(most[static_cast<size_t>(j - 1)], part[static_cast<size_t>(j - 1)]);
    }
  }
  return best;
}

FatherCount search(const std::vector<Pair>& mother, const std::vector<std::vector<Pair>>& brood,
                   int64_t budget = FATHER_SEARCH_BUDGET) {
  std::vector<std::vector<int>> paternal;
  for (const std::vector<Pair>& child : brood) {
    std::vector<int> row;
    for (size_t l = 0; l < mother.size(); ++l)
      row.push_back(child[l][0] < 0 ? NOT_JUDGED : paternal_of(mother[l], child[l]));
    paternal.push_back(row);
  }
  return least_fathers(mother, paternal, budget);
}

}  // namespace

// Two loci of four paternal alleles each need two fathers apiece, but no
// pairing of their alleles lets two fathers give all seven offspring theirs.
TEST(LeastFathers, LociTogetherNeedMoreThanEachAlone) {
  const std::vector<Pair> mother = {{1, 1}, {1, 1}};
  std::vector<std::vector<Pair>> brood;
  for (const auto& [a, b] :
       std::vector<Pair>{{2, 2}, {3, 3}, {4, 4}, {5, 5}, {2, 4}, {3, 5}, {2, 5}})
    brood.push_back({{1, a}, {1, b}});
  const FatherCount count = search(mother, brood);
  EXPECT_TRUE(count.exact);
  EXPECT_EQ(count.least, 3);
  EXPECT_EQ(brute_force(mother, brood, 6), 3);
  brood.pop_back();  // without (2, 5), two fathers do: {2,4}x{2,4} and {3,5}x{3,5}
  EXPECT_EQ(search(mother, brood).least, 2);
}

// Offspring that carry the mother's heterozygous genotype take either of
// her alleles from the father, which may or may not need one more father.
TEST(LeastFathers, OffspringLikeTheirMother) {
  const std::vector<Pair> mother = {{1, 2}};
  // 3 and 4 from the father, and one like her: his 3/4 cannot give 1 or 2.
  EXPECT_EQ(search(mother, {{{1, 3}}, {{2, 4}}, {{1, 2}}}).least, 2);
  // 3 and one like her: a father 3/1 gives both.
  EXPECT_EQ(search(mother, {{{1, 3}}, {{1, 2}}}).least, 1);
  // Nothing judged: no father needed.
  EXPECT_EQ(search(mother, {{{-1, -1}}}).least, 0);
}

// Generated broods of up to four fathers, some offspring mistyped or
// missing: the search agrees with the brute force on every one.
TEST(LeastFathers, AgreesWithBruteForce) {
  std::mt19937 random(20261210);
  int differing_from_bound = 0;
  for (int trial = 0; trial < 600; ++trial) {
    const int loci = 1 + static_cast<int>(random() % 3);
    const int alleles = 3 + static_cast<int>(random() % 4);
    const int fathers = 1 + static_cast<int>(random() % 4);
    const int size = 1 + static_cast<int>(random() % 7);
    const auto allele = [&] { return static_cast<int>(random() % static_cast<unsigned>(alleles)); };
    std::vector<Pair> mother;
    for (int l = 0; l < loci; ++l) mother.push_back({allele(), allele()});
    std::vector<std::vector<Pair>> sires(static_cast<size_t>(fathers));
    for (auto& sire : sires)
      for (int l = 0; l < loci; ++l) sire.push_back({allele(), allele()});
    std::vector<std::vector<Pair>> brood;
    for (int o = 0; o < size; ++o) {
      const std::vector<Pair>& sire = sires[random() % sires.size()];
      std::vector<Pair> child;
      for (int l = 0; l < loci; ++l) {
        Pair genotype{mother[static_cast<size_t>(l)][random() % 2],
                      sire[static_cast<size_t>(l)][random() % 2]};
        if (random() % 12 == 0) genotype = {allele(), allele()};  // a miscall
        if (random() % 15 == 0) genotype = {-1, -1};              // missing
        // One that fits not its mother is left out there, as the brood's
        // judgement leaves it.
        if (genotype[0] >= 0 && paternal_of(mother[static_cast<size_t>(l)], genotype) == NOT_JUDGED)
          genotype = {-1, -1};
        child.push_back(genotype);
      }
      brood.push_back(child);
    }
    const FatherCount count = search(mother, brood);
    ASSERT_TRUE(count.exact);
    const int expected = brute_force(mother, brood, alleles);
    ASSERT_EQ(count.least, expected) << "trial " << trial;
    ASSERT_EQ(count.most, expected) << "trial " << trial;
    std::vector<std::vector<int>> rows;
    for (const auto& child : brood) {
      std::vector<int> row;
      for (int l = 0; l < loci; ++l)
        row.push_back(
            child[static_cast<size_t>(l)][0] < 0
                ? NOT_JUDGED
                : paternal_of(mother[static_cast<size_t>(l)], child[static_cast<size_t>(l)]));
      rows.push_back(row);
    }
    // With no budget at all the bounds still hold.
    const FatherCount rough = least_fathers(mother, rows, 0);
    EXPECT_LE(rough.least, expected);
    EXPECT_GE(rough.most, expected);
    if (least_fathers(mother, rows, 0).least < expected) ++differing_from_bound;
  }
  EXPECT_GT(differing_from_bound, 0) << "no generated brood needed more than the per-locus bound";
}

}  // namespace mpdetect
