#include "simulation/trial.h"

#include "simulation/locus_judgement.h"
#include "simulation/random_source.h"

namespace mpdetect {

TrialLayout trial_layout(const StudyData& study) {
  return trial_layout(study.locus_count, study.sire_count, study.mother_known);
}

TrialLayout trial_layout(int loci, int sires, bool mother_known) {
  const int mother_values = mother_known ? 0 : ALLELES_PER_PARENT * loci;
  return TrialLayout{loci, mother_values, mother_values + ALLELES_PER_PARENT * sires * loci,
                     1 + 2 * loci};
}

int values_per_trial(const StudyData& study, int32_t brood_size) {
  const int offspring = brood_size > 0 ? brood_size : 0;
  const TrialLayout layout = trial_layout(study);
  return layout.first_offspring_value + offspring * layout.values_per_offspring;
}

// A draw by weight over a locus's frequencies that keeps `target` when it
// picks no allele.
static void draw_allele_into(const StudyData& study, int locus, int32_t& target) {
  const int allele =
      draw_by_weight(study.allele_frequency[locus], study.allele_count[locus], draw_uniform());
  if (allele != NO_INDEX) target = allele;
}

void sample_brood(StudyData& study, int32_t brood_size, TrialWork& work) {
  const int loci = study.locus_count;

  if (!study.mother_known) {
    for (int i = 0; i < loci; ++i) {
      draw_allele_into(study, i, study.mother[i].slot[0]);
      draw_allele_into(study, i, study.mother[i].slot[1]);
    }
  }

  for (int k = 0; k < study.sire_count; ++k) {
    for (int i = 0; i < loci; ++i) {
      for (int slot = 0; slot < 2; ++slot) {
        work.sire_genotype[k][i].slot[slot] = study.allele_count[i] - 1;
        draw_allele_into(study, i, work.sire_genotype[k][i].slot[slot]);
      }
    }
  }

  int32_t chosen_sire = study.sire_count - 1;
  for (int j = 0; j < brood_size; ++j) {
    const int sire = draw_by_weight(study.skew, study.sire_count, draw_uniform());
    if (sire != NO_INDEX) chosen_sire = sire;
    for (int i = 0; i < loci; ++i) {
      const int h = draw_half();
      work.brood[j][i].slot[0] = study.mother[i].slot[h];
      const int h2 = draw_half();
      work.brood[j][i].slot[1] = work.sire_genotype[chosen_sire][i].slot[h2];
    }
  }
}

namespace {

// The judgement's rules, numbered for the estimator's map of them
// (fast_estimate.h): rules 1 to 3 per offspring (judge_offspring), rule 4
// and the count (paternal_count), rule 5 (reveals_several_fathers) per
// locus, and rule 6, any locus decides the brood (min_loci of them), here.
// An offspring that fits neither of the mother's alleles is left out: a
// simulated one always fits (slot 0 is hers) unless genotyping errors
// changed what was read.
int judge_with_mother(const StudyData& study, int32_t brood_size, const Genotype* mother,
                      const Genotype (*brood)[MAX_LOCI], const JudgedOffspring& judged,
                      int min_loci) {
  int revealing = 0;
  for (int i = 0; i < study.locus_count; ++i) {
    LocusJudgement judgement = start_locus(mother[i]);
    for (int j = 0; j < brood_size; ++j) {
      if (holds(judged.at[i], j) && fits_mother(judgement, brood[j][i]))
        judge_offspring(judgement, brood[j][i]);
    }
    if (reveals_several_fathers(paternal_count(judgement))) ++revealing;
  }
  return revealing >= min_loci ? 1 : 0;
}

// Each locus judged from the genotypes of its judged offspring alone.
int judge_without_mother(const StudyData& study, int32_t brood_size,
                         const Genotype (*brood)[MAX_LOCI], const JudgedOffspring& judged,
                         int min_loci) {
  int revealing = 0;
  for (int i = 0; i < study.locus_count; ++i) {
    Genotype offspring[MAX_OFFSPRING];
    int count = 0;
    for (int j = 0; j < brood_size; ++j) {
      if (holds(judged.at[i], j)) offspring[count++] = brood[j][i];
    }
    if (!parents_explain(offspring, count)) ++revealing;
  }
  return revealing >= min_loci ? 1 : 0;
}

}  // namespace

int judge_brood(const StudyData& study, int32_t brood_size, const TrialWork& work,
                const JudgedOffspring& judged, int min_loci) {
  return judge_with_mother(study, brood_size, study.mother, work.brood, judged, min_loci);
}

int judge_brood(const StudyData& study, int32_t brood_size, const TrialWork& work) {
  static constexpr JudgedOffspring every = every_offspring_judged();
  return judge_brood(study, brood_size, work, every);
}

int judge_brood_unsampled(const StudyData& study, int32_t brood_size, const TrialWork& work,
                          const JudgedOffspring& judged, int min_loci) {
  return judge_without_mother(study, brood_size, work.brood, judged, min_loci);
}

void read_brood(const StudyData& study, int32_t brood_size, const ErrorModel& model, uint64_t key,
                int64_t trial, bool mother_read, TrialWork& work) {
  for (int i = 0; i < study.locus_count; ++i) {
    work.read_mother[i] = study.mother[i];
    for (int j = 0; j < brood_size; ++j) work.read[j][i] = work.brood[j][i];
    ErrorStream stream = error_stream(key, trial, i);
    ReadError error;
    for (int from = 0; next_error(model, stream, from, error); from = error.read + 1) {
      if (error.read == MOTHER_READ) {
        if (mother_read) work.read_mother[i] = read_with_error(model, i, study.mother[i], error);
      } else if (error.read < offspring_read(brood_size)) {
        const int j = error.read - offspring_read(0);
        work.read[j][i] = read_with_error(model, i, work.brood[j][i], error);
      } else {
        break;  // past the brood
      }
    }
  }
}

int judge_read_brood(const StudyData& study, int32_t brood_size, const TrialWork& work,
                     const JudgedOffspring& judged, int min_loci, bool unsampled) {
  return unsampled
             ? judge_without_mother(study, brood_size, work.read, judged, min_loci)
             : judge_with_mother(study, brood_size, work.read_mother, work.read, judged, min_loci);
}

int run_trial(StudyData& study, int32_t brood_size, TrialWork& work) {
  sample_brood(study, brood_size, work);
  return judge_brood(study, brood_size, work);
}

}  // namespace mpdetect
