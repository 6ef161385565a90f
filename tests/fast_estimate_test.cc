// The fast estimator against the plain trials, on many generated studies.
#include "simulation/fast_estimate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "simulation/random_source.h"
#include "simulation/trial.h"
#include "test_support.h"

namespace mpdetect {

TEST(FastEstimate, DrawTablesMatchTheWalk) {
  std::mt19937 random(7);
  static FastEstimator fast;
  for (int n = 0; n < 20; ++n) {
    StudyData study = study_from(generated_study(random));
    prepare_fast_estimator(study, fast);
    for (int r = 0; r < RANDOM15_VALUES; ++r) {
      for (int i = 0; i < study.locus_count; ++i) {
        ASSERT_EQ(fast.tables.allele_draw[i][r],
                  draw_by_weight(study.allele_frequency[i], study.allele_count[i],
                                 r / static_cast<double>(RANDOM15_VALUES)));
      }
      ASSERT_EQ(fast.tables.sire_draw[r], draw_by_weight(study.skew, study.sire_count,
                                                         r / static_cast<double>(RANDOM15_VALUES)));
    }
  }
}

namespace {

// The kernels this build has and this machine runs, by name.
std::vector<std::pair<const char*, CountKernel>> kernels() {
  std::vector<std::pair<const char*, CountKernel>> all{{"portable", portable_kernel()}};
  if (vector_kernel() != nullptr) all.push_back({"vector", vector_kernel()});
  return all;
}

// The plain trials' count, generator state and mother after `trials`
// trials from `state`.
struct PlainRun {
  int detections;
  uint32_t state;
  StudyData study;
};

PlainRun run_plain(const StudyData& start, int32_t size, int trials, uint32_t state,
                   const JudgedOffspring& judged = every_offspring_judged(), bool unsampled = false,
                   int min_loci = 1, const ErrorModel* errors = nullptr) {
  static TrialWork work;
  PlainRun run{0, 0, start};
  seed_random(state);
  for (int t = 0; t < trials; ++t) {
    sample_brood(run.study, size, work);
    if (errors != nullptr) {
      read_brood(run.study, size, *errors, error_key(state), t,
                 !run.study.mother_known && !unsampled, work);
      run.detections += judge_read_brood(run.study, size, work, judged, min_loci, unsampled);
      continue;
    }
    run.detections += unsampled ? judge_brood_unsampled(run.study, size, work, judged, min_loci)
                                : judge_brood(run.study, size, work, judged, min_loci);
  }
  run.state = random_state();
  return run;
}

// Holds `kernel` to the plain trials from `state`; true when they agree.
::testing::AssertionResult same_as_plain(CountKernel kernel, const StudyData& start, int32_t size,
                                         int trials, uint32_t state, FastEstimator& fast) {
  const PlainRun plain = run_plain(start, size, trials, state);
  StudyData quick = start;
  RandomState random{state};
  const int counted = kernel(quick, size, trials, fast, random);
  if (counted != plain.detections || random.value != plain.state ||
      std::memcmp(plain.study.mother, quick.mother, sizeof quick.mother) != 0) {
    return ::testing::AssertionFailure()
           << "size " << size << ", " << trials << " trials from state " << state << ": counted "
           << counted << " against " << plain.detections;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(FastEstimate, AgreesWithThePlainTrials) {
  for (const auto& [name, kernel] : kernels()) {
    std::mt19937 random(2026);
    static FastEstimator fast;
    const int32_t sizes[] = {3, 1, 2, 17, 100, 3, 0, 5, -4};
    int detecting_estimates = 0;
    for (int n = 0; n < 300; ++n) {
      const std::string text = generated_study(random);
      StudyData plain = study_from(text);
      StudyData quick = plain;
      prepare_fast_estimator(quick, fast);
      const uint32_t seed = random();
      // Every tenth study runs long enough for the estimator to settle how it
      // starts its trials, which it decides after a few hundred.
      const int trials = n % 10 == 0 ? 600 : 40 + static_cast<int>(random() % 80);
      for (int32_t size : sizes) {
        // Estimates follow one another, so the untyped mother carries over.
        const PlainRun expected = run_plain(plain, size, trials, seed + size);
        plain = expected.study;
        RandomState state{seed + static_cast<uint32_t>(size)};
        const int counted = kernel(quick, size, trials, fast, state);
        ASSERT_EQ(counted, expected.detections) << name << "\n" << text << "size " << size;
        ASSERT_EQ(state.value, expected.state) << name << "\n" << text << "size " << size;
        ASSERT_EQ(0, std::memcmp(plain.mother, quick.mother, sizeof plain.mother))
            << name << "\n"
            << text << "size " << size;
        detecting_estimates += counted > 0 && counted < trials ? 1 : 0;
      }
    }
    // The generated studies must exercise both verdicts, not only trivial ones.
    EXPECT_GT(detecting_estimates, 300) << name;
  }
}

// Studies the kernels judge eight trials at a time: two to BATCH_SIRES sires
// of shares near enough that few broods have one father, at sizes that the
// batch judges whole and in part, with the mother given or drawn,
// frequencies and shares short of 1 (draws that pick nothing), loci from
// one to many, offspring left out at some loci, and trial counts that leave
// trials past the last batch. Each estimate carries the mother on.
TEST(FastEstimate, BatchedTrialsAgreeWithThePlainTrials) {
  for (const auto& [name, kernel] : kernels()) {
    std::mt19937 random(808);
    static FastEstimator fast;
    const int32_t sizes[] = {3, 4, 7, BATCH_OFFSPRING, BATCH_OFFSPRING + 1, 40, 100};
    int detecting = 0;
    for (int n = 0; n < 60; ++n) {
      std::ostringstream text;
      text.precision(9);
      const int loci = 1 + static_cast<int>(random() % 12);
      text << loci << "\n";
      int alleles[MAX_LOCI];
      for (int i = 0; i < loci; ++i) {
        alleles[i] = 2 + static_cast<int>(random() % 14);
        const double short_of_one = n % 4 == 0 ? 0.9995 : 1.0;
        text << alleles[i];
        for (int a = 0; a < alleles[i]; ++a) text << " " << short_of_one / alleles[i];
        text << "\n";
      }
      const int sires = 2 + n % (BATCH_SIRES - 1);
      text << sires;
      const double short_of_one = n % 5 == 0 ? 0.999 : 1.0;
      for (int k = 0; k < sires; ++k)
        text << " " << short_of_one * (k == 0 ? 0.4 : 0.6 / (sires - 1));
      text << "\n";
      if (n % 2 == 0) {
        text << "99 0\n";
      } else {
        for (int i = 0; i < loci; ++i)
          text << random() % alleles[i] << " " << random() % alleles[i] << "\n";
      }
      StudyData plain = study_from(text.str());
      StudyData quick = plain;
      prepare_fast_estimator(quick, fast);
      JudgedOffspring judged = every_offspring_judged();
      if (n % 3 == 0) {
        for (int j = 1; j < MAX_OFFSPRING; j += 4)
          judged.at[fast.tables.locus_order[0]].word[j >> 6] &= ~(uint64_t{1} << (j & 63));
      }
      fast.tables.judged = judged;
      const uint32_t seed = random();
      const int trials = BATCH_TRIALS * (20 + n % 7) + n % BATCH_TRIALS;
      for (int32_t size : sizes) {
        const PlainRun expected = run_plain(plain, size, trials, seed + size, judged);
        plain = expected.study;
        RandomState state{seed + static_cast<uint32_t>(size)};
        const int counted = kernel(quick, size, trials, fast, state);
        ASSERT_EQ(counted, expected.detections) << name << "\n" << text.str() << "size " << size;
        ASSERT_EQ(state.value, expected.state) << name << "\n" << text.str() << "size " << size;
        ASSERT_EQ(0, std::memcmp(plain.mother, quick.mother, sizeof plain.mother)) << name;
        detecting += counted > 0 && counted < trials ? 1 : 0;
      }
    }
    EXPECT_GT(detecting, 150) << name;
  }
}

// Offspring left out at some loci, as a genotyped brood's untyped ones are:
// the kernels judge the rest as the plain judgement does, the first look
// and the first stage included (sizes past FIRST_LOOK and 16, leaving out
// offspring inside and past them).
TEST(FastEstimate, LeavesOutTheOffspringNotJudged) {
  for (const auto& [name, kernel] : kernels()) {
    std::mt19937 random(77);
    static FastEstimator fast;
    const int32_t sizes[] = {3, 6, 20, 64, 65, 100};
    int differs = 0;  // estimates where leaving offspring out changed the count
    for (int n = 0; n < 150; ++n) {
      const std::string text = generated_study(random);
      const StudyData start = study_from(text);
      prepare_fast_estimator(start, fast);
      JudgedOffspring judged = every_offspring_judged();
      for (int i = 0; i < start.locus_count; ++i) {
        // Some loci keep everyone, some lose a few, some nearly all.
        const int kind = static_cast<int>(random() % 3);
        for (int j = 0; j < MAX_OFFSPRING && kind > 0; ++j) {
          if (random() % (kind == 1 ? 5 : 10) < (kind == 1 ? 1u : 9u))
            judged.at[i].word[j >> 6] &= ~(uint64_t{1} << (j & 63));
        }
      }
      fast.tables.judged = judged;
      const uint32_t seed = random();
      const int trials = n % 10 == 0 ? 600 : 60;
      for (int32_t size : sizes) {
        const PlainRun expected = run_plain(start, size, trials, seed, judged);
        StudyData quick = start;
        RandomState state{seed};
        const int counted = kernel(quick, size, trials, fast, state);
        ASSERT_EQ(counted, expected.detections) << name << "\n" << text << "size " << size;
        ASSERT_EQ(state.value, expected.state) << name << "\n" << text << "size " << size;
        differs += counted != run_plain(start, size, trials, seed).detections ? 1 : 0;
      }
    }
    EXPECT_GT(differs, 100) << name << ": the left-out offspring must matter";
  }
}

// A mother who was not sampled: the kernels judge each locus from the
// offspring alone as the plain judgement does, with some offspring left out
// too, and the mother carried from estimate to estimate as ever.
TEST(FastEstimate, UnsampledMotherAgreesWithThePlainTrials) {
  for (const auto& [name, kernel] : kernels()) {
    std::mt19937 random(404);
    static FastEstimator fast;
    const int32_t sizes[] = {2, 3, 5, 20, 70};
    int detecting = 0;
    for (int n = 0; n < 120; ++n) {
      std::string text = generated_study(random);
      StudyData plain = study_from(text);
      if (plain.mother_known) continue;
      StudyData quick = plain;
      prepare_fast_estimator(quick, fast);
      fast.tables.unsampled_mother = true;
      JudgedOffspring judged = every_offspring_judged();
      if (n % 3 == 0) {
        for (int j = 0; j < MAX_OFFSPRING; j += 3)
          judged.at[0].word[j >> 6] &= ~(uint64_t{1} << (j & 63));
      }
      fast.tables.judged = judged;
      const uint32_t seed = random();
      const int trials = n % 10 == 0 ? 600 : 50;
      for (int32_t size : sizes) {
        const PlainRun expected = run_plain(plain, size, trials, seed + size, judged, true);
        plain = expected.study;
        RandomState state{seed + static_cast<uint32_t>(size)};
        const int counted = kernel(quick, size, trials, fast, state);
        ASSERT_EQ(counted, expected.detections) << name << "\n" << text << "size " << size;
        ASSERT_EQ(state.value, expected.state) << name << "\n" << text << "size " << size;
        ASSERT_EQ(0, std::memcmp(plain.mother, quick.mother, sizeof plain.mother)) << name;
        detecting += counted > 0 && counted < trials ? 1 : 0;
      }
    }
    EXPECT_GT(detecting, 50) << name;
  }
}

// The stricter verdict, two or three loci that must each reveal several
// fathers, with the mother given, drawn or not sampled: the kernels count
// the loci as the plain judgement does.
TEST(FastEstimate, StricterVerdictAgreesWithThePlainTrials) {
  for (const auto& [name, kernel] : kernels()) {
    std::mt19937 random(606);
    static FastEstimator fast;
    const int32_t sizes[] = {3, 8, 30};
    int detecting = 0, fewer = 0;
    for (int n = 0; n < 120; ++n) {
      const std::string text = generated_study(random);
      const StudyData start = study_from(text);
      const bool unsampled = !start.mother_known && n % 2 == 0;
      const int min_loci = 2 + n % 2;
      prepare_fast_estimator(start, fast);
      fast.tables.unsampled_mother = unsampled;
      fast.tables.min_loci = min_loci;
      const uint32_t seed = random();
      for (int32_t size : sizes) {
        const PlainRun expected =
            run_plain(start, size, 60, seed, every_offspring_judged(), unsampled, min_loci);
        StudyData quick = start;
        RandomState state{seed};
        const int counted = kernel(quick, size, 60, fast, state);
        ASSERT_EQ(counted, expected.detections)
            << name << "\n"
            << text << "size " << size << ", " << min_loci << " loci";
        ASSERT_EQ(state.value, expected.state) << name;
        detecting += counted > 0 ? 1 : 0;
        fewer += counted < run_plain(start, size, 60, seed, every_offspring_judged(), unsampled, 1)
                               .detections
                     ? 1
                     : 0;
      }
    }
    EXPECT_GT(detecting, 40) << name;
    EXPECT_GT(fewer, 20) << name << ": more loci asked must detect less";
  }
}

// Genotyping errors, from rare to many, with the mother given, drawn or not
// sampled, one or two loci asked, offspring left out at some loci, and the
// mother carried from estimate to estimate: the kernels count as the plain
// trials read and judge. The errors must change counts, and make broods of
// one sire detect.
TEST(FastEstimate, GenotypingErrorsAgreeWithThePlainTrials) {
  const ErrorRates rates[] = {{0.01, 0.005}, {0.2, 0}, {0, 0.15}, {0.4, 0.3}};
  for (const auto& [name, kernel] : kernels()) {
    std::mt19937 random(1964);
    static FastEstimator fast;
    const int32_t sizes[] = {2, 3, 8, 17, 40, 100};
    int changed = 0, false_detections = 0;
    for (int n = 0; n < 160; ++n) {
      const std::string text = generated_study(random);
      StudyData plain = study_from(text);
      StudyData quick = plain;
      const bool unsampled = !plain.mother_known && n % 3 == 0;
      const int min_loci = n % 4 == 3 ? 2 : 1;
      static ErrorModel errors;
      errors = error_model(rates[n % 4], plain);
      prepare_fast_estimator(quick, fast);
      fast.tables.unsampled_mother = unsampled;
      fast.tables.min_loci = min_loci;
      fast.tables.genotyping_errors = true;
      fast.tables.errors = errors;
      JudgedOffspring judged = every_offspring_judged();
      if (n % 5 == 0) {
        for (int j = 0; j < MAX_OFFSPRING; j += 4)
          judged.at[0].word[j >> 6] &= ~(uint64_t{1} << (j & 63));
      }
      fast.tables.judged = judged;
      const uint32_t seed = random();
      const int trials = n % 10 == 0 ? 500 : 40;
      for (int32_t size : sizes) {
        const uint32_t from = seed + static_cast<uint32_t>(size);
        const PlainRun without = run_plain(plain, size, trials, from, judged, unsampled, min_loci);
        const PlainRun expected =
            run_plain(plain, size, trials, from, judged, unsampled, min_loci, &errors);
        plain = expected.study;
        RandomState state{from};
        const int counted = kernel(quick, size, trials, fast, state);
        ASSERT_EQ(counted, expected.detections)
            << name << "\n"
            << text << "size " << size << ", rates " << n % 4 << ", unsampled " << unsampled << ", "
            << min_loci << " loci";
        ASSERT_EQ(state.value, expected.state) << name;
        ASSERT_EQ(0, std::memcmp(plain.mother, quick.mother, sizeof plain.mother)) << name;
        changed += counted != without.detections ? 1 : 0;
        if (plain.sire_count == 1) false_detections += counted;
      }
    }
    EXPECT_GT(changed, 150) << name;
    EXPECT_GT(false_detections, 0) << name;
  }
}

// Passing over estimates leaves the generator and the untyped mother as
// running them does, whatever the study (frequencies short of 1 make some
// mother's draws pick nothing, so that she is carried from earlier trials
// and earlier estimates), and the next estimate counts the same from there.
TEST(FastEstimate, SkippedEstimatesLeaveWhatTheyWouldHave) {
  std::mt19937 random(404);
  static FastEstimator ran, skipped;
  const int32_t sizes[] = {0, 1, 3, 17, 100, 8};
  int mothers_moved = 0;
  for (int n = 0; n < 200; ++n) {
    const std::string text = generated_study(random);
    StudyData counted = study_from(text), passed = counted;
    prepare_fast_estimator(counted, ran);
    prepare_fast_estimator(passed, skipped);
    RandomState a{static_cast<uint32_t>(random())}, b = a;
    const int trials = 1 + static_cast<int>(random() % 300);
    for (int32_t size : sizes) {
      const StudyData before = passed;
      fast_count_detections(counted, size, trials, ran, a);
      fast_skip_trials(passed, size, trials, skipped, b);
      ASSERT_EQ(a.value, b.value) << text << "size " << size;
      ASSERT_EQ(0, std::memcmp(counted.mother, passed.mother, sizeof passed.mother))
          << text << "size " << size;
      mothers_moved += std::memcmp(before.mother, passed.mother, sizeof passed.mother) != 0;
    }
    RandomState c = a, d = b;
    ASSERT_EQ(fast_count_detections(counted, 12, 50, ran, c),
              fast_count_detections(passed, 12, 50, skipped, d))
        << text;
  }
  EXPECT_GT(mothers_moved, 100);
}

// Trials whose value at one offset sits exactly on a boundary: the half-point
// of the maternal and paternal choices, and both sides of every edge of the
// draw tables, at every kind of offset a trial has.
TEST(FastEstimate, ValuesOnEveryEdge) {
  // Uneven frequencies and shares a little short of 1, so that the tables
  // have edges everywhere and values that pick nothing; equal enough shares
  // that trials start with the first look.
  const char* const studies[] = {
      "2\n6 .3 .2 .15 .15 .1 .0999\n5 .25 .25 .2 .2 .0999\n3\n.34 .33 .3299\n99 0\n",
      "2\n6 .3 .2 .15 .15 .1 .0999\n5 .25 .25 .2 .2 .0999\n4\n.25 .25 .25 .2499\n0 1 2 2\n",
  };
  std::mt19937 random(11);
  static FastEstimator fast;
  int runs = 0;
  for (const char* text : studies) {
    const StudyData study = study_from(text);
    prepare_fast_estimator(study, fast);
    const TrialLayout layout = trial_layout(study);

    // Both sides of each edge of a draw table.
    auto edges_of = [](const int8_t* table) {
      std::vector<int> values{0, RANDOM15_VALUES - 1};
      for (int r = 1; r < RANDOM15_VALUES; ++r) {
        if (table[r] != table[r - 1]) values.insert(values.end(), {r - 1, r});
      }
      return values;
    };
    const std::vector<int> half{HALF_POINT - 1, HALF_POINT};
    for (int32_t size : {FIRST_LOOK, 20, BATCH_OFFSPRING + 6}) {
      // Each offset of a trial with the values that matter there.
      std::vector<std::pair<int, std::vector<int>>> cases;
      for (int i = 0; i < study.locus_count; ++i) {
        const std::vector<int> alleles = edges_of(fast.tables.allele_draw[i]);
        if (!study.mother_known) {
          for (int slot = 0; slot < 2; ++slot) cases.push_back({mother_value(i, slot), alleles});
        }
        for (int k = 0; k < study.sire_count; ++k) {
          for (int slot = 0; slot < 2; ++slot)
            cases.push_back({sire_value(layout, k, i, slot), alleles});
        }
      }
      for (int j : {0, 1, FIRST_LOOK - 1, size - 1, 15, 16, BATCH_OFFSPRING - 1, BATCH_OFFSPRING}) {
        if (j >= size) continue;
        cases.push_back({offspring_sire_value(layout, j), edges_of(fast.tables.sire_draw)});
        for (int i = 0; i < study.locus_count; ++i) {
          cases.push_back({maternal_choice_value(layout, j, i), half});
          cases.push_back({paternal_choice_value(layout, j, i), half});
        }
      }

      const int per_trial = values_per_trial(study, size);
      for (const auto& [offset, values] : cases) {
        for (int value : values) {
          for (int n = 0; n < BATCH_TRIALS; ++n) {
            // The value sits at `offset` of one of the first eight trials,
            // each lane of a batch once; the state's other bits are random.
            const int at = offset + n * per_trial;
            const uint32_t moved = static_cast<uint32_t>(value) << 16 | (random() & 0x8000FFFFu);
            const uint32_t state = apply_jump(inverse_of(jump_of(at + 1)), moved);
            for (const auto& [name, kernel] : kernels()) {
              ASSERT_TRUE(same_as_plain(kernel, study, size, BATCH_TRIALS + 1, state, fast))
                  << name << " kernel, value " << value << " at offset " << offset << "\n"
                  << text;
              ++runs;
            }
          }
        }
      }
    }
  }
  EXPECT_GT(runs, 5000);
}

// Estimates that share nothing but a copy of the study's tables give the
// same results whether they run one after the other or at the same time;
// and an estimate only reads its tables, which stay as prepared.
TEST(FastEstimate, IndependentEstimatesRunSideBySide) {
  const StudyData start = study_from(EXAMPLE_STUDY);
  struct Run {
    StudyData study;
    RandomState random;
    int detections[3];
  };
  static FastTables prepared;
  prepare_fast_tables(start, prepared);
  static FastEstimator fast[2];
  auto estimate = [](Run& run, FastEstimator& work) {
    work.tables = prepared;
    for (int n = 0; n < 3; ++n)
      run.detections[n] = fast_count_detections(run.study, 10 + 20 * n, 20000, work, run.random);
  };
  Run alone[2] = {{start, {1}, {}}, {start, {2}, {}}};
  estimate(alone[0], fast[0]);
  estimate(alone[1], fast[1]);

  Run together[2] = {{start, {1}, {}}, {start, {2}, {}}};
  std::thread second([&] { estimate(together[1], fast[1]); });
  estimate(together[0], fast[0]);
  second.join();
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(together[r].random.value, alone[r].random.value) << r;
    for (int n = 0; n < 3; ++n) EXPECT_EQ(together[r].detections[n], alone[r].detections[n]);
    const FastTables& used = fast[r].tables;
    EXPECT_EQ(std::memcmp(used.allele_draw, prepared.allele_draw, sizeof used.allele_draw), 0);
    EXPECT_EQ(std::memcmp(used.sire_draw, prepared.sire_draw, sizeof used.sire_draw), 0);
    EXPECT_EQ(std::memcmp(used.sire_bound, prepared.sire_bound, sizeof used.sire_bound), 0);
    EXPECT_EQ(std::memcmp(used.step, prepared.step, sizeof used.step), 0);
    EXPECT_EQ(std::memcmp(used.locus_order, prepared.locus_order, sizeof used.locus_order), 0);
    EXPECT_EQ(used.useful_loci, prepared.useful_loci);
    EXPECT_EQ(used.first_look, prepared.first_look);
    EXPECT_EQ(used.one_sire_only, prepared.one_sire_only);
  }
  EXPECT_NE(alone[0].detections[2], alone[1].detections[2]) << "the two seeds differ";
}

}  // namespace mpdetect
