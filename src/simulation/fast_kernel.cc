// The estimator's trial loop. This file is compiled once for each instruction
// set the estimator supports, with FAST_KERNEL_NAME naming the entry point
// of that build (fast_estimate.cc chooses between them). Everything here but
// that entry point has internal linkage, so that the builds cannot borrow
// each other's code; and it calls no library code whose compiled form could
// depend on the instruction set (popcount and count-trailing-zeros are the
// compiler's builtins).
#include "simulation/choice_bits.h"
#include "simulation/error_draws.h"
#include "simulation/fast_estimate.h"
#include "simulation/locus_judgement.h"
#include "simulation/trial_batch.h"

namespace mpdetect {

#ifndef FAST_KERNEL_NAME
#error "FAST_KERNEL_NAME names the entry point of this build of the kernel"
#endif

int FAST_KERNEL_NAME(StudyData& study, int32_t brood_size, int trial_count, FastEstimator& fast,
                     RandomState& random);

// The build's second entry point, FAST_KERNEL_NAME with _skip after it:
// the same estimate's generator state and mother without its verdicts.
#define KERNEL_PASTE(name, suffix) name##suffix
#define KERNEL_WITH(name, suffix) KERNEL_PASTE(name, suffix)
#define FAST_SKIP_NAME KERNEL_WITH(FAST_KERNEL_NAME, _skip)
void FAST_SKIP_NAME(StudyData& study, int32_t brood_size, int trial_count, FastEstimator& fast,
                    RandomState& random);

namespace {

#define ALWAYS_INLINE inline __attribute__((always_inline))

int bit_count(uint32_t bits) {
#if defined(__x86_64__) && !defined(__POPCNT__)
  // Without the instruction the builtin is a call into the compiler's
  // library; counting by halves, nibbles and bytes takes a dozen steps.
  bits -= (bits >> 1) & 0x55555555u;
  bits = (bits & 0x33333333u) + ((bits >> 2) & 0x33333333u);
  bits = (bits + (bits >> 4)) & 0x0F0F0F0Fu;
  return static_cast<int>((bits * 0x01010101u) >> 24);
#else
  return __builtin_popcount(bits);
#endif
}
int lowest_bit(uint32_t bits) {
  return __builtin_ctz(bits);
}

// How many trials this build batches in its first stage (0: none).
#ifdef MPDETECT_BATCH_LANES
constexpr int BATCH_LANES = lanes::WIDTH;
constexpr int BATCH_MOST_SIRES = lanes::MOST_SIRES;
static_assert(BATCH_MOST_SIRES <= BATCH_SIRES, "the batch holds its sires");
#else
constexpr int BATCH_LANES = 0;
constexpr int BATCH_MOST_SIRES = 0;
#endif

// Offspring in the first stage of judging a large brood.
constexpr int FIRST_STAGE = 16;
// Offspring no error struck that a locus with genotyping errors looks at
// one by one before it judges the rest all at once.
constexpr int STRUCK_LOOK = 8;
// Trials an estimate tries the first look on before it decides to keep it.
constexpr int LOOK_PROBE_TRIALS = 500;

// Whether `alleles` distinct paternal alleles, or as many offspring or
// fathers, are too few to pass the threshold: each offspring adds one
// paternal allele at most (the ambiguous mark included) and each father
// carries ALLELES_PER_PARENT.
constexpr bool too_few_to_detect(int alleles) {
  return !reveals_several_fathers(alleles);
}
constexpr bool too_few_fathers(int fathers) {
  return too_few_to_detect(ALLELES_PER_PARENT * fathers);
}

struct Trial {
  int index;       // trial number within the estimate
  uint32_t state;  // generator state before its first value
  Jump back;       // from this trial's first state to the previous trial's
};

// The jump after which the generator gives the value at `offset`.
ALWAYS_INLINE Jump jump_to(const FastEstimator& fast, int offset) {
  return fast.tables.step[offset + 1];
}

int value_at(uint32_t mul, uint32_t add, uint32_t state) {
  return output15(mul * state + add);
}

// The untyped mother's allele at `locus`, `slot` in trial `trial`: the
// trial's own draw, or when that picks nothing, the latest earlier one that
// did. Queries come in non-decreasing trial order, so each trial is looked
// at once at most.
ALWAYS_INLINE int32_t untyped_mother_allele(FastEstimator& fast, int locus, int slot,
                                            const Trial& trial) {
  auto& track = fast.work.mother_track[locus][slot];
  const Jump at = jump_to(fast, mother_value(locus, slot));
  uint32_t state = trial.state;
  for (int t = trial.index; t > track.trial; --t) {
    const int allele = fast.tables.allele_draw[locus][value_after(at, state)];
    if (allele != NO_INDEX) {
      track = {trial.index, allele};
      return allele;
    }
    state = apply_jump(trial.back, state);
  }
  track.trial = trial.index;
  return track.allele;
}

// The mother's genotype at locus i in this trial.
ALWAYS_INLINE Genotype mother_at(const StudyData& study, FastEstimator& fast, int i,
                                 const Trial& trial) {
  if (study.mother_known) return study.mother[i];
  return Genotype{
      {untyped_mother_allele(fast, i, 0, trial), untyped_mother_allele(fast, i, 1, trial)}};
}

// Draws sire k's alleles at locus i into fast.work.sire_allele and returns them
// as bits; a draw that picks nothing gives the last allele.
ALWAYS_INLINE uint32_t draw_sire_alleles(const StudyData& study, FastEstimator& fast,
                                         uint32_t state, int k, int i) {
  uint32_t mask = 0;
  for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot) {
    const Jump at = fast.work.sire_jumps_at[i][k][slot];
    int allele = fast.tables.allele_draw[i][value_after(at, state)];
    if (allele == NO_INDEX) allele = study.allele_count[i] - 1;
    fast.work.sire_allele[k][slot] = static_cast<int8_t>(allele);
    mask |= 1u << allele;
  }
  return mask;
}

// The count of paternal alleles at one locus, in the judgement's terms.
struct LocusCount {
  int32_t a, b;  // the mother's slot 0 and slot 1 alleles
  uint32_t flags;
  bool ambiguous;
};

// The judgement's last two steps: the flag for the ambiguous mark when
// neither of the mother's alleles is flagged, then the threshold.
bool locus_reveals(const LocusCount& c) {
  const uint32_t mother = (1u << c.a) | (1u << c.b);
  const int added = c.ambiguous && (c.flags & mother) == 0 ? 1 : 0;
  return reveals_several_fathers(bit_count(c.flags) + added);
}

// Whichever rule applies, an offspring flags its paternal allele f, unless
// it carries the mother's two different alleles, f the one that is not its
// maternal allele: then it only marks the locus ambiguous. One left out of
// the locus (`in` false) adds nothing. Without a branch, since which way it
// goes cannot be foreseen.
ALWAYS_INLINE void add_offspring(LocusCount& c, int32_t f, bool maternal_is_b, bool in = true) {
  const int32_t other = maternal_is_b ? c.a : c.b;
  const bool marks = (f == other) & (c.a != c.b);
  c.ambiguous |= in & marks;
  c.flags |= static_cast<uint32_t>(in & !marks) << f;
}

// An offspring's genotype as read, whichever allele came from whom: one
// that carries neither of the mother's alleles is a mismatch and left out;
// otherwise rules 1 to 3 as judge_offspring states them.
ALWAYS_INLINE void add_read(LocusCount& c, const Genotype& read) {
  const int32_t x = read.slot[0], y = read.slot[1];
  const bool x_mothers = x == c.a || x == c.b, y_mothers = y == c.a || y == c.b;
  if (!x_mothers && !y_mothers) return;
  if (x == y) {
    c.flags |= 1u << x;
  } else if (x_mothers && y_mothers) {
    c.ambiguous = true;
  } else {
    c.flags |= 1u << (x_mothers ? y : x);
  }
}

// Where the first look's values sit among its lanes.
constexpr int LOOK_SIRE = 0;
constexpr int LOOK_PATERNAL = FIRST_LOOK;
constexpr int LOOK_MATERNAL = 2 * FIRST_LOOK;
constexpr int LOOK_MOTHER = 3 * FIRST_LOOK;
constexpr int LOOK_LANES = 3 * FIRST_LOOK + ALLELES_PER_PARENT;
static_assert(LOOK_LANES <= CHOICE_LANES, "the first look's values fit in one set of lanes");

// The untyped mother's allele in `slot` at the first look's locus i, from
// its value this trial: most draws pick an allele, and the walk back is
// needed only when one does not.
ALWAYS_INLINE int32_t looked_mother_allele(FastEstimator& fast, int i, int slot, int value,
                                           const Trial& trial) {
  const int allele = fast.tables.allele_draw[i][value];
  if (allele == NO_INDEX) return untyped_mother_allele(fast, i, slot, trial);
  fast.work.mother_track[i][slot] = {trial.index, allele};
  return allele;
}

// The first few offspring at the most informative locus, all at once, each
// drawing only the one paternal allele it got. True when they already
// detect. The count never drops as offspring are added, so judging the
// first few together gives the verdict that judging them one by one and
// stopping at the first that passes would; and the work is the same for
// every trial, so the branches it takes are foreseen.
bool first_look_detects(const StudyData& study, FastEstimator& fast, int32_t brood_size,
                        const Trial& trial) {
  const uint32_t s = trial.state;
  const int i = fast.tables.locus_order[0];
  uint32_t value[(LOOK_LANES + 7) / 8 * 8];
  draw_values(fast.work.first_look_jumps.mul, fast.work.first_look_jumps.add, LOOK_LANES, s, value);
  LocusCount count{study.mother[i].slot[0], study.mother[i].slot[1], 0, false};
  if (!study.mother_known) {
    count.a = looked_mother_allele(fast, i, 0, static_cast<int>(value[LOOK_MOTHER]), trial);
    count.b = looked_mother_allele(fast, i, 1, static_cast<int>(value[LOOK_MOTHER + 1]), trial);
  }
  const uint32_t judged = static_cast<uint32_t>(fast.tables.judged.at[i].word[0]);
  int sire = study.sire_count - 1;  // a draw that picks nothing keeps the previous sire
  const int last = study.allele_count[i] - 1;
  const int end = brood_size < FIRST_LOOK ? brood_size : FIRST_LOOK;
  for (int j = 0; j < end; ++j) {
    const int picked = fast.tables.sire_draw[value[LOOK_SIRE + j]];
    sire = picked != NO_INDEX ? picked : sire;
    const int slot = upper_half(static_cast<int>(value[LOOK_PATERNAL + j])) ? 1 : 0;
    const int drawn =
        fast.tables.allele_draw[i][value_after(fast.work.sire_jumps_at[i][sire][slot], s)];
    add_offspring(count, drawn != NO_INDEX ? drawn : last,
                  upper_half(static_cast<int>(value[LOOK_MATERNAL + j])), (judged >> j) & 1u);
  }
  return locus_reveals(count);
}

bool any(const OffspringSet& x) {
  return (x.word[0] | x.word[1]) != 0;
}
OffspringSet both(const OffspringSet& x, const OffspringSet& y) {
  return {{x.word[0] & y.word[0], x.word[1] & y.word[1]}};
}
OffspringSet without(const OffspringSet& x, const OffspringSet& y) {
  return {{x.word[0] & ~y.word[0], x.word[1] & ~y.word[1]}};
}

// Each offspring's sire, as the set of offspring of every sire in
// fast.work.offspring_of; returns the sires that fathered any, as bits. A sire
// draw is the number of run boundaries of the share table at or below its
// value, so the sets follow from comparing all values with each boundary at
// once. Only a trial with a draw that picks nothing walks its offspring in
// order, since such an offspring takes the previous one's sire.
ALWAYS_INLINE uint32_t draw_offspring_sires(const StudyData& study, FastEstimator& fast,
                                            int32_t brood_size, uint32_t state) {
  const int sires = study.sire_count;
  // One sire fathers every offspring, whatever its draw picks.
  if (sires == 1) {
    fast.work.offspring_of[0] = first_offspring(brood_size);
    return brood_size > 0 ? 1u : 0u;
  }
  uint32_t* value = fast.work.sire_value;
  const OffspringSet from_second =
      draw_values_at_least(fast.work.sire_jumps.mul, fast.work.sire_jumps.add, brood_size, state,
                           fast.tables.sire_bound[1], value);
  uint32_t fathers = 0;

  const uint32_t none_bound = fast.tables.sire_bound[sires];
  if (none_bound < RANDOM15_VALUES && any(values_at_least(value, brood_size, none_bound))) {
    for (int k = 0; k < sires; ++k) fast.work.offspring_of[k] = {{0, 0}};
    int sire = sires - 1;
    for (int j = 0; j < brood_size; ++j) {
      if (value[j] < none_bound) sire = fast.tables.sire_draw[value[j]];
      fast.work.offspring_of[sire].word[j >> 6] |= uint64_t{1} << (j & 63);
      fathers |= 1u << sire;
    }
    return fathers;
  }

  OffspringSet later = first_offspring(brood_size);  // offspring whose sire is k or later
  for (int k = 0; k < sires; ++k) {
    const OffspringSet after =
        k == 0          ? from_second
        : k + 1 < sires ? values_at_least(value, brood_size, fast.tables.sire_bound[k + 1])
                        : OffspringSet{{0, 0}};
    fast.work.offspring_of[k] = without(later, after);
    if (any(fast.work.offspring_of[k])) fathers |= 1u << k;
    later = after;
  }
  return fathers;
}

// Draws the alleles at locus i of every father in `fathers` and returns
// all the alleles they carry, as bits.
ALWAYS_INLINE uint32_t draw_fathers_alleles(const StudyData& study, FastEstimator& fast,
                                            uint32_t state, int i, uint32_t fathers) {
  uint32_t carried = 0;
  for (uint32_t rest = fathers; rest != 0; rest &= rest - 1) {
    carried |= draw_sire_alleles(study, fast, state, lowest_bit(rest), i);
  }
  return carried;
}

// The judged offspring of father k that got his allele in `slot`, of those
// whose paternal choice is slot 1 (`slot1`).
ALWAYS_INLINE OffspringSet got_from(const FastEstimator& fast, int k, int slot,
                                    const OffspringSet& slot1, const OffspringSet& judged) {
  return both(judged, slot == 0 ? without(fast.work.offspring_of[k], slot1)
                                : both(fast.work.offspring_of[k], slot1));
}

// Whether locus i passes the threshold, judged over all offspring at once:
// the offspring of each father split by their paternal choice into those
// that got his slot-0 and his slot-1 allele. `narrow`: the brood fits in
// the sets' first word, so the work on the second is left out.
template <bool narrow>
ALWAYS_INLINE bool locus_detects(const StudyData& study, FastEstimator& fast, int32_t brood_size,
                                 const Trial& trial, int i, uint32_t fathers) {
  const uint32_t s = trial.state;
  const uint32_t carried = draw_fathers_alleles(study, fast, s, i, fathers);
  // The count never exceeds the number of distinct paternal alleles.
  if (too_few_to_detect(bit_count(carried))) return false;

  const Genotype mother = mother_at(study, fast, i, trial);
  LocusCount count{mother.slot[0], mother.slot[1], 0, false};
  const OffspringSet slot1 = upper_half_choices(fast.work.paternal_jumps[i].mul,
                                                fast.work.paternal_jumps[i].add, brood_size, s);
  const OffspringSet judged{
      {fast.tables.judged.at[i].word[0], narrow ? 0 : fast.tables.judged.at[i].word[1]}};
  OffspringSet maternal_b{{0, 0}};
  bool maternal_known = false;
  for (uint32_t rest = fathers; rest != 0; rest &= rest - 1) {
    const int k = lowest_bit(rest);
    for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot) {
      const OffspringSet got = got_from(fast, k, slot, slot1, judged);
      if (!any(got)) continue;
      const int32_t f = fast.work.sire_allele[k][slot];
      if (count.a == count.b || (f != count.a && f != count.b)) {
        count.flags |= 1u << f;
        continue;
      }
      // f is one of the mother's two alleles: those offspring whose
      // maternal allele is f too flag it, the others are ambiguous.
      if (!maternal_known) {
        maternal_b = upper_half_choices(fast.work.maternal_jumps[i].mul,
                                        fast.work.maternal_jumps[i].add, brood_size, s);
        maternal_known = true;
      }
      const OffspringSet same = f == count.b ? both(got, maternal_b) : without(got, maternal_b);
      if (any(same)) count.flags |= 1u << f;
      if (any(without(got, same))) count.ambiguous = true;
    }
  }
  return locus_reveals(count);
}

