#include "plan/model/design.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "plan/input/groups.h"
#include "plan/input/panel.h"
#include "plan/input/plan_text.h"
#include "plan/model/study_writer.h"
#include "simulation/draw_table.h"

namespace mpdetect {

namespace {

// The model the options ask of every design: the loci that must reveal,
// the genotyping errors.
Status ask_model(const std::string& name, Design& design, const InputOptions& options) {
  const bool likelihood = options.verdict == Verdict::LIKELIHOOD;
  if (!design.fits_record && any_errors(options.errors) && !likelihood) {
    return failure(name + ": genotyping errors are modelled for designs of up to " +
                   std::to_string(MAX_LOCI) + " loci, " + std::to_string(MAX_ALLELES) +
                   " alleles a locus and " + std::to_string(MAX_SIRES) + " sires");
  }
  const Status enough = check_min_loci(options.min_loci, design.locus_names.size());
  if (!enough.ok) return named(name, enough);
  require_loci(design, options.min_loci);
  model_errors(design, options.errors);
  judge_by(design, options.verdict, options.false_detection, options.error_allowance);
  return success();
}

}  // namespace

namespace {

std::string sum_text(double sum) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", sum);
  return text;
}

// What a total far from 1 most likely means.
std::string likely_cause(double sum) {
  if (sum >= 90 && sum <= 110) return "these look like percentages";
  if (sum > 1.5) return "these look like counts or weights, not shares of 1";
  return "far less than 1: some are missing or mistyped";
}

// "locus Loc2", or "locus 3" for a study file's locus, which is named so.
// The doubtful totals of a study record, as the reader would find them.
LoadStatus totals_of(const StudyData& study) {
  return LoadStatus{success(), doubtful_totals(study)};
}

}  // namespace

LoadStatus panel_totals(const Panel& panel) {
  LoadStatus totals{success(), {}};
  for (size_t i = 0; i < panel.loci.size(); ++i) {
    double sum = 0;
    for (const double p : panel.loci[i].frequency) sum += p;
    if (doubtful_total(sum)) totals.warnings.push_back(StudyWarning{static_cast<int>(i), sum});
  }
  return totals;
}

namespace {

// The study a text gives, through the dialogue's reader, with its scale
// checked.
Status study_of(const std::string& name, const std::string& text,
                const std::vector<std::string>& locus_names, bool as_is, StudyData& study,
                Notes& notes) {
  std::istringstream in(text);
  const LoadStatus loaded = read_study_data(study, in);
  if (!loaded.ok) return named(name, loaded);
  Notes found;
  const Status scale = check_scale(loaded, locus_names, as_is, found);
  for (const Note& note : found) notes.push_back(named(name, note));
  return named(name, scale);
}

Status add_study_file_designs(const std::string& name, const std::string& text,
                              const InputOptions& options, std::vector<Design>& designs,
                              Notes& notes) {
  StudyData base{};
  std::istringstream in(text);
  const LoadStatus loaded = read_study_data(base, in);
  if (!loaded.ok) return named(name, loaded);
  std::vector<std::string> names;
  for (int i = 0; i < base.locus_count; ++i) names.push_back("locus " + std::to_string(i + 1));

  // --loci names "locus 3" or just 3.
  std::string list;
  for (const std::string& item : split_cells(options.loci, ',')) {
    long number = 0;
    if (item.empty()) continue;
    list += list.empty() ? "" : ",";
    list += (parse_integer(item, number) ? "locus " + item : item);
  }
  std::vector<int> chosen;
  Status result = choose_loci(names, list, chosen);
  if (!result.ok) return named(name, result);
  std::vector<std::string> chosen_names;
  for (const int i : chosen) chosen_names.push_back(names[i]);

  std::vector<std::vector<std::string>> share_variants = {{}};
  if (!options.shares.empty()) {
    Notes unsaid;  // a study file has its own shares: none are assumed
    result = share_variants_of(name, options, share_variants, unsaid);
    if (!result.ok) return result;
  }
  const std::vector<std::string> mothers =
      options.mothers.empty() ? std::vector<std::string>{""} : distinct_mothers(options);
  for (const auto& shares : share_variants) {
    for (const std::string& mother : mothers) {
      StudyData study = with_loci(base, chosen);
      if (!shares.empty()) {
        result = apply_shares(shares, study);
        if (!result.ok) return named(name, result);
      }
      const MotherChoice choice = mother_choice(mother);
      if (!mother.empty() && choice.kind != MotherChoice::UNTYPED &&
          choice.kind != MotherChoice::UNSAMPLED) {
        return failure_of(Kind::STUDY_FILE_MOTHER, name + ": a study file names no individuals");
      }
      if (!mother.empty()) make_mother_untyped(study);
      // The variant's totals are checked as the reader checks a file's.
      Notes found;
      result = check_scale(totals_of(study), chosen_names, options.as_is, found);
      for (const Note& note : found) notes.push_back(named(name, note));
      if (!result.ok) return named(name, result);
      const bool unsampled = choice.kind == MotherChoice::UNSAMPLED;
      Design design{};
      design.label = design_label(study, unsampled);
      design.locus_names = chosen_names;
      design.study = study;
      design.unsampled_mother = unsampled;
      design.source = name;
      result = ask_model(name, design, options);
      if (!result.ok) return result;
      designs.push_back(design);
    }
  }
  return success();
}

}  // namespace

