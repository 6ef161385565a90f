// The designs one run of the planner compares: each input (a study file or a
// population file) with each variant the options ask for (the shares of the
// sires, the mother, the loci), as the study record the simulation runs.
// Everything goes through the study file reader, so a design is exactly what
// the dialogue would run from the same file.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "plan/input/panel.h"
#include "plan/input/population.h"
#include "plan/model/study_writer.h"
#include "plan/model/wide_study.h"
#include "simulation/estimate.h"
#include "simulation/genotyping_error.h"
#include "study/study_data.h"
#include "study/study_reader.h"

namespace mpdetect {

// How a brood is judged to have several fathers: the allele rule (the
// dialogue's: more paternal alleles at a locus than one father has), or
// the likelihood of two fathers against one, calibrated by simulation to
// a false-detection rate (likelihood_trials.h).
enum class Verdict { ALLELES, LIKELIHOOD };

// The share of single-sire broods the likelihood verdict may call several,
// and the false-allele rate it reads genotypes with when a design has no
// errors of its own, by default.
constexpr double DEFAULT_FALSE_DETECTION = 0.01;
constexpr double DEFAULT_ERROR_ALLOWANCE = 0.01;

// The verdict a word names ("alleles", "likelihood"); false for another.
bool verdict_named(const std::string& word, Verdict& verdict);

struct InputOptions;

// The verdict broods are judged by: the one asked for or, unasked, the
// likelihood where genotypes are read with errors (the allele rule would
// count each false allele as a father, and only the likelihood reconstructs
// the families) and the allele rule elsewhere.
Verdict brood_verdict(const InputOptions& options);

struct InputOptions {
  bool format_given = false;
  InputFormat format = InputFormat::STUDY;
  std::string pop;   // --pop; empty: every sample pooled
  std::string loci;  // --loci; empty: every locus
  bool pool_rare = false;
  // One entry per --sires or --shares, as typed (decimals); empty: the study
  // file's own, or two equal sires for a population file.
  std::vector<std::vector<std::string>> shares;
  std::vector<std::string> mothers;  // one per --mother; empty: as the input has it
  bool as_is = false;                // run studies whose totals look like a scale mistake
  int min_loci = 1;                  // loci that must each reveal several fathers
  ErrorRates errors;                 // genotyping errors (none by default)
  Verdict verdict = Verdict::ALLELES;
  bool verdict_given = false;  // asked for, rather than the default
  // The rate of false detections allowed: the likelihood verdict's by
  // construction, and with errors, under either verdict, the most a size
  // reaching the target may show.
  double false_detection = DEFAULT_FALSE_DETECTION;
  double error_allowance = DEFAULT_ERROR_ALLOWANCE;
  StructureLayout structure;  // a STRUCTURE input's layout, as far as given
  // By an input's name, the text of the PLINK .map beside it (its loci's
  // names).
  std::map<std::string, std::string> plink_maps;
  // --groups: individuals regrouped into samples (groups.h); its name for
  // messages, empty when not given.
  std::string groups_name;
  std::string groups_text;
  // A population input may give designs past the study record's limits,
  // up to the planner's (wide_study.h): only curves run them.
  bool any_size = false;
};

// A run compares at most this many designs: more is refused before any
// work, since each takes a curve's time and a legend line.
constexpr size_t MAX_DESIGNS = 1000;

// `--shares observed` (broods, under the likelihood verdict): a design whose
// shares are those the reconstructed families show, besides the assumed.
constexpr const char* OBSERVED_SHARES = "observed";
bool asks_observed_shares(const InputOptions& options);
InputOptions without_observed_shares(const InputOptions& options);

// The option variants with repeats left out, in the order first given.
std::vector<std::vector<std::string>> distinct_shares(const InputOptions& options);
std::vector<std::string> distinct_mothers(const InputOptions& options);

// How many designs `inputs` inputs give with these options (before
// identical studies are merged), or a refusal past MAX_DESIGNS.
Status check_design_count(size_t inputs, const InputOptions& options, size_t& count);

struct Design {
  std::string label;  // loci, sires with shares, the mother
  std::vector<std::string> locus_names;
  StudyData study;
  // The mother is drawn (study.mother untyped) but never genotyped: each
  // locus is judged from the offspring alone.
  bool unsampled_mother = false;
  // Loci that must each reveal several fathers for a brood to (1: any).
  int min_loci = 1;
  // The genotypes are read with these errors.
  ErrorRates errors{};
  // How broods are judged, the false detections allowed and, for the
  // likelihood verdict without errors, the allowance it reads with.
  Verdict verdict = Verdict::ALLELES;
  double false_detection = DEFAULT_FALSE_DETECTION;
  double error_allowance = DEFAULT_ERROR_ALLOWANCE;
  // The input, and for a population input the sample the frequencies come
  // from (Panel::sample), for titles.
  std::string source;
  std::string sample;
  // A design past the study record's limits (more loci, alleles or sires
  // than a study file holds) leaves `study` empty and is held in `wide`.
  bool fits_record = true;
  WideStudy wide;
};

// The design's study as the planner's record, whatever its size.
WideStudy wide_study_of(const Design& design);

// What reading the inputs has to tell the user (one line each, no line end),
// for standard error: warnings, the per-locus summary, pooling.
using Notes = std::vector<Note>;

// The format of an input: as --format forces it, or from its content.
InputFormat format_of(const InputOptions& options, const std::string& text);

// The same, refusing a text judged a study file from its content that does
// not begin as one: it is in none of the formats, and the refusal (naming
// the input `name`) says what it looks like.
Status recognise_format(const std::string& name, const InputOptions& options,
                        const std::string& text, InputFormat& format);

// Reads a population input `name` in `format`, with the PLINK .map the
// options hold for it and regrouped by --groups where given. Refusals and
// data.notes name the input.
Status read_input_population(const std::string& name, const std::string& text, InputFormat format,
                             const InputOptions& options, PopulationData& data);

// Reads a population input in `format` and finds the sample `pop` names
// (-1: every sample pooled), adding what reading found to `notes`.
// Refusals name the input `name`.
Status read_sample(const std::string& name, const std::string& text, InputFormat format,
                   const InputOptions& options, PopulationData& data, int& sample, Notes& notes);

// The panel a population input gives (its sample and loci chosen, rare
// alleles pooled as the options ask), with a line per locus for the user.
// Refuses a locus typed in no individual of the sample.
Status panel_of_input(const std::string& name, const std::string& text, const InputOptions& options,
                      PopulationData& data, Panel& panel, Notes& notes);

// Puts a share variant (decimals as typed) in the study record, each share
// read as the study file's reader reads it; refuses a count past the
// limits or a share that is no number.
Status apply_shares(const std::vector<std::string>& shares, StudyData& study);

// Refuses a share list the options give that does not add up to 1 within
// the study file's tolerance, saying its total (unless `as_is`), and one
// with a sire that can never be drawn, the shares before it already
// reaching 1.
Status check_share_list(const std::vector<std::string>& shares, bool as_is);

// The shares of each design of an input: as the options give them, each
// list checked (check_share_list, refusals naming the input `name`), or two
// equal sires, with a note that says so.
Status share_variants_of(const std::string& name, const InputOptions& options,
                         std::vector<std::vector<std::string>>& variants, Notes& notes);

// Refuses a panel locus that no one of `whom` ("individual of sample 2",
// "mother") is typed at, then adds a line per locus for the user, pooling
// the rarest alleles of a locus past a study's limit when `pool_rare`.
Status check_panel(const std::string& name, const std::string& whom, bool pool_rare, Panel& panel,
                   Notes& notes);

// The design of `panel` with the shares (decimals as typed) and the
// mother: the study file write_study gives, read back by the dialogue's
// reader, its scale checked. Refusals name the input `name`.
Status design_of_panel(const std::string& name, const Panel& panel,
                       const std::vector<std::string>& shares, const MotherChoice& mother,
                       const PopulationData& data, bool as_is, Design& design, Notes& notes);

// Whether the design of `panel` with `sires` sires fits the study record.
bool panel_fits_study_record(const Panel& panel, size_t sires);

// The design of `panel` as design_of_panel gives it, of any size within
// the planner's limits (wide_study_of), held in the planner's record.
Status wide_design_of_panel(const std::string& name, const Panel& panel,
                            const std::vector<std::string>& shares, const MotherChoice& mother,
                            const PopulationData& data, bool as_is, Design& design, Notes& notes);

// Adds the designs of one input. `name` is how messages name the input.
// Refusals name the input and, where there is one, the line and locus.
Status add_designs(const std::string& name, const std::string& text, const InputOptions& options,
                   std::vector<Design>& designs, Notes& notes);

// The study text for a population input with the first share and mother
// variant, and its legend (the study subcommand's output).
Status study_files_of(const std::string& name, const std::string& text, const InputOptions& options,
                      std::string& study, std::string& legend, Notes& notes);

// Holds a study's totals against the scale mistakes a user makes: a total
// above 1.5 or below 0.5 (percentages, counts, weights) refuses the study
// unless `as_is`; a smaller deviation is a warning naming the locus and its
// total.
Status check_scale(const LoadStatus& loaded, const std::vector<std::string>& locus_names,
                   bool as_is, Notes& notes);

// "8 loci; 2 sires 0.7/0.3; mother drawn": the mother given (known in
// advance), drawn (from the population, genotyped with the brood) or not
// sampled.
std::string design_label(const StudyData& study, bool unsampled_mother = false);
std::string design_label(const WideStudy& study, bool unsampled_mother = false);

// Asks `min_loci` loci of the design to reveal several fathers, its label
// saying so ("; 2 loci must reveal") when more than one.
void require_loci(Design& design, int min_loci);

// The loci of a panel whose frequencies add up to a doubtful total, by the
// rule the study file's reader warns by (doubtful_total), for check_scale.
LoadStatus panel_totals(const Panel& panel);

// Refuses asking more loci to reveal several fathers than the `loci` there
// are: no brood could then ever reveal them.
Status check_min_loci(int min_loci, size_t loci);

// Reads the design's genotypes with `errors`, its label saying so
// ("; dropout 0.01; false alleles 0.005") when there are any.
void model_errors(Design& design, const ErrorRates& errors);

// Judges the design's broods by `verdict`, its label saying so ("; likelihood
// verdict") for the likelihood.
void judge_by(Design& design, Verdict verdict, double false_detection, double error_allowance);

// The design with one sire in place of its sires, labelled as the design's
// single-sire companion: with genotyping errors, its detections are false.
Design single_sire(const Design& design);

// Prepares `work` for estimates of `study` (the design's, or its study with
// fewer loci) under the design's model: its mother, the loci that must
// reveal, its genotyping errors.
void prepare_design_estimates(const Design& design, const StudyData& study, EstimateWork& work);

// Its sires alone: "2 sires 0.7/0.3".
std::string sires_label(const StudyData& study);
std::string sires_label(const std::vector<double>& shares);

// Whether two designs are the same study under the same label, so that
// estimating both would say one thing twice.
bool same_design(const Design& a, const Design& b);

// The study with only `loci` (indices, in that order).
StudyData with_loci(const StudyData& study, const std::vector<int>& loci);

// The design with only `loci` (indices, in that order), of any size; its
// locus names stay the whole design's, for the caller to index.
Design design_with_loci(const Design& design, const std::vector<int>& loci);

}  // namespace mpdetect