// locus_detects, on the first word of the offspring sets alone when the
// brood fits in it.
ALWAYS_INLINE bool wide_or_narrow_detects(const StudyData& study, FastEstimator& fast,
                                          int32_t brood_size, const Trial& trial, int i,
                                          uint32_t fathers) {
  return brood_size <= 64 ? locus_detects<true>(study, fast, brood_size, trial, i, fathers)
                          : locus_detects<false>(study, fast, brood_size, trial, i, fathers);
}

// Calls visit(maternal_is_b, f) once for each kind of offspring in
// `judged`: by father, the slot of his allele f that it got, and its
// maternal choice. The judgements depend on these kinds alone, not on how
// many offspring each holds.
template <typename Visit>
ALWAYS_INLINE void each_kind(const FastEstimator& fast, uint32_t fathers, const OffspringSet& slot1,
                             const OffspringSet& maternal_b, const OffspringSet& judged,
                             Visit visit) {
  for (uint32_t rest = fathers; rest != 0; rest &= rest - 1) {
    const int k = lowest_bit(rest);
    for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot) {
      const OffspringSet got = got_from(fast, k, slot, slot1, judged);
      if (!any(got)) continue;
      const int32_t f = fast.work.sire_allele[k][slot];
      if (any(without(got, maternal_b))) visit(false, f);
      if (any(both(got, maternal_b))) visit(true, f);
    }
  }
}

