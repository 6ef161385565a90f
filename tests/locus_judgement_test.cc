// The judgement of one locus on genotypes as read, held to the rules stated
// with the slots known (slot 0 the mother's allele), on every brood of up to
// three offspring over four alleles; and the mismatch rule on hand-worked
// cases.
#include "simulation/locus_judgement.h"

#include <gtest/gtest.h>

#include <vector>

namespace mpdetect {

namespace {

// The rules as they read with the slots known: a homozygous offspring's
// allele is paternal, the mother's own genotype marks the locus, otherwise
// the sire's allele is paternal; then the marked locus counts one of her
// alleles when neither is flagged.
int count_knowing_slots(const Genotype& mother, const std::vector<Genotype>& brood) {
  bool paternal[4] = {false, false, false, false};
  bool ambiguous = false;
  const int a = mother.slot[0], b = mother.slot[1];
  for (const Genotype& g : brood) {
    const int m = g.slot[0], f = g.slot[1];
    if (m == f) {
      paternal[m] = true;
    } else if ((m == a && f == b) || (f == a && m == b)) {
      ambiguous = true;
    } else {
      paternal[f] = true;
    }
  }
  if (ambiguous && !paternal[a] && !paternal[b]) paternal[a] = true;
  int count = 0;
  for (const bool p : paternal) count += p ? 1 : 0;
  return count;
}

}  // namespace

TEST(LocusJudgement, GenotypesAsReadJudgeAsTheSlotsKnown) {
  int broods = 0;
  for (int a = 0; a < 4; ++a) {
    for (int b = 0; b < 4; ++b) {
      const Genotype mother{{a, b}};
      // Every offspring a sire can give her: one of her alleles, any other.
      std::vector<Genotype> possible;
      for (int slot = 0; slot < 2; ++slot)
        for (int f = 0; f < 4; ++f) possible.push_back(Genotype{{mother.slot[slot], f}});
      for (size_t x = 0; x < possible.size(); ++x) {
        for (size_t y = 0; y < possible.size(); ++y) {
          for (size_t z = 0; z < possible.size(); ++z) {
            const std::vector<Genotype> brood = {possible[x], possible[y], possible[z]};
            LocusJudgement slots_read = start_locus(mother);
            LocusJudgement swapped = start_locus(mother);
            for (const Genotype& g : brood) {
              ASSERT_TRUE(fits_mother(slots_read, g));
              judge_offspring(slots_read, g);
              judge_offspring(swapped, Genotype{{g.slot[1], g.slot[0]}});
            }
            const int expected = count_knowing_slots(mother, brood);
            ASSERT_EQ(paternal_count(slots_read), expected) << a << b << " " << x << y << z;
            ASSERT_EQ(paternal_count(swapped), expected) << "the order of a genotype's alleles";
            ++broods;
          }
        }
      }
    }
  }
  EXPECT_EQ(broods, 16 * 512);
}

TEST(LocusJudgement, MismatchesAndHandWorkedCounts) {
  const LocusJudgement mother = start_locus(Genotype{{1, 2}});
  EXPECT_FALSE(fits_mother(mother, Genotype{{3, 4}})) << "neither of her alleles";
  EXPECT_TRUE(fits_mother(mother, Genotype{{4, 2}}));
  EXPECT_TRUE(fits_mother(mother, Genotype{{1, 1}}));
  struct Row {
    std::vector<Genotype> brood;
    int count;
  };
  const Row rows[] = {
      {{{{1, 2}}}, 1},                        // her genotype: one of hers is paternal
      {{{{1, 2}}, {{2, 3}}}, 2},              // 3, and one of hers
      {{{{1, 3}}, {{2, 4}}, {{1, 200}}}, 3},  // 3, 4, 200: more than two
      {{{{1, 3}}, {{2, 3}}, {{3, 3}}}, 1},    // 3 three times
      {{{{1, 2}}, {{2, 2}}, {{3, 1}}}, 2},    // 2 flagged: the mark adds nothing
  };
  for (const Row& row : rows) {
    LocusJudgement judgement = mother;
    for (const Genotype& g : row.brood) judge_offspring(judgement, g);
    EXPECT_EQ(paternal_count(judgement), row.count);
  }
}

// The unsampled mother's rule on hand-worked cases: whether a mother and a
// father of two alleles each could have produced every genotype.
TEST(LocusJudgement, ParentsExplainHandWorkedCases) {
  struct Case {
    const char* what;
    std::vector<Genotype> offspring;
    bool explained;
  };
  const Case cases[] = {
      {"nothing", {}, true},
      {"one genotype", {{{1, 2}}}, true},
      {"two alleles, every way", {{{1, 1}}, {{1, 2}}, {{2, 2}}}, true},
      {"three homozygotes: one parent would need all three", {{{1, 1}}, {{2, 2}}, {{3, 3}}}, false},
      {"two homozygotes and their mix", {{{1, 1}}, {{2, 2}}, {{1, 2}}}, true},
      {"five alleles", {{{1, 2}}, {{3, 4}}, {{5, 1}}}, false},
      {"four alleles a pair explains (1/2 x 3/4)", {{{1, 3}}, {{1, 4}}, {{2, 3}}, {{2, 4}}}, true},
      {"four alleles no pair explains", {{{1, 1}}, {{2, 2}}, {{3, 4}}}, false},
      {"three alleles, mother 1/2 and father 1/3", {{{1, 1}}, {{1, 3}}, {{2, 1}}, {{2, 3}}}, true},
      {"a parent's allele no offspring shows (1/x x 2/3)", {{{1, 2}}, {{3, 1}}}, true},
      {"repeats change nothing", {{{1, 1}}, {{1, 1}}, {{2, 2}}, {{2, 2}}, {{3, 3}}}, false},
      {"order within a genotype changes nothing", {{{3, 1}}, {{4, 1}}, {{3, 2}}, {{4, 2}}}, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parents_explain(c.offspring.data(), static_cast<int>(c.offspring.size())),
              c.explained)
        << c.what;
  }
}

}  // namespace mpdetect
