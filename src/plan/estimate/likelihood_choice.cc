#include "plan/estimate/likelihood_choice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "plan/estimate/curve.h"
#include "plan/estimate/design_trials.h"
#include "plan/estimate/parallel.h"
#include "plan/input/plan_text.h"

namespace mpdetect {

std::vector<LocusInformation> locus_information(const std::vector<Design>& candidates,
                                                int brood_size, int64_t broods, uint32_t seed,
                                                int threads) {
  std::vector<LocusInformation> information(candidates.size());
  run_jobs(candidates.size(), threads, [&](size_t n) {
    const Design& design = candidates[n];
    const LikelihoodTables tables =
        likelihood_tables(wide_study_of(design), design.unsampled_mother, design.errors,
                          reading_of(design.errors, design.error_allowance));
    const int sires = static_cast<int>(tables.study.share.size());
    BroodReads brood;
    BroodTerms terms;
    std::vector<int> sire_of;
    const std::vector<int> one(static_cast<size_t>(brood_size), 0);
    double sum = 0, squares = 0;
    for (int64_t t = 0; t < broods; ++t) {
      draw_likelihood_brood(tables, BroodSet::DESIGN, brood_size, t, seed, brood, sire_of);
      prepare_brood_terms(tables.study.frequency, tables.reading, brood, terms);
      const double ratio =
          split_log_likelihood(terms, sire_of, sires) - split_log_likelihood(terms, one, 1);
      sum += ratio;
      squares += ratio * ratio;
    }
    const double count = static_cast<double>(broods);
    const double mean = sum / count;
    const double variance = std::max(0.0, (squares - count * mean * mean) / (count - 1));
    information[n] = LocusInformation{mean, std::sqrt(variance / count)};
  });
  return information;
}

std::vector<int> checkpoint_loci(int loci) {
  std::vector<int> points;
  for (int n = 1; n < loci; n *= 2) points.push_back(n);
  points.push_back(loci);
  return points;
}

LikelihoodChoice choose_likelihood_panel(const std::vector<Design>& candidates,
                                         const std::vector<LocusStatistics>& statistics, int choose,
                                         int brood_size, int64_t trials, uint32_t seed,
                                         int threads) {
  LikelihoodChoice choice;
  for (const Design& one : candidates) choice.names.push_back(one.locus_names[0]);
  choice.statistics = statistics;
  choice.asked = choose;
  choice.broods = INFORMATION_BROODS;
  choice.information = locus_information(candidates, brood_size, INFORMATION_BROODS, seed, threads);
  std::vector<int> ranked(candidates.size());
  for (size_t i = 0; i < ranked.size(); ++i) ranked[i] = static_cast<int>(i);
  std::stable_sort(ranked.begin(), ranked.end(), [&](int a, int b) {
    return choice.information[static_cast<size_t>(a)].mean >
           choice.information[static_cast<size_t>(b)].mean;
  });
  ranked.resize(std::min(ranked.size(), static_cast<size_t>(choose)));
  choice.chosen = ranked;
  const Design& first = candidates.front();
  for (const int loci : checkpoint_loci(static_cast<int>(ranked.size()))) {
    // The loci in the input's order, so that a panel is the same design
    // whatever order its loci were chosen in.
    std::vector<int> set(ranked.begin(), ranked.begin() + loci);
    std::sort(set.begin(), set.end());
    const Design panel = joined_design(candidates, set);
    const LikelihoodTables tables =
        likelihood_tables(wide_study_of(panel), first.unsampled_mother, first.errors,
                          reading_of(first.errors, first.error_allowance));
    choice.point_loci.push_back(loci);
    choice.points.push_back(
        likelihood_point(tables, brood_size, trials, first.false_detection, seed, threads));
  }
  return choice;
}

std::string likelihood_choice_table(const LikelihoodChoice& choice) {
  std::string table =
      "step,locus,information,information_standard_error,loci,probability,standard_error,"
      "false_detection,he,pic\n";
  size_t point = 0;
  for (size_t n = 0; n < choice.chosen.size(); ++n) {
    const size_t locus = static_cast<size_t>(choice.chosen[n]);
    const LocusStatistics& stats = choice.statistics[locus];
    char cells[160];
    std::snprintf(cells, sizeof cells, ",%.4f,%.4f,", choice.information[locus].mean,
                  choice.information[locus].error);
    table += std::to_string(n + 1);
    table += ",";
    table += csv_cell(choice.names[locus]);
    table += cells;
    if (point < choice.points.size() && choice.point_loci[point] == static_cast<int>(n + 1)) {
      const LikelihoodPoint& at = choice.points[point++];
      std::snprintf(cells, sizeof cells, "%zu,%.3f,%.4f,%.4f,", n + 1,
                    static_cast<double>(at.detections) / static_cast<double>(at.trials),
                    standard_error(at.detections, at.trials),
                    static_cast<double>(at.false_detections) / static_cast<double>(at.trials));
      table += cells;
    } else {
      table += ",,,,";
    }
    std::snprintf(cells, sizeof cells, "%.4f,%.4f\n", stats.expected_het, stats.pic);
    table += cells;
  }
  return table;
}

Notes likelihood_choice_notes(const LikelihoodChoice& choice, int brood_size) {
  Notes notes;
  std::string line = "chose " + std::to_string(choice.chosen.size()) + " of ";
  line += std::to_string(choice.names.size());
  line +=
      " loci by their information for the likelihood verdict: the expected log-likelihood "
      "ratio of a brood's true families against one, each from ";
  line += std::to_string(choice.broods);
  line += " broods of ";
  line += std::to_string(brood_size);
  line += "; the verdict itself estimated with the first 1, 2, 4, ... loci";
  if (!choice.points.empty()) {
    line += " (";
    line += std::to_string(choice.points.front().trials);
    line += " broods of each set)";
  }
  notes.push_back(Note(line));
  if (static_cast<int>(choice.chosen.size()) < choice.asked) {
    std::string only = "only ";
    only += std::to_string(choice.names.size());
    only += " candidates to choose from";
    notes.push_back(Note(only));
  }
  return notes;
}

}  // namespace mpdetect
