// The estimator for designs of any size: its draws against the walk, its
// counts against the console program's estimator within that program's
// limits, and against plain trial-by-trial sampling past them.
#include "plan/estimate/wide_estimate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mpplan/plan_options.h"
#include "plan/command/plan_command.h"
#include "plan/estimate/design_trials.h"
#include "plan/estimate/panel_choice.h"
#include "simulation/draw_table.h"
#include "simulation/estimate.h"
#include "simulation/locus_judgement.h"
#include "test_support.h"

namespace mpdetect {

namespace {

// `n` weights, some zero, adding up to `total`.
std::vector<double> weights_of(std::mt19937& random, int n, double total) {
  std::vector<double> weights(static_cast<size_t>(n));
  double sum = 0;
  for (double& w : weights) {
    w = random() % 5 == 0 ? 0.0 : 1.0 + random() % 100;
    sum += w;
  }
  if (sum == 0 && n > 0) weights.back() = sum = 1;
  // Through single precision, as a study file's values are held.
  for (double& w : weights) w = static_cast<double>(static_cast<float>(w / sum * total));
  return weights;
}

// The plain trials: every value of a trial drawn in order from a running
// generator, the whole brood sampled, then every locus judged.
class PlainTrials {
 public:
  PlainTrials(const WideStudy& study, bool unsampled, int min_loci)
      : study_(study), unsampled_(unsampled), min_loci_(min_loci), mother_(study.mother) {}

  int64_t count(int brood_size, int64_t trials, RandomState& random) {
    int64_t detections = 0;
    for (int64_t t = 0; t < trials; ++t) detections += trial(brood_size, random);
    return detections;
  }

 private:
  static double uniform(RandomState& random) {
    random.value = random.value * RANDOM_MULTIPLIER + RANDOM_INCREMENT;
    return output15(random.value) / static_cast<double>(RANDOM15_VALUES);
  }

  int trial(int brood_size, RandomState& random) {
    const size_t loci = study_.frequency.size();
    const size_t sires = study_.share.size();
    if (!study_.mother_known) {
      for (size_t i = 0; i < loci; ++i) {
        for (int32_t& slot : mother_[i].slot) {
          const int a =
              draw_by_weight(study_.frequency[i].data(),
                             static_cast<int>(study_.frequency[i].size()), uniform(random));
          if (a != NO_INDEX) slot = a;
        }
      }
    }
    std::vector<std::vector<Genotype>> sire(sires, std::vector<Genotype>(loci));
    for (size_t k = 0; k < sires; ++k) {
      for (size_t i = 0; i < loci; ++i) {
        for (int32_t& slot : sire[k][i].slot) {
          const int alleles = static_cast<int>(study_.frequency[i].size());
          const int a = draw_by_weight(study_.frequency[i].data(), alleles, uniform(random));
          slot = a == NO_INDEX ? alleles - 1 : a;
        }
      }
    }
    std::vector<std::vector<Genotype>> at(loci);  // each locus's offspring
    int chosen = static_cast<int>(sires) - 1;
    for (int j = 0; j < brood_size; ++j) {
      const int k = draw_by_weight(study_.share.data(), static_cast<int>(sires), uniform(random));
      if (k != NO_INDEX) chosen = k;
      for (size_t i = 0; i < loci; ++i) {
        const int h = static_cast<int>(uniform(random) * 2);
        const int h2 = static_cast<int>(uniform(random) * 2);
        at[i].push_back(
            Genotype{{mother_[i].slot[h], sire[static_cast<size_t>(chosen)][i].slot[h2]}});
      }
    }
    int revealing = 0;
    for (size_t i = 0; i < loci; ++i) {
      bool reveals = false;
      if (unsampled_) {
        reveals = !parents_explain(at[i].data(), static_cast<int>(at[i].size()));
      } else {
        LocusJudgement judgement = start_locus(mother_[i]);
        for (const Genotype& offspring : at[i]) judge_offspring(judgement, offspring);
        reveals = reveals_several_fathers(paternal_count(judgement));
      }
      revealing += reveals ? 1 : 0;
    }
    return revealing >= min_loci_ ? 1 : 0;
  }

