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

// A false call of `allele` at `locus`: another allele of the locus, drawn
// by the frequencies of the others, u the draw's variate: the first b at
// which the others' frequencies summed up to and including b pass u times
// their total. A locus with no other allele of any frequency keeps the
// call.
static inline int32_t false_call(const ErrorModel& model, int locus, int32_t allele, double u) {
  const double* below = model.below[locus];
  const int alleles = model.alleles[locus];
  const double own = below[allele + 1] - below[allele];
  // The others' frequencies up to and including b.
  auto up_to = [&](int b) {
    return b < allele ? below[b + 1] : b == allele ? below[allele] : below[b + 1] - own;
  };
  const double others = up_to(alleles - 1);
  if (others <= 0) return allele;
  const double target = u * others;
  int low = 0, high = alleles - 1;  // up_to(alleles - 1) passes the target
  while (low < high) {
    const int middle = (low + high) / 2;
    if (up_to(middle) > target) {
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

static inline ErrorKinds draw_kinds(const ErrorModel& model, const ReadError& error) {
  // A stream of the read's own, from where the gap to it was drawn; its
  // first value says which draws fired (its top 53 bits) and which allele
  // a dropout keeps (its lowest).
  const uint64_t first = mix(error.draws ^ 0x5851F42D4C957F2Du);
  ErrorStream draws{first};
  const double v = static_cast<double>(first >> 11) * 0x1.0p-53 * model.pattern_total[6];
  int pattern = 1;
  while (pattern < 7 && v >= model.pattern_total[pattern - 1]) ++pattern;
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
