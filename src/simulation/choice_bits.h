// Many two-way choices of one trial at once: whether each of a set of
// generator values, read at known offsets from one state, is HALF_POINT or
// more.
//
// Only the estimator's kernel includes this, once for each instruction set it
// is built for; the functions are static so that each build keeps its own.
#pragma once

#include <cstdint>

#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif
#ifdef __wasm_simd128__
#include <wasm_simd128.h>
#endif

#include "simulation/offspring_set.h"
#include "simulation/random_source.h"

namespace mpdetect {

// The set of j < n whose value, next_random15 after the state moves from
// `state` by the map (mul[j], add[j]), is HALF_POINT or more (that is, bit 30
// of the moved state is set).
// REQUIRES: n <= 100; entries from n up to the next multiple of 8 are 0.
static OffspringSet upper_half_choices(const uint32_t* mul, const uint32_t* add, int n,
                                       uint32_t state);

// Stores each value, next_random15 after the state moves from `state` by the
// map (mul[j], add[j]), in value[j] for j up to the next multiple of 8 past
// n.
// REQUIRES: n <= 100; mul and add hold entries up to that multiple of 8.
static void draw_values(const uint32_t* mul, const uint32_t* add, int n, uint32_t state,
                        uint32_t* value);

// draw_values, then returns the set of j < n whose value is at least `bound`.
// REQUIRES: n <= 100; mul and add as for upper_half_choices.
static OffspringSet draw_values_at_least(const uint32_t* mul, const uint32_t* add, int n,
                                         uint32_t state, uint32_t bound, uint32_t* value);

// The offspring 0 .. n-1.
// REQUIRES: 0 <= n <= 100.
static OffspringSet first_offspring(int n);

// The set of j < n with value[j] >= bound.
// REQUIRES: n <= 100; value holds entries up to the next multiple of 8.
static OffspringSet values_at_least(const uint32_t* value, int n, uint32_t bound);

#if !defined(__AVX2__) && defined(__SSE2__)
// Four lanes of mul * state + add. SSE2 multiplies two lanes at a time into
// 64 bits; the low halves of the even and the odd lanes are put back together.
// WebAssembly, whose build translates SSE2, has the 32-bit multiply itself.
static inline __m128i moved_states(const uint32_t* mul, const uint32_t* add, __m128i state) {
  const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mul));
#ifdef __wasm_simd128__
  return wasm_i32x4_add(wasm_i32x4_mul(m, state),
                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(add)));
#else
  const __m128i even = _mm_mul_epu32(m, state);
  const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(m, 32), state);
  const __m128i product = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                             _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
  return _mm_add_epi32(product, _mm_loadu_si128(reinterpret_cast<const __m128i*>(add)));
#endif
}
#endif

// Inline, since a trial calls these a few times on a handful of blocks each:
// a call would cost as much as the work.
static inline OffspringSet upper_half_choices(const uint32_t* mul, const uint32_t* add, int n,
                                              uint32_t state) {
  OffspringSet set{{0, 0}};
#ifdef __AVX2__
  // Eight lanes at a time; a block of eight never straddles a word. Lanes
  // past n have mul and add 0, so their state is 0 and their bit clear.
  // Bit 30 of the moved state is the top bit of output15, so it is set
  // exactly for values of HALF_POINT or more.
  static_assert(HALF_POINT == 1 << 14, "the top bit of a 15-bit value marks the upper half");
  const __m256i s = _mm256_set1_epi32(static_cast<int>(state));
  for (int word = 0; word < 2; ++word) {
    uint64_t bits = 0;
    const int end = n < 64 * (word + 1) ? n : 64 * (word + 1);
    for (int j = 64 * word; j < end; j += 8) {
      const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mul + j));
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(add + j));
      const __m256i moved = _mm256_add_epi32(_mm256_mullo_epi32(m, s), a);
      const uint32_t block = static_cast<uint32_t>(
          _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_slli_epi32(moved, 1))));
      bits |= static_cast<uint64_t>(block) << (j & 63);
    }
    set.word[word] = bits;
  }
#elif defined(__SSE2__)
  // As above, four lanes at a time.
  static_assert(HALF_POINT == 1 << 14, "the top bit of a 15-bit value marks the upper half");
  const __m128i s = _mm_set1_epi32(static_cast<int>(state));
  for (int word = 0; word < 2; ++word) {
    uint64_t bits = 0;
    const int end = n < 64 * (word + 1) ? n : 64 * (word + 1);
    for (int j = 64 * word; j < end; j += 4) {
      const __m128i moved = moved_states(mul + j, add + j, s);
      const uint32_t block =
          static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_slli_epi32(moved, 1))));
      bits |= static_cast<uint64_t>(block) << (j & 63);
    }
    set.word[word] = bits;
  }
