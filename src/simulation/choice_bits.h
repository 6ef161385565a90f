// Many two-way choices of one trial at once: whether each of a set of
// generator values, read at known offsets from one state, is 16384 or more.
#pragma once

#include <cstdint>

#ifdef __AVX2__
#include <immintrin.h>
#endif

// Offspring sets as bits: bit j of word j / 64 stands for offspring j.
struct OffspringSet {
  uint64_t word[2];
};

// The mul and add arrays hold this many entries at least: a whole number of
// eight-lane blocks covering every offspring.
constexpr int CHOICE_LANES = 104;

// The set of j < n whose value, next_random15 after the state moves from
// `state` by the map (mul[j], add[j]), is 16384 or more (that is, bit 30 of
// the moved state is set).
// REQUIRES: n <= 100; entries from n up to the next multiple of 8 are 0.
OffspringSet upper_half_choices(const uint32_t* mul, const uint32_t* add, int n, uint32_t state);

// Stores each value, next_random15 after the state moves from `state` by the
// map (mul[j], add[j]), in value[j] for j up to the next multiple of 8 past
// n, and returns the set of j < n whose value is at least `bound`.
// REQUIRES: n <= 100; mul and add as for upper_half_choices.
OffspringSet draw_values_at_least(const uint32_t* mul, const uint32_t* add, int n, uint32_t state,
                                  uint32_t bound, uint32_t* value);

// The offspring 0 .. n-1.
// REQUIRES: 0 <= n <= 100.
OffspringSet first_offspring(int n);

// The set of j < n with value[j] >= bound.
// REQUIRES: n <= 100; value holds entries up to the next multiple of 8.
OffspringSet values_at_least(const uint32_t* value, int n, uint32_t bound);

// Inline, since a trial calls these a few times on a handful of blocks each:
// a call would cost as much as the work.
inline OffspringSet upper_half_choices(const uint32_t* mul, const uint32_t* add, int n,
                                       uint32_t state) {
  OffspringSet set{{0, 0}};
#ifdef __AVX2__
  // Eight lanes at a time; a block of eight never straddles a word. Lanes
  // past n have mul and add 0, so their state is 0 and their bit clear.
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
#else
  for (int j = 0; j < n; ++j) {
    set.word[j >> 6] |= static_cast<uint64_t>(((mul[j] * state + add[j]) >> 30) & 1u) << (j & 63);
  }
#endif
  return set;
}

inline OffspringSet first_offspring(int n) {
  return {{n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1,
           n <= 64 ? 0 : (uint64_t{1} << (n - 64)) - 1}};
}

inline OffspringSet values_at_least(const uint32_t* value, int n, uint32_t bound) {
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
#else
  for (int j = 0; j < n; ++j)
    set.word[j >> 6] |= static_cast<uint64_t>(value[j] >= bound ? 1 : 0) << (j & 63);
#endif
  return set;
}

inline OffspringSet draw_values_at_least(const uint32_t* mul, const uint32_t* add, int n,
                                         uint32_t state, uint32_t bound, uint32_t* value) {
  const int lanes = (n + 7) / 8 * 8;
#ifdef __AVX2__
  const __m256i s = _mm256_set1_epi32(static_cast<int>(state));
  const __m256i low15 = _mm256_set1_epi32(0x7FFF);
  for (int j = 0; j < lanes; j += 8) {
    const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mul + j));
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(add + j));
    const __m256i moved = _mm256_add_epi32(_mm256_mullo_epi32(m, s), a);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(value + j),
                        _mm256_and_si256(_mm256_srli_epi32(moved, 16), low15));
  }
#else
  for (int j = 0; j < lanes; ++j) value[j] = ((mul[j] * state + add[j]) >> 16) & 0x7FFFu;
#endif
  return values_at_least(value, n, bound);
}
