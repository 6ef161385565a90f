#include "simulation/trial.h"

#include "simulation/random_source.h"

TrialLayout trial_layout(const StudyData& study) {
  const int loci = study.locus_count;
  const int mother_values = study.mother_known ? 0 : ALLELES_PER_PARENT * loci;
  return TrialLayout{loci, mother_values,
                     mother_values + ALLELES_PER_PARENT * study.sire_count * loci, 1 + 2 * loci};
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

// The judgement's rules, numbered for the estimator's map of them
// (fast_estimate.h).
int judge_brood(const StudyData& study, int32_t brood_size, const TrialWork& work) {
  int verdict = 0;
  for (int i = 0; i < study.locus_count; ++i) {
    const int32_t a = study.mother[i].slot[0];
    const int32_t b = study.mother[i].slot[1];
    bool paternal[MAX_ALLELES];
    for (int s = 0; s < study.allele_count[i]; ++s) paternal[s] = false;
    bool ambiguous = false;

    for (int j = 0; j < brood_size; ++j) {
      const int32_t m = work.brood[j][i].slot[0];
      const int32_t f = work.brood[j][i].slot[1];
      if (m == f) {
        paternal[m] = true;  // rule 1: a homozygous offspring's allele is paternal
      } else if ((m == a && f == b) || (f == a && m == b)) {
        ambiguous = true;  // rule 2: the mother's own genotype marks the locus
      } else {
        paternal[f] = true;  // rule 3: otherwise the sire's allele is paternal
      }
    }
    // Rule 4: an offspring that carries the mother's own genotype got one of
    // her two alleles from its sire; if neither is flagged yet, one counts.
    if (ambiguous && !paternal[a] && !paternal[b]) paternal[a] = true;

    // Rule 5: more than DETECTION_THRESHOLD paternal alleles at a locus
    // reveal several fathers; rule 6: any such locus decides the brood.
    int count = 0;
    for (int s = 0; s < study.allele_count[i]; ++s) count += paternal[s] ? 1 : 0;
    if (reveals_several_fathers(count)) verdict = 1;
  }
  return verdict;
}

int run_trial(StudyData& study, int32_t brood_size, TrialWork& work) {
  sample_brood(study, brood_size, work);
  return judge_brood(study, brood_size, work);
}