// With the mother unsampled: whether the judged offspring at locus i need
// more than one father, from their genotypes alone. Each father's offspring
// split by his slot and by their maternal choice give the distinct
// genotypes, judge_brood_unsampled's, held to parents_explain.
ALWAYS_INLINE bool locus_unexplained(const StudyData& study, FastEstimator& fast,
                                     int32_t brood_size, const Trial& trial, int i,
                                     uint32_t fathers) {
  const uint32_t s = trial.state;
  const uint32_t carried = draw_fathers_alleles(study, fast, s, i, fathers);
  // Fathers with two distinct alleles between them are one father to the
  // judgement: any genotypes they give are explained.
  if (too_few_to_detect(bit_count(carried))) return false;

  const Genotype mother = mother_at(study, fast, i, trial);
  const OffspringSet judged = fast.tables.judged.at[i];
  const OffspringSet slot1 = upper_half_choices(fast.work.paternal_jumps[i].mul,
                                                fast.work.paternal_jumps[i].add, brood_size, s);
  const OffspringSet maternal_b = upper_half_choices(
      fast.work.maternal_jumps[i].mul, fast.work.maternal_jumps[i].add, brood_size, s);
  Genotype genotypes[4 * MAX_SIRES];
  int count = 0;
  each_kind(fast, fathers, slot1, maternal_b, judged, [&](bool maternal_is_b, int32_t f) {
    genotypes[count++] = Genotype{{mother.slot[maternal_is_b ? 1 : 0], f}};
  });
  return !parents_explain(genotypes, count);
}

