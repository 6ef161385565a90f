#include "plan/estimate/wide_estimate.h"

#include <algorithm>

#include "simulation/draw_table.h"
#include "simulation/locus_judgement.h"

namespace mpdetect {

static_assert(ALLELES_PER_PARENT * (1 + PLAN_MAX_SIRES) <= MAX_JUDGED_ALLELES,
              "a locus's short codes fit a judgement");

namespace {

// The jumps are split at this many values: two short tables reach any
// offset of the largest trial.
constexpr int64_t JUMP_SPAN = 4096;

// The generator value at offset d of the trial that starts from `first`.
int value_at(const WideTables& tables, uint32_t first, int64_t d) {
  const int64_t steps = d + 1;
  const uint32_t state =
      apply_jump(tables.near[static_cast<size_t>(steps % JUMP_SPAN)],
                 apply_jump(tables.far[static_cast<size_t>(steps / JUMP_SPAN)], first));
  return output15(state);
}

// The allele a value draws at `locus`, NO_INDEX when it picks none.
int allele_drawn(const WideTables& tables, int locus, int value) {
  return draw_from_bounds(tables.allele_bounds[static_cast<size_t>(locus)].data(),
                          tables.allele_count[static_cast<size_t>(locus)],
                          static_cast<uint32_t>(value));
}

// An untyped mother's draws at `locus`, each keeping her allele when it
// picks none.
void draw_mother_at(const WideTables& tables, uint32_t first, int locus, WideWork& work) {
  for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot) {
    const int allele =
        allele_drawn(tables, locus, value_at(tables, first, mother_value(locus, slot)));
    if (allele != NO_INDEX) work.mother[static_cast<size_t>(locus)].slot[slot] = allele;
  }
}

// The values of one trial that have been read, and what they gave.
struct TrialState {
  uint32_t first;
  int brood_size;
  int sires_drawn;  // offspring whose sire is in work.sire_of
};

// Offspring j's sire: drawn in order up to j, a draw that picks none
// keeping the previous offspring's (the last sire's for the first).
int sire_of(const WideTables& tables, TrialState& trial, WideWork& work, int j) {
  while (trial.sires_drawn <= j) {
    const int n = trial.sires_drawn;
    const int value = value_at(tables, trial.first, offspring_sire_value(tables.layout, n));
    int sire =
        draw_from_bounds(tables.sire_bounds.data(), tables.sires, static_cast<uint32_t>(value));
    if (sire == NO_INDEX)
      sire = n == 0 ? tables.sires - 1 : work.sire_of[static_cast<size_t>(n - 1)];
    work.sire_of[static_cast<size_t>(n)] = sire;
    ++trial.sires_drawn;
  }
  return work.sire_of[static_cast<size_t>(j)];
}

// A short code for each allele seen at the locus being judged, the
// mother's first: the judgement depends only on which alleles are equal,
// and a locus shows at most the mother's two and two per sire.
int32_t code_of(WideWork& work, int32_t allele, int32_t& codes) {
  const size_t a = static_cast<size_t>(allele);
  if (work.coded_at[a] != work.judging) {
    work.coded_at[a] = work.judging;
    work.code_of[a] = codes++;
  }
  return work.code_of[a];
}

// Sire k's alleles at `locus`, each the last allele of the locus when its
// draw picks none, as their codes.
void draw_sire_at(const WideTables& tables, uint32_t first, int locus, int k, WideWork& work,
                  int32_t& codes, Genotype& his) {
  const int32_t last = tables.allele_count[static_cast<size_t>(locus)] - 1;
  for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot) {
    int32_t allele = allele_drawn(
        tables, locus, value_at(tables, first, sire_value(tables.layout, k, locus, slot)));
    if (allele == NO_INDEX) allele = last;
    his.slot[slot] = code_of(work, allele, codes);
  }
}

// Whether `locus` reveals several fathers among the trial's offspring.
bool locus_reveals(const WideTables& tables, TrialState& trial, WideWork& work, int locus) {
  std::vector<Genotype>& sire_codes = work.sire_codes;
  ++work.judging;
  int32_t codes = 0;
  const Genotype& hers = work.mother[static_cast<size_t>(locus)];
  const Genotype mother{{code_of(work, hers.slot[0], codes), code_of(work, hers.slot[1], codes)}};
  // A sire's alleles are drawn when the first of his offspring is judged:
  // those of sires with none in the brood change no verdict.
  for (int k = 0; k < tables.sires; ++k) sire_codes[static_cast<size_t>(k)].slot[0] = -1;
  LocusJudgement judgement = start_locus(mother);
  // Without the mother: the distinct genotypes so far, at most ten while
  // a pair of parents explains them (four alleles between the two).
  Genotype distinct[16];
  int distinct_count = 0;
  for (int j = 0; j < trial.brood_size; ++j) {
    const int sire = sire_of(tables, trial, work, j);
    Genotype& his = sire_codes[static_cast<size_t>(sire)];
    if (his.slot[0] < 0) draw_sire_at(tables, trial.first, locus, sire, work, codes, his);
    const int h =
        upper_half(value_at(tables, trial.first, maternal_choice_value(tables.layout, j, locus)));
    const int h2 =
        upper_half(value_at(tables, trial.first, paternal_choice_value(tables.layout, j, locus)));
    const Genotype offspring{{mother.slot[h], sire_codes[static_cast<size_t>(sire)].slot[h2]}};
    if (tables.unsampled_mother) {
      const Genotype sorted{{std::min(offspring.slot[0], offspring.slot[1]),
                             std::max(offspring.slot[0], offspring.slot[1])}};
      bool seen = false;
      for (int n = 0; n < distinct_count && !seen; ++n)
        seen = distinct[n].slot[0] == sorted.slot[0] && distinct[n].slot[1] == sorted.slot[1];
      if (seen) continue;
      distinct[distinct_count++] = sorted;
      if (!parents_explain(distinct, distinct_count)) return true;
    } else {
      judge_offspring(judgement, offspring);
      if (reveals_several_fathers(paternal_count(judgement))) return true;
    }
  }
  return false;
}

