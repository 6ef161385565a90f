// Any bytes as a data file: the reader either accepts a study the simulation
// can run (every count within its limits, every mother allele an allele of
// its locus) or refuses with a message; an accepted study runs a few trials,
// by both estimators, with the same result.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "fuzz_check.h"
#include "simulation/fast_estimate.h"
#include "simulation/random_source.h"
#include "simulation/trial.h"
#include "study/study_reader.h"

// The entry point stands outside the project's namespace.
using namespace mpdetect;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static StudyData study;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const LoadStatus status = read_study_data(study, in);
  if (!status.ok) {
    FUZZ_CHECK(!status.message.empty() && status.message.find('\n') == std::string::npos);
    return 0;
  }
  FUZZ_CHECK(status.message.empty());
  FUZZ_CHECK(study.locus_count >= 1 && study.locus_count <= MAX_LOCI);
  FUZZ_CHECK(study.sire_count >= 1 && study.sire_count <= MAX_SIRES);
  for (int i = 0; i < study.locus_count; ++i) {
    FUZZ_CHECK(study.allele_count[i] >= 1 && study.allele_count[i] <= MAX_ALLELES);
    for (int slot = 0; slot < 2; ++slot) {
      FUZZ_CHECK(study.mother[i].slot[slot] >= 0 &&
                 study.mother[i].slot[slot] < study.allele_count[i]);
    }
    for (int s = 0; s < study.allele_count[i]; ++s) FUZZ_CHECK(study.allele_frequency[i][s] >= 0);
  }

  static TrialWork work;
  static FastEstimator fast;
  StudyData plain = study;
  prepare_fast_estimator(study, fast);
  for (int32_t brood_size : {5, 1, -1}) {
    seed_random(static_cast<uint32_t>(size) * 2654435761u + brood_size);
    const uint32_t seed = random_state();
    int expected = 0;
    for (int t = 0; t < 8; ++t) expected += run_trial(plain, brood_size, work);
    const uint32_t after = random_state();
    RandomState random{seed};
    FUZZ_CHECK(fast_count_detections(study, brood_size, 8, fast, random) == expected);
    FUZZ_CHECK(random.value == after);
    FUZZ_CHECK(std::memcmp(plain.mother, study.mother, sizeof plain.mother) == 0);
  }
  return 0;
}