// Whether locus i reveals several fathers, by the rule the estimate judges
// with.
ALWAYS_INLINE bool locus_reveals_fathers(const StudyData& study, FastEstimator& fast,
                                         int32_t brood_size, const Trial& trial, int i,
                                         uint32_t fathers) {
  return fast.tables.unsampled_mother
             ? locus_unexplained(study, fast, brood_size, trial, i, fathers)
             : wide_or_narrow_detects(study, fast, brood_size, trial, i, fathers);
}

// The sire of offspring j, one of `fathers`.
ALWAYS_INLINE int sire_of(const FastEstimator& fast, uint32_t fathers, int j) {
  uint32_t rest = fathers;
  while (rest & (rest - 1)) {
    const int k = lowest_bit(rest);
    if (holds(fast.work.offspring_of[k], j)) return k;
    rest &= rest - 1;
  }
  return lowest_bit(rest);
}

// With genotyping errors: whether locus i, as read, reveals several
// fathers. The errors here are drawn first; a locus no error strikes is
// judged as without them.
bool locus_reveals_as_read(const StudyData& study, FastEstimator& fast, int32_t brood_size,
                           const Trial& trial, int i, uint32_t fathers) {
  const OffspringSet judged = fast.tables.judged.at[i];
  const bool mother_read = !study.mother_known && !fast.tables.unsampled_mother;
  ErrorStream stream = error_draws::draw_error_stream(fast.work.error_key, trial.index, i);
  ReadError struck[READS_PER_LOCUS];
  int struck_count = 0;
  bool mother_struck = false;
  ReadError mother_error{};
  OffspringSet erroneous{{0, 0}};
  ReadError error;
  const int reads = offspring_read(brood_size);  // the mother's and the brood's
  for (int from = 0;
       error_draws::draw_next_error_before(fast.tables.errors, stream, from, reads, error);
       from = error.read + 1) {
    if (error.read == MOTHER_READ) {
      mother_struck = mother_read;
      mother_error = error;
      continue;
    }
    const int j = error.read - offspring_read(0);
    if (!holds(judged, j)) continue;
    struck[struck_count++] = error;
    erroneous.word[j >> 6] |= uint64_t{1} << (j & 63);
  }
  if (struck_count == 0 && !mother_struck) {
    return !too_few_fathers(bit_count(fathers)) &&
           locus_reveals_fathers(study, fast, brood_size, trial, i, fathers);
  }

  const uint32_t s = trial.state;
  const uint32_t carried = draw_fathers_alleles(study, fast, s, i, fathers);
  const Genotype mother = mother_at(study, fast, i, trial);
  const Genotype read_mother =
      mother_struck
          ? error_draws::draw_applied(fast.tables.errors, i, mother,
                                      error_draws::draw_kinds(fast.tables.errors, mother_error))
          : mother;
  const OffspringJumps& maternal = fast.work.maternal_jumps[i];
  const OffspringJumps& paternal = fast.work.paternal_jumps[i];

  // Struck offspring n as read, drawing only its own choices.
  const auto struck_read = [&](int n) {
    const int j = struck[n].read - offspring_read(0);
    const int k = sire_of(fast, fathers, j);
    const bool maternal_is_b = upper_half(value_at(maternal.mul[j], maternal.add[j], s));
    const bool paternal_is_1 = upper_half(value_at(paternal.mul[j], paternal.add[j], s));
    const Genotype truth{
        {mother.slot[maternal_is_b ? 1 : 0], fast.work.sire_allele[k][paternal_is_1 ? 1 : 0]}};
    return error_draws::draw_applied(fast.tables.errors, i, truth,
                                     error_draws::draw_kinds(fast.tables.errors, struck[n]));
  };
  const OffspringSet clean = without(judged, erroneous);

  if (!fast.tables.unsampled_mother && !mother_struck) {
    // The mother read right: the struck offspring as read first.
    LocusCount c{mother.slot[0], mother.slot[1], 0, false};
    for (int n = 0; n < struck_count; ++n) add_read(c, struck_read(n));
    if (locus_reveals(c)) return true;
    // The offspring no error struck flag only their fathers' alleles, and
    // mark the locus ambiguous only with an allele of theirs unflagged: the
    // count is at most the fathers' alleles and the struck offspring's
    // paternal alleles, with one for a struck offspring's ambiguous mark.
    if (too_few_to_detect(bit_count(c.flags | carried) + (c.ambiguous ? 1 : 0))) return false;
    // Then the others, the first few one at a time (the count never drops
    // as offspring are added, so the first that passes decides), the rest
    // all at once by father, slot and maternal choice. One father's
    // offspring are of four kinds at most, judged at once at less cost than
    // a look at a few.
    const bool one_father = (fathers & (fathers - 1)) == 0;
    const int look = one_father ? 0 : brood_size < STRUCK_LOOK ? brood_size : STRUCK_LOOK;
    for (int j = 0; j < look; ++j) {
      if (!holds(clean, j)) continue;
      const int k = sire_of(fast, fathers, j);
      const int32_t f =
          fast.work
              .sire_allele[k][upper_half(value_at(paternal.mul[j], paternal.add[j], s)) ? 1 : 0];
      add_offspring(c, f, upper_half(value_at(maternal.mul[j], maternal.add[j], s)));
      if (locus_reveals(c)) return true;
    }
    if (look == brood_size) return false;
    const OffspringSet slot1 = upper_half_choices(paternal.mul, paternal.add, brood_size, s);
    const OffspringSet maternal_b = upper_half_choices(maternal.mul, maternal.add, brood_size, s);
    each_kind(fast, fathers, slot1, maternal_b, clean,
              [&](bool maternal_is_b, int32_t f) { add_offspring(c, f, maternal_is_b); });
    return locus_reveals(c);
  }

  // Without the mother, or with her read wrong: the distinct genotypes as
  // read, judged whole.
  Genotype genotypes[4 * MAX_SIRES + MAX_OFFSPRING];
  int count = 0;
  for (int n = 0; n < struck_count; ++n) genotypes[count++] = struck_read(n);
  // The offspring no error struck, by father, slot and maternal choice,
  // as genotypes beside the struck ones'.
  const OffspringSet slot1 = upper_half_choices(paternal.mul, paternal.add, brood_size, s);
  const OffspringSet maternal_b = upper_half_choices(maternal.mul, maternal.add, brood_size, s);
  each_kind(fast, fathers, slot1, maternal_b, clean, [&](bool maternal_is_b, int32_t f) {
    genotypes[count++] = Genotype{{mother.slot[maternal_is_b ? 1 : 0], f}};
  });
  if (fast.tables.unsampled_mother) return !parents_explain(genotypes, count);
  LocusJudgement judgement = start_locus(read_mother);
  for (int n = 0; n < count; ++n) {
    if (fits_mother(judgement, genotypes[n])) judge_offspring(judgement, genotypes[n]);
  }
  return reveals_several_fathers(paternal_count(judgement));
}

