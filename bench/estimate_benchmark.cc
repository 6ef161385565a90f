// One estimate (TRIAL_COUNT trials) at a given brood size, by the plain trials and
// by the fast estimator, on the study files in this folder.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "simulation/estimate.h"
#include "simulation/fast_estimate.h"
#include "simulation/random_source.h"
#include "simulation/trial.h"
#include "study/study_reader.h"

namespace mpdetect {
namespace {

StudyData load(const char* name) {
  StudyData study{};
  std::string path = std::string(BENCH_DIR) + "/" + name + ".txt";
  const LoadStatus status = load_study_data(study, path.c_str());
  if (!status.ok) std::fprintf(stderr, "%s: %s\n", path.c_str(), status.message.c_str());
  return study;
}

void plain_estimate(benchmark::State& state, const char* name) {
  StudyData study = load(name);
  static TrialWork work;
  const int32_t brood_size = static_cast<int32_t>(state.range(0));
  seed_random(12345);
  for (auto _ : state) {
    int detections = 0;
    for (int t = 0; t < TRIAL_COUNT; ++t) detections += run_trial(study, brood_size, work);
    benchmark::DoNotOptimize(detections);
  }
}

void fast_estimate(benchmark::State& state, const char* name) {
  StudyData study = load(name);
  static FastEstimator fast;
  prepare_fast_estimator(study, fast);
  const int32_t brood_size = static_cast<int32_t>(state.range(0));
  RandomState random{12345};
  for (auto _ : state)
    benchmark::DoNotOptimize(fast_count_detections(study, brood_size, TRIAL_COUNT, fast, random));
}

void prepare(benchmark::State& state, const char* name) {
  StudyData study = load(name);
  static FastEstimator fast;
  for (auto _ : state) {
    prepare_fast_estimator(study, fast);
    benchmark::ClobberMemory();
  }
}

}  // namespace
}  // namespace mpdetect

// The entry points stand outside the project's namespace.
using namespace mpdetect;

BENCHMARK_CAPTURE(plain_estimate, largest, "largest")
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fast_estimate, largest, "largest")
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plain_estimate, skewed, "skewed")
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fast_estimate, skewed, "skewed")
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plain_estimate, mid, "mid")->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fast_estimate, mid, "mid")->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fast_estimate, common, "common")
    ->Arg(5)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(prepare, largest, "largest")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
