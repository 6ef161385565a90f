// The first stage of several trials at once, one trial in each lane of a
// vector (eight with AVX2, four with SSE2): the first offspring of each
// trial's brood, judged a locus at a time in the order of locus_order, as
// the trial-by-trial code judges them.
//
// A trial's values are read at fixed offsets from its first state, and the
// trials of an estimate start one fixed jump apart, so the value at one
// offset of consecutive trials is one vector multiplication and addition
// away from their first states. At each locus an offspring is reduced to
// its kind: its sire, the slot of his allele it got and its maternal
// choice, as one bit of a word; offspring of one kind have one genotype, so
// the kinds present, with the sires' and the mother's alleles, settle the
// locus's count. A sire draw serves every locus, so it is made once.
//
// The stage goes on to the next locus while enough lanes are open (judged,
// with offspring of more than one father, and not yet revealing), and
// stops after the last useful locus. A lane whose untyped mother's draw or
// any offspring's sire draw picks nothing is left undecided from there on:
// what it holds then comes from an earlier trial or offspring, which the
// trial-by-trial code follows one by one.
//
// Only the estimator's kernel includes this, once for each instruction set it
// is built for; the functions are static so that each build keeps its own.
// Where the build has no vectors (MPDETECT_BATCH_LANES undefined), it
// declares nothing.
#pragma once

#include "simulation/batch_lanes.h"

#ifdef MPDETECT_BATCH_LANES
#include <cstddef>
#include <cstdint>

#include "simulation/fast_estimate.h"

namespace mpdetect {

// What the batched stage made of one batch of trials.
struct BatchVerdicts {
  uint32_t detected;             // lanes whose first offspring reveal several fathers
  uint32_t decided;              // lanes it judged at `loci` loci; the others are left undecided
  int loci;                      // loci judged, locus_order[0 .. loci-1]
  uint32_t state[BATCH_TRIALS];  // each lane's trial's first state, in lanes::WIDTH of them
};

// Judges the first fast.work.batch.offspring offspring of the lanes::WIDTH
// trials whose first one starts at `state`, a locus at a time, until too
// few decided lanes are open or the useful loci are done.
// REQUIRES: fast.work.batch laid out for this estimate, with offspring > 0;
//           2 <= study.sire_count <= BATCH_SIRES; useful_loci > 0; the
//           mother sampled, no genotyping errors.
__attribute__((always_inline)) static inline void judge_batch(const StudyData& study,
                                                              const FastEstimator& fast,
                                                              uint32_t state, BatchVerdicts& out);

namespace batch_detail {

using namespace lanes;

// The lanes' trials' first states and the values read from them.
struct Lanes {
  Vec first;

  // The state each lane's trial reaches by the map (mul, add); its value
  // is bits 16 to 30, its upper half bit 30.
  Vec moved(uint32_t mul, uint32_t add) const {
    return plus(times(first, mul), splat(static_cast<int32_t>(add)));
  }
  Vec moved(Jump jump) const { return moved(jump.mul, jump.add); }
};

inline Vec value_of(Vec moved_state) {
  return right<17>(left<1>(moved_state));
}

// The allele each lane's value at `jump` picks at locus i, or NO_INDEX.
// A lane may read the three bytes past its value; past the last row they
// are still within FastTables, whose allele rows are followed by the sire
// table.
inline Vec allele_at(const FastTables& tables, int i, const Lanes& lanes, Jump jump) {
  static_assert(sizeof(FastTables::allele_draw[0]) == RANDOM15_VALUES, "a value indexes its row");
  static_assert(offsetof(FastTables, sire_draw) ==
                    offsetof(FastTables, allele_draw) + sizeof(FastTables::allele_draw),
                "the sire table follows the allele rows");
  return byte_at(tables.allele_draw[i], value_of(lanes.moved(jump)));
}

// Lanes whose count at locus i passes the threshold, by the kinds present
// and the parents' alleles there; `undecided` gains the lanes whose mother
// picks nothing at i.
inline Vec locus_reveals(const StudyData& study, const FastEstimator& fast, int i,
                         const Lanes& lanes, const Vec* sire4, int offspring, Vec& undecided) {
  const FastTables& tables = fast.tables;
  const Vec one = splat(1);
  const Vec no_index = splat(NO_INDEX);

  Vec a, b;  // the mother's slot 0 and slot 1 alleles
  if (study.mother_known) {
    a = splat(study.mother[i].slot[0]);
    b = splat(study.mother[i].slot[1]);
  } else {
    a = allele_at(tables, i, lanes, tables.step[mother_value(i, 0) + 1]);
    b = allele_at(tables, i, lanes, tables.step[mother_value(i, 1) + 1]);
    undecided = either(undecided, either(equal(a, no_index), equal(b, no_index)));
  }

  // Each offspring's kind, bit 4k + 2 * slot + maternal_is_b of `kinds`.
  const uint64_t judged = tables.judged.at[i].word[0];
  const OffspringJumps& maternal = fast.work.maternal_jumps[i];
  const OffspringJumps& paternal = fast.work.paternal_jumps[i];
  const Vec two = splat(2);
  Vec kinds = zero();
  for (int j = 0; j < offspring; ++j) {
    if ((judged >> j & 1) == 0) continue;
    const Vec slot = both(right<29>(lanes.moved(paternal.mul[j], paternal.add[j])), two);
    const Vec maternal_is_b = both(right<30>(lanes.moved(maternal.mul[j], maternal.add[j])), one);
    kinds = either(kinds, bit_at(either(sire4[j], either(slot, maternal_is_b))));
  }

  // Offspring of one kind flag their paternal allele f, unless they carry
  // the mother's two different alleles (f is then her allele in the other
  // slot than their maternal one): then they mark the locus ambiguous. A
  // sire's draw that picks nothing gives the last allele.
  const Vec last = splat(study.allele_count[i] - 1);
  const Vec heterozygous = unequal(a, b);
  Vec flags = zero();
  Vec ambiguous = zero();
  for (int k = 0; k < study.sire_count; ++k) {
    for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot) {
      const int kind = 4 * k + 2 * slot;
      const Vec from_a_bit = splat(static_cast<int32_t>(1u << kind));
      const Vec from_b_bit = splat(static_cast<int32_t>(1u << (kind + 1)));
      const Vec from_a = equal(both(kinds, from_a_bit), from_a_bit);
      const Vec from_b = equal(both(kinds, from_b_bit), from_b_bit);
      const Vec drawn = allele_at(tables, i, lanes, fast.work.sire_jumps_at[i][k][slot]);
      const Vec f = chosen(equal(drawn, no_index), drawn, last);
      const Vec marks_from_a = both(heterozygous, equal(f, b));
      const Vec marks_from_b = both(heterozygous, equal(f, a));
      const Vec flag = either(but_not(from_a, marks_from_a), but_not(from_b, marks_from_b));
      flags = either(flags, both(flag, bit_at(f)));
      ambiguous = either(ambiguous, either(both(from_a, marks_from_a), both(from_b, marks_from_b)));
    }
  }
  // The ambiguous mark adds the mother's allele when neither of hers is
  // flagged; the locus reveals several fathers at three.
  static_assert(!reveals_several_fathers(2) && reveals_several_fathers(3),
                "the threshold is three paternal alleles");
  const Vec mothers = either(bit_at(a), bit_at(b));
  const Vec added = both(ambiguous, equal(both(flags, mothers), zero()));
  const Vec past_one = both(flags, minus(flags, one));
  const Vec past_two = both(past_one, minus(past_one, one));
  return either(unequal(past_two, zero()), both(added, unequal(past_one, zero())));
}

}  // namespace batch_detail