// The rule a locus is judged by in an estimate, fixed for the whole of it,
// so that each rule's trial loop holds only its own code.
enum class LocusRule {
  detects,      // the mother sampled, genotypes read as they are
  unexplained,  // the mother not sampled
  as_read,      // with genotyping errors, either mother
};

LocusRule rule_of(const FastEstimator& fast) {
  if (fast.tables.genotyping_errors) return LocusRule::as_read;
  return fast.tables.unsampled_mother ? LocusRule::unexplained : LocusRule::detects;
}

// Whether locus i reveals several fathers, by `rule`.
template <LocusRule rule>
ALWAYS_INLINE bool locus_verdict(const StudyData& study, FastEstimator& fast, int32_t brood_size,
                                 const Trial& trial, int i, uint32_t fathers) {
  if constexpr (rule == LocusRule::as_read)
    return locus_reveals_as_read(study, fast, brood_size, trial, i, fathers);
  if constexpr (rule == LocusRule::unexplained)
    return locus_unexplained(study, fast, brood_size, trial, i, fathers);
  return wide_or_narrow_detects(study, fast, brood_size, trial, i, fathers);
}

// Whether `fathers` are too few for any locus to reveal several: never so
// with genotyping errors, which can show alleles no father carries.
template <LocusRule rule>
ALWAYS_INLINE bool fathers_too_few(uint32_t fathers) {
  return rule != LocusRule::as_read && too_few_fathers(bit_count(fathers));
}

