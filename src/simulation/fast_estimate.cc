#include "simulation/fast_estimate.h"

#include <bit>

namespace mpdetect {

// The two builds of the kernel (fast_kernel.cc).
int fast_count_detections_portable(StudyData& study, int32_t brood_size, int trial_count,
                                   FastEstimator& fast, RandomState& random);
void fast_count_detections_portable_skip(StudyData& study, int32_t brood_size, int trial_count,
                                         FastEstimator& fast, RandomState& random);
#ifdef MPDETECT_VECTOR_KERNEL
int fast_count_detections_avx2(StudyData& study, int32_t brood_size, int trial_count,
                               FastEstimator& fast, RandomState& random);
#endif

CountKernel portable_kernel() {
  return fast_count_detections_portable;
}

CountKernel vector_kernel() {
#ifdef MPDETECT_VECTOR_KERNEL
  // What the AVX2 build was compiled for; the check also asks whether the
  // operating system keeps the vector registers.
  static const bool runs_here = __builtin_cpu_supports("avx2") &&
                                __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi") &&
                                __builtin_cpu_supports("bmi2");
  if (runs_here) return fast_count_detections_avx2;
#endif
  return nullptr;
}

int fast_count_detections(StudyData& study, int32_t brood_size, int trial_count,
                          FastEstimator& fast, RandomState& random) {
  static const CountKernel kernel = vector_kernel() ? vector_kernel() : portable_kernel();
  return kernel(study, brood_size, trial_count, fast, random);
}

void prepare_fast_estimator(const StudyData& study, FastEstimator& fast) {
  prepare_fast_tables(study, fast.tables);
}

void prepare_fast_tables(const StudyData& study, FastTables& tables) {
  for (int i = 0; i < study.locus_count; ++i) {
    fill_draw_table(study.allele_frequency[i], study.allele_count[i], tables.allele_draw[i]);
  }
  fill_draw_table(study.skew, study.sire_count, tables.sire_draw);

  // Where each sire's run of values begins in the share table, and where
  // the values that pick no sire begin (past the end when there are none).
  for (int k = 0; k <= MAX_SIRES; ++k) tables.sire_bound[k] = RANDOM15_VALUES;
  for (int r = RANDOM15_VALUES - 1; r >= 0; --r) {
    const int sire = tables.sire_draw[r] == NO_INDEX ? study.sire_count : tables.sire_draw[r];
    for (int k = 1; k <= sire; ++k) tables.sire_bound[k] = static_cast<uint32_t>(r);
  }

  tables.step[0] = Jump{1, 0};
  const Jump one = jump_of(1);
  for (int k = 1; k <= MAX_VALUES_PER_TRIAL; ++k) {
    tables.step[k] =
        Jump{one.mul * tables.step[k - 1].mul, one.mul * tables.step[k - 1].add + one.add};
  }

  // Loci where two random alleles differ most often are the likeliest to
  // show another paternal allele; judging them first ends trials sooner. A
  // locus with no more alleles than the threshold can never pass it and is
  // left out.
  double diversity[MAX_LOCI];
  tables.useful_loci = 0;
  for (int i = 0; i < study.locus_count; ++i) {
    if (!reveals_several_fathers(study.allele_count[i])) continue;
    double same = 0;
    for (int s = 0; s < study.allele_count[i]; ++s)
      same += study.allele_frequency[i][s] * study.allele_frequency[i][s];
    diversity[i] = 1 - same;
    int at = tables.useful_loci++;
    while (at > 0 && diversity[tables.locus_order[at - 1]] < diversity[i]) {
      tables.locus_order[at] = tables.locus_order[at - 1];
      --at;
    }
    tables.locus_order[at] = i;
  }

  // The sires a draw can give, and the last sire, which the first offspring
  // gets when its draw picks nothing. Too few fathers between them to carry
  // more alleles than the threshold, and no brood can detect.
  uint32_t possible = 0;
  for (int r = 0; r < RANDOM15_VALUES; ++r) {
    possible |=
        tables.sire_draw[r] == NO_INDEX ? 1u << (study.sire_count - 1) : 1u << tables.sire_draw[r];
  }
  tables.one_sire_only = !reveals_several_fathers(ALLELES_PER_PARENT * std::popcount(possible));

  // The first look pays when its first few offspring likely have two or
  // more fathers between them: when sires share a brood evenly many trials
  // detect within these.
  double one_father = 0;
  for (int k = 0; k < study.sire_count; ++k) {
    double all_k = 1;
    for (int j = 0; j < FIRST_LOOK; ++j) all_k *= study.skew[k];
    one_father += all_k;
  }
  tables.first_look = one_father < 0.5;
  tables.judged = every_offspring_judged();
  tables.unsampled_mother = false;
  tables.min_loci = 1;
  tables.genotyping_errors = false;
  tables.errors = error_model(ErrorRates{}, study);
}

void fast_skip_trials(StudyData& study, int32_t brood_size, int trial_count, FastEstimator& fast,
                      RandomState& random) {
  // No vector work to speak of: one build serves.
  fast_count_detections_portable_skip(study, brood_size, trial_count, fast, random);
}

}  // namespace mpdetect
