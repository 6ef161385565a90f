#include "plan/estimate/brood_analysis.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "plan/estimate/likelihood_trials.h"
#include "plan/estimate/parallel.h"
#include "plan/input/panel.h"
#include "plan/input/plan_text.h"
#include "simulation/estimate.h"

namespace mpdetect {

namespace {

// How many individuals each sample holds.
std::vector<int> members_of(const PopulationData& data) {
  std::vector<int> members(data.samples.size(), 0);
  for (const Individual& individual : data.individuals) ++members[individual.sample];
  return members;
}

Status brood_failure(const PopulationData& data, int sample, const std::string& message) {
  Status refusal = failure("brood " + data.samples[sample] + ": " + message);
  refusal.sample = data.samples[sample];
  return refusal;
}

Status at_individual(Status refusal, const Individual& individual) {
  refusal.line = individual.line;
  refusal.individual = individual.id;
  return refusal;
}

// Each sample's mother, refusing a brood the estimator cannot hold. A brood
// whose mother is not found, or is typed at none of the loci, is judged
// from the offspring alone, and the user is told.
Status mothers_of_broods(const BroodInputs& inputs, const PopulationData& data,
                         const std::vector<int>& loci, std::vector<int>& mother, Notes& notes) {
  // A pedigree says who each offspring's mother is: by default, it is
  // believed rather than the order of the rows.
  std::string rule = inputs.mothers;
  if (rule == "first" && std::any_of(data.individuals.begin(), data.individuals.end(),
                                     [](const Individual& i) { return !i.maternal.empty(); })) {
    rule = "maternal";
    notes.push_back(Note(inputs.name + ": each brood's mother is the one its offspring's maternal "
                                       "field names"));
  }
  Status result = find_mothers(data, rule, mother);
  if (!result.ok) return named(inputs.name, result);
  const std::vector<int> members = members_of(data);
  for (size_t s = 0; s < data.samples.size(); ++s) {
    const int sample = static_cast<int>(s);
    const std::string who = inputs.name + ": brood " + data.samples[s];
    if (members[s] == 0) {
      notes.push_back(inputs.name + ": " + data.samples[s] + " holds no individual; left out");
      continue;
    }
    const int offspring = members[s] - (mother[s] >= 0 ? 1 : 0);
    if (offspring > MAX_OFFSPRING) {
      return named(inputs.name, brood_failure(data, sample,
                                              std::to_string(offspring) +
                                                  " offspring; a brood is judged with at most " +
                                                  std::to_string(MAX_OFFSPRING)));
    }
    if (mother[s] < 0) {
      notes.push_back(named(
          who, note_about(Input::MOTHERS, rule + " finds no mother among its " +
                                              std::to_string(members[s]) +
                                              " individuals; judged from the offspring alone, "
                                              "as a brood whose mother was not sampled")));
      continue;
    }
    const Individual& her = data.individuals[mother[s]];
    bool typed = false;
    for (const int i : loci) typed = typed || her.genotype[i].allele[0] != MISSING_CODE;
    if (!typed) {
      notes.push_back(who + ": its mother \"" + her.id +
                      "\" is typed at none of the loci; judged from the offspring alone, as a "
                      "brood whose mother was not sampled");
    }
  }
  return success();
}

// The allele frequencies the estimates draw from, locus for locus as the
// broods' `loci`: the population sample's, or the mothers' alone. Never the
// offspring's: they are related, and carry their fathers' alleles twice
// over.
Status frequency_panel(const BroodInputs& inputs, const PopulationData& broods,
                       const std::vector<int>& loci, const std::vector<int>& mother, Panel& panel,
                       Notes& notes) {
  const InputOptions& options = inputs.options;
  if (inputs.population_name.empty()) {
    PopulationData mothers;
    mothers.format = broods.format;
    mothers.loci = broods.loci;
    mothers.labels = broods.labels;
    mothers.samples = {"the mothers"};
    for (const int m : mother) {
      if (m < 0) continue;
      mothers.individuals.push_back(broods.individuals[m]);
      mothers.individuals.back().sample = 0;
    }
    if (mothers.individuals.empty()) {
      return failure_of(Kind::NO_POPULATION,
                        inputs.name +
                            ": no brood has its mother, so there is nothing to take allele "
                            "frequencies from");
    }
    notes.push_back(Note(inputs.name + ": allele frequencies from the " +
                             std::to_string(mothers.individuals.size()) +
                             " mothers alone (offspring are related and not counted)",
                         Kind::NO_POPULATION));
    panel = panel_of(mothers, -1, loci);
    panel.sample = "the " + std::to_string(mothers.individuals.size()) + " mothers";
    return check_panel(inputs.name, "mother", options.pool_rare, panel, notes);
  }
  const std::string& name = inputs.population_name;
  InputFormat format = InputFormat::STUDY;
  Status result = recognise_format(name, InputOptions{}, inputs.population_text, format);
  if (!result.ok) return result;
  if (format == InputFormat::STUDY)
    return named(
        name, failure_about(Input::POPULATION, "takes a population sample or a frequency table"));
  PopulationData data;
  int sample = -1;
  // --groups places the broods' individuals; the population sample keeps
  // its own samples, which --pop chooses among.
  InputOptions population_options = options;
  population_options.groups_name.clear();
  result =
      read_sample(name, inputs.population_text, format, population_options, data, sample, notes);
  if (!result.ok) return result;
  std::vector<int> same;
  for (const int i : loci) {
    const auto at = std::find(data.loci.begin(), data.loci.end(), broods.loci[i]);
    if (at == data.loci.end()) {
      Status refusal = failure_of(Kind::LOCUS_MISSING,
                                  name + ": has no locus " + broods.loci[i] + " of " + inputs.name);
      refusal.locus = broods.loci[i];
      return refusal;
    }
    same.push_back(static_cast<int>(at - data.loci.begin()));
  }
  panel = panel_of(data, sample, same);
  panel.sample = file_name(name) + ", " + sample_description(data, sample);
  const std::string whom =
      sample >= 0 ? "individual of " + data.samples[sample] : std::string("individual");
  return check_panel(name, whom, options.pool_rare, panel, notes);
}

// The offspring typed at each locus judged, mismatches included. Trials
// read with errors leave out the offspring that mismatch as read, as the
// brood's own mismatches were left out, so all the typed ones go in.
JudgedOffspring typed_offspring(const BroodVerdict& brood) {
  JudgedOffspring typed = every_offspring_judged();
  int l = 0;
  for (const BroodLocus& locus : brood.loci) {
    if (!locus.judged) continue;
    if (l == MAX_LOCI) break;
    OffspringSet& set = typed.at[l++];
    set = locus.offspring;
    for (const Mismatch& mismatch : brood.mismatches) {
      if (mismatch.locus != locus.locus) continue;
      const auto at = std::find(brood.offspring.begin(), brood.offspring.end(), mismatch.offspring);
      if (at == brood.offspring.end()) continue;
      const int j = static_cast<int>(at - brood.offspring.begin());
      set.word[j >> 6] |= uint64_t{1} << (j & 63);
    }
  }
  return typed;
}

// The brood's own design under `shares`: the loci judged in it, her
// genotype there, and at each locus the offspring judged.
Status brood_design(const BroodInputs& inputs, const PopulationData& data, const Panel& panel,
                    const BroodVerdict& brood, const std::vector<std::string>& shares,
                    Design& design, JudgedOffspring& judged, Notes& notes) {
  Panel own;
  MotherChoice mother{
      brood.mother_sampled ? MotherChoice::LABELS : MotherChoice::UNSAMPLED, "", {}};
  judged = every_offspring_judged();
  for (size_t k = 0; k < brood.loci.size(); ++k) {
    if (!brood.loci[k].judged) continue;
    // Only the allele rule's estimate reads these, on at most MAX_LOCI loci.
    if (own.loci.size() < static_cast<size_t>(MAX_LOCI))
      judged.at[own.loci.size()] = brood.loci[k].offspring;
    own.loci.push_back(panel.loci[k]);
    if (brood.mother_sampled) {
      mother.labels.push_back(labels_at(data, data.individuals[brood.mother],
                                        static_cast<size_t>(brood.loci[k].locus)));
    }
  }
  std::string who = inputs.name + ": brood " + data.samples[brood.sample];
  if (brood.mother_sampled) who += ", mother \"" + data.individuals[brood.mother].id + "\"";
  // The likelihood judges panels past a study record's limits (SNP panels
  // of hundreds of loci); the allele rule's estimate needs the record.
  const bool wide =
      inputs.options.verdict == Verdict::LIKELIHOOD && !panel_fits_study_record(own, shares.size());
  Status result = (wide ? wide_design_of_panel : design_of_panel)(
      who, own, shares, mother, data, inputs.options.as_is, design, notes);
  if (!result.ok && brood.mother_sampled)
    result = at_individual(result, data.individuals[brood.mother]);
  require_loci(design, inputs.options.min_loci);
  if (result.ok && !wide && inputs.options.verdict == Verdict::ALLELES &&
      any_errors(inputs.options.errors)) {
    model_errors(design, inputs.options.errors);
    judged = typed_offspring(brood);
  }
  return result;
}

// The brood as read at the loci judged in it (its design's loci, in
// order), each allele by its index in the frequency panel; an allele the
// panel lacks is read as missing. `untyped` marks each offspring's reads
// left out.
void brood_reads(const PopulationData& data, const Panel& panel, const BroodVerdict& brood,
                 const Design& design, BroodReads& reads, std::vector<uint8_t>& untyped) {
  const WideStudy study = wide_study_of(design);
  reads.loci = static_cast<int>(study.frequency.size());
  reads.offspring = static_cast<int>(brood.offspring.size());
  reads.mother_typed = !design.unsampled_mother;
  reads.mother = study.mother;
  reads.young.assign(static_cast<size_t>(reads.loci * reads.offspring), Genotype{{-1, -1}});
  untyped.assign(reads.young.size(), 1);
  int l = 0;
  for (size_t k = 0; k < brood.loci.size(); ++k) {
    if (!brood.loci[k].judged) continue;
    const size_t locus = static_cast<size_t>(brood.loci[k].locus);
    for (int j = 0; j < reads.offspring; ++j) {
      const Individual& child =
          data.individuals[static_cast<size_t>(brood.offspring[static_cast<size_t>(j)])];
      if (child.genotype[locus].allele[0] == MISSING_CODE) continue;
      const LabelPair labels = labels_at(data, child, locus);
      Genotype read{{allele_index(panel.loci[k], labels.allele[0]),
                     allele_index(panel.loci[k], labels.allele[1])}};
      if (read.slot[0] < 0 || read.slot[1] < 0) continue;
      const size_t at = static_cast<size_t>(j * reads.loci + l);
      reads.young[at] = read;
      untyped[at] = 0;
    }
    ++l;
  }
}

// Each father's genotype at each locus asked, from his offspring under the
// judgement's split (1 a father: every offspring his).
void father_genotypes(const Panel& panel, const BroodVerdict& brood, const BroodTerms& terms,
                      LikelihoodJudgement& judgement) {
  const int fathers = judgement.likely_sires;
  std::vector<int> family_of;
  for (const int father : judgement.father) family_of.push_back(father - 1);
  const std::vector<FatherCall> calls = father_calls(terms, family_of, fathers);
  const size_t asked = brood.loci.size();
  judgement.genotypes.assign(static_cast<size_t>(fathers) * asked, "?");
  int l = 0;
  for (size_t k = 0; k < asked; ++k) {
    if (!brood.loci[k].judged) continue;
    for (int f = 0; f < fathers; ++f) {
      const FatherCall& call = calls[static_cast<size_t>(f * terms.loci + l)];
      if (call.chance < FATHER_CALL_CHANCE || call.allele[0] == NOT_SHOWN ||
          call.allele[1] == NOT_SHOWN)
        continue;
      const std::vector<std::string>& labels = panel.loci[k].labels;
      const int low = std::min(call.allele[0], call.allele[1]);
      const int high = std::max(call.allele[0], call.allele[1]);
      judgement.genotypes[static_cast<size_t>(f) * asked + k] =
          labels[static_cast<size_t>(low)] + "/" + labels[static_cast<size_t>(high)];
    }
    ++l;
  }
}

// The brood as read under `design` (its own, under one variant of the
// shares), and the tables its simulated broods are drawn from: read with
// `errors`, and missing where the brood's own reads are.
LikelihoodTables brood_tables(const PopulationData& data, const Panel& panel,
                              const BroodVerdict& brood, const Design& design,
                              const ErrorRates& errors, double allowance, BroodReads& reads) {
  std::vector<uint8_t> untyped;
  brood_reads(data, panel, brood, design, reads, untyped);
  LikelihoodTables tables = likelihood_tables(wide_study_of(design), design.unsampled_mother,
                                              errors, reading_of(errors, allowance));
  tables.untyped = untyped;
  return tables;
}

// The brood's detection probability under a further design of shares,
// against the threshold its first design found: the threshold's broods
// have one sire, so they are the same under every design.
double detection_by_likelihood(const PopulationData& data, const Panel& panel,
                               const BroodVerdict& brood, const Design& design, int64_t trials,
                               double threshold, const ErrorRates& errors, double allowance,
                               uint32_t seed) {
  BroodReads reads;
  const LikelihoodTables tables =
      brood_tables(data, panel, brood, design, errors, allowance, reads);
  return static_cast<double>(design_detections(tables, reads.offspring, trials, threshold, seed, 1,
                                               EXACT_SPLIT_OFFSPRING)) /
         static_cast<double>(trials);
}

// The brood judged by the likelihood under its first design, its broods
// drawn and read with `errors`: its threshold and statistic, its fathers,
// and its detection probability there.
void judge_by_likelihood(const PopulationData& data, const Panel& panel, const BroodVerdict& brood,
                         const Design& design, int64_t trials, double false_detection,
                         const ErrorRates& errors, double allowance, uint32_t seed,
                         LikelihoodJudgement& judgement, double& detection) {
  BroodReads reads;
  const LikelihoodTables tables =
      brood_tables(data, panel, brood, design, errors, allowance, reads);
  const std::vector<uint8_t>& untyped = tables.untyped;
  const int size = reads.offspring;
  const LikelihoodPoint point =
      likelihood_point(tables, size, trials, false_detection, seed, 1, EXACT_SPLIT_OFFSPRING,
                       FalseDetections::EACH_LEFT_OUT);
  judgement.false_detection = static_cast<double>(point.false_detections) / trials;
  detection = static_cast<double>(point.detections) / trials;
  BroodTerms terms;
  SplitSearch search;
  prepare_brood_terms(tables.study.frequency, tables.reading, reads, terms);
  // Judged as its calibration broods are.
  judgement.statistic = brood_statistic(terms, search, EXACT_SPLIT_OFFSPRING);
  judgement.threshold = point.threshold;
  judgement.revealed = judgement.statistic > point.threshold;
  std::vector<int> family_of(static_cast<size_t>(size), 0);
  int families = 1;
  if (judgement.revealed) {
    family_of = search.best;
    families = 2;
    // One father more while his split passes the threshold from broods of
    // the fathers found, with their families' shares.
    while (families < MOST_LIKELY_SIRES) {
      const NextFather next = next_father(terms, family_of, families, EXACT_SPLIT_OFFSPRING);
      if (next.family < 0) break;
      WideStudy found = tables.study;
      found.share.clear();
      double given = 0;
      for (int k = 0; k + 1 < families; ++k) {
        found.share.push_back(
            static_cast<double>(std::count(family_of.begin(), family_of.end(), k)) / size);
        given += found.share.back();
      }
      found.share.push_back(1 - given);
      LikelihoodTables found_sires =
          likelihood_tables(found, design.unsampled_mother, errors, reading_of(errors, allowance));
      found_sires.untyped = untyped;
      judgement.next_statistic = next.statistic;
      judgement.next_threshold = next_father_threshold(
          found_sires, size, NEXT_FATHER_TRIALS, false_detection, seed, 1, EXACT_SPLIT_OFFSPRING);
      if (next.statistic <= judgement.next_threshold) break;
      split_off(next, families, family_of);
      ++families;
    }
  }
  // Fathers numbered as their first offspring come.
  std::vector<int> number(static_cast<size_t>(families), 0);
  int next = 0;
  judgement.father.assign(static_cast<size_t>(size), 1);
  for (int j = 0; j < size; ++j) {
    int& own = number[static_cast<size_t>(family_of[static_cast<size_t>(j)])];
    if (own == 0) own = ++next;
    judgement.father[static_cast<size_t>(j)] = own;
  }
  judgement.likely_sires = families;
  judgement.support = families == 1   ? std::vector<double>(static_cast<size_t>(size), 1.0)
                      : families == 2 ? split_support(terms, family_of)
                                      : family_support(terms, family_of, families);
  father_genotypes(panel, brood, terms, judgement);
}

void add_once(Notes& notes, const Notes& more) {
  for (const Note& note : more) {
    if (std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(note);
  }
}

std::string share_text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

}  // namespace

namespace {

// The shares the families found show: over the broods found with two
// fathers, each brood's larger and smaller family as shares of it,
// averaged, to three decimals; empty when there are none.
std::vector<std::string> observed_shares(const BroodsReport& report) {
  double larger = 0;
  int counted = 0;
  for (const LikelihoodJudgement& judged : report.likelihood) {
    if (judged.likely_sires != 2 || judged.father.empty()) continue;
    const auto first = std::count(judged.father.begin(), judged.father.end(), 1);
    const double n = static_cast<double>(judged.father.size());
    larger += std::max(static_cast<double>(first), n - static_cast<double>(first)) / n;
    ++counted;
  }
  if (counted == 0) return {};
  char text[2][32];
  const double major = larger / counted;
  std::snprintf(text[0], sizeof text[0], "%.3f", major);
  std::snprintf(text[1], sizeof text[1], "%.3f", 1 - std::strtod(text[0], nullptr));
  return {text[0], text[1]};
}

}  // namespace

Status analyse_broods(const BroodInputs& inputs, uint32_t seed, int threads, BroodsReport& report,
                      Notes& notes) {
  report = BroodsReport{};
  InputFormat format = InputFormat::STUDY;
  Status result = recognise_format(inputs.name, inputs.options, inputs.text, format);
  if (!result.ok) return result;
  if (format == InputFormat::STUDY || format == InputFormat::FREQUENCIES) {
    return failure(inputs.name +
                   ": broods reads brood genotypes (Genepop, GenAlEx, STRUCTURE, FSTAT, "
                   "GENETIX, VCF, PLINK or a table of allele counts), one sample per brood, "
                   "not a " +
                   std::string(format == InputFormat::STUDY ? "study file" : "frequency table"));
  }
  if (inputs.population_name.empty() && !inputs.options.pop.empty()) {
    return failure_about(Input::POP, "chooses a sample of a population file, and none is given",
                         Kind::POP_WITHOUT_POPULATION);
  }
  PopulationData& data = report.data;
  result = read_input_population(inputs.name, inputs.text, format, inputs.options, data);
  if (!result.ok) return result;
  for (const Note& note : data.notes) notes.push_back(named(inputs.name, note));
  std::vector<int> loci;
  result = choose_loci(data.loci, inputs.options.loci, loci);
  if (!result.ok) return named(inputs.name, result);
  // Under the allele rule each brood becomes a study of its own loci, so no
  // more than a study holds; the likelihood takes the planner's panels.
  const bool by_likelihood = inputs.options.verdict == Verdict::LIKELIHOOD;
  if (!by_likelihood) {
    result = check_locus_count(loci.size());
  } else if (loci.size() > static_cast<size_t>(PLAN_MAX_LOCI)) {
    std::string many = "the broods have ";
    many += std::to_string(loci.size());
    many += " loci; the likelihood verdict takes at most ";
    many += std::to_string(PLAN_MAX_LOCI);
    result = failure_of(Kind::TOO_MANY_LOCI, many, PLAN_MAX_LOCI);
  }
  if (result.ok) result = check_min_loci(inputs.options.min_loci, loci.size());
  if (!result.ok) return named(inputs.name, result);
  std::vector<int> mother;
  result = mothers_of_broods(inputs, data, loci, mother, notes);
  if (!result.ok) return result;
  Panel panel;
  result = frequency_panel(inputs, data, loci, mother, panel, notes);
  if (!result.ok) return result;
  report.source = inputs.name;
  report.frequencies = panel.sample;

  const std::vector<int> members = members_of(data);
  for (size_t s = 0; s < data.samples.size(); ++s) {
    if (members[s] == 0) continue;
    report.broods.push_back(
        judge_genotyped_brood(data, static_cast<int>(s), mother[s], loci, inputs.options.min_loci));
    const BroodVerdict& brood = report.broods.back();
    if (!brood.mother_sampled) continue;
    const std::string who = inputs.name + ": brood " + data.samples[s];
    std::string untyped;
    for (const BroodLocus& locus : brood.loci) {
      if (data.individuals[brood.mother].genotype[locus.locus].allele[0] == MISSING_CODE)
        untyped += (untyped.empty() ? "" : ", ") + data.loci[locus.locus];
    }
    if (!untyped.empty())
      notes.push_back(who + ": its mother is untyped at " + untyped + "; judged without them");
    if (!brood.min_sires_exact) {
      notes.push_back(
          who + ": the least number of fathers is from " + std::to_string(brood.min_sires) +
          " to " + std::to_string(brood.min_sires_most) +
          "; the search for it stopped at its budget, and min_sires gives the " + "lower bound");
    }
    if (mother_doubtful(brood)) {
      int loci_mismatching = 0;
      for (const BroodLocus& locus : brood.loci) {
        loci_mismatching += std::any_of(brood.mismatches.begin(), brood.mismatches.end(),
                                        [&](const Mismatch& m) { return m.locus == locus.locus; });
      }
      notes.push_back(Note("warning: " + who + ": offspring carry neither allele of \"" +
                               data.individuals[brood.mother].id + "\" at " +
                               std::to_string(loci_mismatching) + " loci (" +
                               std::to_string(brood.mismatches.size()) +
                               " genotypes); she may not be their mother",
                           Kind::WARNING));
    }
  }

  if (report.broods.empty()) return failure(inputs.name + ": holds no brood to judge");

  std::vector<std::vector<std::string>> variants;
  result = share_variants_of(inputs.name, without_observed_shares(inputs.options), variants, notes);
  if (!result.ok) return result;
  for (const std::vector<std::string>& shares : variants) {
    StudyData sires{};
    result = apply_shares(shares, sires);
    if (!result.ok) return named(inputs.name, result);
    int fathers = 0;
    for (int k = 0; k < sires.sire_count; ++k) fathers += sires.skew[k] > 0 ? 1 : 0;
    if (fathers < 2) {
      return failure_of(Kind::ONE_SIRE,
                        "under " + sires_label(sires) +
                            " no brood could reveal multiple paternity; the correction assumes "
                            "broods with two or more sires");
    }
    report.designs.push_back(sires_label(sires));
  }
  // The broods' designs are made a batch at a time and estimated, so that
  // no more than a batch of them (6.5 KB each) is held however many broods
  // the file has; each estimate starts from the seed, so the batches change
  // nothing of the results.
  struct Job {
    size_t design, brood;
    Design study;
    JudgedOffspring judged;
  };
  const size_t batch = 64 * static_cast<size_t>(threads < 1 ? 1 : threads);
  std::vector<Job> jobs;
  report.detections.assign(variants.size(), std::vector<int>(report.broods.size(), 0));
  const InputOptions& options = inputs.options;
  report.by_likelihood = options.verdict == Verdict::LIKELIHOOD;
  report.verdict_by_default = !options.verdict_given && options.verdict == brood_verdict(options);
  report.with_errors = any_errors(options.errors);
  if (!report.by_likelihood && report.with_errors)
    report.false_detections.assign(report.broods.size(), 0);
  if (report.by_likelihood) {
    report.likelihood_trials = inputs.likelihood_trials;
    report.likelihood.assign(report.broods.size(), LikelihoodJudgement{});
    report.likelihood_detection.assign(variants.size(),
                                       std::vector<double>(report.broods.size(), 0));
  }
  Notes design_notes;
  auto estimate_batch = [&] {
    run_jobs(jobs.size(), threads, [&](size_t n) {
      Job& job = jobs[n];
      if (!report.by_likelihood) {
        // Each thread's working storage (1 MB) made once, not once a brood.
        thread_local std::unique_ptr<EstimateWork> work(new EstimateWork);
        prepare_design_estimates(job.study, job.study.study, *work);
        judge_only(*work, job.judged);
        RandomState random{seed};
        const int size = static_cast<int>(report.broods[job.brood].offspring.size());
        report.detections[job.design][job.brood] =
            count_detections(job.study.study, size, *work, random);
        // With errors, single-sire broods of the same design show several
        // fathers too; how often does not depend on the shares.
        if (job.design != 0 || report.false_detections.empty()) return;
        Design one = single_sire(job.study);
        prepare_design_estimates(one, one.study, *work);
        judge_only(*work, job.judged);
        RandomState again{seed};
        report.false_detections[job.brood] = count_detections(one.study, size, *work, again);
        return;
      }
      // The judgement does not depend on the shares: the first design's
      // stands for all, and its threshold serves the others (every brood
      // is judged under the first design before any under the next).
      double& detection = report.likelihood_detection[job.design][job.brood];
      if (job.design == 0) {
        judge_by_likelihood(data, panel, report.broods[job.brood], job.study,
                            report.likelihood_trials, options.false_detection, options.errors,
                            options.error_allowance, seed, report.likelihood[job.brood], detection);
      } else {
        detection = detection_by_likelihood(
            data, panel, report.broods[job.brood], job.study, report.likelihood_trials,
            report.likelihood[job.brood].threshold, options.errors, options.error_allowance, seed);
      }
    });
    jobs.clear();
  };
  // Every brood under design d.
  const auto estimate_design = [&](size_t d) {
    for (size_t b = 0; b < report.broods.size(); ++b) {
      const BroodVerdict& brood = report.broods[b];
      if (brood.offspring.empty() || brood.loci_typed == 0) continue;
      jobs.push_back(Job{d, b, {}, {}});
      Notes found;
      Status made = brood_design(inputs, data, panel, brood, variants[d], jobs.back().study,
                                 jobs.back().judged, found);
      if (!made.ok) return made;
      if (report.by_likelihood) {
        const Design& own = jobs.back().study;
        made = check_likelihood_design(wide_study_of(own), own.unsampled_mother, options.errors,
                                       static_cast<int>(brood.offspring.size()));
        if (!made.ok) return named(inputs.name + ": brood " + data.samples[brood.sample], made);
      }
      add_once(design_notes, found);
      if (jobs.size() == batch) estimate_batch();
    }
    estimate_batch();
    return success();
  };
  for (size_t d = 0; d < variants.size(); ++d) {
    result = estimate_design(d);
    if (!result.ok) return result;
  }
  // The design of the families found, once every brood is judged.
  if (report.by_likelihood && asks_observed_shares(options)) {
    const std::vector<std::string> own = observed_shares(report);
    if (own.empty()) {
      notes.push_back(named(inputs.name, note_about(Input::SHARES,
                                                    "observed: no brood shows two families, so "
                                                    "there are no observed shares to estimate "
                                                    "under")));
    } else {
      StudyData sires{};
      result = apply_shares(own, sires);
      if (!result.ok) return named(inputs.name, result);
      variants.push_back(own);
      report.designs.push_back(sires_label(sires) + " as observed");
      report.detections.emplace_back(report.broods.size(), 0);
      report.likelihood_detection.emplace_back(report.broods.size(), 0);
      result = estimate_design(variants.size() - 1);
      if (!result.ok) return result;
    }
  }
  add_once(notes, design_notes);

  std::vector<int> revealed;
  for (size_t b = 0; b < report.broods.size(); ++b)
    revealed.push_back(revealed_in(report, b) ? 1 : 0);
  for (size_t d = 0; d < variants.size(); ++d) {
    std::vector<double> detection, falsely;
    for (size_t b = 0; b < report.broods.size(); ++b) {
      detection.push_back(detection_in(report, d, b));
      if (shows_false_detections(report)) falsely.push_back(false_detection_in(report, b));
    }
    report.shares.push_back(estimate_share(revealed, detection, falsely));
  }
  return success();
}

bool revealed_in(const BroodsReport& report, size_t b) {
  return report.by_likelihood ? report.likelihood[b].revealed : report.broods[b].revealed;
}

double detection_in(const BroodsReport& report, size_t d, size_t b) {
  return report.by_likelihood ? report.likelihood_detection[d][b]
                              : static_cast<double>(report.detections[d][b]) / TRIAL_COUNT;
}

bool shows_false_detections(const BroodsReport& report) {
  return report.by_likelihood || !report.false_detections.empty();
}

double false_detection_in(const BroodsReport& report, size_t b) {
  if (report.by_likelihood) return report.likelihood[b].false_detection;
  return report.false_detections.empty()
             ? 0
             : static_cast<double>(report.false_detections[b]) / TRIAL_COUNT;
}

std::string brood_name(const BroodsReport& report, const BroodVerdict& brood) {
  return report.data.samples[brood.sample];
}

std::string brood_table(const BroodsReport& report) {
  const bool several = report.designs.size() > 1;
  std::string table = several ? "design," : "";
  table +=
      "brood,mother,offspring,loci_typed,revealed,revealing_loci,min_sires,min_sires_per_locus,"
      "mismatches,detection_probability";
  table += report.by_likelihood ? ",statistic,threshold,false_detection_probability,likely_sires\n"
           : shows_false_detections(report) ? ",false_detection_probability\n"
                                            : "\n";
  for (size_t d = 0; d < report.designs.size(); ++d) {
    for (size_t b = 0; b < report.broods.size(); ++b) {
      const BroodVerdict& brood = report.broods[b];
      std::string revealing;
      for (const BroodLocus& locus : brood.loci) {
        if (locus.reveals)
          revealing += (revealing.empty() ? "" : ";") + report.data.loci[locus.locus];
      }
      char numbers[128];
      std::snprintf(numbers, sizeof numbers, "%zu,%d,%d,", brood.offspring.size(), brood.loci_typed,
                    revealed_in(report, b) ? 1 : 0);
      table += several ? csv_cell(report.designs[d]) + "," : "";
      const std::string mother = brood.mother >= 0 ? report.data.individuals[brood.mother].id : "";
      table += csv_cell(brood_name(report, brood)) + "," + csv_cell(mother) + "," + numbers +
               csv_cell(revealing) + "," + std::to_string(brood.min_sires) + "," +
               std::to_string(brood.min_sires_per_locus) + "," +
               std::to_string(brood.mismatches.size()) + ",";
      if (!report.by_likelihood) {
        table += share_text(running_share(report.detections[d][b]));
        if (shows_false_detections(report)) {
          table += ",";
          table += share_text(false_detection_in(report, b));
        }
        table += "\n";
        continue;
      }
      const LikelihoodJudgement& judged = report.likelihood[b];
      char more[160];
      std::snprintf(more, sizeof more, "%s,%.4f,%.4f,%s,%d\n",
                    share_text(report.likelihood_detection[d][b]).c_str(), judged.statistic,
                    judged.threshold, share_text(judged.false_detection).c_str(),
                    judged.likely_sires);
      table += more;
    }
  }
  return table;
}

std::string family_table(const BroodsReport& report) {
  std::string table = "brood,offspring,father,support\n";
  if (!report.by_likelihood) return table;
  for (size_t b = 0; b < report.broods.size(); ++b) {
    const BroodVerdict& brood = report.broods[b];
    const LikelihoodJudgement& judged = report.likelihood[b];
    for (size_t j = 0; j < brood.offspring.size() && j < judged.father.size(); ++j) {
      const Individual& offspring =
          report.data.individuals[static_cast<size_t>(brood.offspring[j])];
      table += csv_cell(brood_name(report, brood)) + "," + csv_cell(offspring.id) + "," +
               std::to_string(judged.father[j]) + "," + share_text(judged.support[j]) + "\n";
    }
  }
  return table;
}

std::string father_table(const BroodsReport& report) {
  std::string table = "brood,father,offspring,share";
  const std::vector<BroodLocus>& asked =
      report.broods.empty() ? std::vector<BroodLocus>{} : report.broods[0].loci;
  for (const BroodLocus& locus : asked) {
    table += ",";
    table += csv_cell(report.data.loci[static_cast<size_t>(locus.locus)]);
  }
  table += "\n";
  if (!report.by_likelihood) return table;
  for (size_t b = 0; b < report.broods.size(); ++b) {
    const BroodVerdict& brood = report.broods[b];
    const LikelihoodJudgement& judged = report.likelihood[b];
    if (judged.genotypes.empty()) continue;  // no offspring or no locus judged
    for (int f = 1; f <= judged.likely_sires; ++f) {
      const auto count = std::count(judged.father.begin(), judged.father.end(), f);
      table += csv_cell(brood_name(report, brood));
      table += ",";
      table += std::to_string(f);
      table += ",";
      table += std::to_string(count);
      table += ",";
      table += share_text(static_cast<double>(count) / static_cast<double>(judged.father.size()));
      for (size_t k = 0; k < brood.loci.size(); ++k) {
        table += ",";
        table += csv_cell(judged.genotypes[static_cast<size_t>(f - 1) * brood.loci.size() + k]);
      }
      table += "\n";
    }
  }
  return table;
}

std::string mismatch_table(const BroodsReport& report) {
  std::string table = "brood,offspring,locus,mother_genotype,offspring_genotype\n";
  for (const BroodVerdict& brood : report.broods) {
    const Individual& her = report.data.individuals[brood.mother];
    for (const Mismatch& mismatch : brood.mismatches) {
      const Individual& offspring = report.data.individuals[mismatch.offspring];
      table += csv_cell(brood_name(report, brood)) + "," + csv_cell(offspring.id) + "," +
               csv_cell(report.data.loci[mismatch.locus]) + "," +
               csv_cell(genotype_text(report.data, her, mismatch.locus)) + "," +
               csv_cell(genotype_text(report.data, offspring, mismatch.locus)) + "\n";
    }
  }
  return table;
}

namespace {

int revealed_count(const BroodsReport& report) {
  int count = 0;
  for (size_t b = 0; b < report.broods.size(); ++b) count += revealed_in(report, b) ? 1 : 0;
  return count;
}

}  // namespace

std::string share_table(const BroodsReport& report) {
  std::string table = "design,broods,revealed,observed_share,estimated_share,ci_low,ci_high\n";
  for (size_t d = 0; d < report.designs.size(); ++d) {
    const ShareEstimate& share = report.shares[d];
    table += csv_cell(report.designs[d]) + "," + std::to_string(report.broods.size()) + "," +
             std::to_string(revealed_count(report)) + "," + share_text(share.observed) + "," +
             share_text(share.share) + "," + share_text(share.low) + "," + share_text(share.high) +
             "\n";
  }
  return table;
}

Notes share_lines(const BroodsReport& report) {
  Notes lines;
  const int revealed = revealed_count(report);
  lines.push_back(std::to_string(revealed) + " of " + std::to_string(report.broods.size()) +
                  " broods show multiple paternity (observed share " +
                  share_text(static_cast<double>(revealed) / report.broods.size()) + ")");
  const std::string chosen = report.verdict_by_default && report.with_errors
                                 ? " (the default where genotypes are read with errors)"
                                 : "";
  if (!report.by_likelihood && report.with_errors) {
    lines.push_back(
        "judged by the allele rule, with genotyping errors: the share corrected for each brood's "
        "chance of showing several fathers when it has one, measured on " +
        std::to_string(TRIAL_COUNT) + " single-sire broods of its own design read with the errors");
  }
  if (report.by_likelihood) {
    lines.push_back(
        "judged by the likelihood verdict" + chosen + ": each brood against a threshold from " +
        std::to_string(report.likelihood_trials) +
        " single-sire broods of its own design, and the share corrected for each brood's "
        "chance of calling one sire several, measured on the same broods, each against the "
        "threshold of the others");
  }
  for (size_t d = 0; d < report.designs.size(); ++d) {
    const ShareEstimate& share = report.shares[d];
    const std::string under = "under " + report.designs[d] + ": ";
    if (!share.bounded) {
      lines.push_back(under +
                      "the broods cannot bound the share with more than one sire: every share "
                      "from 0 to 1 fits them (too few broods could have revealed it)");
    } else {
      lines.push_back(under + "share of broods with more than one sire " + share_text(share.share) +
                      " (95 % interval " + share_text(share.low) + " to " + share_text(share.high) +
                      ")");
    }
  }
  // How far the designs assumed move the share.
  size_t low = 0, high = 0;
  bool apart = false;
  for (size_t d = 0; d < report.designs.size(); ++d) {
    const ShareEstimate& share = report.shares[d];
    if (share.share < report.shares[low].share) low = d;
    if (share.share > report.shares[high].share) high = d;
    for (size_t e = 0; e < d; ++e)
      apart = apart || share.low > report.shares[e].high || share.high < report.shares[e].low;
  }
  if (report.designs.size() > 1) {
    lines.push_back("over the " + std::to_string(report.designs.size()) +
                    " designs the share ranges from " + share_text(report.shares[low].share) +
                    " (" + report.designs[low] + ") to " + share_text(report.shares[high].share) +
                    " (" + report.designs[high] + "); " +
                    (apart ? "some of their intervals do not overlap: the share depends on the "
                             "design assumed more than on chance"
                           : "their intervals overlap"));
  }
  return lines;
}

}  // namespace mpdetect