// The verdict of one trial when min_loci loci must reveal several fathers:
// every locus that can is judged, until min_loci have revealed or too few
// are left to.
template <LocusRule rule>
int judge_strictly(const StudyData& study, FastEstimator& fast, int32_t brood_size,
                   const Trial& trial) {
  const uint32_t fathers = draw_offspring_sires(study, fast, brood_size, trial.state);
  if (fathers_too_few<rule>(fathers)) return 0;
  int revealing = 0;
  for (int n = 0; n < fast.tables.useful_loci; ++n) {
    if (revealing + (fast.tables.useful_loci - n) < fast.tables.min_loci) return 0;
    if (locus_verdict<rule>(study, fast, brood_size, trial, fast.tables.locus_order[n], fathers) &&
        ++revealing >= fast.tables.min_loci) {
      return 1;
    }
  }
  return 0;
}

// Of the `batched` loci the batched stage judged, those it judged the brood
// whole at: all of them when the brood is no larger than the offspring it
// judges, none otherwise.
int batch_judged_whole(const FastEstimator& fast, int32_t brood_size, int batched) {
  return brood_size <= fast.work.batch.offspring ? batched : 0;
}

// The verdict of one trial when one locus that reveals suffices, without
// the first look. `batched`: the loci, locus_order[0 .. batched-1], at
// which the batched stage judged the trial's first fast.work.batch.offspring
// offspring and found too few paternal alleles (0: none).
template <LocusRule rule>
ALWAYS_INLINE int judge_trial(const StudyData& study, FastEstimator& fast, int32_t brood_size,
                              const Trial& trial, int batched = 0) {
  // A large brood is first judged at the most informative locus by its
  // first few offspring alone: when they pass the threshold, so does the
  // whole brood, and most large broods are settled so at a fraction of the
  // cost. The batch judged at least as many.
  static_assert(BATCH_OFFSPRING >= FIRST_STAGE, "the batch judges the first stage's offspring");
  if (brood_size > FIRST_STAGE && batched == 0) {
    const uint32_t first_fathers = draw_offspring_sires(study, fast, FIRST_STAGE, trial.state);
    // (With genotyping errors one father can show more, but rarely in so
    // few offspring: the stage is left out, as it may be, for one father.)
    if (!too_few_fathers(bit_count(first_fathers)) &&
        locus_verdict<rule>(study, fast, FIRST_STAGE, trial, fast.tables.locus_order[0],
                            first_fathers)) {
      return 1;
    }
  }
  const uint32_t fathers = draw_offspring_sires(study, fast, brood_size, trial.state);
  if (fathers_too_few<rule>(fathers)) return 0;
  for (int n = batch_judged_whole(fast, brood_size, batched); n < fast.tables.useful_loci; ++n) {
    if (locus_verdict<rule>(study, fast, brood_size, trial, fast.tables.locus_order[n], fathers))
      return 1;
  }
  return 0;
}