Status check_share_list(const std::vector<std::string>& shares, bool as_is) {
  WideStudy study;
  const Status read = share_values(shares, study.share);
  if (!read.ok) return read;
  const Status limits = check_plan_limits(study);
  if (!limits.ok) return limits;
  std::string list;
  for (const std::string& share : shares) list += (list.empty() ? "" : ",") + share;
  double total = 0;
  for (const double share : study.share) total += share;
  if (doubtful_total(total) && !as_is) {
    const bool far = total > 1.5 || total < 0.5;
    return failure_of(Kind::SCALE_MISTAKE, "the shares " + list + " add up to " + sum_text(total) +
                                               (far ? "; " + likely_cause(total) : ", not 1"));
  }
  // Each sire is drawn for the values of the generator its share covers;
  // one whose share begins where the shares before it already reach 1
  // covers none, and would be a sire in name only.
  const int sires = static_cast<int>(study.share.size());
  std::vector<uint32_t> bounds(study.share.size() + 1);
  fill_draw_bounds(study.share.data(), sires, bounds.data());
  double before = 0;
  for (int k = 0; k < sires; ++k) {
    const bool drawn = bounds[static_cast<size_t>(k) + 1] > bounds[static_cast<size_t>(k)];
    if (study.share[static_cast<size_t>(k)] > 0 && !drawn) {
      return failure("the shares " + list + ": sire " + std::to_string(k + 1) +
                     " can never be drawn, since the shares before it already add up to " +
                     sum_text(before));
    }
    before += study.share[static_cast<size_t>(k)];
  }
  return success();
}

bool asks_observed_shares(const InputOptions& options) {
  return std::any_of(options.shares.begin(), options.shares.end(),
                     [](const std::vector<std::string>& shares) {
                       return shares == std::vector<std::string>{OBSERVED_SHARES};
                     });
}

InputOptions without_observed_shares(const InputOptions& options) {
  InputOptions assumed = options;
  assumed.shares.erase(std::remove(assumed.shares.begin(), assumed.shares.end(),
                                   std::vector<std::string>{OBSERVED_SHARES}),
                       assumed.shares.end());
  return assumed;
}

Status share_variants_of(const std::string& name, const InputOptions& options,
                         std::vector<std::vector<std::string>>& variants, Notes& notes) {
  variants.clear();
  if (options.shares.empty()) {
    notes.push_back(Note(name + ": two sires with equal shares", Kind::SIRES_ASSUMED));
    variants.push_back(equal_shares(2));
    return success();
  }
  variants = distinct_shares(options);
  for (const std::vector<std::string>& shares : variants) {
    const Status checked = check_share_list(shares, options.as_is);
    if (!checked.ok) return named(name, checked);
  }
  return success();
}

Status apply_shares(const std::vector<std::string>& shares, StudyData& study) {
  const Status sires = check_sire_count(shares.size());
  if (!sires.ok) return sires;
  std::vector<double> values;
  const Status read = share_values(shares, values);
  if (!read.ok) return read;
  study.sire_count = static_cast<int32_t>(shares.size());
  for (int k = 0; k < MAX_SIRES; ++k) study.skew[k] = 0;
  for (size_t k = 0; k < values.size(); ++k) study.skew[k] = values[k];
  return success();
}

