#include "plan/model/study_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "plan/input/plan_text.h"
#include "study/study_data.h"
#include "study/study_reader.h"

namespace mpdetect {

MotherChoice mother_choice(const std::string& text) {
  if (text == "drawn" || text == "untyped" || text.empty()) return {MotherChoice::UNTYPED, "", {}};
  if (text == "unsampled") return {MotherChoice::UNSAMPLED, "", {}};
  bool labels = true;
  for (const std::string& pair : split_cells(text, ','))
    labels = labels && pair.find('/') != std::string::npos;
  if (!labels) return {MotherChoice::INDIVIDUAL, text, {}};
  MotherChoice choice{MotherChoice::LABELS, text, {}};
  for (const std::string& pair : split_cells(text, ',')) {
    const size_t slash = pair.find('/');
    choice.labels.push_back(LabelPair{{trim(pair.substr(0, slash)), trim(pair.substr(slash + 1))}});
  }
  return choice;
}

namespace {

constexpr long MICRO = 1000000;

// Six-decimal text of `units` millionths.
std::string decimals(long units) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld.%06ld", units / MICRO, units % MICRO);
  return text;
}

// Each value in millionths, rounded, the largest adjusted so that they add
// up to exactly one million when only rounding kept them from it. Values
// that add up to something else (a table of percentages) are written as they
// are, for the scale check to find.
std::vector<long> millionths(const std::vector<double>& values) {
  std::vector<long> units;
  long sum = 0;
  size_t largest = 0;
  for (size_t n = 0; n < values.size(); ++n) {
    units.push_back(std::lround(values[n] * MICRO));
    sum += units.back();
    if (values[n] > values[largest]) largest = n;
  }
  const long off = MICRO - sum;
  if (!units.empty() && std::labs(off) <= static_cast<long>(units.size())) units[largest] += off;
  return units;
}

// The mother's two allele indices at each panel locus, or a refusal.
Status mother_alleles(const Panel& panel, const MotherChoice& mother, const PopulationData& data,
                      std::vector<std::pair<int, int>>& alleles) {
  std::vector<LabelPair> labels;
  std::string who;
  if (mother.kind == MotherChoice::INDIVIDUAL) {
    const std::vector<const Individual*> found = individuals_named(data, mother.text);
    if (found.empty()) {
      return failure_about(Input::MOTHER, mother.text + ": no individual has that identifier",
                           Kind::MOTHER_UNKNOWN);
    }
    if (found.size() > 1) {
      std::string samples;
      for (const Individual* individual : found) {
        const std::string& sample = data.samples[individual->sample];
        if (samples.find(sample) == std::string::npos)
          samples += (samples.empty() ? "" : ", ") + sample;
      }
      const std::vector<std::string> names = unique_names(data);
      const std::string first = names[static_cast<size_t>(found.front() - data.individuals.data())];
      return failure_about(Input::MOTHER,
                           mother.text + ": " + std::to_string(found.size()) +
                               " individuals have that identifier (in " + samples +
                               "); name one with its sample, as \"" + first +
                               "\", or give her labels locus by locus, 135/143,136/146,...");
    }
    for (const LocusPanel& locus : panel.loci)
      labels.push_back(labels_at(data, *found.front(), static_cast<size_t>(locus.source)));
    who = "mother \"" + mother.text + "\"";
  } else {
    if (mother.labels.size() != panel.loci.size()) {
      return failure_about(Input::MOTHER, "gives " + std::to_string(mother.labels.size()) +
                                              " genotypes; the study has " +
                                              std::to_string(panel.loci.size()) + " loci");
    }
    labels = mother.labels;
    who = "the mother";
  }
  // Every locus she is untyped at, named once, so that one refusal says
  // all that would have to change.
  std::vector<std::string> untyped;
  for (size_t i = 0; i < panel.loci.size(); ++i) {
    if (labels[i].allele[0].empty()) untyped.push_back(panel.loci[i].name);
  }
  if (!untyped.empty()) {
    std::string loci;
    for (const std::string& name : untyped) loci += (loci.empty() ? "" : ", ") + name;
    // A locus with no name of its own is called "locus 2" already.
    const bool named = untyped.size() > 1 || untyped[0].rfind("locus ", 0) != 0;
    Status refusal = failure_of(Kind::MOTHER_UNTYPED,
                                who + " is not typed at " +
                                    (untyped.size() > 1 ? "loci "
                                     : named            ? "locus "
                                                        : "") +
                                    loci,
                                static_cast<int>(untyped.size()));
    refusal.locus = untyped[0];
    return refusal;
  }
  for (size_t i = 0; i < panel.loci.size(); ++i) {
    const LocusPanel& locus = panel.loci[i];
    int index[2];
    for (int slot = 0; slot < 2; ++slot) {
      index[slot] = allele_index(locus, labels[i].allele[slot]);
      if (index[slot] < 0) {
        return failure("allele " + labels[i].allele[slot] + " of " + who + " at " +
                       locus_phrase(locus.name) +
                       " does not occur in the sample the study is made from");
      }
    }
    alleles.push_back({index[0], index[1]});
  }
  return success();
}

}  // namespace

std::vector<std::string> equal_shares(int sires) {
  std::vector<std::string> shares;
  for (const long units : millionths(std::vector<double>(sires, 1.0 / sires)))
    shares.push_back(decimals(units));
  return shares;
}

