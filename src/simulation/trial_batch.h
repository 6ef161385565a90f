// The first stage of eight trials at once, one trial in each lane of an AVX2
// vector: the first offspring of each trial's brood, judged a locus at a
// time in the order of locus_order, as the trial-by-trial code judges them.
//
// A trial's values are read at fixed offsets from its first state, and the
// trials of an estimate start one fixed jump apart, so the value at one
// offset of eight consecutive trials is one vector multiplication and
// addition away from their eight first states. At each locus an offspring
// is reduced to its kind: its sire, the slot of his allele it got and its
// maternal choice, as one bit of a word; offspring of one kind have one
// genotype, so the kinds present, with the sires' and the mother's alleles,
// settle the locus's count. A sire draw serves every locus, so it is made
// once.
//
// The stage goes on to the next locus while enough lanes are open (judged,
// with offspring of more than one father, and not yet revealing), and
// stops after the last useful locus. A lane whose
// untyped mother's draw or any offspring's sire draw picks nothing is left
// undecided from there on: what it holds then comes from an earlier trial or
// offspring, which the trial-by-trial code follows one by one.
//
// Only the AVX2 build of the estimator's kernel includes this; the functions
// are static so that the build keeps its own.
#pragma once

#ifdef __AVX2__
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "simulation/fast_estimate.h"

namespace mpdetect {

// What the batched stage made of one batch of trials.
struct BatchVerdicts {
  uint32_t detected;             // lanes whose first offspring reveal several fathers
  uint32_t decided;              // lanes it judged at `loci` loci; the others are left undecided
  int loci;                      // loci judged, locus_order[0 .. loci-1]
  uint32_t state[BATCH_TRIALS];  // each lane's trial's first state
};

// Judges the first fast.work.batch.offspring offspring of the eight trials
// whose first one starts at `state`, a locus at a time, until no decided
// lane is open or the useful loci are done.
// REQUIRES: fast.work.batch laid out for this estimate, with offspring > 0;
//           2 <= study.sire_count <= BATCH_SIRES; useful_loci > 0; the
//           mother sampled, no genotyping errors.
__attribute__((always_inline)) static inline void judge_batch(const StudyData& study,
                                                              const FastEstimator& fast,
                                                              uint32_t state, BatchVerdicts& out);

namespace batch_detail {

// The eight trials' first states and the values read from them.
struct Lanes {
  __m256i first;

