#include "plan/estimate/likelihood_trials.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "plan/estimate/parallel.h"

namespace mpdetect {

ReadModel reading_of(const ErrorRates& errors, double allowance) {
  if (any_errors(errors)) return ReadModel{errors.dropout, errors.false_allele};
  return ReadModel{0, allowance};
}

int64_t default_likelihood_trials(double alpha) {
  return std::max<int64_t>(1000, static_cast<int64_t>(std::ceil(16 / alpha - 1e-9)));
}

namespace {

std::vector<double> cumulative_of(const std::vector<double>& values) {
  std::vector<double> sums;
  double sum = 0;
  for (const double value : values) sums.push_back(sum += value);
  return sums;
}

// SplitMix64 (Steele, Lea and Flood 2014): a fast generator whose states
// may be keyed directly, each trial's draws following from its key alone.
struct TrialRandom {
  uint64_t state;
  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform on [0, 1), from 53 bits.
  double uniform() { return static_cast<double>(next() >> 11) * 0x1p-53; }
};

uint64_t trial_key(uint32_t seed, BroodSet set, int brood_size, int64_t trial) {
  TrialRandom mix{(static_cast<uint64_t>(seed) << 32) ^ (static_cast<uint64_t>(set) << 24) ^
                  static_cast<uint64_t>(brood_size)};
  mix.state = mix.next() ^ static_cast<uint64_t>(trial);
  return mix.next();
}

// The index that `cumulative` places u times its total at.
int draw_from(const std::vector<double>& cumulative, double u) {
  const double v = u * cumulative.back();
  const auto at = std::upper_bound(cumulative.begin(), cumulative.end(), v);
  return static_cast<int>(
      std::min<ptrdiff_t>(at - cumulative.begin(), static_cast<ptrdiff_t>(cumulative.size()) - 1));
}

// An allele other than `allele`, drawn by the frequencies of the others.
int32_t other_allele(const std::vector<double>& cumulative, int32_t allele, double u) {
  const size_t a = static_cast<size_t>(allele);
  const double below = a ? cumulative[a - 1] : 0;
  const double own = cumulative[a] - below;
  double v = u * (cumulative.back() - own);
  if (v >= below) v += own;
  const auto at = std::upper_bound(cumulative.begin(), cumulative.end(), v);
  int32_t drawn = static_cast<int32_t>(
      std::min<ptrdiff_t>(at - cumulative.begin(), static_cast<ptrdiff_t>(cumulative.size()) - 1));
  // Rounding at the edge of the skipped allele's span.
  if (drawn == allele)
    drawn = allele + 1 < static_cast<int32_t>(cumulative.size())
                ? allele + 1
                : (allele > 0 ? allele - 1 : allele);
  return drawn;
}

// `truth` read with the design's errors (genotyping_error.h's model).
Genotype read_with_errors(const LikelihoodTables& tables, int locus, Genotype truth,
                          TrialRandom& random) {
  const ErrorRates& errors = tables.errors;
  if (truth.slot[0] != truth.slot[1] && random.uniform() < errors.dropout) {
    const int kept = random.uniform() < 0.5 ? 0 : 1;
    truth.slot[1 - kept] = truth.slot[kept];
  }
  const std::vector<double>& cumulative = tables.cumulative[static_cast<size_t>(locus)];
  if (cumulative.size() < 2) return truth;
  for (int32_t& allele : truth.slot) {
    if (random.uniform() < errors.false_allele)
      allele = other_allele(cumulative, allele, random.uniform());
  }
  return truth;
}

// `truth` as read: unchanged where the design has no errors (tested here,
// so that an error-free brood's reads cost no call), else with them.
inline Genotype read_of(const LikelihoodTables& tables, int locus, Genotype truth,
                        TrialRandom& random) {
  if (!any_errors(tables.errors)) return truth;
  return read_with_errors(tables, locus, truth, random);
}

}  // namespace

LikelihoodTables likelihood_tables(const WideStudy& study, bool unsampled_mother,
                                   const ErrorRates& errors, const ReadModel& reading) {
  LikelihoodTables tables{study, unsampled_mother,           errors, reading,
                          {},    cumulative_of(study.share), {}};
  for (const std::vector<double>& locus : study.frequency)
    tables.cumulative.push_back(cumulative_of(locus));
  return tables;
}

void draw_likelihood_brood(const LikelihoodTables& tables, BroodSet set, int brood_size,
                           int64_t trial, uint32_t seed, BroodReads& brood,
                           std::vector<int>& sire_of) {
  TrialRandom random{trial_key(seed, set, brood_size, trial)};
  const int loci = static_cast<int>(tables.study.frequency.size());
  const bool single = set == BroodSet::CALIBRATION || set == BroodSet::SINGLE_SIRE;
  const int sires = single ? 1 : static_cast<int>(tables.study.share.size());
  brood.loci = loci;
  brood.offspring = brood_size;
  brood.mother_typed = !tables.unsampled_mother;
  brood.mother.resize(static_cast<size_t>(loci));
  brood.young.resize(static_cast<size_t>(loci) * static_cast<size_t>(brood_size));
  sire_of.resize(static_cast<size_t>(brood_size));
  for (int j = 0; j < brood_size; ++j)
    sire_of[static_cast<size_t>(j)] =
        single ? 0 : draw_from(tables.sire_cumulative, random.uniform());
  Genotype father[PLAN_MAX_SIRES];
  for (int l = 0; l < loci; ++l) {
    const std::vector<double>& cumulative = tables.cumulative[static_cast<size_t>(l)];
    Genotype mother = tables.study.mother[static_cast<size_t>(l)];
    if (!tables.study.mother_known) {
      for (int32_t& allele : mother.slot) allele = draw_from(cumulative, random.uniform());
    }
    for (int k = 0; k < sires; ++k) {
      for (int32_t& allele : father[k].slot) allele = draw_from(cumulative, random.uniform());
    }
    // A mother given in advance is known as she is; one drawn is read.
    brood.mother[static_cast<size_t>(l)] =
        tables.study.mother_known ? mother : read_of(tables, l, mother, random);
    for (int j = 0; j < brood_size; ++j) {
      const uint64_t bits = random.next();
      const Genotype child{
          {mother.slot[bits & 1u], father[sire_of[static_cast<size_t>(j)]].slot[(bits >> 1) & 1u]}};
      brood.young[static_cast<size_t>(j * loci + l)] = read_of(tables, l, child, random);
    }
  }
  if (tables.untyped.size() == brood.young.size()) {
    for (size_t r = 0; r < brood.young.size(); ++r) {
      if (tables.untyped[r]) brood.young[r] = Genotype{{-1, -1}};
    }
  }
}

double most_terms(const WideStudy& study, bool unsampled_mother, const ErrorRates& errors,
                  int brood_size) {
  const double sires = static_cast<double>(study.share.size());
  double terms = 0;
  for (const std::vector<double>& locus : study.frequency) {
    const double alleles = static_cast<double>(locus.size());
    const double shown =
        any_errors(errors) ? alleles : std::min(alleles, 2 + 2 * std::min(sires, 1.0 * brood_size));
    const double classes = shown + 1;
    const double pairs = classes * (classes + 1) / 2;
    terms += pairs * (unsampled_mother ? pairs : 1) * brood_size;
  }
  return terms;
}

Status check_likelihood_design(const WideStudy& study, bool unsampled_mother,
                               const ErrorRates& errors, int max_brood) {
  if (max_brood > LIKELIHOOD_MAX_OFFSPRING) {
    return failure("the likelihood verdict judges broods of up to " +
                   std::to_string(LIKELIHOOD_MAX_OFFSPRING) + " offspring, not " +
                   std::to_string(max_brood));
  }
  const double terms = most_terms(study, unsampled_mother, errors, max_brood);
  if (terms <= MOST_TERMS) return success();
  char text[64];
  std::snprintf(text, sizeof text, "%.0f", terms);
  return failure(std::string("the likelihood verdict would weigh up to ") + text +
                 " genotype terms a brood of " + std::to_string(max_brood) +
                 " for this design, past its 2000000: fewer loci, sires or offspring" +
                 (unsampled_mother ? ", or the mother sampled," : "") + " bring it within");
}

double calibrated_threshold(std::vector<double> values, double alpha) {
  const size_t n = values.size();
  const size_t k = static_cast<size_t>(std::ceil((1 - alpha) * static_cast<double>(n + 1) - 1e-9));
  if (k > n) return HUGE_VAL;
  std::nth_element(values.begin(), values.begin() + static_cast<ptrdiff_t>(k - 1), values.end());
  return values[k - 1];
}

int64_t false_detections_left_out(std::vector<double> values, double alpha) {
  const size_t n = values.size();
  // The others are n - 1 values: calibrated_threshold's k with n in place
  // of n + 1.
  const size_t k = static_cast<size_t>(std::ceil((1 - alpha) * static_cast<double>(n) - 1e-9));
  if (k > n - 1) return 0;
  std::sort(values.begin(), values.end());
  int64_t count = 0;
  for (size_t i = 0; i < n; ++i) {
    // Leaving out the first copy of values[i] (every copy leaves the same
    // others), the k-th smallest of the rest moves up one place when the
    // copy left lay among the k smallest.
    const size_t first = static_cast<size_t>(
        std::lower_bound(values.begin(), values.end(), values[i]) - values.begin());
    const double threshold = first < k ? values[k] : values[k - 1];
    count += values[i] > threshold;
  }
  return count;
}

double brood_statistic(const BroodTerms& terms, SplitSearch& search, int exact_up_to,
                       double enough) {
  return terms.offspring <= exact_up_to ? exact_split_statistic(terms, search)
                                        : searched_split_statistic(terms, search, enough);
}

namespace {

// The value `judge` gives each of `trials` broods of `set` at brood_size,
// drawn and read from `tables`: trials split into blocks, each a job with
// its own storage.
template <class Judge>
std::vector<double> judge_broods(const LikelihoodTables& tables, BroodSet set, int brood_size,
                                 int64_t trials, uint32_t seed, int threads, const Judge& judge) {
  constexpr int64_t BLOCK = 250;
  const int64_t blocks = (trials + BLOCK - 1) / BLOCK;
  std::vector<double> values(static_cast<size_t>(trials), 0);
  run_jobs(static_cast<size_t>(blocks), threads, [&](size_t b) {
    BroodReads brood;
    std::vector<int> sire_of;
    BroodTerms terms;
    SplitSearch search;
    const int64_t first = static_cast<int64_t>(b) * BLOCK;
    for (int64_t t = first; t < trials && t < first + BLOCK; ++t) {
      draw_likelihood_brood(tables, set, brood_size, t, seed, brood, sire_of);
      prepare_brood_terms(tables.study.frequency, tables.reading, brood, terms);
      values[static_cast<size_t>(t)] = judge(terms, search);
    }
  });
  return values;
}

}  // namespace

LikelihoodPoint likelihood_point(const LikelihoodTables& tables, int brood_size, int64_t trials,
                                 double alpha, uint32_t seed, int threads, int exact_up_to,
                                 FalseDetections measured) {
  const auto run_set = [&](BroodSet set, double enough, std::vector<double>& values) {
    values = judge_broods(tables, set, brood_size, trials, seed, threads,
                          [&](const BroodTerms& terms, SplitSearch& search) {
                            return brood_statistic(terms, search, exact_up_to, enough);
                          });
  };
  LikelihoodPoint point;
  point.brood_size = brood_size;
  point.trials = trials;
  std::vector<double> values;
  run_set(BroodSet::CALIBRATION, 1e300, values);
  point.threshold = calibrated_threshold(values, alpha);
  if (measured == FalseDetections::EACH_LEFT_OUT) {
    point.false_detections = trials >= 2 ? false_detections_left_out(values, alpha) : 0;
  } else {
    run_set(BroodSet::SINGLE_SIRE, point.threshold, values);
    for (const double t : values) point.false_detections += t > point.threshold;
  }
  point.detections =
      design_detections(tables, brood_size, trials, point.threshold, seed, threads, exact_up_to);
  return point;
}

int64_t design_detections(const LikelihoodTables& tables, int brood_size, int64_t trials,
                          double threshold, uint32_t seed, int threads, int exact_up_to) {
  const std::vector<double> values =
      judge_broods(tables, BroodSet::DESIGN, brood_size, trials, seed, threads,
                   [&](const BroodTerms& terms, SplitSearch& search) {
                     return brood_statistic(terms, search, exact_up_to, threshold);
                   });
  int64_t detections = 0;
  for (const double t : values) detections += t > threshold;
  return detections;
}

NextFather next_father(const BroodTerms& terms, const std::vector<int>& family_of, int families,
                       int exact_up_to) {
  NextFather best;
  BroodTerms part;
  SplitSearch search;
  for (int k = 0; k < families; ++k) {
    std::vector<int> members;
    for (int j = 0; j < terms.offspring; ++j) {
      if (family_of[static_cast<size_t>(j)] == k) members.push_back(j);
    }
    if (members.size() < 2) continue;
    restrict_terms(terms, members, part);
    const double statistic = brood_statistic(part, search, exact_up_to);
    if (statistic <= best.statistic) continue;
    best.statistic = statistic;
    best.family = k;
    best.members = members;
    best.within = search.best;
  }
  return best;
}

void split_off(const NextFather& father, int families, std::vector<int>& family_of) {
  for (size_t at = 0; at < father.members.size(); ++at) {
    if (father.within[at] == 1) family_of[static_cast<size_t>(father.members[at])] = families;
  }
}

double next_father_threshold(const LikelihoodTables& tables, int brood_size, int64_t trials,
                             double alpha, uint32_t seed, int threads, int exact_up_to) {
  const int sires = static_cast<int>(tables.study.share.size());
  return calibrated_threshold(
      judge_broods(tables, BroodSet::NEXT_FATHER, brood_size, trials, seed, threads,
                   [&](const BroodTerms& terms, SplitSearch& search) {
                     brood_statistic(terms, search, exact_up_to);
                     std::vector<int> family_of = search.best;
                     for (int families = 2; families < sires; ++families) {
                       const NextFather split =
                           next_father(terms, family_of, families, exact_up_to);
                       if (split.family < 0) break;
                       split_off(split, families, family_of);
                     }
                     return next_father(terms, family_of, sires, exact_up_to).statistic;
                   }),
      alpha);
}

}  // namespace mpdetect
