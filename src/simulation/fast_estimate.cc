#include "simulation/fast_estimate.h"

#include <bit>

#include "simulation/random_source.h"

int values_per_trial(const StudyData& study, int32_t brood_size) {
  const int offspring = brood_size > 0 ? brood_size : 0;
  const int loci = study.locus_count;
  return (study.mother_known ? 0 : 2 * loci) + 2 * study.sire_count * loci + offspring * (1 + 2 * loci);
}

namespace {

// The index draw_by_weight picks for generator value r, with NO_INDEX ranked
// above every index: that ranking never drops as r grows, since subtracting
// the same weights in double precision keeps the order of what is left.
int ranked_draw(const double* weights, int n, int r) {
  const int index = draw_by_weight(weights, n, r / 32768.0);
  return index == NO_INDEX ? n : index;
}

// Fills table[r] with the draw for every value r. Because the draw never
// drops as r grows, each run of equal draws is found by bisection and filled
// whole; every entry is still what the exact walk gives.
void fill_draw_table(const double* weights, int n, int8_t* table) {
  int r = 0;
  while (r < RANDOM15_VALUES) {
    const int draw = ranked_draw(weights, n, r);
    int low = r, high = RANDOM15_VALUES - 1;  // the run ends somewhere in [low, high]
    while (low < high) {
      const int middle = low + (high - low + 1) / 2;
      if (ranked_draw(weights, n, middle) == draw) {
        low = middle;
      } else {
        high = middle - 1;
      }
    }
    const int8_t entry = static_cast<int8_t>(draw == n ? NO_INDEX : draw);
    for (; r <= low; ++r) table[r] = entry;
  }
}

// The offsets of a trial's values.
struct Layout {
  int sires;      // first sire value
  int offspring;  // first offspring value
  int stride;     // values per offspring
};

Layout layout_of(const StudyData& study) {
  const int loci = study.locus_count;
  const int sires = study.mother_known ? 0 : 2 * loci;
  return Layout{sires, sires + 2 * study.sire_count * loci, 1 + 2 * loci};
}

struct TrialPosition {
  int index;       // trial number within the estimate
  uint32_t state;  // generator state before its first value
};

// The untyped mother's allele at `locus`, `slot` in trial `trial`: the
// trial's own draw, or when that picks nothing, the latest earlier one that
// did. Queries come in non-decreasing trial order, so each trial is looked
// at once at most.
int32_t untyped_mother_allele(FastEstimator& fast, int locus, int slot, TrialPosition trial, Jump back) {
  auto& track = fast.mother_track[locus][slot];
  const Jump at = fast.step[2 * locus + slot + 1];
  uint32_t state = trial.state;
  for (int t = trial.index; t > track.trial; --t) {
    const int allele = fast.allele_draw[locus][value_after(at, state)];
    if (allele != NO_INDEX) {
      track = {trial.index, allele};
      return allele;
    }
    state = apply_jump(back, state);
  }
  track.trial = trial.index;
  return track.allele;
}

// The verdict of one trial. Draws nothing it does not need.
int judge_trial(const StudyData& study, int32_t brood_size, FastEstimator& fast, const Layout& layout,
                TrialPosition trial, Jump back) {
  const uint32_t s = trial.state;

  // Each offspring's sire; a draw that picks nothing keeps the previous one.
  uint32_t fathers = 0;
  int sire = study.sire_count - 1;
  for (int j = 0; j < brood_size; ++j) {
    const int drawn = fast.sire_draw[value_after(fast.step[layout.offspring + j * layout.stride + 1], s)];
    if (drawn != NO_INDEX) sire = drawn;
    fast.chosen_sire[j] = static_cast<int8_t>(sire);
    fathers |= 1u << sire;
  }
  // One father gives at most two paternal alleles at any locus.
  if (std::popcount(fathers) < 2) return 0;

  for (int n = 0; n < study.locus_count; ++n) {
    const int i = fast.locus_order[n];
    const int32_t last_allele = study.allele_count[i] - 1;

    // The fathers' alleles here; a draw that picks nothing gives the last.
    uint32_t carried = 0;
    for (uint32_t rest = fathers; rest != 0; rest &= rest - 1) {
      const int k = std::countr_zero(rest);
      uint32_t mask = 0;
      for (int slot = 0; slot < 2; ++slot) {
        const int offset = layout.sires + 2 * (k * study.locus_count + i) + slot;
        int allele = fast.allele_draw[i][value_after(fast.step[offset + 1], s)];
        if (allele == NO_INDEX) allele = last_allele;
        fast.sire_allele[k][slot] = static_cast<int8_t>(allele);
        mask |= 1u << allele;
      }
      fast.sire_mask[k] = mask;
      carried |= mask;
    }
    // The count of flags never exceeds the number of distinct paternal alleles.
    if (std::popcount(carried) <= 2) continue;

    int32_t a, b;
    if (study.mother_known) {
      a = study.mother[i].slot[0];
      b = study.mother[i].slot[1];
    } else {
      a = untyped_mother_allele(fast, i, 0, trial, back);
      b = untyped_mother_allele(fast, i, 1, trial, back);
    }
    const uint32_t mother_mask = (1u << a) | (1u << b);

    uint32_t flags = 0;
    bool ambiguous = false;
    for (int j = 0; j < brood_size; ++j) {
      const int k = fast.chosen_sire[j];
      // Once both of a sire's alleles are flagged its offspring add nothing:
      // each flags one of them, or carries the mother's genotype while one
      // of her alleles is flagged, which adds no flag either.
      if ((flags & fast.sire_mask[k]) == fast.sire_mask[k]) continue;
      const int base = layout.offspring + j * layout.stride + 1 + 2 * i;
      const int32_t m = value_after(fast.step[base + 1], s) >= 16384 ? b : a;
      const int32_t f = fast.sire_allele[k][value_after(fast.step[base + 2], s) >= 16384 ? 1 : 0];
      if (m == f) {
        flags |= 1u << m;
      } else if ((m == a && f == b) || (f == a && m == b)) {
        ambiguous = true;
      } else {
        flags |= 1u << f;
      }
      const int count = std::popcount(flags) + (ambiguous && (flags & mother_mask) == 0 ? 1 : 0);
      if (count > 2) return 1;
    }
  }
  return 0;
}

}  // namespace