  // The state each lane's trial reaches by the map (mul, add); its value
  // is bits 16 to 30, its upper half bit 30.
  __m256i moved(uint32_t mul, uint32_t add) const {
    return _mm256_add_epi32(_mm256_mullo_epi32(first, _mm256_set1_epi32(static_cast<int>(mul))),
                            _mm256_set1_epi32(static_cast<int>(add)));
  }
  __m256i moved(Jump jump) const { return moved(jump.mul, jump.add); }
};

inline __m256i value_of(__m256i moved_state) {
  return _mm256_srli_epi32(_mm256_slli_epi32(moved_state, 1), 17);
}

// The allele each lane's value at `jump` picks at locus i, or NO_INDEX.
// Each lane reads four bytes from its value on; the one it keeps is in the
// row, and the three after it are still within FastTables, whose allele
// rows are followed by the sire table.
inline __m256i allele_at(const FastTables& tables, int i, const Lanes& lanes, Jump jump) {
  static_assert(sizeof(FastTables::allele_draw[0]) == RANDOM15_VALUES, "a value indexes its row");
  static_assert(offsetof(FastTables, sire_draw) ==
                    offsetof(FastTables, allele_draw) + sizeof(FastTables::allele_draw),
                "the sire table follows the allele rows");
  const __m256i read = _mm256_i32gather_epi32(reinterpret_cast<const int*>(tables.allele_draw[i]),
                                              value_of(lanes.moved(jump)), 1);
  return _mm256_srai_epi32(_mm256_slli_epi32(read, 24), 24);
}

inline __m256i not_equal(__m256i x, __m256i y) {
  return _mm256_xor_si256(_mm256_cmpeq_epi32(x, y), _mm256_set1_epi32(-1));
}

// Lanes whose count at locus i passes the threshold, by the kinds present
// and the parents' alleles there; `undecided` gains the lanes whose mother
// picks nothing at i.
inline __m256i locus_reveals(const StudyData& study, const FastEstimator& fast, int i,
                             const Lanes& lanes, const __m256i* sire4, int offspring,
                             __m256i& undecided) {
  const FastTables& tables = fast.tables;
  const __m256i zero = _mm256_setzero_si256();
  const __m256i one = _mm256_set1_epi32(1);
  const __m256i no_index = _mm256_set1_epi32(NO_INDEX);

  __m256i a, b;  // the mother's slot 0 and slot 1 alleles
  if (study.mother_known) {
    a = _mm256_set1_epi32(study.mother[i].slot[0]);
    b = _mm256_set1_epi32(study.mother[i].slot[1]);
  } else {
    a = allele_at(tables, i, lanes, tables.step[mother_value(i, 0) + 1]);
    b = allele_at(tables, i, lanes, tables.step[mother_value(i, 1) + 1]);
    undecided = _mm256_or_si256(undecided, _mm256_or_si256(_mm256_cmpeq_epi32(a, no_index),
                                                           _mm256_cmpeq_epi32(b, no_index)));
  }

  // Each offspring's kind, bit 4k + 2 * slot + maternal_is_b of `kinds`.
  const uint64_t judged = tables.judged.at[i].word[0];
  const OffspringJumps& maternal = fast.work.maternal_jumps[i];
  const OffspringJumps& paternal = fast.work.paternal_jumps[i];
  const __m256i two = _mm256_set1_epi32(2);
  __m256i kinds = zero;
  for (int j = 0; j < offspring; ++j) {
    if ((judged >> j & 1) == 0) continue;
    const __m256i slot =
        _mm256_and_si256(_mm256_srli_epi32(lanes.moved(paternal.mul[j], paternal.add[j]), 29), two);
    const __m256i maternal_is_b =
        _mm256_and_si256(_mm256_srli_epi32(lanes.moved(maternal.mul[j], maternal.add[j]), 30), one);
    const __m256i kind = _mm256_or_si256(sire4[j], _mm256_or_si256(slot, maternal_is_b));
    kinds = _mm256_or_si256(kinds, _mm256_sllv_epi32(one, kind));
  }

  // Offspring of one kind flag their paternal allele f, unless they carry
  // the mother's two different alleles (f is then her allele in the other
  // slot than their maternal one): then they mark the locus ambiguous. A
  // sire's draw that picks nothing gives the last allele.
  const __m256i last = _mm256_set1_epi32(study.allele_count[i] - 1);
  const __m256i heterozygous = not_equal(a, b);
  __m256i flags = zero;
  __m256i ambiguous = zero;
  for (int k = 0; k < study.sire_count; ++k) {
    for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot) {
      const int kind = 4 * k + 2 * slot;
      const __m256i from_a_bit = _mm256_set1_epi32(static_cast<int>(1u << kind));
      const __m256i from_b_bit = _mm256_set1_epi32(static_cast<int>(1u << (kind + 1)));
      const __m256i from_a = _mm256_cmpeq_epi32(_mm256_and_si256(kinds, from_a_bit), from_a_bit);
      const __m256i from_b = _mm256_cmpeq_epi32(_mm256_and_si256(kinds, from_b_bit), from_b_bit);
      const __m256i drawn = allele_at(tables, i, lanes, fast.work.sire_jumps_at[i][k][slot]);
      const __m256i f = _mm256_blendv_epi8(drawn, last, _mm256_cmpeq_epi32(drawn, no_index));
      const __m256i marks_from_a = _mm256_and_si256(heterozygous, _mm256_cmpeq_epi32(f, b));
      const __m256i marks_from_b = _mm256_and_si256(heterozygous, _mm256_cmpeq_epi32(f, a));
      const __m256i flag = _mm256_or_si256(_mm256_andnot_si256(marks_from_a, from_a),
                                           _mm256_andnot_si256(marks_from_b, from_b));
      flags = _mm256_or_si256(flags, _mm256_and_si256(flag, _mm256_sllv_epi32(one, f)));
      ambiguous =
          _mm256_or_si256(ambiguous, _mm256_or_si256(_mm256_and_si256(from_a, marks_from_a),
                                                     _mm256_and_si256(from_b, marks_from_b)));
    }
  }
  // The ambiguous mark adds the mother's allele when neither of hers is
  // flagged; the locus reveals several fathers at three.
  static_assert(!reveals_several_fathers(2) && reveals_several_fathers(3),
                "the threshold is three paternal alleles");
  const __m256i mothers = _mm256_or_si256(_mm256_sllv_epi32(one, a), _mm256_sllv_epi32(one, b));
  const __m256i added =
      _mm256_and_si256(ambiguous, _mm256_cmpeq_epi32(_mm256_and_si256(flags, mothers), zero));
  const __m256i past_one = _mm256_and_si256(flags, _mm256_sub_epi32(flags, one));
  const __m256i past_two = _mm256_and_si256(past_one, _mm256_sub_epi32(past_one, one));
  return _mm256_or_si256(not_equal(past_two, zero),
                         _mm256_and_si256(added, not_equal(past_one, zero)));
}

inline uint32_t lanes_of(__m256i mask) {
  return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(mask)));
}

}  // namespace batch_detail

