#include "plan/estimate/paternity_likelihood.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "plan/estimate/likelihood_trials.h"
#include "uneven_study.h"

namespace mpdetect {
namespace {

using Frequencies = std::vector<std::vector<double>>;

// ---- An independent reference: every allele of the locus, every genotype
// of each parent, every assignment, summed directly.

// The chance that one call of allele `truth` reads `x`: kept, or replaced
// by an allele drawn by the frequencies.
double ref_call(const std::vector<double>& p, double f, int truth, int x) {
  return (truth == x ? 1 - f : 0) + f * p[static_cast<size_t>(x)];
}

double ref_read(const std::vector<double>& p, const ReadModel& model, int a, int b,
                const Genotype& read) {
  // The genotypes after dropout, with their chances.
  std::vector<std::pair<double, std::pair<int, int>>> kept;
  if (a == b) {
    kept.push_back({1.0, {a, a}});
  } else {
    kept.push_back({1 - model.dropout, {a, b}});
    kept.push_back({model.dropout / 2, {a, a}});
    kept.push_back({model.dropout / 2, {b, b}});
  }
  double total = 0;
  const int n = static_cast<int>(p.size());
  for (const auto& [chance, genotype] : kept) {
    for (int o1 = 0; o1 < n; ++o1) {
      for (int o2 = 0; o2 < n; ++o2) {
        const bool same = (o1 == read.slot[0] && o2 == read.slot[1]) ||
                          (o1 == read.slot[1] && o2 == read.slot[0]);
        if (!same) continue;
        total += chance * ref_call(p, model.false_allele, genotype.first, o1) *
                 ref_call(p, model.false_allele, genotype.second, o2);
      }
    }
  }
  return total;
}

double ref_offspring(const std::vector<double>& p, const ReadModel& model, const Genotype& mother,
                     const Genotype& father, const Genotype& read) {
  if (read.slot[0] < 0) return 1;
  double sum = 0;
  for (const int32_t m : mother.slot) {
    for (const int32_t f : father.slot) sum += ref_read(p, model, m, f, read) / 4;
  }
  return sum;
}

std::vector<std::pair<double, Genotype>> genotypes_of(const std::vector<double>& p) {
  std::vector<std::pair<double, Genotype>> all;
  for (int a = 0; a < static_cast<int>(p.size()); ++a) {
    for (int b = a; b < static_cast<int>(p.size()); ++b)
      all.push_back({(a == b ? 1 : 2) * p[static_cast<size_t>(a)] * p[static_cast<size_t>(b)],
                     Genotype{{a, b}}});
  }
  return all;
}

double ref_split(const Frequencies& freq, const ReadModel& model, const BroodReads& brood,
                 const std::vector<int>& family_of, int families) {
  double log_total = 0;
  for (int l = 0; l < brood.loci; ++l) {
    const std::vector<double>& p = freq[static_cast<size_t>(l)];
    std::vector<std::pair<double, Genotype>> mothers = genotypes_of(p);
    if (brood.mother_typed) mothers = {{1.0, brood.mother[static_cast<size_t>(l)]}};
    double locus = 0;
    for (const auto& [mother_chance, mother] : mothers) {
      double product = mother_chance;
      for (int k = 0; k < families; ++k) {
        double family = 0;
        for (const auto& [father_chance, father] : genotypes_of(p)) {
          double term = father_chance;
          for (int j = 0; j < brood.offspring; ++j) {
            if (family_of[static_cast<size_t>(j)] != k) continue;
            term *= ref_offspring(p, model, mother, father,
                                  brood.young[static_cast<size_t>(j * brood.loci + l)]);
          }
          family += term;
        }
        product *= family;
      }
      locus += product;
    }
    log_total += std::log(locus);
  }
  return log_total;
}

// Broods of random reads, some missing, each offspring's first allele the
// mother's; the second from one random father when `one_father` (so that a
// model without errors explains every split), else any allele.
BroodReads random_brood(std::mt19937& random, const Frequencies& freq, int offspring,
                        bool mother_typed, bool one_father = false) {
  BroodReads brood;
  brood.loci = static_cast<int>(freq.size());
  brood.offspring = offspring;
  brood.mother_typed = mother_typed;
  std::vector<Genotype> father;
  for (int l = 0; l < brood.loci; ++l) {
    const int n = static_cast<int>(freq[static_cast<size_t>(l)].size());
    std::uniform_int_distribution<int> allele(0, n - 1);
    brood.mother.push_back(Genotype{{allele(random), allele(random)}});
    father.push_back(Genotype{{allele(random), allele(random)}});
  }
  brood.young.resize(static_cast<size_t>(brood.loci * offspring));
  for (int j = 0; j < offspring; ++j) {
    for (int l = 0; l < brood.loci; ++l) {
      const int n = static_cast<int>(freq[static_cast<size_t>(l)].size());
      std::uniform_int_distribution<int> allele(0, n - 1);
      const int32_t paternal =
          one_father ? father[static_cast<size_t>(l)].slot[random() & 1u] : allele(random);
      Genotype read{{brood.mother[static_cast<size_t>(l)].slot[random() & 1u], paternal}};
      if (random() % 7 == 0) read = Genotype{{-1, -1}};
      brood.young[static_cast<size_t>(j * brood.loci + l)] = read;
    }
  }
  return brood;
}

const Frequencies SMALL = {{0.5, 0.3, 0.2}, {0.1, 0.4, 0.25, 0.25}};

TEST(PaternityLikelihood, SplitsMatchTheDirectSumOverParentsAndAssignments) {
  const ReadModel models[] = {{0, 0}, {0, 0.02}, {0.05, 0.02}};
  std::mt19937 random(7);
  int compared = 0;
  for (const bool typed : {true, false}) {
    for (const ReadModel& model : models) {
      for (int n = 1; n <= 5; ++n) {
        const bool without_errors = model.dropout == 0 && model.false_allele == 0;
        const BroodReads brood = random_brood(random, SMALL, n, typed, without_errors);
        BroodTerms terms;
        prepare_brood_terms(SMALL, model, brood, terms);
        const std::vector<int> whole(static_cast<size_t>(n), 0);
        const double ours_one = split_log_likelihood(terms, whole, 1);
        const double ref_one = ref_split(SMALL, model, brood, whole, 1);
        for (uint32_t s = 0; s < (1u << n); ++s) {
          std::vector<int> family_of(static_cast<size_t>(n));
          for (int j = 0; j < n; ++j) family_of[static_cast<size_t>(j)] = (s >> j) & 1u;
          const double ours = split_log_likelihood(terms, family_of, 2) - ours_one;
          const double ref = ref_split(SMALL, model, brood, family_of, 2) - ref_one;
          ASSERT_NEAR(ours, ref, 1e-9) << "typed " << typed << " dropout " << model.dropout
                                       << " false " << model.false_allele << " split " << s;
          ++compared;
        }
      }
    }
  }
  EXPECT_EQ(compared, 6 * (2 + 4 + 8 + 16 + 32));
}

TEST(PaternityLikelihood, TheExactStatisticIsTheBestSplitComputedAfresh) {
  std::mt19937 random(11);
  for (const bool typed : {true, false}) {
    for (int n = 2; n <= 7; ++n) {
      const BroodReads brood = random_brood(random, SMALL, n, typed);
      BroodTerms terms;
      prepare_brood_terms(SMALL, ReadModel{0, 0.01}, brood, terms);
      const std::vector<int> whole(static_cast<size_t>(n), 0);
      const double one = split_log_likelihood(terms, whole, 1);
      double best = 0;
      for (uint32_t s = 0; s < (1u << n); ++s) {
        std::vector<int> family_of(static_cast<size_t>(n));
        for (int j = 0; j < n; ++j) family_of[static_cast<size_t>(j)] = (s >> j) & 1u;
        best = std::max(best, split_log_likelihood(terms, family_of, 2) - one);
      }
      SplitSearch search;
      const double exact = exact_split_statistic(terms, search);
      EXPECT_NEAR(exact, best, 1e-9) << n;
      EXPECT_NEAR(split_log_likelihood(terms, search.best, 2) - one, exact, 1e-9) << n;
    }
  }
}

TEST(PaternityLikelihood, TheSearchFindsTheBestSplitInNearlyEveryBrood) {
  struct Case {
    WideStudy study;
    bool unsampled;
    ErrorRates errors;
    int largest;
  };
  const Case cases[] = {
      {uneven_study(6, 8, {0.5, 0.5}, false), false, {}, 16},
      {uneven_study(4, 5, {0.8, 0.2}, true), false, {0.01, 0.005}, 16},
      {uneven_study(40, 2, {0.5, 0.5}, false), false, {}, 14},
      {uneven_study(5, 4, {0.5, 0.5}, false), true, {}, 9},
  };
  int broods = 0, found = 0;
  for (const Case& c : cases) {
    int case_found = 0, case_broods = 0;
    const LikelihoodTables tables = likelihood_tables(
        c.study, c.unsampled, c.errors, reading_of(c.errors, DEFAULT_ERROR_ALLOWANCE));
    BroodReads brood;
    std::vector<int> sire_of;
    BroodTerms terms;
    SplitSearch search;
    for (int size = 4; size <= c.largest; size += 3) {
      for (const BroodSet set : {BroodSet::CALIBRATION, BroodSet::DESIGN}) {
        for (int64_t trial = 0; trial < 25; ++trial) {
          draw_likelihood_brood(tables, set, size, trial, 99, brood, sire_of);
          prepare_brood_terms(c.study.frequency, tables.reading, brood, terms);
          const double exact = exact_split_statistic(terms, search);
          const double searched = searched_split_statistic(terms, search);
          ASSERT_LE(searched, exact + 1e-9);
          ++case_broods;
          case_found += searched >= exact - 0.01;
        }
      }
    }
    // No one design's broods fall far short either.
    EXPECT_GE(case_found, 0.97 * case_broods) << case_found << " of " << case_broods;
    broods += case_broods;
    found += case_found;
  }
  EXPECT_GE(found, 0.99 * broods) << found << " of " << broods;
}

}  // namespace
}  // namespace mpdetect

