// The models beyond the console program's, held to an exact calculation on
// small cases: one locus of up to four alleles, one to three sires and up
// to six offspring, with the mother given, drawn or not sampled, and with
// genotyping errors.
//
// The calculation enumerates the parents' genotypes; given them, offspring
// are independent, each with a known chance of each genotype, and the
// verdict depends only on the set of distinct offspring genotypes, whose
// chances follow offspring by offspring over the sets. Frequencies and
// shares are binary fractions adding up to 1, so that every draw of the
// simulation picks an index and the draw tables are exact. With errors, an
// offspring's genotype as read follows from its true one by the error
// model, independently of the others, and the mother's as read from hers;
// the verdict then depends on the set of distinct genotypes read and the
// mother's genotype as read.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "simulation/estimate.h"
#include "simulation/genotyping_error.h"
#include "simulation/locus_judgement.h"
#include "simulation/trial.h"
#include "test_support.h"

namespace mpdetect {

namespace {

enum class Mother { GIVEN, DRAWN, UNSAMPLED };

struct Case {
  std::vector<double> frequencies;
  std::vector<double> shares;
  int brood_size;
  Mother mother;
  Genotype given;  // the mother's genotype when GIVEN
  ErrorRates errors = {};
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

// The chance of each genotype as read, for the true genotype x/y.
std::vector<double> read_chances(const Case& c, int x, int y) {
  const double d = c.errors.dropout, e = c.errors.false_allele;
  const int alleles = static_cast<int>(c.frequencies.size());
  // A call of allele a as read: itself, or a false call of another by the
  // frequencies of the others.
  auto call = [&](int a) {
    std::vector<double> chance(alleles, 0.0);
    double others = 0;
    for (int b = 0; b < alleles; ++b) others += b == a ? 0 : c.frequencies[b];
    chance[a] = others > 0 ? 1 - e : 1;
    for (int b = 0; b < alleles && others > 0; ++b) {
      if (b != a) chance[b] += e * c.frequencies[b] / others;
    }
    return chance;
  };
  std::vector<std::pair<Genotype, double>> after_dropout{{Genotype{{x, y}}, x == y ? 1 : 1 - d}};
  if (x != y) {
    after_dropout.push_back({Genotype{{x, x}}, d / 2});
    after_dropout.push_back({Genotype{{y, y}}, d / 2});
  }
  std::vector<double> read(10, 0.0);
  for (const auto& [genotype, chance] : after_dropout) {
    const std::vector<double> first = call(genotype.slot[0]), second = call(genotype.slot[1]);
    for (int a = 0; a < alleles; ++a) {
      for (int b = 0; b < alleles; ++b) read[genotype_index(a, b)] += chance * first[a] * second[b];
    }
  }
  return read;
}

bool reveals(const Case& c, const Genotype& mother, unsigned set) {
  std::vector<Genotype> offspring;
  for (int g = 0; g < 10; ++g) {
    if (set >> g & 1) offspring.push_back(genotype_of(g));
  }
  if (c.mother == Mother::UNSAMPLED)
    return !parents_explain(offspring.data(), static_cast<int>(offspring.size()));
  LocusJudgement judgement = start_locus(mother);
  for (const Genotype& genotype : offspring) {
    if (fits_mother(judgement, genotype)) judge_offspring(judgement, genotype);
  }
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
          for (const int f : sire.slot) {
            const std::vector<double> read = read_chances(c, m, f);
            for (int g = 0; g < 10; ++g) offspring[g] += c.shares[k] / 4 * read[g];
          }
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
      // The mother as read: drawn and sampled, she is read with errors.
      std::vector<double> read_mother(10, 0.0);
      if (c.mother == Mother::DRAWN) {
        read_mother = read_chances(c, mother.slot[0], mother.slot[1]);
      } else {
        read_mother[genotype_index(mother.slot[0], mother.slot[1])] = 1;
      }
      for (int m = 0; m < 10; ++m) {
        if (read_mother[m] == 0) continue;
        for (unsigned set = 0; set < 1024; ++set) {
          if (sets[set] > 0 && reveals(c, genotype_of(m), set))
            total += chance * read_mother[m] * sets[set];
        }
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
    // Genotyping errors, false detections of one sire among them.
    {{0.5, 0.25, 0.25}, {1.0}, 6, Mother::GIVEN, {{0, 1}}, {0.1, 0.05}},
    {{0.25, 0.25, 0.25, 0.25}, {0.5, 0.5}, 5, Mother::GIVEN, {{0, 1}}, {0.05, 0.02}},
    {{0.25, 0.25, 0.25, 0.25}, {1.0}, 6, Mother::DRAWN, {}, {0.1, 0.05}},
    {{0.5, 0.25, 0.125, 0.125}, {0.5, 0.5}, 4, Mother::DRAWN, {}, {0, 0.1}},
    {{0.5, 0.25, 0.25}, {0.75, 0.25}, 6, Mother::DRAWN, {}, {0.2, 0}},
    {{0.25, 0.25, 0.25, 0.25}, {1.0}, 6, Mother::UNSAMPLED, {}, {0.1, 0.1}},
    {{0.5, 0.25, 0.25}, {0.5, 0.25, 0.25}, 5, Mother::UNSAMPLED, {}, {0.2, 0}},
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
  // Errors change every case's chance; they make one sire detect, the
  // more the higher the rates.
  for (const Case& c : CASES) {
    if (!any_errors(c.errors)) continue;
    Case zero = c;
    zero.errors = {0, 0};
    EXPECT_NE(exact(zero), exact(c)) << "case " << (&c - CASES);
  }
  const Case one_sire{{0.25, 0.25, 0.25, 0.25}, {1.0}, 6, Mother::GIVEN, {{0, 1}}, {0.02, 0.01}};
  Case more = one_sire;
  more.errors = {0.1, 0.05};
  EXPECT_GT(exact(one_sire), 0.0);
  EXPECT_LT(exact(one_sire), exact(more));
  // A dropout of one of two offspring of the mother 0/1 and sire 2/3 can
  // show her allele as paternal, but two offspring still show two at most.
  EXPECT_EQ(exact({{0.25, 0.25, 0.25, 0.25}, {1.0}, 2, Mother::GIVEN, {{0, 1}}, {0.3, 0.3}}), 0.0);
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
    model_errors(work, study, c.errors);
    RandomState random{2027};
    const int64_t trials = 1000000;
    const double estimate =
        static_cast<double>(count_more_detections(study, c.brood_size, trials, work, random)) /
        static_cast<double>(trials);
    const double se = std::sqrt(std::max(p * (1 - p), 1e-12) / static_cast<double>(trials));
    EXPECT_NEAR(estimate, p, 4 * se) << "case " << (&c - CASES) << ": exact " << p;
    if (c.mother != Mother::UNSAMPLED && !any_errors(c.errors)) {
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

}  // namespace mpdetect