// One trial from `first`: 1 when at least min_loci loci reveal.
int judge_trial(const WideTables& tables, uint32_t first, int brood_size, WideWork& work) {
  const bool drawn = !tables.mother_known;
  if (drawn && !tables.mother_always_drawn) {
    for (int i = 0; i < tables.loci; ++i) draw_mother_at(tables, first, i, work);
  }
  // Each offspring adds one paternal allele at most, and two offspring are
  // always explained by some pair of parents: broods this small never
  // reveal, at any locus.
  if (!reveals_several_fathers(brood_size)) return 0;
  TrialState trial{first, brood_size, 0};
  int revealing = 0;
  int left = static_cast<int>(tables.locus_order.size());
  for (const int locus : tables.locus_order) {
    if (revealing + left < tables.min_loci) return 0;
    --left;
    if (drawn && tables.mother_always_drawn) draw_mother_at(tables, first, locus, work);
    if (locus_reveals(tables, trial, work, locus) && ++revealing >= tables.min_loci) return 1;
  }
  return 0;
}

}  // namespace

void prepare_wide_tables(const WideStudy& study, bool unsampled_mother, int min_loci, int max_brood,
                         WideTables& tables) {
  tables = WideTables{};
  tables.loci = static_cast<int>(study.frequency.size());
  tables.sires = static_cast<int>(study.share.size());
  tables.mother_known = study.mother_known;
  tables.unsampled_mother = unsampled_mother;
  tables.min_loci = min_loci;
  tables.layout = trial_layout(tables.loci, tables.sires, study.mother_known);

  std::vector<double> diversity;
  for (const std::vector<double>& locus : study.frequency) {
    const int alleles = static_cast<int>(locus.size());
    tables.allele_count.push_back(alleles);
    tables.allele_bounds.emplace_back(static_cast<size_t>(alleles) + 1);
    fill_draw_bounds(locus.data(), alleles, tables.allele_bounds.back().data());
    tables.mother_always_drawn =
        tables.mother_always_drawn && tables.allele_bounds.back().back() == RANDOM15_VALUES;
    double same = 0;
    for (const double p : locus) same += p * p;
    diversity.push_back(1 - same);
  }
  tables.sire_bounds.resize(static_cast<size_t>(tables.sires) + 1);
  fill_draw_bounds(study.share.data(), tables.sires, tables.sire_bounds.data());

  // A locus with no more alleles than the threshold never reveals, with the
  // mother or without (three distinct alleles at least are needed).
  for (int i = 0; i < tables.loci; ++i) {
    if (reveals_several_fathers(tables.allele_count[static_cast<size_t>(i)]))
      tables.locus_order.push_back(i);
  }
  std::stable_sort(tables.locus_order.begin(), tables.locus_order.end(), [&](int a, int b) {
    return diversity[static_cast<size_t>(a)] > diversity[static_cast<size_t>(b)];
  });

  const int64_t values = static_cast<int64_t>(tables.layout.first_offspring_value) +
                         static_cast<int64_t>(max_brood) * tables.layout.values_per_offspring;
  tables.near.resize(JUMP_SPAN);
  tables.near[0] = Jump{1, 0};
  const Jump one = jump_of(1);
  for (size_t d = 1; d < tables.near.size(); ++d)
    tables.near[d] =
        Jump{one.mul * tables.near[d - 1].mul, one.mul * tables.near[d - 1].add + one.add};
  const Jump span = jump_of(JUMP_SPAN);
  tables.far.resize(static_cast<size_t>(values / JUMP_SPAN) + 2);
  tables.far[0] = Jump{1, 0};
  for (size_t m = 1; m < tables.far.size(); ++m)
    tables.far[m] =
        Jump{span.mul * tables.far[m - 1].mul, span.mul * tables.far[m - 1].add + span.add};
}

WideWork wide_work(const WideStudy& study, int max_brood) {
  WideWork work;
  work.mother = study.mother;
  work.sire_of.assign(static_cast<size_t>(max_brood), 0);
  size_t most_alleles = 0;
  for (const std::vector<double>& locus : study.frequency)
    most_alleles = std::max(most_alleles, locus.size());
  work.sire_codes.resize(study.share.size());
  work.code_of.assign(most_alleles, 0);
  work.coded_at.assign(most_alleles, -1);
  return work;
}

int64_t wide_count_detections(const WideTables& tables, int brood_size, int64_t trials,
                              WideWork& work, RandomState& random) {
  const int64_t values =
      static_cast<int64_t>(tables.layout.first_offspring_value) +
      static_cast<int64_t>(brood_size > 0 ? brood_size : 0) * tables.layout.values_per_offspring;
  const Jump trial_jump = jump_of(static_cast<uint64_t>(values));
  int64_t detections = 0;
  uint32_t first = random.value;
  for (int64_t t = 0; t < trials; ++t) {
    detections += judge_trial(tables, first, brood_size > 0 ? brood_size : 0, work);
    first = apply_jump(trial_jump, first);
  }
  random.value = first;
  return detections;
}

}  // namespace mpdetect