#else
  // Bit 30 of the moved state is the top bit of output15.
  static_assert(HALF_POINT == 1 << 14, "the top bit of a 15-bit value marks the upper half");
  for (int word = 0; word < 2; ++word) {
    uint64_t bits = 0;
    const int end = n < 64 * (word + 1) ? n : 64 * (word + 1);
    for (int j = 64 * word; j < end; ++j)
      bits |= static_cast<uint64_t>(((mul[j] * state + add[j]) >> 30) & 1u) << (j & 63);
    set.word[word] = bits;
  }
#endif
  return set;
}

static inline OffspringSet first_offspring(int n) {
  return {{n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1,
           n <= 64 ? 0 : (uint64_t{1} << (n - 64)) - 1}};
}

static inline OffspringSet values_at_least(const uint32_t* value, int n, uint32_t bound) {
  OffspringSet set{{0, 0}};
#ifdef __AVX2__
  // Values are below 2^15, so a signed comparison with bound - 1 serves.
  const __m256i below = _mm256_set1_epi32(static_cast<int>(bound) - 1);
  for (int word = 0; word < 2; ++word) {
    uint64_t bits = 0;
    const int end = n < 64 * (word + 1) ? n : 64 * (word + 1);
    for (int j = 64 * word; j < end; j += 8) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(value + j));
      const uint32_t block = static_cast<uint32_t>(
          _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(v, below))));
      bits |= static_cast<uint64_t>(block) << (j & 63);
    }
    set.word[word] = bits;
  }
  // Lanes past n may hold anything; keep offspring 0 .. n-1 only.
  const OffspringSet all = first_offspring(n);
  set.word[0] &= all.word[0];
  set.word[1] &= all.word[1];
#elif defined(__SSE2__)
  const __m128i below = _mm_set1_epi32(static_cast<int>(bound) - 1);
  for (int word = 0; word < 2; ++word) {
    uint64_t bits = 0;
    const int end = n < 64 * (word + 1) ? n : 64 * (word + 1);
    for (int j = 64 * word; j < end; j += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(value + j));
      const uint32_t block =
          static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(v, below))));
      bits |= static_cast<uint64_t>(block) << (j & 63);
    }
    set.word[word] = bits;
  }
  const OffspringSet all = first_offspring(n);
  set.word[0] &= all.word[0];
  set.word[1] &= all.word[1];
#else
  for (int word = 0; word < 2; ++word) {
    uint64_t bits = 0;
    const int end = n < 64 * (word + 1) ? n : 64 * (word + 1);
    for (int j = 64 * word; j < end; ++j)
      bits |= static_cast<uint64_t>(value[j] >= bound ? 1 : 0) << (j & 63);
    set.word[word] = bits;
  }
#endif
  return set;
}

static inline void draw_values(const uint32_t* mul, const uint32_t* add, int n, uint32_t state,
                               uint32_t* value) {
  const int lanes = (n + 7) / 8 * 8;
#ifdef __AVX2__
  const __m256i s = _mm256_set1_epi32(static_cast<int>(state));
  const __m256i low15 = _mm256_set1_epi32(RANDOM15_VALUES - 1);
  for (int j = 0; j < lanes; j += 8) {
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mul + j));
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(add + j));
    const __m256i moved = _mm256_add_epi32(_mm256_mullo_epi32(m, s), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(value + j),
                        _mm256_and_si256(_mm256_srli_epi32(moved, 16), low15));  // output15
  }
#elif defined(__SSE2__)
  const __m128i s = _mm_set1_epi32(static_cast<int>(state));
  const __m128i low15 = _mm_set1_epi32(RANDOM15_VALUES - 1);
  for (int j = 0; j < lanes; j += 4) {
    const __m128i moved = moved_states(mul + j, add + j, s);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(value + j),
                     _mm_and_si128(_mm_srli_epi32(moved, 16), low15));  // output15
  }
#else
  for (int j = 0; j < lanes; ++j)
    value[j] = static_cast<uint32_t>(output15(mul[j] * state + add[j]));
#endif
}

static inline OffspringSet draw_values_at_least(const uint32_t* mul, const uint32_t* add, int n,
                                                uint32_t state, uint32_t bound, uint32_t* value) {
  draw_values(mul, add, n, state, value);
  return values_at_least(value, n, bound);
}

}  // namespace mpdetect