Status check_panel(const std::string& name, const std::string& whom, bool pool_rare, Panel& panel,
                   Notes& notes) {
  for (const LocusPanel& locus : panel.loci) {
    if (locus.labels.empty()) {
      Status refusal = failure_of(
          Kind::LOCUS_UNTYPED, name + ": " + locus_phrase(locus.name) + " is typed in no " + whom);
      refusal.locus = locus.name;
      return refusal;
    }
  }
  for (LocusPanel& locus : panel.loci) {
    std::string line = name + ": " + locus_phrase(locus.name) + ": " +
                       std::to_string(locus.labels.size()) + " alleles";
    if (locus.typed >= 0) line += ", " + std::to_string(locus.typed) + " individuals typed";
    if (pool_rare && static_cast<int>(locus.labels.size()) > MAX_ALLELES) {
      pool_rarest(locus, MAX_ALLELES);
      line += "; the " + std::to_string(locus.pooled.size()) +
              " rarest pooled into one (this can only lower the estimate)";
    }
    notes.push_back(Note(line, Kind::LOCUS_SUMMARY));
    notes.back().locus = locus.name;
  }
  return success();
}

Status read_input_population(const std::string& name, const std::string& text, InputFormat format,
                             const InputOptions& options, PopulationData& data) {
  const auto map = options.plink_maps.find(name);
  Status result = read_population(text, format, data, options.structure,
                                  map == options.plink_maps.end() ? "" : map->second);
  if (!result.ok) return named(name, result, ", ");
  if (options.groups_name.empty() || format == InputFormat::FREQUENCIES) return result;
  return apply_groups(options.groups_name, options.groups_text, data);
}

Status read_sample(const std::string& name, const std::string& text, InputFormat format,
                   const InputOptions& options, PopulationData& data, int& sample, Notes& notes) {
  Status result = read_input_population(name, text, format, options, data);
  if (!result.ok) return result;
  sample = -1;
  result = choose_sample(data, options.pop, sample, data.notes);
  for (const Note& note : data.notes) notes.push_back(named(name, note));
  return named(name, result);
}

Status panel_of_input(const std::string& name, const std::string& text, const InputOptions& options,
                      PopulationData& data, Panel& panel, Notes& notes) {
  int sample = -1;
  Status result = read_sample(name, text, format_of(options, text), options, data, sample, notes);
  if (!result.ok) return result;
  std::vector<int> chosen;
  result = choose_loci(data.loci, options.loci, chosen);
  if (!result.ok) return named(name, result);
  panel = panel_of(data, sample, chosen);
  Notes locus_lines;
  result = check_panel(name, sample >= 0 ? "individual of " + data.samples[sample] : "individual",
                       options.pool_rare, panel, locus_lines);
  if (!result.ok) return result;
  panel.sample = sample_description(data, sample);
  if (data.table.empty()) {
    if (sample >= 0) {
      notes.push_back(name + ": " + data.format + " file, " + data.samples[sample]);
    } else {
      if (data.samples.size() == 1) {
        notes.push_back(name + ": " + data.format + " file, one sample");
      } else {
        notes.push_back(Note(name + ": " + data.format + " file, all " +
                                 std::to_string(data.samples.size()) + " samples pooled",
                             Kind::SAMPLES_POOLED));
      }
    }
  }
  notes.insert(notes.end(), locus_lines.begin(), locus_lines.end());
  return success();
}

std::vector<std::vector<std::string>> distinct_shares(const InputOptions& options) {
  std::vector<std::vector<std::string>> distinct;
  for (const auto& shares : options.shares) {
    if (std::find(distinct.begin(), distinct.end(), shares) == distinct.end())
      distinct.push_back(shares);
  }
  return distinct;
}

std::vector<std::string> distinct_mothers(const InputOptions& options) {
  std::vector<std::string> distinct;
  for (const std::string& mother : options.mothers) {
    if (std::find(distinct.begin(), distinct.end(), mother) == distinct.end())
      distinct.push_back(mother);
  }
  return distinct;
}

Status check_design_count(size_t inputs, const InputOptions& options, size_t& count) {
  count = inputs * std::max<size_t>(1, distinct_shares(options).size()) *
          std::max<size_t>(1, distinct_mothers(options).size());
  if (count <= MAX_DESIGNS) return success();
  return failure_of(Kind::TOO_MANY_DESIGNS,
                    "the options ask for " + std::to_string(count) +
                        " designs; a run compares at most " + std::to_string(MAX_DESIGNS),
                    static_cast<int>(MAX_DESIGNS));
}