namespace mpdetect {
namespace {

// Two-sire broods of 10 to 30 offspring at 12 loci, shares 0.5/0.5 to
// 0.9/0.1: the best split puts at least 0.95 of offspring with their own
// father (up to the families' names), and every offspring's support at the
// split is at least one half (no single move does better).
TEST(PaternityLikelihood, TheBestSplitFindsTheFathers) {
  int placed = 0, offspring = 0;
  for (const std::vector<double>& shares :
       {std::vector<double>{0.5, 0.5}, {0.7, 0.3}, {0.9, 0.1}}) {
    WideStudy study = uneven_study(12, 8, shares, false);
    const LikelihoodTables tables =
        likelihood_tables(study, false, {}, reading_of({}, DEFAULT_ERROR_ALLOWANCE));
    BroodReads brood;
    std::vector<int> sire_of;
    BroodTerms terms;
    SplitSearch search;
    for (int64_t trial = 0; trial < 20; ++trial) {
      const int size = 10 + static_cast<int>(trial);
      draw_likelihood_brood(tables, BroodSet::DESIGN, size, trial, 31, brood, sire_of);
      prepare_brood_terms(study.frequency, tables.reading, brood, terms);
      searched_split_statistic(terms, search);
      int same = 0;
      for (int j = 0; j < size; ++j)
        same += search.best[static_cast<size_t>(j)] == sire_of[static_cast<size_t>(j)];
      placed += std::max(same, size - same);
      offspring += size;
      for (const double support : split_support(terms, search.best)) EXPECT_GE(support, 0.5);
    }
  }
  EXPECT_GE(placed, 0.95 * offspring) << placed << " of " << offspring;
}

}  // namespace
}  // namespace mpdetect

