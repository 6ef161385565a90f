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

// The alleles of sire k at locus i, drawn from the trial starting at `state`;
// a draw that picks nothing gives the last allele. Returns their mask.
uint32_t draw_sire_alleles(const StudyData& study, FastEstimator& fast, const Layout& layout, uint32_t state,
                           int k, int i) {
  uint32_t mask = 0;
  for (int slot = 0; slot < 2; ++slot) {
    const int offset = layout.sires + 2 * (k * study.locus_count + i) + slot;
    int allele = fast.allele_draw[i][value_after(fast.step[offset + 1], state)];
    if (allele == NO_INDEX) allele = study.allele_count[i] - 1;
    fast.sire_allele[k][slot] = static_cast<int8_t>(allele);
    mask |= 1u << allele;
  }
  fast.sire_mask[k] = mask;
  return mask;
}

// The paternal alleles of one locus as the judgement counts them.
struct LocusCount {
  int32_t a, b;  // the mother's alleles
  uint32_t flags;
  bool ambiguous;
};

// Applies offspring j's genotype at locus i to the count; true when the
// count has passed two. Whichever rule applies, the flag set is that of the
// paternal allele f, unless the offspring carries the mother's own two
// different alleles; so the maternal choice is read only when f is one of
// hers.
inline __attribute__((always_inline)) bool add_offspring(LocusCount& c, const FastEstimator& fast, uint32_t state, int i, int j, int k) {
  const int32_t f = fast.sire_allele[k][value_after(fast.offspring_step[i][j][1], state) >= 16384 ? 1 : 0];
  if (c.a != c.b && (f == c.a || f == c.b)) {
    const int32_t m = value_after(fast.offspring_step[i][j][0], state) >= 16384 ? c.b : c.a;
    if (m != f) {
      c.ambiguous = true;
    } else {
      c.flags |= 1u << f;
    }
  } else {
    c.flags |= 1u << f;
  }
  const uint32_t mother_mask = (1u << c.a) | (1u << c.b);
  return std::popcount(c.flags) + (c.ambiguous && (c.flags & mother_mask) == 0 ? 1 : 0) > 2;
}

// Once both of a sire's alleles are flagged its offspring add nothing: each
// flags one of them, or carries the mother's genotype while one of her
// alleles is flagged, which adds no flag either.
inline bool spent(const LocusCount& c, const FastEstimator& fast, int k) {
  return (c.flags & fast.sire_mask[k]) == fast.sire_mask[k];
}

LocusCount start_count(StudyData& study, FastEstimator& fast, int i, TrialPosition trial, Jump back) {
  if (study.mother_known) return LocusCount{study.mother[i].slot[0], study.mother[i].slot[1], 0, false};
  return LocusCount{untyped_mother_allele(fast, i, 0, trial, back), untyped_mother_allele(fast, i, 1, trial, back), 0,
                    false};
}

// Each offspring's sire, into fast.chosen_sire; returns the mask of sires
// that fathered any. The draws are compared with the run boundaries of the
// share table, lane by lane, so that the compiler can vectorise the pass;
// only a trial with a draw that picks nothing walks its offspring in order.
uint32_t draw_offspring_sires(const StudyData& study, FastEstimator& fast, int32_t brood_size, uint32_t state) {
  uint32_t* value = fast.sire_value;
  int32_t* sire = fast.chosen_sire;
  for (int j = 0; j < brood_size; ++j) value[j] = ((fast.sire_mul[j] * state + fast.sire_add[j]) >> 16) & 0x7FFFu;
  for (int j = 0; j < brood_size; ++j) sire[j] = 0;
  for (int k = 1; k < study.sire_count; ++k) {
    const uint32_t bound = fast.sire_bound[k];
    for (int j = 0; j < brood_size; ++j) sire[j] += value[j] >= bound ? 1 : 0;
  }
  const uint32_t none_bound = fast.sire_bound[study.sire_count];
  uint32_t any_none = 0;
  for (int j = 0; j < brood_size; ++j) any_none |= value[j] >= none_bound ? 1u : 0u;
  if (any_none != 0) {
    int previous = study.sire_count - 1;
    for (int j = 0; j < brood_size; ++j) {
      if (value[j] >= none_bound) sire[j] = previous;
      previous = sire[j];
    }
  }
  uint32_t fathers = 0;
  for (int j = 0; j < brood_size; ++j) fathers |= 1u << sire[j];
  return fathers;
}

// Offspring with their own draws, lazily, at the first locus: when sires
// share the brood evenly most trials detect within this many.
constexpr int FIRST_LOOK = 8;

