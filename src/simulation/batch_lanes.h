// The lane operations the batched stage is written in: 32-bit lanes, eight
// to a vector with AVX2, four with SSE2 (which every x86-64 machine has).
// A comparison gives all ones in a lane where it holds, zero elsewhere.
//
// The page's WebAssembly build has no batch: written in its own vector
// operations or in SSE2's, which it translates, the batch made the page's
// eight designs on bench/largest.txt slower (1.8 and 2.3 s against 1.7 s).
//
// Only the estimator's kernel (and its test) includes this, once for each
// instruction set it is built for; the functions are static so that each
// build keeps its own.
#pragma once

#if defined(__AVX2__)
#include <immintrin.h>
#define MPDETECT_BATCH_LANES 8
#elif defined(__SSE2__) && !defined(__EMSCRIPTEN__)
#include <emmintrin.h>
#define MPDETECT_BATCH_LANES 4
#endif

#ifdef MPDETECT_BATCH_LANES
#include <cstdint>

namespace mpdetect {
namespace lanes {

constexpr int WIDTH = MPDETECT_BATCH_LANES;

// The most sires worth batching. With four lanes, no gather and a multiply
// put together from halves, a batch costs more per trial than the
// trial-by-trial code's first look wherever more sires let that look settle
// most trials: five sires at 25 loci of 30 alleles take half as long again.
#if defined(__AVX2__)
constexpr int MOST_SIRES = 7;
#else
constexpr int MOST_SIRES = 2;
#endif

#if defined(__AVX2__)
using Vec = __m256i;

static inline Vec splat(int32_t x) {
  return _mm256_set1_epi32(x);
}
static inline Vec zero() {
  return _mm256_setzero_si256();
}
static inline Vec load(const uint32_t* x) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x));
}
static inline void store(uint32_t* x, Vec v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(x), v);
}
static inline Vec plus(Vec x, Vec y) {
  return _mm256_add_epi32(x, y);
}
static inline Vec minus(Vec x, Vec y) {
  return _mm256_sub_epi32(x, y);
}
// x times m in every lane.
static inline Vec times(Vec x, uint32_t m) {
  return _mm256_mullo_epi32(x, _mm256_set1_epi32(static_cast<int>(m)));
}
static inline Vec both(Vec x, Vec y) {
  return _mm256_and_si256(x, y);
}
static inline Vec either(Vec x, Vec y) {
  return _mm256_or_si256(x, y);
}
static inline Vec but_not(Vec x, Vec y) {
  return _mm256_andnot_si256(y, x);
}  // x and not y
static inline Vec flipped(Vec x) {
  return _mm256_xor_si256(x, _mm256_set1_epi32(-1));
}
static inline Vec equal(Vec x, Vec y) {
  return _mm256_cmpeq_epi32(x, y);
}
static inline Vec greater(Vec x, Vec y) {
  return _mm256_cmpgt_epi32(x, y);
}
template <int n>
static inline Vec right(Vec x) {
  return _mm256_srli_epi32(x, n);
}
template <int n>
static inline Vec left(Vec x) {
  return _mm256_slli_epi32(x, n);
}
// 1 << k in each lane.
// REQUIRES: 0 <= k <= 30 in every lane.
static inline Vec bit_at(Vec k) {
  return _mm256_sllv_epi32(_mm256_set1_epi32(1), k);
}
// The lanes where `mask` holds, as bits.
static inline uint32_t lanes_of(Vec mask) {
  return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(mask)));
}
// y where `mask` holds, x elsewhere.
static inline Vec chosen(Vec mask, Vec x, Vec y) {
  return _mm256_blendv_epi8(x, y, mask);
}
// The byte at base + index in each lane, sign extended. Each lane reads
// the three bytes after it too.
// REQUIRES: base + index + 3 within one object in every lane.
static inline Vec byte_at(const int8_t* base, Vec index) {
  const __m256i read = _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), index, 1);
  return _mm256_srai_epi32(_mm256_slli_epi32(read, 24), 24);
}
#else
using Vec = __m128i;

static inline Vec splat(int32_t x) {
  return _mm_set1_epi32(x);
}
static inline Vec zero() {
  return _mm_setzero_si128();
}
static inline Vec load(const uint32_t* x) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
}
static inline void store(uint32_t* x, Vec v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(x), v);
}
static inline Vec plus(Vec x, Vec y) {
  return _mm_add_epi32(x, y);
}
static inline Vec minus(Vec x, Vec y) {
  return _mm_sub_epi32(x, y);
}
// SSE2 multiplies two lanes at a time into 64 bits; the low halves of the
// even and the odd lanes are put back together.
static inline Vec times(Vec x, uint32_t m) {
  const __m128i by = _mm_set1_epi32(static_cast<int>(m));
  const __m128i even = _mm_mul_epu32(x, by);
  const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(x, 32), by);
  return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                            _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}
static inline Vec both(Vec x, Vec y) {
  return _mm_and_si128(x, y);
}
static inline Vec either(Vec x, Vec y) {
  return _mm_or_si128(x, y);
}
static inline Vec but_not(Vec x, Vec y) {
  return _mm_andnot_si128(y, x);
}
static inline Vec flipped(Vec x) {
  return _mm_xor_si128(x, _mm_set1_epi32(-1));
}
static inline Vec equal(Vec x, Vec y) {
  return _mm_cmpeq_epi32(x, y);
}
static inline Vec greater(Vec x, Vec y) {
  return _mm_cmpgt_epi32(x, y);
}
template <int n>
static inline Vec right(Vec x) {
  return _mm_srli_epi32(x, n);
}
template <int n>
static inline Vec left(Vec x) {
  return _mm_slli_epi32(x, n);
}
// 1 << k in each lane, without a shift by lanes: k + 127 in a float's
// exponent is 2^k, which converts to that integer exactly.
// REQUIRES: 0 <= k <= 30 in every lane.
static inline Vec bit_at(Vec k) {
  return _mm_cvttps_epi32(
      _mm_castsi128_ps(_mm_slli_epi32(_mm_add_epi32(k, _mm_set1_epi32(127)), 23)));
}
static inline uint32_t lanes_of(Vec mask) {
  return static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(mask)));
}
static inline Vec chosen(Vec mask, Vec x, Vec y) {
  return _mm_or_si128(_mm_andnot_si128(mask, x), _mm_and_si128(mask, y));
}
// Without a gather, one lane at a time.
static inline Vec byte_at(const int8_t* base, Vec index) {
  alignas(16) uint32_t at[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
  return _mm_setr_epi32(base[at[0]], base[at[1]], base[at[2]], base[at[3]]);
}
#endif

// Lanes where x differs from y.
static inline Vec unequal(Vec x, Vec y) {
  return flipped(equal(x, y));
}

}  // namespace lanes
}  // namespace mpdetect

#endif
