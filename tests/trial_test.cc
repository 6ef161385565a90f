#include "simulation/trial.h"

#include <gtest/gtest.h>

#include <vector>

#include "simulation/random_jump.h"
#include "simulation/random_source.h"
#include "test_support.h"

namespace mpdetect {

namespace {

// One locus with `alleles` alleles, the given mother and offspring genotypes.
struct JudgeCase {
  int alleles;
  Genotype mother;
  std::vector<Genotype> offspring;
  int verdict;
};

int judge_one_locus(const JudgeCase& c) {
  StudyData study{};
  study.locus_count = 1;
  study.allele_count[0] = c.alleles;
  study.mother[0] = c.mother;
  static TrialWork work;
  for (size_t j = 0; j < c.offspring.size(); ++j) work.brood[j][0] = c.offspring[j];
  return judge_brood(study, static_cast<int32_t>(c.offspring.size()), work);
}

}  // namespace

TEST(JudgeBrood, PaternalAlleleRules) {
  const JudgeCase cases[] = {
      {5, {{0, 1}}, {{{0, 2}}, {{1, 3}}, {{0, 4}}}, 1},
      // Two offspring carry the mother's genotype; 0 is flagged for them.
      {3, {{0, 1}}, {{{0, 1}}, {{1, 0}}, {{0, 2}}}, 0},
      // The flag added for the ambiguous offspring counts toward three.
      {4, {{0, 1}}, {{{0, 1}}, {{0, 2}}, {{1, 3}}}, 1},
      // A homozygous offspring's allele counts even when the mother has it.
      {3, {{0, 0}}, {{{0, 0}}, {{0, 1}}, {{0, 2}}}, 1},
      {4, {{2, 3}}, {{{3, 3}}, {{2, 1}}, {{3, 0}}}, 1},
      // The mother's allele already flagged: no flag is added.
      {4, {{0, 1}}, {{{0, 1}}, {{1, 1}}, {{0, 2}}}, 0},
      {4, {{0, 1}}, {{{0, 1}}, {{1, 0}}, {{0, 1}}}, 0},
      {4, {{0, 1}}, {{{0, 2}}, {{1, 2}}, {{0, 3}}, {{1, 3}}}, 0},
      {4, {{0, 1}}, {}, 0},
      // Two offspring never detect.
      {4, {{0, 1}}, {{{0, 2}}, {{1, 3}}}, 0},
  };
  for (size_t n = 0; n < std::size(cases); ++n)
    EXPECT_EQ(judge_one_locus(cases[n]), cases[n].verdict) << "case " << n;
}

TEST(JudgeBrood, AnyLocusDetectsAndLociAreNotCombined) {
  StudyData study = study_from("2 4 .25 .25 .25 .25 4 .25 .25 .25 .25 1 1 0 1 0 1");
  static TrialWork work;
  // Locus 0 shows paternal 2 and 3, locus 1 shows 2 and 3 too: four
  // alleles across loci, two at each, no detection.
  const Genotype brood[2][2] = {{{{0, 2}}, {{0, 2}}}, {{{1, 3}}, {{1, 3}}}};
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i) work.brood[j][i] = brood[j][i];
  work.brood[2][0] = Genotype{{0, 3}};
  work.brood[2][1] = Genotype{{0, 2}};
  EXPECT_EQ(judge_brood(study, 3, work), 0);
  // A third paternal allele at the last locus alone detects.
  work.brood[2][1] = Genotype{{1, 1}};
  EXPECT_EQ(judge_brood(study, 3, work), 1);
}

// Every draw of sample_brood, read back from the value the layout says it
// took: the layout and the plain trial describe the same order.
TEST(SampleBrood, ValuesSitWhereTheLayoutSays) {
  // Frequencies and shares short of 1, so that draws can pick nothing too.
  const char* const studies[] = {EXAMPLE_STUDY, EXAMPLE_TYPED_STUDY,
                                 "2 3 .5 .3 .1999 4 .25 .25 .25 .2499 3 .3 .3 .3999 99 0"};
  for (const char* text : studies) {
    StudyData study = study_from(text);
    static TrialWork work;
    const TrialLayout layout = trial_layout(study);
    for (int32_t brood_size : {-4, 0, 1, 7, MAX_OFFSPRING}) {
      const StudyData before = study;
      const uint32_t start = 2024u + static_cast<uint32_t>(brood_size);
      seed_random(start);
      sample_brood(study, brood_size, work);
      EXPECT_EQ(random_state(), apply_jump(jump_of(values_per_trial(study, brood_size)), start))
          << text << " size " << brood_size;

      auto value = [start](int offset) { return value_after(jump_of(offset + 1), start); };
      auto allele = [&study](int locus, int r, int32_t otherwise) {
        const int a = draw_by_weight(study.allele_frequency[locus], study.allele_count[locus],
                                     r / static_cast<double>(RANDOM15_VALUES));
        return a == NO_INDEX ? otherwise : a;
      };
      for (int i = 0; i < study.locus_count; ++i) {
        for (int slot = 0; slot < 2; ++slot) {
          if (!study.mother_known) {
            EXPECT_EQ(study.mother[i].slot[slot],
                      allele(i, value(mother_value(i, slot)), before.mother[i].slot[slot]));
          }
          for (int k = 0; k < study.sire_count; ++k) {
            EXPECT_EQ(work.sire_genotype[k][i].slot[slot],
                      allele(i, value(sire_value(layout, k, i, slot)), study.allele_count[i] - 1));
          }
        }
      }
      int sire = study.sire_count - 1;
      for (int j = 0; j < brood_size; ++j) {
        const int picked = draw_by_weight(
            study.skew, study.sire_count,
            value(offspring_sire_value(layout, j)) / static_cast<double>(RANDOM15_VALUES));
        if (picked != NO_INDEX) sire = picked;
        for (int i = 0; i < study.locus_count; ++i) {
          const int h = upper_half(value(maternal_choice_value(layout, j, i))) ? 1 : 0;
          const int h2 = upper_half(value(paternal_choice_value(layout, j, i))) ? 1 : 0;
          ASSERT_EQ(work.brood[j][i].slot[0], study.mother[i].slot[h]) << j << " " << i;
          ASSERT_EQ(work.brood[j][i].slot[1], work.sire_genotype[sire][i].slot[h2])
              << j << " " << i;
        }
      }
    }
  }
}