void prepare_fast_estimator(const StudyData& study, FastEstimator& fast) {
  for (int i = 0; i < study.locus_count; ++i) {
    fill_draw_table(study.allele_frequency[i], study.allele_count[i], fast.allele_draw[i]);
  }
  fill_draw_table(study.skew, study.sire_count, fast.sire_draw);

  fast.step[0] = Jump{1, 0};
  const Jump one = jump_of(1);
  for (int k = 1; k <= MAX_VALUES_PER_TRIAL; ++k) {
    fast.step[k] = Jump{one.mul * fast.step[k - 1].mul, one.mul * fast.step[k - 1].add + one.add};
  }

  // Loci where two random alleles differ most often are the likeliest to
  // show a third paternal allele; judging them first ends trials sooner.
  double diversity[MAX_LOCI];
  for (int i = 0; i < study.locus_count; ++i) {
    double same = 0;
    for (int s = 0; s < study.allele_count[i]; ++s) same += study.allele_frequency[i][s] * study.allele_frequency[i][s];
    diversity[i] = 1 - same;
    int at = i;
    while (at > 0 && diversity[fast.locus_order[at - 1]] < diversity[i]) {
      fast.locus_order[at] = fast.locus_order[at - 1];
      --at;
    }
    fast.locus_order[at] = i;
  }

  // The sires a draw can give, and the last sire, which the first offspring
  // gets when its draw picks nothing.
  uint32_t possible = 0;
  for (int r = 0; r < RANDOM15_VALUES; ++r) {
    possible |= fast.sire_draw[r] == NO_INDEX ? 1u << (study.sire_count - 1) : 1u << fast.sire_draw[r];
  }
  fast.one_sire_only = std::popcount(possible) < 2;
}

int fast_count_detections(StudyData& study, int32_t brood_size, int trial_count, FastEstimator& fast) {
  if (trial_count <= 0) return 0;
  const int per_trial = values_per_trial(study, brood_size);
  const Jump next = fast.step[per_trial];
  const Jump back = inverse_of(next);
  const Layout layout = layout_of(study);
  for (int i = 0; i < study.locus_count; ++i) {
    for (int slot = 0; slot < 2; ++slot) fast.mother_track[i][slot] = {-1, study.mother[i].slot[slot]};
  }

  int detections = 0;
  const uint32_t first = random_state();
  TrialPosition last{trial_count - 1, apply_jump(jump_of(uint64_t(per_trial) * (trial_count - 1)), first)};
  if (brood_size > 2 && !fast.one_sire_only) {
    uint32_t state = first;
    for (int t = 0; t < trial_count; ++t) {
      detections += judge_trial(study, brood_size, fast, layout, TrialPosition{t, state}, back);
      state = apply_jump(next, state);
    }
  }
  seed_random(apply_jump(next, last.state));

  if (!study.mother_known) {
    for (int i = 0; i < study.locus_count; ++i) {
      for (int slot = 0; slot < 2; ++slot) study.mother[i].slot[slot] = untyped_mother_allele(fast, i, slot, last, back);
    }
  }
  return detections;
}
