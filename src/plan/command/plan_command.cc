#include "plan/command/plan_command.h"

#include <algorithm>

#include "plan/estimate/design_trials.h"
#include "plan/estimate/likelihood_choice.h"
#include "plan/estimate/likelihood_trials.h"
#include "plan/estimate/panel_choice.h"
#include "plan/input/panel.h"
#include "plan/model/panel_stats.h"
#include "plan/model/study_writer.h"

namespace mpdetect {

namespace {

template <typename Result>
Result refused(const Status& status, Notes notes = {}) {
  Result result;
  result.status = status;
  result.notes = std::move(notes);
  return result;
}

// The designs of every input, labelled with the input's name when there is
// more than one.
bool add_all_designs(const std::vector<std::string>& names, const InputOptions& input,
                     const InputTexts& inputs, std::vector<Design>& designs,
                     CommandResult& result) {
  for (size_t n = 0; n < inputs.count; ++n) {
    const size_t before = designs.size();
    result.status = inputs.use(n, [&](const std::string& text) {
      return add_designs(names[n], text, input, designs, result.notes);
    });
    if (!result.status.ok) return false;
    if (inputs.count > 1) {
      for (size_t d = before; d < designs.size(); ++d)
        designs[d].label = names[n] + ": " + designs[d].label;
    }
  }
  return true;
}

// Leaves out the designs that repeat an earlier one (the same study in
// other words: two sires, or shares 0.5 and 0.5), with a note.
void merge_repeats(std::vector<Design>& designs, Notes& notes) {
  size_t repeats = 0;
  for (size_t d = 0; d < designs.size();) {
    const auto earlier = designs.begin() + static_cast<long>(d);
    if (std::any_of(designs.begin(), earlier,
                    [&](const Design& other) { return same_design(other, designs[d]); })) {
      designs.erase(earlier);
      ++repeats;
    } else {
      ++d;
    }
  }
  if (repeats > 0) {
    notes.push_back(
        std::to_string(repeats) +
        (repeats == 1 ? " design repeats an earlier one" : " designs repeat earlier ones") +
        "; each is estimated and reported once");
  }
}

// Says of each input whose loci include some of two alleles at most (SNPs)
// that these never reveal a second father: a locus shows at most its two
// alleles from the fathers, and the rule asks for more than two.
void note_two_allele_loci(const std::vector<Design>& designs, Notes& notes) {
  std::vector<std::string> told;
  for (const Design& design : designs) {
    // The likelihood verdict weighs such loci like any other.
    if (design.verdict == Verdict::LIKELIHOOD) continue;
    if (std::find(told.begin(), told.end(), design.source) != told.end()) continue;
    told.push_back(design.source);
    const WideStudy study = wide_study_of(design);
    size_t two = 0;
    for (const std::vector<double>& frequencies : study.frequency) {
      const auto alleles = std::count_if(frequencies.begin(), frequencies.end(),
                                         [](double frequency) { return frequency > 0; });
      two += alleles <= 2 ? 1 : 0;
    }
    if (two == 0) continue;
    // A panel of them only is warned of: every estimate is 0.
    const size_t loci = study.frequency.size();
    const bool all = two == loci;
    notes.push_back(Note(design.source + ": " + (all ? "warning: " : "") + std::to_string(two) +
                             " of its " + std::to_string(loci) + (loci == 1 ? " locus" : " loci") +
                             (two == 1 ? " has" : " have") +
                             " at most two alleles, so never more than two paternal alleles: " +
                             (two == 1 ? "it never reveals" : "they never reveal") +
                             " a second father by this rule" +
                             (all ? "; every estimate is 0" : "") +
                             "; the likelihood verdict uses them",
                         all ? Kind::WARNING : Kind::GENERAL));
  }
}

}  // namespace

StudyResult run_study_command(const StudyRequest& request, const std::string& text) {
  const Status checked = check_request(request);
  if (!checked.ok) return refused<StudyResult>(checked);
  InputFormat format = InputFormat::STUDY;
  const Status known = recognise_format(request.name, request.input, text, format);
  if (!known.ok) return refused<StudyResult>(known);
  if (format == InputFormat::STUDY)
    return refused<StudyResult>(
        failure(request.name + " is a study file already; study reads a population file"));
  StudyResult result;
  const Status read =
      study_files_of(request.name, text, request.input, result.output, result.legend, result.notes);
  if (!read.ok) return refused<StudyResult>(read, result.notes);
  return result;
}

PanelResult run_panel_command(const PanelRequest& request, const std::string& text) {
  const Status checked = check_request(request);
  if (!checked.ok) return refused<PanelResult>(checked);
  const std::string& name = request.name;
  PanelResult result;
  Panel panel;
  if (format_of(request.input, text) == InputFormat::STUDY) {
    std::vector<Design> designs;
    const Status read = add_designs(name, text, request.input, designs, result.notes);
    if (!read.ok) return refused<PanelResult>(read, result.notes);
    const Design& design = designs.front();
    for (int i = 0; i < design.study.locus_count; ++i) {
      LocusPanel locus{design.locus_names[i], i, {}, {}, -1, -1, {}};
      for (int s = 0; s < design.study.allele_count[i]; ++s) {
        locus.labels.push_back(std::to_string(s));
        locus.frequency.push_back(design.study.allele_frequency[i][s]);
      }
      panel.loci.push_back(locus);
    }
  } else {
    PopulationData data;
    Status read = panel_of_input(name, text, request.input, data, panel, result.notes);
    if (!read.ok) return refused<PanelResult>(read, result.notes);
    // A table in percentages or counts is caught here as in curve and study.
    std::vector<std::string> names;
    for (const LocusPanel& locus : panel.loci) names.push_back(locus.name);
    Notes found;
    read = check_scale(panel_totals(panel), names, request.input.as_is, found);
    for (const Note& note : found) result.notes.push_back(named(name, note));
    if (!read.ok) return refused<PanelResult>(named(name, read), result.notes);
  }
  const bool genotypes = !panel.loci.empty() && panel.loci.front().typed >= 0;
  const PanelStatistics stats = panel_statistics(panel);
  result.output =
      request.table ? statistics_table(stats, genotypes) : statistics_csv(stats, genotypes);
  return result;
}

InputTexts texts_in_memory(const std::vector<std::string>& texts) {
  return InputTexts{texts.size(),
                    [&texts](size_t n, const TextWork& work) { return work(texts[n]); }};
}

CurveResult run_curve_command(const CurveRequest& request, const std::vector<std::string>& texts,
                              uint32_t seed, int threads, const CurveProgress& progress,
                              const CurveWork& work) {
  return run_curve_command(request, texts_in_memory(texts), seed, threads, progress, work);
}

CurveResult run_curve_command(const CurveRequest& request, const InputTexts& texts, uint32_t seed,
                              int threads, const CurveProgress& progress, const CurveWork& work) {
  CurveResult result;
  result.status = check_request(request);
  if (!result.status.ok) return result;
  if (texts.count != request.names.size()) {
    result.status = failure("the run names " + std::to_string(request.names.size()) +
                            " inputs but has " + std::to_string(texts.count));
    return result;
  }
  size_t asked = 0;
  for (const InputOptions& input : request.designs) {
    size_t count = 0;
    result.status = check_design_count(texts.count, input, count);
    asked += count;
    if (result.status.ok && asked > MAX_DESIGNS) {
      result.status = failure("the designs ask for " + std::to_string(asked) +
                              " curves; a run compares at most " + std::to_string(MAX_DESIGNS));
    }
    if (!result.status.ok) return result;
  }
  for (InputOptions input : request.designs) {
    // Curves run designs of any size within the planner's limits.
    input.any_size = true;
    // Designs read the same inputs: what reading them says is said once.
    const size_t said = result.notes.size();
    if (!add_all_designs(request.names, input, texts, result.designs, result)) return result;
    for (size_t n = said; n < result.notes.size();) {
      const auto earlier = result.notes.begin() + static_cast<long>(said);
      if (std::find(result.notes.begin(), earlier, result.notes[n]) != earlier) {
        result.notes.erase(result.notes.begin() + static_cast<long>(n));
      } else {
        ++n;
      }
    }
  }
  merge_repeats(result.designs, result.notes);
  note_two_allele_loci(result.designs, result.notes);
  const size_t designs = result.designs.size();
  for (const Design& design : result.designs) {
    if (design.verdict != Verdict::LIKELIHOOD) continue;
    result.status = check_likelihood_design(wide_study_of(design), design.unsampled_mother,
                                            design.errors, request.range.to);
    if (!result.status.ok) return result;
  }
  if (request.range.to > MAX_OFFSPRING) {
    for (const Design& design : result.designs) {
      if (!any_errors(design.errors) || design.verdict == Verdict::LIKELIHOOD) continue;
      result.status = failure("genotyping errors are modelled for broods of up to " +
                              std::to_string(MAX_OFFSPRING) + " offspring, not " +
                              std::to_string(request.range.to));
      return result;
    }
  }
  const int total = sizes_in(request.range);
  if (work.points) {
    if (work.points->size() != designs) {
      result.status = failure("the parts of the run hold " + std::to_string(work.points->size()) +
                              " designs, not " + std::to_string(designs));
      return result;
    }
    for (size_t d = 0; d < designs; ++d) {
      result.curves.push_back(curve_of(result.designs[d]));
      result.curves.back().points = (*work.points)[d];
    }
  } else {
    std::vector<Design> mine;
    std::vector<size_t> index;
    for (size_t d = 0; d < designs; ++d) {
      if (work.only >= 0 && static_cast<size_t>(work.only) != d) continue;
      mine.push_back(result.designs[d]);
      index.push_back(d);
    }
    bool complete = true;
    std::vector<DesignCurve> estimated;
    if (!mine.empty())
      estimated = estimate_curves(
          mine, request.range, seed, threads,
          [&](size_t design, int done) {
            return !progress || progress(index[design], designs, done, total);
          },
          &complete, CurveTarget{request.target, request.max_trials, request.trials});
    if (!complete) {
      result.status = failure(INTERRUPTED);
      result.curves.clear();
      return result;
    }
    for (const Design& design : result.designs) result.curves.push_back(curve_of(design));
    for (size_t k = 0; k < mine.size(); ++k) result.curves[index[k]] = estimated[k];
    if (work.only >= 0) return result;
  }
  result.output = curve_table(result.curves, designs > 1);
  for (const DesignCurve& curve : result.curves) {
    std::string line = target_line(curve, request.target, designs > 1);
    line.pop_back();
    Note note(line, Kind::SMALLEST_SIZE);
    note.design = static_cast<int>(&curve - result.curves.data());
    result.notes.push_back(note);
  }
  return result;
}

namespace {

// The candidate loci of a choice: designs and panels of any size within
// the planner's limits.
Status candidates_of(const LociRequest& request, const std::string& text,
                     std::vector<Design>& candidates, std::vector<LocusStatistics>& statistics,
                     Notes& notes) {
  InputOptions input = request.input;
  input.any_size = true;
  return candidate_loci(request.name, text, input, candidates, statistics, notes);
}

// loci under the likelihood verdict: a panel of the most informative loci
// (likelihood_choice.h), refused before any work where a brood of its
// largest loci would hold too many terms.
LociResult choose_by_likelihood(const LociRequest& request, const std::string& text, uint32_t seed,
                                int threads) {
  LociResult result;
  if (request.choose == 0) {
    result.status = failure_about(Input::CHOOSE,
                                  "K is needed: the likelihood verdict weighs loci together, not "
                                  "one by one, and chooses the K loci it gains most from",
                                  Kind::OPTION);
    return result;
  }
  std::vector<Design> candidates;
  std::vector<LocusStatistics> statistics;
  result.status = candidates_of(request, text, candidates, statistics, result.notes);
  if (!result.status.ok) return result;
  const Design& first = candidates.front();
  if (wide_study_of(first).share.size() < 2) {
    result.status = failure_about(Input::SHARES,
                                  "gives one sire, whose broods tell the likelihood verdict "
                                  "nothing to choose loci by: give two or more",
                                  Kind::OPTION);
    return result;
  }
  // The loci of most alleles make the largest broods of any panel chosen.
  std::vector<int> widest(candidates.size());
  for (size_t i = 0; i < widest.size(); ++i) widest[i] = static_cast<int>(i);
  const auto alleles = [&](int n) {
    return wide_study_of(candidates[static_cast<size_t>(n)]).frequency[0].size();
  };
  std::stable_sort(widest.begin(), widest.end(),
                   [&](int a, int b) { return alleles(a) > alleles(b); });
  widest.resize(std::min(widest.size(), static_cast<size_t>(request.choose)));
  std::sort(widest.begin(), widest.end());
  result.status = check_likelihood_design(wide_study_of(joined_design(candidates, widest)),
                                          first.unsampled_mother, first.errors, request.brood_size);
  if (!result.status.ok) return result;
  const LikelihoodChoice choice =
      choose_likelihood_panel(candidates, statistics, request.choose, request.brood_size,
                              default_likelihood_trials(first.false_detection), seed, threads);
  result.output = likelihood_choice_table(choice);
  for (const Note& line : likelihood_choice_notes(choice, request.brood_size))
    result.notes.push_back(line);
  result.design = first;
  return result;
}

}  // namespace

LociResult run_loci_command(const LociRequest& request, const std::string& text, uint32_t seed,
                            int threads) {
  LociResult result;
  result.status = check_request(request);
  if (!result.status.ok) return result;
  if (request.input.verdict == Verdict::LIKELIHOOD)
    return choose_by_likelihood(request, text, seed, threads);
  if (request.choose > 0) {
    std::vector<Design> candidates;
    std::vector<LocusStatistics> statistics;
    result.status = candidates_of(request, text, candidates, statistics, result.notes);
    if (!result.status.ok) return result;
    const PanelChoice choice = choose_panel(candidates, statistics, request.choose, request.screen,
                                            request.brood_size, seed, threads);
    result.output = choice_table(choice);
    for (const Note& line : choice_notes(choice)) result.notes.push_back(line);
    // The figure's: the loci chosen with their He and PIC, and each alone.
    Design named = candidates.front();
    named.locus_names.clear();
    char stats[64];
    for (const LocusStatistics& locus : choice.statistics) {
      std::snprintf(stats, sizeof stats, " (He %.2f, PIC %.2f)", locus.expected_het, locus.pic);
      named.locus_names.push_back(locus.name + stats);
    }
    result.design = named;
    result.ranking.alone = choice.alone;
    for (const ChoiceStep& step : choice.steps) {
      if (&step == &choice.steps.back() && choice.stopped) break;
      result.ranking.order.push_back(step.locus);
      result.ranking.forward.push_back(step.detections);
    }
    // A candidate's label begins with its one locus; the figure's names the panel.
    const size_t rest = named.label.find("; ");
    result.design.label = std::to_string(result.ranking.order.size()) + " of " +
                          std::to_string(candidates.size()) + " candidate loci chosen" +
                          (rest == std::string::npos ? "" : named.label.substr(rest));
    return result;
  }
  const InputTexts one{1, [&text](size_t, const TextWork& work) { return work(text); }};
  std::vector<Design> designs;
  // Designs of any size within the planner's limits, up to the loci a
  // ranking takes.
  InputOptions input = request.input;
  input.any_size = true;
  if (!add_all_designs({request.name}, input, one, designs, result)) {
    // Too many loci for a design: loci can choose a panel from them.
    if (result.status.kind == Kind::TOO_MANY_LOCI) result.status.kind = Kind::TOO_MANY_LOCI_TO_RANK;
    return result;
  }
  const size_t loci = designs.front().locus_names.size();
  if (loci > static_cast<size_t>(MAX_RANKED_LOCI)) {
    result.status =
        failure_of(Kind::TOO_MANY_LOCI_TO_RANK,
                   request.name + ": " + std::to_string(loci) + " loci; a ranking takes at most " +
                       std::to_string(MAX_RANKED_LOCI),
                   MAX_RANKED_LOCI);
    return result;
  }
  result.design = designs.front();
  result.ranking = rank_loci(result.design, request.brood_size, seed, threads);
  result.output = ranking_table(result.design, result.ranking);
  return result;
}

BroodsResult run_broods_command(const BroodsRequest& request, const std::string& text,
                                const std::string& population_text, uint32_t seed, int threads) {
  BroodsResult result;
  result.status = check_request(request);
  if (!result.status.ok) return result;
  const BroodInputs inputs{request.name,    text,         request.mothers, request.population,
                           population_text, request.input};
  result.status = analyse_broods(inputs, seed, threads, result.broods, result.notes);
  if (!result.status.ok) return result;
  result.output = brood_table(result.broods);
  result.mismatches = mismatch_table(result.broods);
  result.families = family_table(result.broods);
  result.fathers = father_table(result.broods);
  result.summary = share_table(result.broods);
  for (const Note& line : share_lines(result.broods)) result.notes.push_back(line);
  return result;
}

}  // namespace mpdetect