#ifdef MPDETECT_BATCH_LANES
// count_trials for an estimate whose trials are batched: BATCH_LANES at a time
// from the first through the batched stage, the trials it leaves open
// judged one by one, in order, as are those past the last whole batch.
__attribute__((noinline)) int count_batched_trials(const StudyData& study, FastEstimator& fast,
                                                   int32_t brood_size, int trial_count,
                                                   uint32_t first, Jump next, Jump back) {
  int detections = 0;
  uint32_t state = first;
  int t = 0;
  BatchVerdicts batch;
  for (; t + BATCH_LANES <= trial_count; t += BATCH_LANES) {
    judge_batch(study, fast, state, batch);
    detections += bit_count(batch.detected);
    // Trials it judged whole at every locus without revealing have their
    // verdict.
    const uint32_t no_more =
        batch_judged_whole(fast, brood_size, batch.loci) == fast.tables.useful_loci ? batch.decided
                                                                                    : 0;
    const uint32_t all = (1u << BATCH_LANES) - 1;
    for (uint32_t open = ~(batch.detected | no_more) & all; open != 0; open &= open - 1) {
      const int lane = lowest_bit(open);
      detections += judge_trial<LocusRule::detects>(
          study, fast, brood_size, Trial{t + lane, batch.state[lane], back},
          (batch.decided >> lane & 1u) != 0 ? batch.loci : 0);
    }
    state = apply_jump(fast.work.batch.next, state);
  }
  for (; t < trial_count; ++t) {
    detections += judge_trial<LocusRule::detects>(study, fast, brood_size, Trial{t, state, back});
    state = apply_jump(next, state);
  }
  return detections;
}
#endif

// The detections of trial_count trials from the state `first`, each judged
// by `rule`; min_loci above 1 judges strictly.
template <LocusRule rule>
ALWAYS_INLINE int count_trials(const StudyData& study, FastEstimator& fast, int32_t brood_size,
                               int trial_count, uint32_t first, Jump next, Jump back) {
  int detections = 0;
  uint32_t state = first;
  if (fast.tables.min_loci > 1) {
    for (int t = 0; t < trial_count; ++t) {
      detections += judge_strictly<rule>(study, fast, brood_size, Trial{t, state, back});
      state = apply_jump(next, state);
    }
    return detections;
  }
#ifdef MPDETECT_BATCH_LANES
  if (rule == LocusRule::detects && fast.work.batch.offspring > 0)
    return count_batched_trials(study, fast, brood_size, trial_count, first, next, back);
#endif
  // The first look is kept only while it settles at least three quarters
  // of the trials it is tried on; either way the verdicts are the same.
  bool look = rule == LocusRule::detects && fast.tables.first_look;
  int settled = 0;
  for (int t = 0; t < trial_count; ++t) {
    const Trial trial{t, state, back};
    if (look && first_look_detects(study, fast, brood_size, trial)) {
      ++settled;
      ++detections;
    } else {
      detections += judge_trial<rule>(study, fast, brood_size, trial);
    }
    if (t == LOOK_PROBE_TRIALS - 1 && settled < LOOK_PROBE_TRIALS * 3 / 4) look = false;
    state = apply_jump(next, state);
  }
  return detections;
}

// Lays out the jumps to each offspring's values for this brood size, with
// the lanes past the last offspring zero.
void lay_out_offspring_jumps(const StudyData& study, FastEstimator& fast, const TrialLayout& layout,
                             int32_t brood_size) {
  const Jump unused{0, 0};
  for (int j = 0; j < CHOICE_LANES; ++j) {
    const bool used = j < brood_size;
    const Jump sire = used ? jump_to(fast, offspring_sire_value(layout, j)) : unused;
    fast.work.sire_jumps.mul[j] = sire.mul;
    fast.work.sire_jumps.add[j] = sire.add;
    for (int i = 0; i < study.locus_count; ++i) {
      const Jump maternal = used ? jump_to(fast, maternal_choice_value(layout, j, i)) : unused;
      const Jump paternal = used ? jump_to(fast, paternal_choice_value(layout, j, i)) : unused;
      fast.work.maternal_jumps[i].mul[j] = maternal.mul;
      fast.work.maternal_jumps[i].add[j] = maternal.add;
      fast.work.paternal_jumps[i].mul[j] = paternal.mul;
      fast.work.paternal_jumps[i].add[j] = paternal.add;
    }
  }
}

// Lays out where the batched stage's trials start for this brood size, or
// marks the estimate as not batched: only a build with vectors batches, and only
// the rule for a sampled mother without errors, with one revealing locus
// enough and a few sires. The stage reads the offspring's and the sires'
// jumps laid out for the trial-by-trial code.
void lay_out_batch(const StudyData& study, FastEstimator& fast, int32_t brood_size, int per_trial) {
  BatchJumps& batch = fast.work.batch;
  const bool batched = BATCH_LANES > 0 && rule_of(fast) == LocusRule::detects &&
                       fast.tables.min_loci == 1 && fast.tables.useful_loci > 0 &&
                       study.sire_count >= 2 && study.sire_count <= BATCH_MOST_SIRES;
  batch.offspring = batched ? (brood_size < BATCH_OFFSPRING ? brood_size : BATCH_OFFSPRING) : 0;
  if (batch.offspring <= 0) return;
  // Where most trials' first offspring have one father (shares far apart),
  // the batch could settle few of them: they are judged one by one.
  double one_father = 0;
  for (int k = 0; k < study.sire_count; ++k) {
    double all_his = 1;
    for (int j = 0; j < batch.offspring; ++j) all_his *= study.skew[k];
    one_father += all_his;
  }
  if (one_father > 0.5) {
    batch.offspring = 0;
    return;
  }
  for (int lane = 0; lane < BATCH_LANES; ++lane) {
    const Jump to_lane = jump_of(uint64_t(per_trial) * lane);
    batch.lane_mul[lane] = to_lane.mul;
    batch.lane_add[lane] = to_lane.add;
  }
  batch.next = jump_of(uint64_t(per_trial) * BATCH_LANES);
  // A trial left open costs the trial-by-trial code its whole brood where
  // the brood is larger than the batch judges, but only its few offspring
  // at each locus left where it is not; one such trial is then not worth
  // another locus of the batch.
  batch.open_least = brood_size > batch.offspring ? 1 : 2;
}

