#include "plan/estimate/brood_judgement.h"

#include <regex.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "plan/estimate/least_fathers.h"
#include "plan/input/plan_text.h"
#include "simulation/locus_judgement.h"
#include "simulation/trial.h"

namespace mpdetect {

namespace {

bool missing(const AlleleCodes& codes) {
  return codes.allele[0] == MISSING_CODE || codes.allele[1] == MISSING_CODE;
}

// "\"M3\" (line 12)"
std::string who(const Individual& individual) {
  return "\"" + individual.id + "\" (line " + std::to_string(individual.line) + ")";
}

// Sets `individual` as the mother of its sample, refusing a second one.
Status set_mother(const PopulationData& data, int individual, std::vector<int>& mother) {
  const Individual& found = data.individuals[individual];
  int& slot = mother[found.sample];
  if (slot >= 0 && slot != individual) {
    Status refusal =
        failure_about(Input::MOTHERS, "names two individuals of " + data.samples[found.sample] +
                                          ", " + who(data.individuals[slot]) + " and " +
                                          who(found) + "; a brood has one mother");
    refusal.line = found.line;
    refusal.individual = found.id;
    refusal.sample = data.samples[found.sample];
    return refusal;
  }
  slot = individual;
  return success();
}

bool looks_like_pattern(const std::string& rule) {
  return rule.find_first_of("^$.*+?()[]{}|\\") != std::string::npos;
}

// How large a POSIX extended expression grows once compiled: the C
// library writes out every counted repetition ("a{1,100}" as a hundred
// copies of "a"), so counts nested in groups multiply. Each atom counts 1,
// a group the sum of its alternatives, and a count {m,n} multiplies what
// it repeats by n (m + 1 for {m,}). Stops counting past `limit`.
struct PatternSize {
  const std::string& text;
  size_t at = 0;
  long limit;

  static long capped(long a, long limit) { return a > limit ? limit + 1 : a; }

  // A whole number of a count, at most 5 digits read (a count's own limit
  // is far below).
  long number() {
    long value = 0;
    for (int digits = 0;
         at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 6;
         ++at, ++digits)
      value = value * 10 + (text[at] - '0');
    return value;
  }

  // The factor of a count at `at` ("{m}", "{m,}", "{m,n}"), 1 for none.
  long count() {
    if (at >= text.size() || text[at] != '{') return 1;
    ++at;
    const long low = number();
    long high = low;
    if (at < text.size() && text[at] == ',') {
      ++at;
      high = at < text.size() && text[at] == '}' ? low + 1 : number();
    }
    if (at < text.size() && text[at] == '}') ++at;
    return high < 1 ? 1 : high;
  }