namespace {

// Whether two designs read and judge their broods alike.
bool same_model(const Design& a, const Design& b) {
  return a.errors.dropout == b.errors.dropout && a.errors.false_allele == b.errors.false_allele &&
         a.verdict == b.verdict && a.false_detection == b.false_detection &&
         a.error_allowance == b.error_allowance;
}

}  // namespace

bool same_design(const Design& a, const Design& b) {
  if (!a.fits_record || !b.fits_record) {
    return a.fits_record == b.fits_record && a.label == b.label && a.locus_names == b.locus_names &&
           a.unsampled_mother == b.unsampled_mother && a.min_loci == b.min_loci &&
           same_model(a, b) && same_study(a.wide, b.wide);
  }
  const StudyData& x = a.study;
  const StudyData& y = b.study;
  if (a.label != b.label || a.locus_names != b.locus_names || x.locus_count != y.locus_count ||
      x.sire_count != y.sire_count || x.mother_known != y.mother_known ||
      a.unsampled_mother != b.unsampled_mother || a.min_loci != b.min_loci || !same_model(a, b)) {
    return false;
  }
  for (int i = 0; i < x.locus_count; ++i) {
    if (x.allele_count[i] != y.allele_count[i]) return false;
    for (int s = 0; s < x.allele_count[i]; ++s) {
      if (x.allele_frequency[i][s] != y.allele_frequency[i][s]) return false;
    }
    for (int slot = 0; slot < 2; ++slot) {
      if (x.mother[i].slot[slot] != y.mother[i].slot[slot]) return false;
    }
  }
  for (int k = 0; k < x.sire_count; ++k) {
    if (x.skew[k] != y.skew[k]) return false;
  }
  return true;
}

InputFormat format_of(const InputOptions& options, const std::string& text) {
  return options.format_given ? options.format : detect_format(text);
}

Status recognise_format(const std::string& name, const InputOptions& options,
                        const std::string& text, InputFormat& format) {
  format = format_of(options, text);
  if (format == InputFormat::STUDY && !options.format_given && !starts_like_study(text))
    return failure(name + ": " + unknown_format(text));
  return success();
}

Status check_scale(const LoadStatus& loaded, const std::vector<std::string>& locus_names,
                   bool as_is, Notes& notes) {
  for (const StudyWarning& warning : loaded.warnings) {
    const bool shares = warning.locus == SHARES_WARNING;
    const bool named = warning.locus < static_cast<int>(locus_names.size());
    const std::string what =
        shares ? "the shares of the sires"
               : "the frequencies of " + locus_phrase(named ? locus_names[warning.locus]
                                                            : std::to_string(warning.locus + 1));
    const std::string total = what + " add up to " + sum_text(warning.sum);
    if ((warning.sum > 1.5 || warning.sum < 0.5) && !as_is) {
      return failure_of(Kind::SCALE_MISTAKE, total + "; " + likely_cause(warning.sum));
    }
    notes.push_back(
        Note("warning: " + total + "; the study runs with them as given", Kind::WARNING));
  }
  return success();
}

std::string design_label(const StudyData& study, bool unsampled_mother) {
  return design_label(wide_of(study), unsampled_mother);
}

std::string design_label(const WideStudy& study, bool unsampled_mother) {
  const size_t loci = study.frequency.size();
  return std::to_string(loci) + (loci == 1 ? " locus; " : " loci; ") + sires_label(study.share) +
         (study.mother_known ? "; mother given"
          : unsampled_mother ? "; mother not sampled"
                             : "; mother drawn");
}

std::string sires_label(const StudyData& study) {
  return sires_label(std::vector<double>(study.skew, study.skew + study.sire_count));
}

std::string sires_label(const std::vector<double>& shares) {
  std::string label = std::to_string(shares.size()) + (shares.size() == 1 ? " sire " : " sires ");
  for (size_t k = 0; k < shares.size(); ++k) {
    label += k == 0 ? "" : "/";
    // Three figures tell designs apart: equal thirds read 0.333.
    char share[32];
    std::snprintf(share, sizeof share, "%.3g", static_cast<float>(shares[k]));
    label += share;
  }
  return label;
}