__attribute__((always_inline)) static inline void judge_batch(const StudyData& study,
                                                              const FastEstimator& fast,
                                                              uint32_t state, BatchVerdicts& out) {
  using namespace batch_detail;
  const BatchJumps& batch = fast.work.batch;
  Lanes lanes;
  lanes.first = plus(times(load(batch.lane_mul), state), load(batch.lane_add));
  store(out.state, lanes.first);

  // Each offspring's sire, times 4: the number of the share table's run
  // boundaries at or below its draw. Values from sire_bound[sires] on pick
  // no sire, and the offspring takes the one before it's, even when it is
  // left out of a locus.
  const int sires = study.sire_count;
  Vec bound[BATCH_SIRES];
  for (int k = 1; k < sires; ++k)
    bound[k] = splat(static_cast<int32_t>(fast.tables.sire_bound[k]) - 1);
  const uint32_t none_from = fast.tables.sire_bound[sires];
  const Vec none_bound = splat(static_cast<int32_t>(none_from) - 1);
  const Vec four = splat(4);
  Vec undecided = zero();
  Vec several = zero();  // lanes whose offspring have more than one father
  Vec sire4[BATCH_OFFSPRING];
  for (int j = 0; j < batch.offspring; ++j) {
    const Vec value =
        value_of(lanes.moved(fast.work.sire_jumps.mul[j], fast.work.sire_jumps.add[j]));
    if (none_from < RANDOM15_VALUES) undecided = either(undecided, greater(value, none_bound));
    Vec sire = zero();
    for (int k = 1; k < sires; ++k) sire = plus(sire, both(greater(value, bound[k]), four));
    sire4[j] = sire;
    several = either(several, unequal(sire, sire4[0]));
  }

  // Lanes whose offspring here have one father cannot reveal at any locus;
  // they are left to the trial-by-trial code.
  const uint32_t all = (1u << WIDTH) - 1;
  uint32_t detected = 0;
  int loci = 0;
  uint32_t open = lanes_of(but_not(several, undecided));
  // At least open_least (1 or 2) lanes open: open, or open without its
  // lowest lane (SSE2 has no count of bits).
  const uint32_t past = batch.open_least > 1 ? 1u : 0u;
  while (loci < fast.tables.useful_loci && (open & (open - past)) != 0) {
    const Vec reveals = locus_reveals(study, fast, fast.tables.locus_order[loci], lanes, sire4,
                                      batch.offspring, undecided);
    ++loci;
    detected |= lanes_of(but_not(reveals, undecided));
    open &= ~(detected | lanes_of(undecided));
  }
  out.detected = detected;
  out.decided = ~lanes_of(undecided) & all;
  out.loci = loci;
}

}  // namespace mpdetect

#endif