  // Alternatives up to the group's end or the text's.
  long alternatives() {
    long total = 0, branch = 0;
    while (at < text.size() && text[at] != ')') {
      long atom = 1;
      const char c = text[at++];
      if (c == '|') {
        total = capped(total + branch, limit);
        branch = 0;
        continue;
      }
      if (c == '\\') {
        ++at;
      } else if (c == '[') {
        // A bracket expression: "]" first is a member; "[:alpha:]" inside.
        if (at < text.size() && text[at] == '^') ++at;
        if (at < text.size() && text[at] == ']') ++at;
        while (at < text.size() && text[at] != ']') {
          if (text[at] == '[' && at + 1 < text.size() && std::strchr(":.=", text[at + 1])) {
            const size_t end = text.find(std::string(1, text[at + 1]) + "]", at + 2);
            at = end == std::string::npos ? text.size() : end + 2;
          } else {
            ++at;
          }
        }
        if (at < text.size()) ++at;
      } else if (c == '(') {
        atom = alternatives();
        if (at < text.size()) ++at;  // ")"
      }
      while (at < text.size() && std::strchr("*+?{", text[at])) {
        if (text[at] == '{') {
          atom = capped(atom * count(), limit);
        } else {
          ++at;
        }
      }
      branch = capped(branch + atom, limit);
    }
    return capped(total + branch, limit);
  }
};

// The largest pattern --mothers compiles, in characters and in pieces once
// its counts are written out: a rule that names the mothers of a file is
// short, and a longer one could take the machine's memory to compile.
constexpr size_t MAX_PATTERN_LENGTH = 256;
constexpr long MAX_PATTERN_PIECES = 2000;

// The positions of each distinct allele code of one locus of one brood, so
// that a judgement holds them as small indices.
struct LocalAlleles {
  std::vector<int16_t> codes;
  int32_t index_of(int16_t code) {
    const auto at = std::find(codes.begin(), codes.end(), code);
    if (at != codes.end()) return static_cast<int32_t>(at - codes.begin());
    codes.push_back(code);
    return static_cast<int32_t>(codes.size() - 1);
  }
  Genotype genotype(const AlleleCodes& codes) {
    return Genotype{{index_of(codes.allele[0]), index_of(codes.allele[1])}};
  }
};

}  // namespace

Status find_mothers(const PopulationData& data, const std::string& rule, std::vector<int>& mother) {
  mother.assign(data.samples.size(), -1);
  const int count = static_cast<int>(data.individuals.size());
  if (rule == "first") {
    for (int n = count - 1; n >= 0; --n) mother[data.individuals[n].sample] = n;
    return success();
  }
  if (rule == "maternal") {
    for (const Individual& child : data.individuals) {
      if (child.maternal.empty()) continue;
      int found = -1;
      for (const Individual* named : individuals_named(data, child.maternal)) {
        if (named->sample == child.sample)
          found = static_cast<int>(named - data.individuals.data());
      }
      if (found < 0) {
        Status refusal = failure_about(
            Input::MOTHERS, ": " + who(child) + " has the mother \"" + child.maternal +
                                "\", who is no individual of " + data.samples[child.sample]);
        refusal.line = child.line;
        refusal.individual = child.id;
        refusal.sample = data.samples[child.sample];
        return refusal;
      }
      const Status set = set_mother(data, found, mother);
      if (!set.ok) return set;
    }
    return success();
  }
  const std::vector<std::string> items = split_cells(rule, ',');
  bool all_named = true;
  for (const std::string& item : items)
    all_named = all_named && !individuals_named(data, trim(item)).empty();
  if (all_named || !looks_like_pattern(rule)) {
    for (const std::string& item : items) {
      const std::string id = trim(item);
      if (id.empty()) continue;
      const std::vector<const Individual*> found = individuals_named(data, id);
      if (found.empty()) {
        return failure_about(Input::MOTHERS,
                             ": no individual has the identifier \"" + id +
                                 "\" (give first, identifiers separated by commas, or a pattern)");
      }
      // One identifier may name the mother of every brood ("M" in each).
      for (const Individual* individual : found) {
        const Status set =
            set_mother(data, static_cast<int>(individual - data.individuals.data()), mother);
        if (!set.ok) return set;
      }
    }
    return success();
  }
  // A POSIX extended expression, matched against the whole identifier.
  if (rule.size() > MAX_PATTERN_LENGTH) {
    return failure_about(Input::MOTHERS, ": the pattern is " + std::to_string(rule.size()) +
                                             " characters long; a pattern is at most " +
                                             std::to_string(MAX_PATTERN_LENGTH));
  }
  PatternSize size{rule, 0, MAX_PATTERN_PIECES};
  long pieces = 0;
  while (size.at < rule.size()) {
    pieces = PatternSize::capped(pieces + size.alternatives(), MAX_PATTERN_PIECES);
    ++size.at;  // an unmatched ")", which the compiler refuses
  }
  if (pieces > MAX_PATTERN_PIECES) {
    return failure_about(
        Input::MOTHERS,
        rule + ": its repetition counts multiply to more than " +
            std::to_string(MAX_PATTERN_PIECES) +
            " pieces once written out; a pattern that finds mothers needs far fewer");
  }
  regex_t pattern;
  if (regcomp(&pattern, ("^(" + rule + ")$").c_str(), REG_EXTENDED | REG_NOSUB) != 0) {
    return failure_about(Input::MOTHERS,
                         rule + ": names no individual and is not a regular expression either");
  }
  Status result = success();
  for (int n = 0; n < count && result.ok; ++n) {
    if (regexec(&pattern, data.individuals[n].id.c_str(), 0, nullptr, 0) == 0)
      result = set_mother(data, n, mother);
  }
  regfree(&pattern);
  return result;
}

namespace {

// The brood's verdict from its loci's: several fathers where min_loci loci
// reveal them. Without a sampled mother no locus counts paternal alleles:
// a brood revealed needs two sires, one not revealed one.
void reach_verdict(BroodVerdict& brood, int min_loci) {
  int revealing = 0;
  for (const BroodLocus& locus : brood.loci) revealing += locus.reveals ? 1 : 0;
  brood.revealed = revealing >= min_loci;
  if (!brood.mother_sampled && !brood.offspring.empty()) {
    brood.min_sires = brood.min_sires_per_locus = brood.revealed ? 2 : 1;
    brood.min_sires_most = brood.min_sires;
  }
}

// Each locus from the offspring alone.
void judge_unsampled(const PopulationData& data, const std::vector<int>& loci,
                     BroodVerdict& brood) {
  for (const int locus : loci) {
    BroodLocus judged{locus, 0, 0, false, false, {{0, 0}}};
    LocalAlleles alleles;
    std::vector<Genotype> genotypes;
    for (size_t position = 0; position < brood.offspring.size(); ++position) {
      const AlleleCodes& codes = data.individuals[brood.offspring[position]].genotype[locus];
      if (missing(codes)) continue;
      ++judged.typed;
      genotypes.push_back(alleles.genotype(codes));
      judged.offspring.word[position >> 6] |= uint64_t{1} << (position & 63);
      judged.judged = true;
    }
    if (judged.judged) {
      judged.reveals = !parents_explain(genotypes.data(), static_cast<int>(genotypes.size()));
      ++brood.loci_typed;
    }
    brood.loci.push_back(judged);
  }
}

}  // namespace

BroodVerdict judge_genotyped_brood(const PopulationData& data, int sample, int mother,
                                   const std::vector<int>& loci, int min_loci) {
  BroodVerdict brood{sample, mother, false, {}, {}, {}, 0, false, 0, 0, true, 0};
  for (int n = 0; n < static_cast<int>(data.individuals.size()); ++n) {
    if (data.individuals[n].sample == sample && n != mother) brood.offspring.push_back(n);
  }
  if (mother >= 0) {
    for (const int locus : loci)
      brood.mother_sampled =
          brood.mother_sampled || !missing(data.individuals[mother].genotype[locus]);
  }
  if (!brood.mother_sampled) {
    judge_unsampled(data, loci, brood);
    reach_verdict(brood, min_loci);
    return brood;
  }
  const Individual& her = data.individuals[mother];
  // Each offspring's paternal allele at each locus judged, for the least
  // number of fathers over all loci together.
  std::vector<std::array<int, 2>> mothers;
  std::vector<std::vector<int>> paternal(brood.offspring.size());
  for (const int locus : loci) {
    BroodLocus judged{locus, 0, 0, false, false, {{0, 0}}};
    LocalAlleles alleles;
    const bool mother_typed = !missing(her.genotype[locus]);
    const Genotype hers = mother_typed ? alleles.genotype(her.genotype[locus]) : Genotype{{0, 0}};
    LocusJudgement judgement = start_locus(hers);
    if (mother_typed) {
      mothers.push_back({hers.slot[0], hers.slot[1]});
      for (std::vector<int>& row : paternal) row.push_back(NOT_JUDGED);
    }
    for (size_t position = 0; position < brood.offspring.size(); ++position) {
      const AlleleCodes& codes = data.individuals[brood.offspring[position]].genotype[locus];
      if (missing(codes)) continue;
      ++judged.typed;
      if (!mother_typed) continue;
      const Genotype genotype = alleles.genotype(codes);
      if (!fits_mother(judgement, genotype)) {
        brood.mismatches.push_back(Mismatch{brood.offspring[position], locus});
        continue;
      }
      judge_offspring(judgement, genotype);
      paternal[position].back() =
          paternal_entry(mothers.back(), {genotype.slot[0], genotype.slot[1]});
      judged.offspring.word[position >> 6] |= uint64_t{1} << (position & 63);
      judged.judged = true;
    }
    if (judged.judged) {
      judged.paternal = paternal_count(judgement);
      judged.reveals = reveals_several_fathers(judged.paternal);
      ++brood.loci_typed;
      brood.min_sires_per_locus =
          std::max(brood.min_sires_per_locus,
                   (judged.paternal + ALLELES_PER_PARENT - 1) / ALLELES_PER_PARENT);
    }
    brood.loci.push_back(judged);
  }
  const FatherCount fathers = least_fathers(mothers, paternal);
  brood.min_sires = fathers.least;
  brood.min_sires_exact = fathers.exact;
  brood.min_sires_most = fathers.most;
  reach_verdict(brood, min_loci);
  return brood;
}

bool mother_doubtful(const BroodVerdict& brood) {
  std::vector<int> loci;
  for (const Mismatch& mismatch : brood.mismatches) {
    if (std::find(loci.begin(), loci.end(), mismatch.locus) == loci.end())
      loci.push_back(mismatch.locus);
  }
  // The loci the mother could be held to: judged, or where every typed
  // offspring mismatched her.
  int held = 0;
  for (const BroodLocus& locus : brood.loci) {
    held += locus.judged || std::find(loci.begin(), loci.end(), locus.locus) != loci.end() ? 1 : 0;
  }
  const int at = static_cast<int>(loci.size());
  return at >= DOUBTFUL_MOTHER_LOCI && 4 * at >= held;
}

std::string genotype_text(const PopulationData& data, const Individual& individual, int locus) {
  const LabelPair pair = labels_at(data, individual, static_cast<size_t>(locus));
  if (pair.allele[0].empty() || pair.allele[1].empty()) return "missing";
  return pair.allele[0] + "/" + pair.allele[1];
}

}  // namespace mpdetect