  const WideStudy& study_;
  bool unsampled_;
  int min_loci_;
  std::vector<Genotype> mother_;
};

struct WideCase {
  int loci;
  int alleles;  // the most at a locus; each has 1 to this many
  int sires;
  double frequency_total;
  double share_total;
  bool mother_known;
  bool unsampled;
  int min_loci;
  std::vector<int> sizes;
  int trials;
};

WideStudy study_of_case(const WideCase& c, std::mt19937& random) {
  WideStudy study;
  for (int i = 0; i < c.loci; ++i) {
    const int alleles = i % 3 == 0 ? c.alleles : 1 + static_cast<int>(random() % c.alleles);
    study.frequency.push_back(weights_of(random, alleles, c.frequency_total));
    const int32_t last = alleles - 1;
    study.mother.push_back(c.mother_known ? Genotype{{static_cast<int32_t>(random() % alleles),
                                                      static_cast<int32_t>(random() % alleles)}}
                                          : Genotype{{last, last}});
  }
  study.share = weights_of(random, c.sires, c.share_total);
  study.mother_known = c.mother_known;
  return study;
}

}  // namespace

TEST(DrawBounds, GiveTheWalksDraws) {
  std::mt19937 random(11);
  for (const int n : {0, 1, 2, 3, 7, 40, 999}) {
    for (const double total : {1.0, 0.99, 0.9995, 1.2}) {
      const std::vector<double> weights = weights_of(random, n, total);
      std::vector<uint32_t> bounds(static_cast<size_t>(n) + 1);
      fill_draw_bounds(weights.data(), n, bounds.data());
      for (uint32_t r = 0; r < RANDOM15_VALUES; ++r) {
        ASSERT_EQ(draw_from_bounds(bounds.data(), n, r),
                  draw_by_weight(weights.data(), n, r / static_cast<double>(RANDOM15_VALUES)))
            << n << " weights adding up to " << total << ", value " << r;
      }
    }
  }
}

// Within the study record's limits the wide estimator counts what the
// console program's estimator counts, from the same state, brood size
// after brood size, and leaves the generator and the mother where it does.
TEST(WideEstimate, CountsWhatTheConsoleEstimatorCounts) {
  std::mt19937 random(2024);
  const auto fast = std::make_unique<EstimateWork>();
  for (int n = 0; n < 150; ++n) {
    StudyData study = study_from(generated_study(random));
    const bool unsampled = !study.mother_known && random() % 3 == 0;
    const int min_loci = 1 + static_cast<int>(random() % std::min(3, study.locus_count));
    prepare_estimates(study, *fast);
    if (unsampled) judge_unsampled(*fast);
    require_loci(*fast, min_loci);
    const WideStudy wide = wide_of(study);
    WideTables tables;
    prepare_wide_tables(wide, unsampled, min_loci, MAX_OFFSPRING, tables);
    WideWork work = wide_work(wide, MAX_OFFSPRING);
    const uint32_t seed = static_cast<uint32_t>(random());
    RandomState console{seed}, mine{seed};
    for (const int size : {0, 1, 3, 2, 10, 57, 100}) {
      const int64_t expected = count_more_detections(study, size, 300, *fast, console);
      ASSERT_EQ(wide_count_detections(tables, size, 300, work, mine), expected)
          << "study " << n << ", brood size " << size << (unsampled ? " unsampled" : "")
          << " min_loci " << min_loci << " known " << study.mother_known << " always "
          << tables.mother_always_drawn;
      ASSERT_EQ(mine.value, console.value);
    }
    if (study.mother_known || unsampled || tables.mother_always_drawn) continue;
    for (int i = 0; i < study.locus_count; ++i) {
      EXPECT_EQ(work.mother[static_cast<size_t>(i)].slot[0], study.mother[i].slot[0]);
      EXPECT_EQ(work.mother[static_cast<size_t>(i)].slot[1], study.mother[i].slot[1]);
    }
  }
}

// Past those limits it counts what plain trials count, with many loci,
// alleles, sires and offspring; shares and frequencies short of 1 (draws
// that pick none); the mother given, drawn or not sampled.
TEST(WideEstimate, CountsWhatPlainTrialsCountPastTheStudyRecord) {
  const std::vector<WideCase> cases = {
      {200, 40, 15, 1.0, 1.0, false, false, 1, {3, 5, 300}, 40},
      {30, 4, 12, 1.0, 0.999, true, false, 1, {3, 8, 150}, 200},
      {40, 5, 100, 0.9995, 1.0, false, false, 2, {4, 120}, 100},
      {40, 5, 100, 0.99, 0.9, false, true, 2, {4, 30, 120}, 100},
      {3, 6, 3, 1.0, 1.0, false, false, 1, {1000}, 100},
      {26, 999, 3, 1.0, 1.0, true, true, 1, {3, 6}, 200},
  };
  std::mt19937 random(5);
  for (const WideCase& c : cases) {
    const WideStudy study = study_of_case(c, random);
    ASSERT_TRUE(check_plan_limits(study).ok);
    int most = 0;
    for (const int size : c.sizes) most = std::max(most, size);
    WideTables tables;
    prepare_wide_tables(study, c.unsampled, c.min_loci, most, tables);
    WideWork work = wide_work(study, most);
    PlainTrials plain(study, c.unsampled, c.min_loci);
    RandomState expected_state{77}, state{77};
    int64_t all = 0;
    for (const int size : c.sizes) {
      const int64_t expected = plain.count(size, c.trials, expected_state);
      ASSERT_EQ(wide_count_detections(tables, size, c.trials, work, state), expected)
          << c.loci << " loci, " << c.sires << " sires, brood size " << size;
      ASSERT_EQ(state.value, expected_state.value);
      all += expected;
    }
    // A case whose every count is 0 would hold the two to nothing.
    EXPECT_GT(all, 0) << c.loci << " loci, " << c.sires << " sires";
  }
}

namespace {

// A frequency table of `loci` loci named L1, L2, ..., each of `alleles`
// alleles of random weights.
std::string frequency_table(std::mt19937& random, int loci, int alleles) {
  std::string table = "locus,allele,frequency\n";
  for (int i = 0; i < loci; ++i) {
    const std::vector<double> weights = weights_of(random, alleles, 1.0);
    for (int a = 0; a < alleles; ++a) {
      char row[64];
      std::snprintf(row, sizeof row, "L%d,%d,%.6f\n", i + 1, 100 + a,
                    weights[static_cast<size_t>(a)]);
      table += row;
    }
  }
  return table;
}

}  // namespace

// mpplan's curve on a design of 200 loci of 40 alleles and 15 sires, brood
// sizes up to 300: each estimate is what plain trials of the design give.
TEST(WideEstimate, CurvePastTheStudyRecordIsThePlainTrials) {
  std::mt19937 random(9);
  const std::string table = frequency_table(random, 200, 40);
  const std::vector<std::string> words = {"mpplan", "curve",    "big.csv", "--sires", "15",
                                          "--from", "3",        "--to",    "300",     "--step",
                                          "297",    "--trials", "1000"};
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  PlanOptions options;
  const Status parsed = parse_plan_options(static_cast<int>(argv.size()), argv.data(), options);
  ASSERT_TRUE(parsed.ok) << parsed.message;
  const CurveResult result = run_curve_command(curve_request_of(options), {table}, 31, 2);
  ASSERT_TRUE(result.status.ok) << result.status.message;
  ASSERT_EQ(result.designs.size(), 1u);
  const Design& design = result.designs.front();
  EXPECT_FALSE(design.fits_record);
  EXPECT_EQ(design.label,
            "200 loci; 15 sires 0.0667/0.0667/0.0667/0.0667/0.0667/0.0667/0.0667/"
            "0.0667/0.0667/0.0667/0.0667/0.0667/0.0667/0.0667/0.0667; mother drawn");
  PlainTrials plain(design.wide, false, 1);
  RandomState state{31};
  const std::vector<CurvePoint>& points = result.curves.front().points;
  ASSERT_EQ(points.size(), 2u);
  for (const CurvePoint& point : points) {
    EXPECT_EQ(point.detections, plain.count(point.brood_size, 1000, state))
        << "brood size " << point.brood_size;
  }
  EXPECT_GT(points.front().detections, 0);
  EXPECT_LT(points.front().detections, 1000);
}

// Past the study record's limits a design is still refused past the
// planner's, and with genotyping errors, which only the console program's
// estimator models.
TEST(WideEstimate, RefusedPastThePlannersLimitsOrWithErrors) {
  WideStudy study;
  study.frequency.assign(PLAN_MAX_LOCI + 1, std::vector<double>{0.5, 0.5});
  study.share = {1.0};
  Status status = check_plan_limits(study);
  EXPECT_EQ(status.kind, Kind::TOO_MANY_LOCI);
  EXPECT_EQ(status.limit, PLAN_MAX_LOCI);
  study.frequency.assign(2, std::vector<double>(PLAN_MAX_ALLELES + 1, 0.001));
  status = check_plan_limits(study, {"A", "B"});
  EXPECT_EQ(status.kind, Kind::TOO_MANY_ALLELES);
  EXPECT_EQ(status.locus, "A");
  study.frequency.assign(2, std::vector<double>{0.5, 0.5});
  study.share.assign(PLAN_MAX_SIRES + 1, 0.01);
  EXPECT_FALSE(check_plan_limits(study).ok);

  std::string table = "locus,allele,frequency\n";
  for (int i = 0; i < 30; ++i) {
    table += std::string("L") + std::to_string(i) + ",1,0.5\n";
    table += std::string("L") + std::to_string(i) + ",2,0.5\n";
  }
  CurveRequest options;
  options.names = {"t.csv"};
  options.range = CurveRange{1, 3, 1};
  options.designs[0].errors.dropout = 0.01;
  const CurveResult refused = run_curve_command(options, {table}, 1, 1);
  EXPECT_FALSE(refused.status.ok);
  EXPECT_NE(refused.status.message.find("genotyping errors are modelled for designs of up to 25"),
            std::string::npos)
      << refused.status.message;
}

// A panel chosen from candidates past a study's limits (a locus of 32
// alleles, twelve sires) instead of refusing them: each step's estimate is
// what plain trials of the panel give, and a panel of more loci than a
// study holds is joined into the planner's record.
TEST(WideEstimate, PanelsChosenPastTheStudyRecord) {
  std::mt19937 random(21);
  std::string table = "locus,allele,frequency\n";
  for (int i = 0; i < 28; ++i) {
    const int alleles = i == 5 ? 32 : 3 + i % 3;
    const std::vector<double> weights = weights_of(random, alleles, 1.0);
    for (int a = 0; a < alleles; ++a) {
      char row[64];
      std::snprintf(row, sizeof row, "L%d,%d,%.6f\n", i + 1, a + 1,
                    weights[static_cast<size_t>(a)]);
      table += row;
    }
  }
  InputOptions options;
  options.any_size = true;
  options.shares = {equal_shares(12)};
  std::vector<Design> candidates;
  std::vector<LocusStatistics> statistics;
  Notes notes;
  const Status read = candidate_loci("t.csv", table, options, candidates, statistics, notes);
  ASSERT_TRUE(read.ok) << read.message;
  ASSERT_EQ(candidates.size(), 28u);
  for (const Design& one : candidates) EXPECT_FALSE(one.fits_record) << "twelve sires";

  const PanelChoice choice = choose_panel(candidates, statistics, 3, 4, 4, 8, 2);
  ASSERT_FALSE(choice.steps.empty());
  std::vector<int> chosen;
  for (const ChoiceStep& step : choice.steps) {
    chosen.push_back(step.locus);
    std::vector<int> set = chosen;
    std::sort(set.begin(), set.end());
    const Design panel = joined_design(candidates, set);
    PlainTrials plain(panel.wide, false, 1);
    RandomState state{8};
    EXPECT_EQ(step.detections, plain.count(4, TRIAL_COUNT, state)) << chosen.size() << " loci";
  }
  EXPECT_EQ(choice.steps.front().locus, 5) << "the locus of 32 alleles is the best alone";

  std::vector<int> all(26);
  for (int i = 0; i < 26; ++i) all[static_cast<size_t>(i)] = i;
  const Design joined = joined_design(candidates, all);
  EXPECT_FALSE(joined.fits_record);
  ASSERT_EQ(joined.wide.frequency.size(), 26u);
  EXPECT_EQ(joined.wide.frequency[5], candidates[5].wide.frequency[0]);
  EXPECT_EQ(joined.locus_names[25], "L26");
}

// loci ranks a design past the study record (26 loci of 35 alleles): each
// locus alone, and the design without one, is what plain trials of that
// design give from the seed; past the loci a ranking takes it is refused
// with the way to a panel choice.
TEST(WideEstimate, LociPastTheStudyRecordAreRankedAsPlainTrials) {
  std::mt19937 random(12);
  auto table_of = [&random](int loci) { return frequency_table(random, loci, 35); };
  LociRequest request;
  request.name = "big.csv";
  request.brood_size = 4;
  const LociResult result = run_loci_command(request, table_of(26), 5, 2);
  ASSERT_TRUE(result.status.ok) << result.status.message;
  ASSERT_FALSE(result.design.fits_record);
  ASSERT_EQ(result.ranking.alone.size(), 26u);
  ASSERT_EQ(result.ranking.order.size(), 26u);
  for (const int locus : {0, 25}) {
    const WideStudy one = wide_study_of(design_with_loci(result.design, {locus}));
    PlainTrials alone(one, false, 1);
    RandomState state{5};
    EXPECT_EQ(result.ranking.alone[static_cast<size_t>(locus)], alone.count(4, TRIAL_COUNT, state))
        << "locus " << locus;
  }
  std::vector<int> rest;
  for (int i = 1; i < 26; ++i) rest.push_back(i);
  const WideStudy others = wide_study_of(design_with_loci(result.design, rest));
  PlainTrials without(others, false, 1);
  RandomState state{5};
  EXPECT_EQ(result.ranking.without[0], without.count(4, TRIAL_COUNT, state));
  EXPECT_EQ(ranking_table(result.design, result.ranking).find("\nalone,L1,1,"),
            std::string("analysis,locus,loci,probability,standard_error").size());

  const LociResult refused = run_loci_command(request, table_of(MAX_RANKED_LOCI + 1), 5, 2);
  EXPECT_EQ(refused.status.kind, Kind::TOO_MANY_LOCI_TO_RANK);
  EXPECT_EQ(refused.status.limit, MAX_RANKED_LOCI);
}

}  // namespace mpdetect
