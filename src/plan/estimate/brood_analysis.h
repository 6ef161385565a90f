// After the field work: the genotyped broods judged, each brood's chance of
// revealing multiple paternity under each assumed design, and the share of
// broods with more than one sire corrected for what the design could see.
//
// A brood's detection probability is an estimate at the brood's own size,
// from the run's seed, with the mother's own genotype, only the loci judged
// in the brood (in the order asked), and at each locus only the offspring
// judged there: untyped or mismatching offspring drawn but left out, as
// they were left out of the brood's verdict. For a brood typed everywhere it
// is what curve gives with --from and --to its size, the same seed, the
// mother's labels and those loci.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/estimate/brood_judgement.h"
#include "plan/estimate/paternity_share.h"
#include "plan/model/design.h"

namespace mpdetect {

// The broods of each set drawn for each brood judged by the likelihood, by
// default: far fewer than a curve's, as every brood has its own design.
constexpr int64_t BROOD_LIKELIHOOD_TRIALS = 500;

// The broods of the fathers found that a revealed brood's next father is
// weighed against: the threshold's guarantee holds for any number from
// 1 / alpha, and these broods each take a search per father and one more.
constexpr int64_t NEXT_FATHER_TRIALS = 200;

// Fathers are added one at a time up to this many; a brood of more shows
// as many families as this.
constexpr int MOST_LIKELY_SIRES = 5;

// A brood and its calibration broods are judged exactly (every split) up to
// this many offspring, by the search beyond: one statistic on both sides.
// Every split of 10 offspring is 512 of them, cheap beside a brood's 1500
// calibration broods; of 12, four times as many.
constexpr int EXACT_SPLIT_OFFSPRING = 10;

struct BroodInputs {
  std::string name;  // how messages name the brood file
  std::string text;
  std::string mothers = "first";  // the --mothers rule (find_mothers)
  std::string population_name;    // empty: frequencies from the mothers alone
  std::string population_text;
  InputOptions options;  // loci and shares; pop and pool_rare for the frequencies
  // Under the likelihood verdict, the broods of each set per brood.
  int64_t likelihood_trials = BROOD_LIKELIHOOD_TRIALS;
};

// A brood judged by the likelihood verdict: its statistic as read, the
// threshold at its size for its own design (its mother, the loci and
// offspring typed in it), and the share of single-sire broods of that
// design past the threshold: its calibration broods, each against the
// threshold of the others (FalseDetections::EACH_LEFT_OUT). None depend on
// the sires' shares.
struct LikelihoodJudgement {
  double statistic = 0;
  double threshold = 0;
  bool revealed = false;
  double false_detection = 0;
  // A revealed brood's last father weighed (next_father): his statistic
  // and the threshold from NEXT_FATHER_TRIALS broods of the fathers found
  // before him, with their families' shares (0 and 0 where no family
  // splits).
  double next_statistic = 0;
  double next_threshold = 0;
  // The fathers most likely: 1, or 2 where the brood is revealed, and one
  // more for each further father who passes his threshold, up to
  // MOST_LIKELY_SIRES; each offspring's father (numbered as their first
  // offspring come) by the splits, and its support (family_support; 1 for
  // a single father).
  int likely_sires = 1;
  std::vector<int> father;
  std::vector<double> support;
  // Each father's genotype at each locus asked, at
  // [(father - 1) * loci asked + k]: "135/143" where his offspring (and the
  // mother) make it at least FATHER_CALL_CHANCE likely, else "?" (also at a
  // locus not judged in the brood).
  std::vector<std::string> genotypes;
};

// How likely a father's genotype must be, given his offspring, to be
// written rather than "?".
constexpr double FATHER_CALL_CHANCE = 0.95;

struct BroodsReport {
  PopulationData data;  // the broods as read
  std::vector<BroodVerdict> broods;
  std::vector<std::string> designs;  // each assumed design's sires ("2 sires 0.5/0.5")
  // detections[d][b]: of TRIAL_COUNT trials of design d for brood b; 0 for a
  // brood with no offspring or no locus judged, which no estimate can see.
  std::vector<std::vector<int>> detections;
  std::vector<ShareEstimate> shares;  // one per design
  // Under the likelihood verdict (InputOptions::verdict): each brood's
  // judgement, and its detection probability under each design
  // ([design][brood]), of `likelihood_trials` broods each.
  bool by_likelihood = false;
  int64_t likelihood_trials = 0;
  std::vector<LikelihoodJudgement> likelihood;
  std::vector<std::vector<double>> likelihood_detection;
  // Under the allele rule with genotyping errors: each brood's detections
  // of TRIAL_COUNT single-sire trials of its design, its false detections;
  // empty otherwise.
  std::vector<int> false_detections;
  bool with_errors = false;         // the genotypes are read with errors
  bool verdict_by_default = false;  // not asked for: the default (brood_verdict)
  // For titles: the brood file, and whom the allele frequencies come from
  // ("population.gen, sample 2", "the 30 mothers").
  std::string source;
  std::string frequencies;
};

// Reads and judges the broods and estimates every brood under every design
// from `seed`, on up to `threads` threads (the results do not depend on how
// many). A brood whose mother is not found or typed nowhere is judged, and
// estimated, as one whose mother was not sampled. Refuses, naming the
// brood, its line and individual where there are some: a brood file in no
// genotype format, a brood past MAX_OFFSPRING offspring, a locus the
// population sample lacks, frequencies from mothers when there are none.
Status analyse_broods(const BroodInputs& inputs, uint32_t seed, int threads, BroodsReport& report,
                      Notes& notes);

// brood,mother,offspring,loci_typed,revealed,revealing_loci,min_sires,min_sires_per_locus,
// mismatches,detection_probability; a design column first when there are
// several designs. Under the likelihood verdict `revealed` and
// detection_probability are the likelihood's, followed by statistic,
// threshold, false_detection_probability and likely_sires; under the
// allele rule with errors, by false_detection_probability alone.
std::string brood_table(const BroodsReport& report);

// brood,offspring,father,support: under the likelihood verdict, each
// offspring's father by its brood's best split (1 and 2; 1 throughout a
// brood of one likely sire) and how firmly the split places it.
std::string family_table(const BroodsReport& report);

// Under the likelihood verdict, the fathers of each brood:
// brood,father,offspring,share, then his genotype at each locus asked.
std::string father_table(const BroodsReport& report);

// brood,offspring,locus,mother_genotype,offspring_genotype.
std::string mismatch_table(const BroodsReport& report);

// design,broods,revealed,observed_share,estimated_share,ci_low,ci_high.
std::string share_table(const BroodsReport& report);

// A line per design for the user: the broods revealed, and the corrected
// share with its interval, or that the broods cannot bound it.
Notes share_lines(const BroodsReport& report);

// The brood's name as the tables give it: its sample's.
std::string brood_name(const BroodsReport& report, const BroodVerdict& brood);

// Brood b's verdict, and its detection probability under design d, by the
// report's verdict.
bool revealed_in(const BroodsReport& report, size_t b);
double detection_in(const BroodsReport& report, size_t d, size_t b);

// Whether single-sire broods may be called several (the likelihood verdict,
// or the allele rule with errors), and brood b's chance of that.
bool shows_false_detections(const BroodsReport& report);
double false_detection_in(const BroodsReport& report, size_t b);

}  // namespace mpdetect