TEST(SampleBrood, OffspringInheritFromMotherAndTheirSire) {
  for (const char* text : {EXAMPLE_STUDY, EXAMPLE_TYPED_STUDY}) {
    StudyData study = study_from(text);
    static TrialWork work;
    seed_random(99);
    for (int trial = 0; trial < 50; ++trial) {
      sample_brood(study, 30, work);
      for (int j = 0; j < 30; ++j) {
        for (int i = 0; i < study.locus_count; ++i) {
          const Genotype& g = work.brood[j][i];
          EXPECT_TRUE(g.slot[0] == study.mother[i].slot[0] || g.slot[0] == study.mother[i].slot[1]);
          bool from_a_sire = false;
          for (int k = 0; k < study.sire_count; ++k) {
            const Genotype& sire = work.sire_genotype[k][i];
            from_a_sire = from_a_sire || g.slot[1] == sire.slot[0] || g.slot[1] == sire.slot[1];
          }
          EXPECT_TRUE(from_a_sire);
        }
      }
    }
    if (study.mother_known) {
      EXPECT_EQ(study.mother[2].slot[1], 2);
    }
  }
}

TEST(SampleBrood, ShareDecidesTheSire) {
  // Sire 0 has share 0: every offspring takes its paternal allele from sire 1.
  StudyData study = study_from("1 4 .25 .25 .25 .25 2 0 1 0 1");
  static TrialWork work;
  seed_random(5);
  for (int trial = 0; trial < 200; ++trial) {
    sample_brood(study, 10, work);
    const Genotype& sire = work.sire_genotype[1][0];
    for (int j = 0; j < 10; ++j) {
      EXPECT_TRUE(work.brood[j][0].slot[1] == sire.slot[0] ||
                  work.brood[j][0].slot[1] == sire.slot[1]);
    }
  }
}

TEST(SampleBrood, DrawsThatPickNothing) {
  // Every draw at locus 0 and every sire draw picks no index: sires hold the
  // last allele, the untyped mother keeps her starting last allele, and every
  // offspring falls to the last sire.
  StudyData study = study_from("2 2 0 0 1 1 2 0 0 99 0");
  static TrialWork work;
  seed_random(77);
  sample_brood(study, 5, work);
  EXPECT_EQ(study.mother[0].slot[0], 1);
  EXPECT_EQ(study.mother[0].slot[1], 1);
  for (int k = 0; k < 2; ++k) EXPECT_EQ(work.sire_genotype[k][0].slot[1], 1);
  for (int j = 0; j < 5; ++j) EXPECT_EQ(work.brood[j][0].slot[0], 1);
}

TEST(SampleBrood, UntypedMotherKeepsHerAlleleWhenADrawPicksNothing) {
  // Frequencies sum to 0.5: values from 16384 up pick no allele.
  StudyData study = study_from("1 2 0.25 0.25 1 1 99 0");
  static TrialWork work;
  seed_random(3);
  Genotype before = study.mother[0];
  for (int trial = 0; trial < 100; ++trial) {
    const uint32_t state = random_state();
    sample_brood(study, 0, work);
    const uint32_t after = random_state();
    seed_random(state);
    for (int slot = 0; slot < 2; ++slot) {
      const int r = next_random15();
      const int expected = r < 8192 ? 0 : r < 16384 ? 1 : before.slot[slot];
      EXPECT_EQ(study.mother[0].slot[slot], expected);
    }
    seed_random(after);
    before = study.mother[0];
  }
}

TEST(RunTrial, OneSireOrSmallBroodsNeverDetect) {
  StudyData single = study_from("3 4 .25 .25 .25 .25 4 .25 .25 .25 .25 4 .25 .25 .25 .25 1 1 99 0");
  StudyData example = study_from(EXAMPLE_STUDY);
  static TrialWork work;
  seed_random(1);
  for (int trial = 0; trial < 2000; ++trial) {
    EXPECT_EQ(run_trial(single, MAX_OFFSPRING, work), 0);
    EXPECT_EQ(run_trial(example, 1 + trial % 2, work), 0);
  }
}

}  // namespace mpdetect
