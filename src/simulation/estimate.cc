#include "simulation/estimate.h"

void prepare_estimates(const StudyData& study, EstimateWork& work) {
  prepare_fast_estimator(study, work.fast);
}

void judge_only(EstimateWork& work, const JudgedOffspring& judged) {
  work.fast.judged = judged;
}

void judge_unsampled(EstimateWork& work) {
  work.fast.unsampled_mother = true;
}

void require_loci(EstimateWork& work, int min_loci) {
  work.fast.min_loci = min_loci;
}

namespace {

// The plain trial's verdict under the estimator's settings.
[[maybe_unused]] int plain_verdict(const StudyData& study, int32_t brood_size,
                                   const EstimateWork& work) {
  return work.fast.unsampled_mother
             ? judge_brood_unsampled(study, brood_size, work.trial, work.fast.judged,
                                     work.fast.min_loci)
             : judge_brood(study, brood_size, work.trial, work.fast.judged, work.fast.min_loci);
}

}  // namespace

int count_detections(StudyData& study, int32_t brood_size, EstimateWork& work,
                     RandomState& random) {
#ifdef MPDETECT_PLAIN_ESTIMATE
  seed_random(random.value);
  int detections = 0;
  for (int t = 0; t < TRIAL_COUNT; ++t) {
    sample_brood(study, brood_size, work.trial);
    detections += plain_verdict(study, brood_size, work);
  }
  random.value = random_state();
  return detections;
#else
  return fast_count_detections(study, brood_size, TRIAL_COUNT, work.fast, random);
#endif
}

int64_t count_more_detections(StudyData& study, int32_t brood_size, int64_t trials,
                              EstimateWork& work, RandomState& random) {
  int64_t detections = 0;
#ifdef MPDETECT_PLAIN_ESTIMATE
  seed_random(random.value);
  for (int64_t t = 0; t < trials; ++t) {
    sample_brood(study, brood_size, work.trial);
    detections += plain_verdict(study, brood_size, work);
  }
  random.value = random_state();
#else
  // In runs of TRIAL_COUNT, each continuing where the last left off.
  for (int64_t done = 0; done < trials; done += TRIAL_COUNT) {
    const int run = static_cast<int>(trials - done < TRIAL_COUNT ? trials - done : TRIAL_COUNT);
    detections += fast_count_detections(study, brood_size, run, work.fast, random);
  }
#endif
  return detections;
}

double running_share(int detections) {
  double sum = 0;
  for (int n = 0; n < detections; ++n) sum += 1.0 / TRIAL_COUNT;
  return sum;
}
