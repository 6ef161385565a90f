#include "plan/estimate/panel_choice.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "plan/estimate/curve.h"
#include "plan/estimate/design_trials.h"
#include "plan/estimate/parallel.h"
#include "plan/input/plan_text.h"
#include "plan/model/study_writer.h"
#include "simulation/estimate.h"

namespace mpdetect {

namespace {

// Two estimates differ by more than Monte Carlo noise when their
// difference passes this many standard errors.
constexpr double NOISE_BOUND = 1.959963984540054;

// The detections of each set of candidates together, each from `seed`.
std::vector<int> estimate_sets(const std::vector<Design>& candidates,
                               const std::vector<std::vector<int>>& sets, int32_t brood_size,
                               uint32_t seed, int threads) {
  std::vector<int> detections(sets.size(), 0);
  run_jobs(sets.size(), threads, [&](size_t n) {
    detections[n] = count_design_detections(joined_design(candidates, sets[n]), brood_size, seed);
  });
  return detections;
}

// A gain to four decimals, one that rounds to none as "0.0000", never
// "-0.0000".
std::string gain_text(double gain) {
  double rounded = std::round(gain * 10000) / 10000;
  if (rounded == 0) rounded = 0;
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", rounded);
  return text;
}

}  // namespace

Status candidate_loci(const std::string& name, const std::string& text, const InputOptions& options,
                      std::vector<Design>& candidates, std::vector<LocusStatistics>& statistics,
                      Notes& notes) {
  InputFormat format = InputFormat::STUDY;
  Status result = recognise_format(name, options, text, format);
  if (!result.ok) return result;
  if (format == InputFormat::STUDY) {
    // A study file holds its loci already: each alone, under the first
    // variant of the options.
    std::vector<Design> designs;
    result = add_designs(name, text, options, designs, notes);
    if (!result.ok) return result;
    const Design& whole = designs.front();
    for (int i = 0; i < whole.study.locus_count; ++i) {
      Design one = whole;
      one.study = with_loci(whole.study, {i});
      one.locus_names = {whole.locus_names[i]};
      candidates.push_back(one);
      const double* p = whole.study.allele_frequency[i];
      statistics.push_back(locus_statistics(
          whole.locus_names[i], std::vector<double>(p, p + whole.study.allele_count[i]), -1, -1));
    }
    return success();
  }
  PopulationData data;
  Panel panel;
  Notes read;
  result = panel_of_input(name, text, options, data, panel, read);
  notes.insert(notes.end(), read.begin(), read.end() - (result.ok ? panel.loci.size() : 0));
  if (!result.ok) return result;
  // Its last lines are one per locus: past a study's worth of loci, those
  // that pooled alleles stay, the others become one line.
  const auto per_locus = read.end() - static_cast<long>(panel.loci.size());
  if (panel.loci.size() <= static_cast<size_t>(MAX_LOCI)) {
    notes.insert(notes.end(), per_locus, read.end());
  } else {
    size_t fewest = SIZE_MAX, most = 0;
    for (const LocusPanel& locus : panel.loci) {
      fewest = std::min(fewest, locus.labels.size());
      most = std::max(most, locus.labels.size());
    }
    notes.push_back(name + ": " + std::to_string(panel.loci.size()) + " candidate loci of " +
                    std::to_string(fewest) + " to " + std::to_string(most) +
                    " alleles (mpplan panel lists each)");
    for (auto line = per_locus; line != read.end(); ++line) {
      if (line->text.find(" pooled into one") != std::string::npos) notes.push_back(*line);
    }
  }
  result = check_min_loci(options.min_loci, panel.loci.size());
  if (!result.ok) return named(name, result);
  std::vector<std::vector<std::string>> variants;
  result = share_variants_of(name, options, variants, notes);
  if (!result.ok) return result;
  const std::vector<std::string>& shares = variants.front();
  const std::string mother = options.mothers.empty() ? "drawn" : distinct_mothers(options).front();
  for (const LocusPanel& locus : panel.loci) {
    Design one;
    const Panel alone{{locus}, panel.sample};
    const bool wide = options.any_size && !panel_fits_study_record(alone, shares.size());
    result = (wide ? wide_design_of_panel : design_of_panel)(
        name, alone, shares, mother_choice(mother), data, options.as_is, one, notes);
    if (!result.ok) return result;
    require_loci(one, options.min_loci);
    model_errors(one, options.errors);
    judge_by(one, options.verdict, options.false_detection, options.error_allowance);
    candidates.push_back(one);
    statistics.push_back(
        locus_statistics(locus.name, locus.frequency, locus.typed, locus.heterozygous));
  }
  return success();
}

PanelChoice choose_panel(const std::vector<Design>& candidates,
                         const std::vector<LocusStatistics>& statistics, int choose, int screen,
                         int32_t brood_size, uint32_t seed, int threads) {
  const int count = static_cast<int>(candidates.size());
  PanelChoice choice;
  for (const Design& one : candidates) choice.names.push_back(one.locus_names[0]);
  choice.statistics = statistics;
  choice.asked = choose;
  choice.screen = screen == 0 ? count : std::min(screen, count);

  std::vector<std::vector<int>> alone;
  for (int i = 0; i < count; ++i) alone.push_back({i});
  choice.alone = estimate_sets(candidates, alone, brood_size, seed, threads);
  // The candidates best alone first; ties keep the input's order.
  std::vector<int> ranked(count);
  for (int i = 0; i < count; ++i) ranked[i] = i;
  std::stable_sort(ranked.begin(), ranked.end(),
                   [&](int a, int b) { return choice.alone[a] > choice.alone[b]; });

  std::vector<int> chosen;
  int before = 0;  // detections with the loci chosen so far (none: 0)
  for (int step = 0; step < std::min(choose, count); ++step) {
    std::vector<int> tried;
    std::vector<int> detections;
    if (step == 0) {
      tried = ranked;
      for (const int i : tried) detections.push_back(choice.alone[i]);
    } else {
      std::vector<std::vector<int>> sets;
      for (const int i : ranked) {
        if (static_cast<int>(tried.size()) == choice.screen) break;
        if (std::find(chosen.begin(), chosen.end(), i) != chosen.end()) continue;
        tried.push_back(i);
        // The loci in the input's order, so that a panel is the same study
        // whatever order its loci were chosen in.
        std::vector<int> set = chosen;
        set.push_back(i);
        std::sort(set.begin(), set.end());
        sets.push_back(set);
      }
      detections = estimate_sets(candidates, sets, brood_size, seed, threads);
    }
    size_t best = 0;
    for (size_t n = 1; n < tried.size(); ++n) {
      if (detections[n] > detections[best]) best = n;
    }
    const double gain = running_share(detections[best]) - running_share(before);
    const double error =
        std::sqrt(standard_error(detections[best]) * standard_error(detections[best]) +
                  standard_error(before) * standard_error(before));
    choice.steps.push_back(ChoiceStep{tried[best], detections[best], gain, error});
    if (step > 0 && !(gain > NOISE_BOUND * error)) {
      choice.stopped = true;  // the step is kept, to say what it would have added
      break;
    }
    chosen.push_back(tried[best]);
    before = detections[best];
  }
  return choice;
}

namespace {

// The steps that chose a locus: all but a last one that added too little.
size_t chosen_steps(const PanelChoice& choice) {
  return choice.steps.size() - (choice.stopped ? 1 : 0);
}

}  // namespace

std::string choice_table(const PanelChoice& choice) {
  std::string table =
      "step,locus,loci,probability,standard_error,gain,gain_standard_error,alone,he,pic\n";
  for (size_t n = 0; n < chosen_steps(choice); ++n) {
    const ChoiceStep& step = choice.steps[n];
    const LocusStatistics& stats = choice.statistics[step.locus];
    char before[64], after[96];
    std::snprintf(before, sizeof before, ",%zu,%.3f,%.4f,", n + 1, running_share(step.detections),
                  standard_error(step.detections));
    std::snprintf(after, sizeof after, ",%.4f,%.3f,%.4f,%.4f\n", step.gain_error,
                  running_share(choice.alone[step.locus]), stats.expected_het, stats.pic);
    table += std::to_string(n + 1) + "," + csv_cell(choice.names[step.locus]) + before +
             gain_text(step.gain) + after;
  }
  return table;
}

Notes choice_notes(const PanelChoice& choice) {
  Notes notes;
  const size_t count = choice.names.size();
  char line[320];
  const bool screened = static_cast<size_t>(choice.screen) < count;
  std::snprintf(line, sizeof line,
                "chose %zu of %zu loci; after the first, each step tried the %d best alone%s",
                chosen_steps(choice), count, choice.screen, screened ? "" : ", every candidate");
  notes.push_back(Note(line, screened ? Kind::SCREENED : Kind::GENERAL));
  if (choice.stopped) {
    const ChoiceStep& last = choice.steps.back();
    std::snprintf(line, sizeof line, "stopped at %zu of the %d loci asked: the best next locus, ",
                  chosen_steps(choice), choice.asked);
    std::string text = line + choice.names[last.locus];
    std::snprintf(line, sizeof line, " (standard error %.4f), no more than Monte Carlo noise",
                  last.gain_error);
    notes.push_back(text + ", adds " + gain_text(last.gain) + line);
  } else if (static_cast<int>(chosen_steps(choice)) < choice.asked) {
    std::snprintf(line, sizeof line, "only %zu candidates to choose from", count);
    notes.push_back(std::string(line));
  }
  return notes;
}

}  // namespace mpdetect