namespace mpdetect {
namespace {

// Read with dropout alone, a genotype no parents could give has no chance
// at all, so a large brood's product over a group of offspring passes the
// doubles' range both ways; the statistic stays a number, and single-sire
// broods of up to 200 offspring give no threshold of infinity.
TEST(PaternityLikelihood, LargeBroodsReadWithDropoutAloneGiveFiniteStatistics) {
  const ErrorRates dropout{0.01, 0};
  for (const int loci : {2, 8}) {
    const WideStudy study = uneven_study(loci, 6, {0.5, 0.5}, false);
    const LikelihoodTables tables =
        likelihood_tables(study, false, dropout, reading_of(dropout, DEFAULT_ERROR_ALLOWANCE));
    BroodReads brood;
    std::vector<int> sire_of;
    BroodTerms terms;
    SplitSearch search;
    for (const int size : {30, 60, 200}) {
      std::vector<double> values;
      for (int64_t trial = 0; trial < 40; ++trial) {
        draw_likelihood_brood(tables, BroodSet::CALIBRATION, size, trial, 7, brood, sire_of);
        prepare_brood_terms(study.frequency, tables.reading, brood, terms);
        const double statistic = searched_split_statistic(terms, search);
        ASSERT_TRUE(std::isfinite(statistic))
            << statistic << loci << " loci, " << size << " offspring, trial " << trial;
        values.push_back(statistic);
      }
      EXPECT_TRUE(std::isfinite(calibrated_threshold(values, 0.05)));
    }
  }
}

}  // namespace
}  // namespace mpdetect