Status check_min_loci(int min_loci, size_t loci) {
  if (static_cast<size_t>(min_loci) <= loci) return success();
  return failure_about(
      Input::MIN_LOCI,
      std::to_string(min_loci) + ": " + std::to_string(min_loci) +
          " loci must each reveal several fathers, but there " +
          (loci == 1 ? "is only 1 locus" : "are only " + std::to_string(loci) + " loci"),
      Kind::OPTION);
}

void require_loci(Design& design, int min_loci) {
  design.min_loci = min_loci;
  if (min_loci > 1) design.label += "; " + std::to_string(min_loci) + " loci must reveal";
}

void model_errors(Design& design, const ErrorRates& errors) {
  design.errors = errors;
  if (!any_errors(errors)) return;
  design.label += "; dropout " + short_number(errors.dropout) + "; false alleles " +
                  short_number(errors.false_allele);
}

bool verdict_named(const std::string& word, Verdict& verdict) {
  if (word != "alleles" && word != "likelihood") return false;
  verdict = word == "alleles" ? Verdict::ALLELES : Verdict::LIKELIHOOD;
  return true;
}

Verdict brood_verdict(const InputOptions& options) {
  if (options.verdict_given) return options.verdict;
  return any_errors(options.errors) ? Verdict::LIKELIHOOD : Verdict::ALLELES;
}

void judge_by(Design& design, Verdict verdict, double false_detection, double error_allowance) {
  design.verdict = verdict;
  design.false_detection = false_detection;
  design.error_allowance = error_allowance;
  if (verdict == Verdict::LIKELIHOOD) design.label += "; likelihood verdict";
}

Design single_sire(const Design& design) {
  Design one = design;
  // A single share of 1 is always one the reader takes.
  [[maybe_unused]] const Status applied = apply_shares({"1"}, one.study);
  one.wide.share = {1.0};
  one.label = design.label + " (one sire)";
  return one;
}

void prepare_design_estimates(const Design& design, const StudyData& study, EstimateWork& work) {
  prepare_estimates(study, work);
  if (design.unsampled_mother) judge_unsampled(work);
  require_loci(work, design.min_loci);
  model_errors(work, study, design.errors);
}

StudyData with_loci(const StudyData& study, const std::vector<int>& loci) {
  StudyData subset = study;
  subset.locus_count = static_cast<int32_t>(loci.size());
  for (size_t n = 0; n < loci.size(); ++n) {
    subset.allele_count[n] = study.allele_count[loci[n]];
    for (int s = 0; s < MAX_ALLELES; ++s)
      subset.allele_frequency[n][s] = study.allele_frequency[loci[n]][s];
    subset.mother[n] = study.mother[loci[n]];
  }
  for (int n = static_cast<int>(loci.size()); n < MAX_LOCI; ++n) {
    subset.allele_count[n] = 0;
    for (int s = 0; s < MAX_ALLELES; ++s) subset.allele_frequency[n][s] = 0;
    subset.mother[n] = Genotype{{0, 0}};
  }
  return subset;
}

Design design_with_loci(const Design& design, const std::vector<int>& loci) {
  Design subset = design;
  if (design.fits_record) {
    subset.study = with_loci(design.study, loci);
    return subset;
  }
  subset.wide.frequency.clear();
  subset.wide.mother.clear();
  for (const int i : loci) {
    subset.wide.frequency.push_back(design.wide.frequency[static_cast<size_t>(i)]);
    subset.wide.mother.push_back(design.wide.mother[static_cast<size_t>(i)]);
  }
  return subset;
}

namespace {

// A design's label and what titles say of it, once its study is made.
void name_design(const std::string& name, const Panel& panel, const MotherChoice& mother,
                 Design& design) {
  design.unsampled_mother = mother.kind == MotherChoice::UNSAMPLED;
  design.label = design_label(wide_study_of(design), design.unsampled_mother);
  // The individual given as mother is named; labels given as hers are not
  // anyone's.
  if (mother.kind == MotherChoice::INDIVIDUAL) design.label += " (" + mother.text + ")";
  design.source = name;
  design.sample = panel.sample;
}

}  // namespace

bool panel_fits_study_record(const Panel& panel, size_t sires) {
  if (panel.loci.size() > static_cast<size_t>(MAX_LOCI)) return false;
  if (sires > static_cast<size_t>(MAX_SIRES)) return false;
  for (const LocusPanel& locus : panel.loci) {
    if (locus.labels.size() > static_cast<size_t>(MAX_ALLELES)) return false;
  }
  return true;
}