std::vector<std::string> share_words(const std::string& text) {
  std::string commas = text;
  std::replace(commas.begin(), commas.end(), ';', ',');
  std::vector<std::string> shares;
  for (const std::string& cell : split_cells(commas, ',')) {
    const std::vector<std::string> words = split_words(cell);
    if (words.empty()) shares.emplace_back();
    shares.insert(shares.end(), words.begin(), words.end());
  }
  return shares;
}

Status share_values(const std::vector<std::string>& shares, std::vector<double>& values) {
  values.clear();
  for (const std::string& share : shares) {
    double value = 0;
    if (!share_value(share, value))
      return failure("share \"" + share + "\" should be a number, zero or more");
    values.push_back(value);
  }
  return success();
}

Status check_sire_count(size_t sires) {
  if (sires >= 1 && sires <= static_cast<size_t>(MAX_SIRES)) return success();
  return failure("a study has 1 to " + std::to_string(MAX_SIRES) + " sires, not " +
                 std::to_string(sires));
}

Status check_locus_count(size_t loci) {
  if (loci <= static_cast<size_t>(MAX_LOCI)) return success();
  return failure_of(Kind::TOO_MANY_LOCI,
                    "the study would have " + std::to_string(loci) + " loci; a study allows " +
                        std::to_string(MAX_LOCI),
                    MAX_LOCI);
}

Status write_study(const Panel& panel, const std::vector<std::string>& shares,
                   const MotherChoice& mother, const PopulationData& data, StudyFiles& files) {
  const Status count = check_locus_count(panel.loci.size());
  if (!count.ok) return count;
  for (const LocusPanel& locus : panel.loci) {
    if (static_cast<int>(locus.labels.size()) > MAX_ALLELES) {
      Status refusal =
          failure_of(Kind::TOO_MANY_ALLELES,
                     "locus " + locus.name + " has " + std::to_string(locus.labels.size()) +
                         " alleles; a study allows " + std::to_string(MAX_ALLELES),
                     MAX_ALLELES);
      refusal.locus = locus.name;
      return refusal;
    }
  }
  const Status sires = check_sire_count(shares.size());
  if (!sires.ok) return sires;
  std::vector<std::pair<int, int>> mother_indices;
  const bool drawn = mother.kind == MotherChoice::UNTYPED || mother.kind == MotherChoice::UNSAMPLED;
  if (!drawn) {
    Status result = mother_alleles(panel, mother, data, mother_indices);
    if (!result.ok) return result;
  }

  std::string study = std::to_string(panel.loci.size()) + "\n";
  std::string legend = "locus,index,allele\n";
  for (const LocusPanel& locus : panel.loci) {
    study += std::to_string(locus.labels.size());
    for (const long units : millionths(locus.frequency)) {
      study += ' ';
      study += decimals(units);
    }
    study += "\n";
    for (size_t a = 0; a < locus.labels.size(); ++a) {
      const std::string name = csv_cell(locus.name);
      std::string label = locus.labels[a];
      if (a + 1 == locus.labels.size() && !locus.pooled.empty()) {
        label += " (";
        for (size_t p = 0; p < locus.pooled.size(); ++p) {
          label += p == 0 ? "" : " ";
          label += locus.pooled[p];
        }
        label += ")";
      }
      legend += name + "," + std::to_string(a) + "," + csv_cell(label) + "\n";
    }
  }
  study += std::to_string(shares.size()) + "\n";
  for (size_t k = 0; k < shares.size(); ++k) {
    study += k == 0 ? "" : " ";
    study += shares[k];
  }
  study += "\n";
  if (drawn) {
    study += untyped_mother_text() + "\n";
  } else {
    for (size_t i = 0; i < mother_indices.size(); ++i) {
      study += i == 0 ? "" : " ";
      study +=
          std::to_string(mother_indices[i].first) + " " + std::to_string(mother_indices[i].second);
    }
    study += "\n";
  }
  files = StudyFiles{study, legend};
  return success();
}

Status wide_study_of(const Panel& panel, const std::vector<std::string>& shares,
                     const MotherChoice& mother, const PopulationData& data, WideStudy& study) {
  study = WideStudy{};
  for (const LocusPanel& locus : panel.loci) {
    study.frequency.emplace_back();
    for (const long units : millionths(locus.frequency)) {
      double value = 0;
      // Six decimals of a count's share always read back.
      [[maybe_unused]] const bool read = share_value(decimals(units), value);
      study.frequency.back().push_back(value);
    }
  }
  const Status read = share_values(shares, study.share);
  if (!read.ok) return read;
  std::vector<std::string> names;
  for (const LocusPanel& locus : panel.loci) names.push_back(locus.name);
  const Status limits = check_plan_limits(study, names);
  if (!limits.ok) return limits;
  const bool drawn = mother.kind == MotherChoice::UNTYPED || mother.kind == MotherChoice::UNSAMPLED;
  study.mother_known = !drawn;
  if (drawn) {
    for (const std::vector<double>& locus : study.frequency) {
      const int32_t last = static_cast<int32_t>(locus.size()) - 1;
      study.mother.push_back(Genotype{{last, last}});
    }
    return success();
  }
  std::vector<std::pair<int, int>> indices;
  const Status found = mother_alleles(panel, mother, data, indices);
  if (!found.ok) return found;
  for (const std::pair<int, int>& pair : indices)
    study.mother.push_back(Genotype{{pair.first, pair.second}});
  return success();
}

}  // namespace mpdetect
