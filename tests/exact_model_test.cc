// The models beyond the console program's, held to an exact calculation on
// small cases: one locus of up to four alleles, one to three sires and up
// to six offspring, with the mother given, drawn or not sampled.
//
// The calculation enumerates the parents' genotypes; given them, offspring
// are independent, each with a known chance of each genotype, and the
// verdict depends only on the set of distinct offspring genotypes, whose
// chances follow offspring by offspring over the sets. Frequencies and
// shares are binary fractions adding up to 1, so that every draw of the
// simulation picks an index and the draw tables are exact.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "simulation/estimate.h"
#include "simulation/locus_judgement.h"
#include "simulation/trial.h"
#include "test_support.h"

namespace {

enum class Mother { GIVEN, DRAWN, UNSAMPLED };

struct Case {
  std::vector<double> frequencies;
  std::vector<double> shares;
  int brood_size;
  Mother mother;
  Genotype given;  // the mother's genotype when GIVEN
};

// An unordered genotype's index among a locus's a(a + 1) / 2.
int genotype_index(int x, int y) {
  if (x > y) std::swap(x, y);
  return y * (y + 1) / 2 + x;
}
Genotype genotype_of(int index) {
  int y = 0;
  while ((y + 1) * (y + 2) / 2 <= index) ++y;
  return Genotype{{index - y * (y + 1) / 2, y}};
}

bool reveals(const Case& c, const Genotype& mother, unsigned set) {
  std::vector<Genotype> offspring;
  for (int g = 0; g < 10; ++g) {
    if (set >> g & 1) offspring.push_back(genotype_of(g));
  }
  if (c.mother == Mother::UNSAMPLED)
    return !parents_explain(offspring.data(), static_cast<int>(offspring.size()));
  LocusJudgement judgement = start_locus(mother);
  for (const Genotype& genotype : offspring) judge_offspring(judgement, genotype);
  return reveals_several_fathers(paternal_count(judgement));
}

// The chance that a brood of the case reveals several fathers.
double exact(const Case& c) {
  const int alleles = static_cast<int>(c.frequencies.size());
  const int sires = static_cast<int>(c.shares.size());
  // Ordered parent genotypes with their chances.
  std::vector<std::pair<Genotype, double>> parents;
  for (int a = 0; a < alleles; ++a) {
    for (int b = 0; b < alleles; ++b)
      parents.push_back({Genotype{{a, b}}, c.frequencies[a] * c.frequencies[b]});
  }
  std::vector<std::pair<Genotype, double>> mothers =
      c.mother == Mother::GIVEN ? std::vector<std::pair<Genotype, double>>{{c.given, 1.0}}
                                : parents;
  double total = 0;
  std::vector<int> pick(sires, 0);  // each sire's entry in parents
  for (const auto& [mother, mother_chance] : mothers) {
    std::fill(pick.begin(), pick.end(), 0);
    while (true) {
      double chance = mother_chance;
      double offspring[10] = {};
      for (int k = 0; k < sires; ++k) {
        const auto& [sire, sire_chance] = parents[pick[k]];
        chance *= sire_chance;
        for (const int m : mother.slot) {
          for (const int f : sire.slot) offspring[genotype_index(m, f)] += c.shares[k] / 4;
        }
      }
      // The chance of each set of distinct genotypes, offspring by offspring.
      std::vector<double> sets(1024, 0.0), next(1024);
      sets[0] = 1;
      for (int j = 0; j < c.brood_size; ++j) {
        std::fill(next.begin(), next.end(), 0.0);
        for (unsigned set = 0; set < 1024; ++set) {
          if (sets[set] == 0) continue;
          for (int g = 0; g < 10; ++g) {
            if (offspring[g] > 0) next[set | 1u << g] += sets[set] * offspring[g];
          }
        }
        sets.swap(next);
      }
      for (unsigned set = 0; set < 1024; ++set) {
        if (sets[set] > 0 && reveals(c, mother, set)) total += chance * sets[set];
      }
      int k = 0;
      while (k < sires && ++pick[k] == static_cast<int>(parents.size())) pick[k++] = 0;
      if (k == sires) break;
    }
  }
  return total;
}

StudyData study_of_case(const Case& c) {
  std::ostringstream text;
  text << "1\n" << c.frequencies.size();
  for (const double p : c.frequencies) text << " " << p;
  text << "\n" << c.shares.size() << "\n";
  for (const double q : c.shares) text << q << " ";
  text << "\n";
  if (c.mother == Mother::GIVEN) {
    text << c.given.slot[0] << " " << c.given.slot[1] << "\n";
  } else {
    text << "99 0\n";
  }
  return study_from(text.str());
}

const Case CASES[] = {
    {{0.5, 0.25, 0.25}, {0.5, 0.5}, 4, Mother::GIVEN, {{0, 1}}},
    {{0.25, 0.25, 0.25, 0.25}, {0.5, 0.5}, 5, Mother::GIVEN, {{2, 2}}},
    {{0.25, 0.25, 0.25, 0.25}, {0.75, 0.25}, 6, Mother::DRAWN, {}},
    {{0.5, 0.25, 0.125, 0.125}, {0.5, 0.5}, 3, Mother::DRAWN, {}},
    {{0.5, 0.25, 0.25}, {0.5, 0.25, 0.25}, 6, Mother::DRAWN, {}},
    {{0.25, 0.25, 0.25, 0.25}, {0.5, 0.5}, 6, Mother::UNSAMPLED, {}},
    {{0.25, 0.25, 0.25, 0.25}, {0.75, 0.25}, 4, Mother::UNSAMPLED, {}},
    {{0.5, 0.25, 0.25}, {0.5, 0.25, 0.25}, 6, Mother::UNSAMPLED, {}},
    {{0.5, 0.25, 0.25}, {1.0}, 6, Mother::UNSAMPLED, {}},
};

}  // namespace