Status add_designs(const std::string& name, const std::string& text, const InputOptions& options,
                   std::vector<Design>& designs, Notes& notes) {
  InputFormat format = InputFormat::STUDY;
  const Status known = recognise_format(name, options, text, format);
  if (!known.ok) return known;
  if (format == InputFormat::STUDY) {
    if (options.pool_rare || !options.pop.empty()) {
      return failure_of(Kind::STUDY_FILE_INPUT, name + " is a study file");
    }
    return add_study_file_designs(name, text, options, designs, notes);
  }
  PopulationData data;
  Panel panel;
  Status result = panel_of_input(name, text, options, data, panel, notes);
  if (!result.ok) return result;

  std::vector<std::vector<std::string>> share_variants;
  result = share_variants_of(name, options, share_variants, notes);
  if (!result.ok) return result;
  const std::vector<std::string> mothers =
      options.mothers.empty() ? std::vector<std::string>{"drawn"} : distinct_mothers(options);
  for (const auto& shares : share_variants) {
    for (const std::string& mother : mothers) {
      Design design;
      const bool wide = options.any_size && !panel_fits_study_record(panel, shares.size());
      result = (wide ? wide_design_of_panel : design_of_panel)(
          name, panel, shares, mother_choice(mother), data, options.as_is, design, notes);
      if (!result.ok) return result;
      result = ask_model(name, design, options);
      if (!result.ok) return result;
      designs.push_back(design);
    }
  }
  return success();
}

WideStudy wide_study_of(const Design& design) {
  return design.fits_record ? wide_of(design.study) : design.wide;
}

Status design_of_panel(const std::string& name, const Panel& panel,
                       const std::vector<std::string>& shares, const MotherChoice& mother,
                       const PopulationData& data, bool as_is, Design& design, Notes& notes) {
  StudyFiles files;
  Status result = write_study(panel, shares, mother, data, files);
  if (!result.ok) return named(name, result);
  design = Design{};
  for (const LocusPanel& locus : panel.loci) design.locus_names.push_back(locus.name);
  result = study_of(name, files.study, design.locus_names, as_is, design.study, notes);
  if (!result.ok) return result;
  name_design(name, panel, mother, design);
  return success();
}

Status wide_design_of_panel(const std::string& name, const Panel& panel,
                            const std::vector<std::string>& shares, const MotherChoice& mother,
                            const PopulationData& data, bool as_is, Design& design, Notes& notes) {
  design = Design{};
  design.fits_record = false;
  Status result = wide_study_of(panel, shares, mother, data, design.wide);
  if (!result.ok) return named(name, result);
  for (const LocusPanel& locus : panel.loci) design.locus_names.push_back(locus.name);
  Notes found;
  result = check_scale(doubtful_totals(design.wide), design.locus_names, as_is, found);
  for (const Note& note : found) notes.push_back(named(name, note));
  if (!result.ok) return named(name, result);
  name_design(name, panel, mother, design);
  return success();
}

Status study_files_of(const std::string& name, const std::string& text, const InputOptions& options,
                      std::string& study, std::string& legend, Notes& notes) {
  PopulationData data;
  Panel panel;
  Status result = panel_of_input(name, text, options, data, panel, notes);
  if (!result.ok) return result;
  std::vector<std::vector<std::string>> variants;
  result = share_variants_of(name, options, variants, notes);
  if (!result.ok) return result;
  const std::vector<std::string>& shares = variants.front();
  const std::string mother = options.mothers.empty() ? "drawn" : options.mothers.front();
  if (mother_choice(mother).kind == MotherChoice::UNSAMPLED) {
    return failure_of(Kind::UNSAMPLED_IN_STUDY,
                      name +
                          ": a study file cannot say that the mother was not sampled: the "
                          "dialogue judges with her genotype");
  }
  StudyFiles files;
  result = write_study(panel, shares, mother_choice(mother), data, files);
  if (!result.ok) return named(name, result);
  // The study must read back as the dialogue reads it, scale checked.
  std::vector<std::string> names;
  for (const LocusPanel& locus : panel.loci) names.push_back(locus.name);
  StudyData check{};
  result = study_of(name, files.study, names, options.as_is, check, notes);
  if (!result.ok) return result;
  study = files.study;
  legend = files.legend;
  return success();
}

}  // namespace mpdetect
