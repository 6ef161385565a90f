// The error draws themselves, for the two places that make them: the
// plain statement (genotyping_error.cc) and the estimator's kernel, which
// is built once per instruction set and so takes them as functions of its
// own (internal linkage, inlined), never borrowing another build's. Both
// run the same integer arithmetic and comparisons of the same doubles, so
// they draw alike. The interface is genotyping_error.h.
#pragma once

#include "simulation/genotyping_error.h"

namespace mpdetect {

namespace error_draws {

// SplitMix64's output function: every bit of its input reaches every bit
// of its output.
static inline uint64_t mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

constexpr uint64_t GOLDEN_GAMMA = 0x9E3779B97F4A7C15u;

// A uniform variate from 0 to 1, never 1: 53 random bits.
static inline double next_uniform(ErrorStream& stream) {
  stream.state += GOLDEN_GAMMA;
  return static_cast<double>(mix(stream.state) >> 11) * 0x1.0p-53;
}

constexpr int GAP_BUCKETS = sizeof(ErrorModel::gap_start);

// How many reads in a row an error passes over, for a variate u above 0
// and at most 1: the most m with clean_run[m] at least u, so that the gap
// is m or more with chance clean_run[m]. Found by comparisons with the
// table alone, from where the bucket of u says it starts.
static inline int gap_for(const ErrorModel& model, double u) {
  const int bucket = static_cast<int>(u * GAP_BUCKETS);
  int gap = model.gap_start[bucket < GAP_BUCKETS ? bucket : GAP_BUCKETS - 1];
  while (gap < READS_PER_LOCUS && model.clean_run[gap + 1] >= u) ++gap;
  return gap;
}

// The frequencies at `locus` of the alleles other than `allele`, summed
// up to and including b.
static inline double others_up_to(const ErrorModel& model, int locus, int32_t allele, int b) {
  const double* below = model.below[locus];
  const double own = below[allele + 1] - below[allele];
  return b < allele ? below[b + 1] : b == allele ? below[allele] : below[b + 1] - own;
}

// Whether those sums never fall as b rises. They are sums of frequencies,
// none negative, but the ones past `allele` are taken less its own, and
// rounding may leave one a hair below the one before.
static inline bool others_rise(const ErrorModel& model, int locus, int32_t allele) {
  for (int b = 0; b + 1 < model.alleles[locus]; ++b) {
    if (others_up_to(model, locus, allele, b + 1) < others_up_to(model, locus, allele, b))
      return false;
  }
  return true;
}

// A false call of `allele` at `locus`: another allele of the locus, drawn
// by the frequencies of the others, u the draw's variate: the first b at
// which the others' frequencies summed up to and including b pass u times
// their total, as a search by halves finds it. A locus with no other
// allele of any frequency keeps the call.
static inline int32_t false_call(const ErrorModel& model, int locus, int32_t allele, double u) {
  const int alleles = model.alleles[locus];
  const double others = others_up_to(model, locus, allele, alleles - 1);
  if (others <= 0) return allele;
  const double target = u * others;
  if (model.others_rise[locus][allele]) {
    // Sums that never fall pass the target from the first that does on:
    // it is the count of those that do not, counted without a branch
    // (which way each search step goes cannot be foreseen).
    // The sums are others_up_to's, taken in its three ranges of b.
    const double* below = model.below[locus];
    const double own = below[allele + 1] - below[allele];
    int first = 0;
    for (int b = 0; b < allele; ++b) first += below[b + 1] <= target ? 1 : 0;
    if (allele + 1 < alleles) first += below[allele] <= target ? 1 : 0;
    for (int b = allele + 1; b + 1 < alleles; ++b) first += below[b + 1] - own <= target ? 1 : 0;
    return first;
  }
  int low = 0, high = alleles - 1;  // the sum at alleles - 1 passes the target
  while (low < high) {
    const int middle = (low + high) / 2;
    if (others_up_to(model, locus, allele, middle) > target) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return low;
}

static inline uint64_t draw_error_key(uint32_t state) {
  return mix(uint64_t{state} ^ 0x6A09E667F3BCC908u);
}

// Each locus of each trial has a run of its own in the SplitMix64 sequence
// that starts at the key: far enough apart that no run reaches the next
// (a locus draws one gap per read at most).
constexpr uint64_t STREAM_STRIDE = 128;
static_assert(READS_PER_LOCUS < STREAM_STRIDE, "a locus's gaps stay in its own run");

static inline ErrorStream draw_error_stream(uint64_t key, int64_t trial, int locus) {
  const uint64_t run = static_cast<uint64_t>(trial) * MAX_LOCI + static_cast<uint64_t>(locus);
  return ErrorStream{key + run * STREAM_STRIDE * GOLDEN_GAMMA};
}

static inline bool draw_next_error(const ErrorModel& model, ErrorStream& stream, int from,
                                   ReadError& error) {
  const int read = from + gap_for(model, 1 - next_uniform(stream));
  if (read >= READS_PER_LOCUS) return false;
  error.read = read;
  error.draws = stream.state;
  return true;
}

// draw_next_error for a caller who stops at the first error at or past
// read `limit`: false also when the next error falls there or later. Since
// clean_run never rises, the gap reaches limit - from exactly when
// clean_run[limit - from] is at least the variate, so most clean loci are
// settled by that one comparison, without the gap's search; the stream
// moves as draw_next_error moves it.
static inline bool draw_next_error_before(const ErrorModel& model, ErrorStream& stream, int from,
                                          int limit, ReadError& error) {
  const double u = 1 - next_uniform(stream);
  const int reads = limit - from;
  if (reads <= READS_PER_LOCUS && model.clean_run[reads] >= u) return false;
  const int read = from + gap_for(model, u);
  if (read >= READS_PER_LOCUS) return false;
  error.read = read;
  error.draws = stream.state;
  return true;
}

static inline ErrorKinds draw_kinds(const ErrorModel& model, const ReadError& error) {
  // A stream of the read's own, from where the gap to it was drawn; its
  // first value says which draws fired (its top 53 bits) and which allele
  // a dropout keeps (its lowest).
  const uint64_t first = mix(error.draws ^ 0x5851F42D4C957F2Du);
  ErrorStream draws{first};
  const double v = static_cast<double>(first >> 11) * 0x1.0p-53 * model.pattern_total[6];
  // The first pattern whose running total passes v: the totals never
  // fall, so it is one more than the count of those v reaches (counted
  // without a branch, since which it is cannot be foreseen).
  int pattern = 1;
  for (int p = 0; p < 6; ++p) pattern += v >= model.pattern_total[p] ? 1 : 0;
  ErrorKinds kinds{};
  kinds.dropout = (pattern & 1) != 0;
  kinds.false_call[0] = (pattern & 2) != 0;
  kinds.false_call[1] = (pattern & 4) != 0;
  kinds.kept = static_cast<int>(first & 1);
  for (int slot = 0; slot < 2; ++slot)
    kinds.replacement[slot] = kinds.false_call[slot] ? next_uniform(draws) : 0;
  return kinds;
}

static inline Genotype draw_applied(const ErrorModel& model, int locus, const Genotype& truth,
                                    const ErrorKinds& kinds) {
  Genotype read = truth;
  if (kinds.dropout && read.slot[0] != read.slot[1]) {
    const int32_t kept = read.slot[kinds.kept];
    read = Genotype{{kept, kept}};
  }
  for (int slot = 0; slot < 2; ++slot) {
    if (kinds.false_call[slot])
      read.slot[slot] = false_call(model, locus, read.slot[slot], kinds.replacement[slot]);
  }
  return read;
}

}  // namespace error_draws

}  // namespace mpdetect