// The calculation on hand-checked cases: one sire never reveals two; two
// offspring never do.
TEST(ExactModel, TheCalculationOnItsOwnTerms) {
  for (const Mother mother : {Mother::GIVEN, Mother::DRAWN, Mother::UNSAMPLED}) {
    EXPECT_EQ(exact({{0.25, 0.25, 0.25, 0.25}, {1.0}, 6, mother, {{0, 1}}}), 0.0);
    EXPECT_EQ(exact({{0.25, 0.25, 0.25, 0.25}, {0.5, 0.5}, 2, mother, {{0, 1}}}), 0.0);
  }
  // The mother 0/0 given and two sires of one locus of two equal alleles:
  // three paternal alleles cannot be, however many offspring.
  EXPECT_EQ(exact({{0.5, 0.5}, {0.5, 0.5}, 6, Mother::GIVEN, {{0, 0}}}), 0.0);
  // Without the mother less is revealed than with her drawn.
  EXPECT_LT(exact(CASES[5]), exact({CASES[5].frequencies, CASES[5].shares, 6, Mother::DRAWN, {}}));
}

// The estimator (1000000 trials) within 4 standard errors of the exact
// chance in every mode; and for the given and drawn mother, the console
// program's plain trials as well.
TEST(ExactModel, EstimatesAgreeWithTheExactChance) {
  static EstimateWork work;
  static TrialWork trial;
  for (const Case& c : CASES) {
    const double p = exact(c);
    StudyData study = study_of_case(c);
    prepare_estimates(study, work);
    if (c.mother == Mother::UNSAMPLED) judge_unsampled(work);
    RandomState random{2027};
    const int64_t trials = 1000000;
    const double estimate =
        static_cast<double>(count_more_detections(study, c.brood_size, trials, work, random)) /
        static_cast<double>(trials);
    const double se = std::sqrt(std::max(p * (1 - p), 1e-12) / static_cast<double>(trials));
    EXPECT_NEAR(estimate, p, 4 * se) << "case " << (&c - CASES) << ": exact " << p;
    if (c.mother != Mother::UNSAMPLED) {
      StudyData plain = study_of_case(c);
      seed_random(99);
      const int runs = 200000;
      int detections = 0;
      for (int t = 0; t < runs; ++t) detections += run_trial(plain, c.brood_size, trial);
      EXPECT_NEAR(detections / static_cast<double>(runs), p,
                  4 * std::sqrt(std::max(p * (1 - p), 1e-12) / runs))
          << "plain trials, case " << (&c - CASES);
    }
  }
}