// The verdict of one trial. Draws nothing it does not need.
int judge_trial(StudyData& study, int32_t brood_size, FastEstimator& fast, const Layout& layout,
                TrialPosition trial, Jump back) {
  const uint32_t s = trial.state;

  // A first look at the most informative locus, drawing each offspring's
  // sire as it comes, when the first few offspring likely have two fathers.
  LocusCount first{};
  uint32_t first_drawn = 0;  // sires whose alleles at the first locus are drawn
  int looked = 0;
  if (fast.first_look) {
    const int i = fast.locus_order[0];
    first = start_count(study, fast, i, trial, back);
    int sire = study.sire_count - 1;  // a draw that picks nothing keeps the previous sire
    const int end = brood_size < FIRST_LOOK ? brood_size : FIRST_LOOK;
    for (; looked < end; ++looked) {
      const int j = looked;
      const int drawn = fast.sire_draw[((fast.sire_mul[j] * s + fast.sire_add[j]) >> 16) & 0x7FFFu];
      if (drawn != NO_INDEX) sire = drawn;
      if ((first_drawn & (1u << sire)) == 0) {
        first_drawn |= 1u << sire;
        draw_sire_alleles(study, fast, layout, s, sire, i);
      }
      if (spent(first, fast, sire)) continue;
      if (add_offspring(first, fast, s, i, j, sire)) return 1;
    }
  }

  const uint32_t fathers = draw_offspring_sires(study, fast, brood_size, s);
  // One father gives at most two paternal alleles at any locus.
  const int father_count = std::popcount(fathers);
  if (father_count < 2) return 0;

  for (int n = 0; n < fast.useful_loci; ++n) {
    const int i = fast.locus_order[n];
    LocusCount count;
    uint32_t drawn = 0;  // sires whose alleles here are drawn
    int j = 0;
    if (n == 0 && fast.first_look) {
      // Go on from where the first look stopped.
      count = first;
      drawn = first_drawn;
      j = looked;
    } else {
      if (father_count <= 3) {
        // Few fathers: their alleles are cheap to draw, and when they carry
        // two or fewer the locus cannot pass two.
        uint32_t carried = 0;
        for (uint32_t rest = fathers; rest != 0; rest &= rest - 1) {
          carried |= draw_sire_alleles(study, fast, layout, s, std::countr_zero(rest), i);
        }
        if (std::popcount(carried) <= 2) continue;
        drawn = fathers;
      }
      count = start_count(study, fast, i, trial, back);
    }
    for (; j < brood_size; ++j) {
      const int k = fast.chosen_sire[j];
      if ((drawn & (1u << k)) == 0) {
        drawn |= 1u << k;
        draw_sire_alleles(study, fast, layout, s, k, i);
      }
      if (spent(count, fast, k)) continue;
      if (add_offspring(count, fast, s, i, j, k)) return 1;
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
  // show a third paternal allele; judging them first ends trials sooner. A
  // locus with two alleles or fewer can never show three and is left out.
  double diversity[MAX_LOCI];
  fast.useful_loci = 0;
  for (int i = 0; i < study.locus_count; ++i) {
    if (study.allele_count[i] < 3) continue;
    double same = 0;
    for (int s = 0; s < study.allele_count[i]; ++s) same += study.allele_frequency[i][s] * study.allele_frequency[i][s];
    diversity[i] = 1 - same;
    int at = fast.useful_loci++;
    while (at > 0 && diversity[fast.locus_order[at - 1]] < diversity[i]) {
      fast.locus_order[at] = fast.locus_order[at - 1];
      --at;
    }
    fast.locus_order[at] = i;
  }

  // Where each sire's run of values begins in the share table, and where
  // the values that pick no sire begin (past the end when there are none).
  for (int k = 0; k <= MAX_SIRES; ++k) fast.sire_bound[k] = RANDOM15_VALUES;
  for (int r = RANDOM15_VALUES - 1; r >= 0; --r) {
    const int sire = fast.sire_draw[r] == NO_INDEX ? study.sire_count : fast.sire_draw[r];
    for (int k = 1; k <= sire; ++k) fast.sire_bound[k] = static_cast<uint32_t>(r);
  }

  // The sires a draw can give, and the last sire, which the first offspring
  // gets when its draw picks nothing.
  uint32_t possible = 0;
  for (int r = 0; r < RANDOM15_VALUES; ++r) {
    possible |= fast.sire_draw[r] == NO_INDEX ? 1u << (study.sire_count - 1) : 1u << fast.sire_draw[r];
  }
  fast.one_sire_only = std::popcount(possible) < 2;

  // The first look pays when the first few offspring likely have two or
  // more fathers between them.
  double one_father = 0;
  for (int k = 0; k < study.sire_count; ++k) {
    double all_k = 1;
    for (int j = 0; j < FIRST_LOOK; ++j) all_k *= study.skew[k];
    one_father += all_k;
  }
  fast.first_look = one_father < 0.5;
}

int fast_count_detections(StudyData& study, int32_t brood_size, int trial_count, FastEstimator& fast) {
  if (trial_count <= 0) return 0;
  const int per_trial = values_per_trial(study, brood_size);
  const Jump next = fast.step[per_trial];
  const Jump back = inverse_of(next);
  const Layout layout = layout_of(study);
  // The offsets of each offspring's values, gathered so that an offspring's
  // sire, and its two allele choices at one locus, are read side by side.
  for (int j = 0; j < brood_size; ++j) {
    const int base = layout.offspring + j * layout.stride;
    fast.sire_mul[j] = fast.step[base + 1].mul;
    fast.sire_add[j] = fast.step[base + 1].add;
    for (int i = 0; i < study.locus_count; ++i) {
      fast.offspring_step[i][j][0] = fast.step[base + 2 * i + 2];
      fast.offspring_step[i][j][1] = fast.step[base + 2 * i + 3];
    }
  }
  for (int i = 0; i < study.locus_count; ++i) {
    for (int slot = 0; slot < 2; ++slot) fast.mother_track[i][slot] = {-1, study.mother[i].slot[slot]};
  }

  int detections = 0;
  const uint32_t first = random_state();
  TrialPosition last{trial_count - 1, apply_jump(jump_of(uint64_t(per_trial) * (trial_count - 1)), first)};
  if (brood_size > 2 && !fast.one_sire_only && fast.useful_loci > 0) {
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
