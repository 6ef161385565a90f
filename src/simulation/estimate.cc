#include "simulation/estimate.h"

#include <array>

namespace mpdetect {

void prepare_estimates(const StudyData& study, EstimateWork& work) {
  prepare_fast_estimator(study, work.fast);
}

void judge_only(EstimateWork& work, const JudgedOffspring& judged) {
  work.fast.tables.judged = judged;
}

void judge_unsampled(EstimateWork& work) {
  work.fast.tables.unsampled_mother = true;
}

void require_loci(EstimateWork& work, int min_loci) {
  work.fast.tables.min_loci = min_loci;
}

void model_errors(EstimateWork& work, const StudyData& study, const ErrorRates& rates) {
  work.fast.tables.genotyping_errors = any_errors(rates);
  work.fast.tables.errors = error_model(rates, study);
}

namespace {

// The plain trial's verdict under the estimator's settings, for trial
// `trial` of a run of trials from generator state `first`.
[[maybe_unused]] int plain_verdict(const StudyData& study, int32_t brood_size, EstimateWork& work,
                                   uint32_t first, int64_t trial) {
  const FastEstimator& fast = work.fast;
  if (fast.tables.genotyping_errors) {
    read_brood(study, brood_size, fast.tables.errors, error_key(first), trial,
               !study.mother_known && !fast.tables.unsampled_mother, work.trial);
    return judge_read_brood(study, brood_size, work.trial, fast.tables.judged, fast.tables.min_loci,
                            fast.tables.unsampled_mother);
  }
  return work.fast.tables.unsampled_mother
             ? judge_brood_unsampled(study, brood_size, work.trial, work.fast.tables.judged,
                                     work.fast.tables.min_loci)
             : judge_brood(study, brood_size, work.trial, work.fast.tables.judged,
                           work.fast.tables.min_loci);
}

}  // namespace

int count_detections(StudyData& study, int32_t brood_size, EstimateWork& work,
                     RandomState& random) {
  return static_cast<int>(count_more_detections(study, brood_size, TRIAL_COUNT, work, random));
}

int64_t count_more_detections(StudyData& study, int32_t brood_size, int64_t trials,
                              EstimateWork& work, RandomState& random) {
  int64_t detections = 0;
  // In runs of TRIAL_COUNT, each continuing where the last left off (and
  // drawing its errors by its own first state).
  for (int64_t done = 0; done < trials; done += TRIAL_COUNT) {
    const int run = static_cast<int>(trials - done < TRIAL_COUNT ? trials - done : TRIAL_COUNT);
#ifdef MPDETECT_PLAIN_ESTIMATE
    const uint32_t first = random.value;
    seed_random(first);
    for (int t = 0; t < run; ++t) {
      sample_brood(study, brood_size, work.trial);
      detections += plain_verdict(study, brood_size, work, first, t);
    }
    random.value = random_state();
#else
    detections += fast_count_detections(study, brood_size, run, work.fast, random);
#endif
  }
  return detections;
}

void skip_more_trials(StudyData& study, int32_t brood_size, int64_t trials, EstimateWork& work,
                      RandomState& random) {
  for (int64_t done = 0; done < trials; done += TRIAL_COUNT) {
    const int run = static_cast<int>(trials - done < TRIAL_COUNT ? trials - done : TRIAL_COUNT);
#ifdef MPDETECT_PLAIN_ESTIMATE
    seed_random(random.value);
    for (int t = 0; t < run; ++t) sample_brood(study, brood_size, work.trial);
    random.value = random_state();
#else
    fast_skip_trials(study, brood_size, run, work.fast, random);
#endif
  }
}

namespace {

// The running sum after each number of additions, made once: the planner
// asks for the share at every point of every table and figure, and adding
// up to 50000 times for each was most of the time of drawing a figure.
struct RunningSums {
  std::array<double, TRIAL_COUNT + 1> after{};
  RunningSums() {
    double sum = 0;
    for (int n = 0; n <= TRIAL_COUNT; ++n) {
      after[n] = sum;
      sum += 1.0 / TRIAL_COUNT;
    }
  }
};

}  // namespace

double running_share(int detections) {
  static const RunningSums sums;
  if (detections >= 0 && detections <= TRIAL_COUNT) return sums.after[detections];
  double sum = 0;
  for (int n = 0; n < detections; ++n) sum += 1.0 / TRIAL_COUNT;
  return sum;
}

}  // namespace mpdetect
