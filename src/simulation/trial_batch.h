// The first stage of eight trials at once, one trial in each lane of an AVX2
// vector: the first offspring of each trial's brood at the most informative
// locus, judged as the first stage judges them one trial at a time.
//
// A trial's values are read at fixed offsets from its first state, and the
// trials of an estimate start one fixed jump apart, so the value at one
// offset of eight consecutive trials is one vector multiplication and
// addition away from their eight first states. Each offspring is reduced to
// its kind: its sire, the slot of his allele it got and its maternal
// choice, as one bit of a word; the kinds present, with the sires' and the
// mother's alleles, settle the locus's count, since offspring of one kind
// have one genotype.
//
// A lane whose untyped mother's draw or any offspring's sire draw picks
// nothing is left undecided: what it holds then comes from an earlier trial
// or offspring, which the whole judgement follows one by one.
//
// Only the AVX2 build of the estimator's kernel includes this; the functions
// are static so that the build keeps its own.
#pragma once

#ifdef __AVX2__
#include <immintrin.h>

#include <cstdint>

#include "simulation/fast_estimate.h"

namespace mpdetect {

// What the batched first stage made of one batch of trials.
struct BatchVerdicts {
  uint32_t detected;             // lanes whose first offspring reveal several fathers
  uint32_t decided;              // lanes it judged; the others are left undecided
  uint32_t state[BATCH_TRIALS];  // each lane's trial's first state
};

// Judges the first fast.work.batch.offspring offspring of the eight trials
// whose first one starts at `state`, at locus fast.tables.locus_order[0].
// REQUIRES: fast.work.batch laid out for this estimate, with offspring > 0;
//           2 <= study.sire_count <= BATCH_SIRES; the mother sampled, no
//           genotyping errors.
static inline void judge_batch(const StudyData& study, const FastEstimator& fast, uint32_t state,
                               BatchVerdicts& out);

static inline void judge_batch(const StudyData& study, const FastEstimator& fast, uint32_t state,
                               BatchVerdicts& out) {
  const BatchJumps& batch = fast.work.batch;
  const int i = fast.tables.locus_order[0];
  const __m256i zero = _mm256_setzero_si256();
  const __m256i one = _mm256_set1_epi32(1);
  const __m256i no_index = _mm256_set1_epi32(NO_INDEX);
  const __m256i first = _mm256_add_epi32(
      _mm256_mullo_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(batch.lane_mul)),
                         _mm256_set1_epi32(static_cast<int>(state))),
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(batch.lane_add)));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.state), first);

  // The state each lane's trial reaches by `jump`; its value is bits 16 to
  // 30, its upper half bit 30.
  const auto moved = [&first](Jump jump) {
    return _mm256_add_epi32(
        _mm256_mullo_epi32(first, _mm256_set1_epi32(static_cast<int>(jump.mul))),
        _mm256_set1_epi32(static_cast<int>(jump.add)));
  };
  const auto value_of = [](__m256i moved_state) {
    return _mm256_srli_epi32(_mm256_slli_epi32(moved_state, 1), 17);
  };
  // The allele each lane's value at `jump` picks at locus i, or NO_INDEX.
  // Each lane reads four bytes from its value on; the one it keeps is in
  // the table, and the three after it are still within FastTables, whose
  // allele tables are followed by the sire table.
  static_assert(sizeof(FastTables::allele_draw[0]) == RANDOM15_VALUES, "a value indexes its row");
  const int8_t* row = fast.tables.allele_draw[i];
  const auto allele_at = [&](Jump jump) {
    const __m256i read =
        _mm256_i32gather_epi32(reinterpret_cast<const int*>(row), value_of(moved(jump)), 1);
    return _mm256_srai_epi32(_mm256_slli_epi32(read, 24), 24);
  };

  __m256i undecided = zero;  // lanes with a draw that picks nothing
  __m256i a, b;              // the mother's slot 0 and slot 1 alleles
  if (study.mother_known) {
    a = _mm256_set1_epi32(study.mother[i].slot[0]);
    b = _mm256_set1_epi32(study.mother[i].slot[1]);
  } else {
    a = allele_at(batch.mother[0]);
    b = allele_at(batch.mother[1]);
    undecided = _mm256_or_si256(_mm256_cmpeq_epi32(a, no_index), _mm256_cmpeq_epi32(b, no_index));
  }
  // The sires' alleles; a draw that picks nothing gives the last allele.
  const int sires = study.sire_count;
  const __m256i last = _mm256_set1_epi32(study.allele_count[i] - 1);
  __m256i sire_allele[BATCH_SIRES][ALLELES_PER_PARENT];
  for (int k = 0; k < sires; ++k) {
    for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot) {
      const __m256i drawn = allele_at(fast.work.sire_jumps_at[i][k][slot]);
      sire_allele[k][slot] = _mm256_blendv_epi8(drawn, last, _mm256_cmpeq_epi32(drawn, no_index));
    }
  }

  // Each offspring's kind, bit 4k + 2 * slot + maternal_is_b of `kinds`.
  // A sire draw is the number of the share table's run boundaries at or
  // below its value; values from sire_bound[sires] on pick no sire.
  __m256i bound[BATCH_SIRES];
  for (int k = 1; k < sires; ++k)
    bound[k] = _mm256_set1_epi32(static_cast<int>(fast.tables.sire_bound[k]) - 1);
  const uint32_t none_from = fast.tables.sire_bound[sires];
  const __m256i none_bound = _mm256_set1_epi32(static_cast<int>(none_from) - 1);
  const uint64_t judged = fast.tables.judged.at[i].word[0];
  __m256i kinds = zero;
  for (int j = 0; j < batch.offspring; ++j) {
    const __m256i sire_value = value_of(moved(batch.sire[j]));
    // Even a left-out offspring's draw that picks nothing passes its sire on.
    if (none_from < RANDOM15_VALUES)
      undecided = _mm256_or_si256(undecided, _mm256_cmpgt_epi32(sire_value, none_bound));
    if ((judged >> j & 1) == 0) continue;
    __m256i sire = zero;  // minus the sire's number
    for (int k = 1; k < sires; ++k)
      sire = _mm256_add_epi32(sire, _mm256_cmpgt_epi32(sire_value, bound[k]));
    const __m256i slot =
        _mm256_and_si256(_mm256_srli_epi32(moved(batch.paternal[j]), 29), _mm256_set1_epi32(2));
    const __m256i maternal_is_b =
        _mm256_and_si256(_mm256_srli_epi32(moved(batch.maternal[j]), 30), one);
    const __m256i kind = _mm256_or_si256(_mm256_sub_epi32(zero, _mm256_slli_epi32(sire, 2)),
                                         _mm256_or_si256(slot, maternal_is_b));
    kinds = _mm256_or_si256(kinds, _mm256_sllv_epi32(one, kind));
  }

  // Offspring of one kind flag their paternal allele f, unless they carry
  // the mother's two different alleles (f is then the mother's allele in
  // the other slot than their maternal one): then they mark the locus
  // ambiguous.
  const __m256i heterozygous = _mm256_xor_si256(_mm256_cmpeq_epi32(a, b), _mm256_set1_epi32(-1));
  __m256i flags = zero;
  __m256i ambiguous = zero;
  for (int k = 0; k < sires; ++k) {
    for (int slot = 0; slot < ALLELES_PER_PARENT; ++slot) {
      const __m256i f = sire_allele[k][slot];
      const int kind = 4 * k + 2 * slot;
      const __m256i from_a_bit = _mm256_set1_epi32(static_cast<int>(1u << kind));
      const __m256i from_b_bit = _mm256_set1_epi32(static_cast<int>(1u << (kind + 1)));
      const __m256i from_a = _mm256_cmpeq_epi32(_mm256_and_si256(kinds, from_a_bit), from_a_bit);
      const __m256i from_b = _mm256_cmpeq_epi32(_mm256_and_si256(kinds, from_b_bit), from_b_bit);
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
  const __m256i two_or_more =
      _mm256_xor_si256(_mm256_cmpeq_epi32(past_one, zero), _mm256_set1_epi32(-1));
  const __m256i three_or_more =
      _mm256_xor_si256(_mm256_cmpeq_epi32(past_two, zero), _mm256_set1_epi32(-1));
  const __m256i reveals = _mm256_or_si256(three_or_more, _mm256_and_si256(added, two_or_more));
  const uint32_t decided =
      static_cast<uint32_t>(~_mm256_movemask_ps(_mm256_castsi256_ps(undecided))) & 0xFFu;
  out.decided = decided;
  out.detected = static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(reveals))) & decided;
}

}  // namespace mpdetect

#endif