__attribute__((always_inline)) static inline void judge_batch(const StudyData& study,
                                                              const FastEstimator& fast,
                                                              uint32_t state, BatchVerdicts& out) {
  using namespace batch_detail;
  const BatchJumps& batch = fast.work.batch;
  const __m256i zero = _mm256_setzero_si256();
  Lanes lanes;
  lanes.first = _mm256_add_epi32(
      _mm256_mullo_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(batch.lane_mul)),
                         _mm256_set1_epi32(static_cast<int>(state))),
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(batch.lane_add)));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.state), lanes.first);

  // Each offspring's sire, times 4: the number of the share table's run
  // boundaries at or below its draw. Values from sire_bound[sires] on pick
  // no sire, and the offspring takes the one before it's, even when it is
  // left out of a locus.
  const int sires = study.sire_count;
  __m256i bound[BATCH_SIRES];
  for (int k = 1; k < sires; ++k)
    bound[k] = _mm256_set1_epi32(static_cast<int>(fast.tables.sire_bound[k]) - 1);
  const uint32_t none_from = fast.tables.sire_bound[sires];
  const __m256i none_bound = _mm256_set1_epi32(static_cast<int>(none_from) - 1);
  const __m256i four = _mm256_set1_epi32(4);
  __m256i undecided = zero;
  __m256i several = zero;  // lanes whose offspring have more than one father
  __m256i sire4[BATCH_OFFSPRING];
  for (int j = 0; j < batch.offspring; ++j) {
    const __m256i value =
        value_of(lanes.moved(fast.work.sire_jumps.mul[j], fast.work.sire_jumps.add[j]));
    if (none_from < RANDOM15_VALUES)
      undecided = _mm256_or_si256(undecided, _mm256_cmpgt_epi32(value, none_bound));
    __m256i sire = zero;
    for (int k = 1; k < sires; ++k)
      sire = _mm256_add_epi32(sire, _mm256_and_si256(_mm256_cmpgt_epi32(value, bound[k]), four));
    sire4[j] = sire;
    several = _mm256_or_si256(several, not_equal(sire, sire4[0]));
  }

  // Lanes whose offspring here have one father cannot reveal at any locus;
  // they are left to the trial-by-trial code.
  uint32_t detected = 0;
  int loci = 0;
  uint32_t open = lanes_of(_mm256_andnot_si256(undecided, several));
  while (loci < fast.tables.useful_loci && __builtin_popcount(open) >= batch.open_least) {
    const __m256i reveals = locus_reveals(study, fast, fast.tables.locus_order[loci], lanes, sire4,
                                          batch.offspring, undecided);
    ++loci;
    detected |= lanes_of(_mm256_andnot_si256(undecided, reveals));
    open &= ~(detected | lanes_of(undecided));
  }
  out.detected = detected;
  out.decided = ~lanes_of(undecided) & 0xFFu;
  out.loci = loci;
}

}  // namespace mpdetect

#endif