// Lays out the jumps of the first look's lanes for this brood size, the
// lanes past its offspring and its last lane zero.
void lay_out_first_look(FastEstimator& fast, const TrialLayout& layout, int32_t brood_size) {
  const int i = fast.tables.locus_order[0];
  Jump lane[CHOICE_LANES] = {};
  for (int j = 0; j < FIRST_LOOK && j < brood_size; ++j) {
    lane[LOOK_SIRE + j] = jump_to(fast, offspring_sire_value(layout, j));
    lane[LOOK_PATERNAL + j] = jump_to(fast, paternal_choice_value(layout, j, i));
    lane[LOOK_MATERNAL + j] = jump_to(fast, maternal_choice_value(layout, j, i));
  }
  for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot)
    lane[LOOK_MOTHER + slot] = jump_to(fast, mother_value(i, slot));
  for (int n = 0; n < CHOICE_LANES; ++n) {
    fast.work.first_look_jumps.mul[n] = lane[n].mul;
    fast.work.first_look_jumps.add[n] = lane[n].add;
  }
}

// Where the untyped mother's slots stand before the first trial of an
// estimate: as the study holds them.
void start_mother_track(const StudyData& study, FastEstimator& fast) {
  for (int i = 0; i < study.locus_count; ++i) {
    for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot)
      fast.work.mother_track[i][slot] = {-1, study.mother[i].slot[slot]};
  }
}

// Leaves `random` and study.mother as trial_count trials of per_trial
// values from `first` leave them: the generator past the last trial, the
// untyped mother as its draws and the earlier ones left her.
void finish_estimate(StudyData& study, FastEstimator& fast, int per_trial, int trial_count,
                     uint32_t first, Jump next, Jump back, RandomState& random) {
  // Where the last trial began, reached in one jump when no trial ran.
  const Trial last{trial_count - 1,
                   apply_jump(jump_of(uint64_t(per_trial) * (trial_count - 1)), first), back};
  random.value = apply_jump(next, last.state);
  if (!study.mother_known) {
    for (int i = 0; i < study.locus_count; ++i) {
      for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot)
        study.mother[i].slot[slot] = untyped_mother_allele(fast, i, slot, last);
    }
  }
}

}  // namespace

int FAST_KERNEL_NAME(StudyData& study, int32_t brood_size, int trial_count, FastEstimator& fast,
                     RandomState& random) {
  if (trial_count <= 0) return 0;
  const int per_trial = values_per_trial(study, brood_size);
  const Jump next = fast.tables.step[per_trial];
  const Jump back = inverse_of(next);
  const TrialLayout layout = trial_layout(study);
  if (brood_size > 0) lay_out_offspring_jumps(study, fast, layout, brood_size);
  if (fast.tables.useful_loci > 0) lay_out_first_look(fast, layout, brood_size);
  if (brood_size > 0)
    lay_out_batch(study, fast, brood_size, per_trial);
  else
    fast.work.batch.offspring = 0;
  for (int i = 0; i < study.locus_count; ++i) {
    for (int k = 0; k < study.sire_count; ++k) {
      for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot)
        fast.work.sire_jumps_at[i][k][slot] = jump_to(fast, sire_value(layout, k, i, slot));
    }
  }
  start_mother_track(study, fast);

  int detections = 0;
  const uint32_t first = random.value;
  fast.work.error_key = error_draws::draw_error_key(first);
  if (!too_few_to_detect(brood_size) &&
      (!fast.tables.one_sire_only || fast.tables.genotyping_errors) &&
      fast.tables.useful_loci >= fast.tables.min_loci) {
    switch (rule_of(fast)) {
      case LocusRule::detects:
        detections = count_trials<LocusRule::detects>(study, fast, brood_size, trial_count, first,
                                                      next, back);
        break;
      case LocusRule::unexplained:
        detections = count_trials<LocusRule::unexplained>(study, fast, brood_size, trial_count,
                                                          first, next, back);
        break;
      case LocusRule::as_read:
        detections = count_trials<LocusRule::as_read>(study, fast, brood_size, trial_count, first,
                                                      next, back);
        break;
    }
  }
  finish_estimate(study, fast, per_trial, trial_count, first, next, back, random);
  return detections;
}

void FAST_SKIP_NAME(StudyData& study, int32_t brood_size, int trial_count, FastEstimator& fast,
                    RandomState& random) {
  if (trial_count <= 0) return;
  const int per_trial = values_per_trial(study, brood_size);
  const Jump next = fast.tables.step[per_trial];
  start_mother_track(study, fast);
  finish_estimate(study, fast, per_trial, trial_count, random.value, next, inverse_of(next),
                  random);
}

}  // namespace mpdetect
