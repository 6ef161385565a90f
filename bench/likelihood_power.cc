// The likelihood verdict's choice of statistic, measured: the largest
// log-likelihood ratio over two-family splits (what the planner uses)
// against the sum over every assignment of offspring to two fathers
// weighted by the sires' shares (the Neyman-Pearson statistic when the
// shares are known). Each is calibrated on the same single-sire broods at
// a false-detection rate of 0.01 and its power counted on the same design
// broods, both exact (every split) on broods of up to 10 offspring.
//   build-bench/likelihood_power
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "plan/estimate/likelihood_trials.h"
#include "plan/estimate/paternity_likelihood.h"

namespace mpdetect {
namespace {

// Loci of even-ish frequencies whose expected heterozygosity is `he` or
// near it (alleles weighted 1, r, r^2, ...), the mother drawn.
WideStudy design(int loci, int alleles, double ratio, std::vector<double> shares) {
  WideStudy study;
  for (int l = 0; l < loci; ++l) {
    std::vector<double> p;
    double total = 0, weight = 1;
    for (int a = 0; a < alleles; ++a, weight *= ratio) {
      p.push_back(weight);
      total += weight;
    }
    for (double& x : p) x /= total;
    study.frequency.push_back(p);
    study.mother.push_back(Genotype{{alleles - 1, alleles - 1}});
  }
  study.share = std::move(shares);
  return study;
}

double heterozygosity(const std::vector<double>& p) {
  double h = 1;
  for (const double x : p) h -= x * x;
  return h;
}

// log of the sum over assignments of offspring to fathers 0 and 1, each
// weighted by the product of its fathers' shares, of the likelihood, less
// log L(one family).
double summed_statistic(const BroodTerms& terms, const std::vector<double>& share) {
  const int n = terms.offspring;
  const double one = split_log_likelihood(terms, std::vector<int>(static_cast<size_t>(n), 0), 1);
  std::vector<int> family(static_cast<size_t>(n));
  std::vector<double> logs;
  for (uint32_t a = 0; a < (1u << n); ++a) {
    double weight = 0;
    for (int j = 0; j < n; ++j) {
      family[static_cast<size_t>(j)] = (a >> j) & 1;
      weight += std::log(share[static_cast<size_t>(family[static_cast<size_t>(j)])]);
    }
    logs.push_back(weight + split_log_likelihood(terms, family, 2));
  }
  const double top = *std::max_element(logs.begin(), logs.end());
  double sum = 0;
  for (const double x : logs) sum += std::exp(x - top);
  return top + std::log(sum) - one;
}

void measure(const char* name, const WideStudy& study, int size, int trials) {
  const LikelihoodTables tables = likelihood_tables(study, false, {}, reading_of({}, 0.01));
  BroodReads brood;
  std::vector<int> sire_of;
  BroodTerms terms;
  SplitSearch search;
  std::vector<double> null_max, null_sum, alt_max, alt_sum;
  for (int t = 0; t < trials; ++t) {
    for (const BroodSet set : {BroodSet::CALIBRATION, BroodSet::DESIGN}) {
      draw_likelihood_brood(tables, set, size, t, 2026, brood, sire_of);
      prepare_brood_terms(study.frequency, tables.reading, brood, terms);
      const double largest = exact_split_statistic(terms, search);
      const double summed = summed_statistic(terms, study.share);
      (set == BroodSet::DESIGN ? alt_max : null_max).push_back(largest);
      (set == BroodSet::DESIGN ? alt_sum : null_sum).push_back(summed);
    }
  }
  const auto power = [](const std::vector<double>& null, const std::vector<double>& alt) {
    const double t = calibrated_threshold(null, 0.01);
    double hits = 0;
    for (const double x : alt) hits += x > t;
    return hits / static_cast<double>(alt.size());
  };
  const double pm = power(null_max, alt_max), ps = power(null_sum, alt_sum);
  const double se = std::sqrt(0.5 * (pm * (1 - pm) + ps * (1 - ps)) / trials);
  std::printf("%-52s %2d  %.3f  %.3f  %+.3f (se of each %.3f)\n", name, size, pm, ps, ps - pm, se);
}

}  // namespace
}  // namespace mpdetect

int main() {
  using namespace mpdetect;
  const WideStudy weak4 = design(4, 4, 0.45, {0.8, 0.2});
  const WideStudy weak8 = design(8, 4, 0.45, {0.5, 0.5});
  const WideStudy snp50 = design(50, 2, 1.0, {0.5, 0.5});
  const WideStudy micro8 = design(8, 8, 0.8, {0.5, 0.5});
  std::printf("He of the weak loci %.2f, of the 8-allele loci %.2f\n",
              heterozygosity(weak4.frequency[0]), heterozygosity(micro8.frequency[0]));
  std::printf("%-52s %2s  %5s  %5s  %s\n", "design", "n", "max", "sum", "sum - max");
  measure("4 weak loci, shares 0.8/0.2", weak4, 10, 2000);
  measure("8 weak loci, 0.5/0.5", weak8, 6, 2000);
  measure("50 SNPs (minor allele 0.5), 0.5/0.5", snp50, 6, 2000);
  measure("8 loci of 8 alleles, 0.5/0.5", micro8, 4, 2000);
  return 0;
}
