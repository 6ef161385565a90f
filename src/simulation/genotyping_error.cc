#include "simulation/genotyping_error.h"

namespace {

// SplitMix64's output function: every bit of its input reaches every bit
// of its output.
uint64_t mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

constexpr uint64_t GOLDEN_GAMMA = 0x9E3779B97F4A7C15u;

// A uniform variate from 0 to 1, never 1: 53 random bits.
double next_uniform(ErrorStream& stream) {
  stream.state += GOLDEN_GAMMA;
  return static_cast<double>(mix(stream.state) >> 11) * 0x1.0p-53;
}

// How many reads in a row an error passes over, for a variate u above 0
// and at most 1: the most m with clean_run[m] at least u, so that the gap
// is m or more with chance clean_run[m].
int gap_for(const ErrorModel& model, double u) {
  int low = 0, high = READS_PER_LOCUS;  // clean_run[low] >= u always
  while (low < high) {
    const int middle = (low + high + 1) / 2;
    if (model.clean_run[middle] >= u) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

// A false call of `allele`: another allele of the locus, drawn by the
// frequencies of the others. A locus with no other allele of any
// frequency keeps the call.
int32_t false_call(const StudyData& study, int locus, int32_t allele, double u) {
  const double* frequency = study.allele_frequency[locus];
  const int alleles = study.allele_count[locus];
  double others = 0;
  for (int b = 0; b < alleles; ++b) {
    if (b != allele) others += frequency[b];
  }
  if (others <= 0) return allele;
  double left = u * others;
  int32_t last = allele;
  for (int b = 0; b < alleles; ++b) {
    if (b == allele || frequency[b] <= 0) continue;
    if (left < frequency[b]) return b;
    left -= frequency[b];
    last = b;
  }
  return last;  // rounding carried the walk past the end
}

}  // namespace

ErrorModel error_model(const ErrorRates& rates) {
  ErrorModel model{};
  model.rates = rates;
  const double d = rates.dropout, e = rates.false_allele;
  const double clean = (1 - d) * (1 - e) * (1 - e);
  model.clean_run[0] = 1;
  for (int m = 1; m <= READS_PER_LOCUS; ++m) model.clean_run[m] = model.clean_run[m - 1] * clean;
  double total = 0;
  for (int pattern = 1; pattern < 8; ++pattern) {
    const double fired[3] = {d, e, e};
    double chance = 1;
    for (int draw = 0; draw < 3; ++draw)
      chance *= (pattern >> draw & 1) != 0 ? fired[draw] : 1 - fired[draw];
    total += chance;
    model.pattern_total[pattern - 1] = total;
  }
  return model;
}

uint64_t error_key(uint32_t state) {
  return mix(uint64_t{state} ^ 0x6A09E667F3BCC908u);
}

ErrorStream error_stream(uint64_t key, int64_t trial, int locus) {
  return ErrorStream{key ^ mix(static_cast<uint64_t>(trial) * MAX_LOCI + locus + 1)};
}

bool next_error(const ErrorModel& model, ErrorStream& stream, int from, ReadError& error) {
  const int read = from + gap_for(model, 1 - next_uniform(stream));
  if (read >= READS_PER_LOCUS) return false;
  const double v = next_uniform(stream) * model.pattern_total[6];
  int pattern = 1;
  while (pattern < 7 && v >= model.pattern_total[pattern - 1]) ++pattern;
  error.read = read;
  error.dropout = (pattern & 1) != 0;
  error.false_call[0] = (pattern & 2) != 0;
  error.false_call[1] = (pattern & 4) != 0;
  error.kept = error.dropout ? next_uniform(stream) : 0;
  for (int slot = 0; slot < 2; ++slot)
    error.replacement[slot] = error.false_call[slot] ? next_uniform(stream) : 0;
  return true;
}

Genotype read_with_error(const StudyData& study, int locus, const Genotype& truth,
                         const ReadError& error) {
  Genotype read = truth;
  if (error.dropout && read.slot[0] != read.slot[1]) {
    const int32_t kept = read.slot[error.kept >= 0.5 ? 1 : 0];
    read = Genotype{{kept, kept}};
  }
  for (int slot = 0; slot < 2; ++slot) {
    if (error.false_call[slot])
      read.slot[slot] = false_call(study, locus, read.slot[slot], error.replacement[slot]);
  }
  return read;
}
