#include "simulation/genotyping_error.h"

#include "simulation/error_draws.h"

namespace mpdetect {

using namespace error_draws;

namespace {

// The same by a search of the whole table, for building gap_start.
int gap_searched(const ErrorModel& model, double u) {
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

}  // namespace

ErrorModel error_model(const ErrorRates& rates, const StudyData& study) {
  ErrorModel model{};
  model.rates = rates;
  for (int i = 0; i < study.locus_count; ++i) {
    model.alleles[i] = study.allele_count[i];
    for (int b = 0; b < study.allele_count[i]; ++b)
      model.below[i][b + 1] = model.below[i][b] + study.allele_frequency[i][b];
    for (int a = 0; a < study.allele_count[i]; ++a)
      model.others_rise[i][a] = error_draws::others_rise(model, i, a);
  }
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
  // A variate of bucket k lies below (k + 1) / GAP_BUCKETS, so its gap is
  // no smaller than that bound's.
  for (int k = 0; k < GAP_BUCKETS; ++k)
    model.gap_start[k] =
        static_cast<uint8_t>(gap_searched(model, static_cast<double>(k + 1) / GAP_BUCKETS));
  return model;
}

Genotype read_with_error(const ErrorModel& model, int locus, const Genotype& truth,
                         const ReadError& error) {
  return apply_error(model, locus, truth, kinds_of(model, error));
}

uint64_t error_key(uint32_t state) {
  return draw_error_key(state);
}

ErrorStream error_stream(uint64_t key, int64_t trial, int locus) {
  return draw_error_stream(key, trial, locus);
}

bool next_error(const ErrorModel& model, ErrorStream& stream, int from, ReadError& error) {
  return draw_next_error(model, stream, from, error);
}

ErrorKinds kinds_of(const ErrorModel& model, const ReadError& error) {
  return draw_kinds(model, error);
}

Genotype apply_error(const ErrorModel& model, int locus, const Genotype& truth,
                     const ErrorKinds& kinds) {
  return draw_applied(model, locus, truth, kinds);
}

}  // namespace mpdetect
