#include "plan/input/panel.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "plan/input/plan_text.h"

namespace mpdetect {

std::string sample_description(const PopulationData& data, int sample) {
  if (!data.table.empty()) return "frequency table";
  if (sample >= 0) return data.samples[sample];
  if (data.samples.size() == 1) return "one sample";
  return std::to_string(data.samples.size()) + " samples pooled";
}

Status choose_sample(const PopulationData& data, const std::string& choice, int& sample,
                     std::vector<Note>& notes) {
  sample = -1;
  if (choice.empty()) return success();
  long position = 0;
  const bool number = parse_integer(choice, position);
  // A sample's own name first: a file's populations may be named "2" and
  // "1", and --pop 2 then means the one named 2.
  for (size_t s = 0; s < data.samples.size(); ++s) {
    if (data.samples[s] == choice) {
      sample = static_cast<int>(s);
      if (number && position != static_cast<long>(s) + 1) {
        notes.push_back(note_about(Input::POP,
                                   choice + ": the sample named " + choice + " (sample " +
                                       std::to_string(s + 1) + " of the file), not the " + choice +
                                       (position == 1   ? "st"
                                        : position == 2 ? "nd"
                                        : position == 3 ? "rd"
                                                        : "th") +
                                       " in the file",
                                   Kind::OPTION));
      }
      return success();
    }
  }
  if (number && position >= 1 && position <= static_cast<long>(data.samples.size())) {
    sample = static_cast<int>(position) - 1;
    return success();
  }
  const std::vector<const Individual*> named = individuals_named(data, choice);
  if (!named.empty()) {
    for (const Individual* other : named) {
      if (other->sample != named.front()->sample) {
        return failure_about(Input::POP,
                             choice + ": individuals of " + data.samples[named.front()->sample] +
                                 " and " + data.samples[other->sample] +
                                 " share that identifier; give the sample's position or name");
      }
    }
    sample = named.front()->sample;
    return success();
  }
  return failure_about(Input::POP, choice + " names no sample: give a position from 1 to " +
                                       std::to_string(data.samples.size()) +
                                       ", a population's name or an individual's identifier");
}

Status choose_loci(const std::vector<std::string>& names, const std::string& list,
                   std::vector<int>& chosen) {
  chosen.clear();
  if (trim(list).empty()) {
    chosen.resize(names.size());
    std::iota(chosen.begin(), chosen.end(), 0);
    return success();
  }
  for (const std::string& name : split_cells(list, ',')) {
    const auto at = std::find(names.begin(), names.end(), name);
    if (at == names.end())
      return failure_about(Input::LOCI, ": the file has no locus \"" + name + "\"");
    const int index = static_cast<int>(at - names.begin());
    if (std::find(chosen.begin(), chosen.end(), index) != chosen.end()) {
      return failure_about(Input::LOCI, ": locus \"" + name + "\" is named twice");
    }
    chosen.push_back(index);
  }
  return success();
}

namespace {

bool label_before(const std::string& a, const std::string& b, bool numeric) {
  if (numeric) return std::stol(a) < std::stol(b);
  return a < b;
}

void sort_by_label(LocusPanel& locus) {
  long value = 0;
  bool numeric = true;
  for (const std::string& label : locus.labels) numeric = numeric && parse_integer(label, value);
  std::vector<size_t> order(locus.labels.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](size_t x, size_t y) {
    return label_before(locus.labels[x], locus.labels[y], numeric);
  });
  LocusPanel sorted = locus;
  for (size_t n = 0; n < order.size(); ++n) {
    sorted.labels[n] = locus.labels[order[n]];
    sorted.frequency[n] = locus.frequency[order[n]];
  }
  locus = sorted;
}

}  // namespace

Panel panel_of(const PopulationData& data, int sample, const std::vector<int>& loci) {
  Panel panel;
  for (const int i : loci) {
    LocusPanel locus{data.loci[i], i, {}, {}, -1, -1, {}};
    if (!data.table.empty()) {
      locus.labels = data.table[i].labels;
      locus.frequency = data.table[i].frequencies;
    } else {
      const std::vector<std::string> none;
      const std::vector<std::string>& labels =
          static_cast<size_t>(i) < data.labels.size() ? data.labels[i] : none;
      std::vector<long> counts(labels.size(), 0);
      long alleles = 0;
      locus.typed = 0;
      locus.heterozygous = 0;
      for (const Individual& individual : data.individuals) {
        if (sample >= 0 && individual.sample != sample) continue;
        const AlleleCodes& codes = individual.genotype[i];
        if (codes.allele[0] == MISSING_CODE) continue;
        ++locus.typed;
        if (codes.allele[0] != codes.allele[1]) ++locus.heterozygous;
        for (const int16_t code : codes.allele) ++counts[static_cast<size_t>(code)];
        alleles += 2;
      }
      for (size_t code = 0; code < labels.size(); ++code) {
        if (counts[code] == 0) continue;  // carried only outside the sample
        locus.labels.push_back(labels[code]);
        locus.frequency.push_back(static_cast<double>(counts[code]) / static_cast<double>(alleles));
      }
    }
    sort_by_label(locus);
    panel.loci.push_back(locus);
  }
  return panel;
}

void pool_rarest(LocusPanel& locus, int max_alleles) {
  const int count = static_cast<int>(locus.labels.size());
  if (count <= max_alleles) return;
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  // Rarest first; among equals the later label goes first, so that the
  // choice does not depend on the sort's whims.
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
    return locus.frequency[x] < locus.frequency[y] ||
           (locus.frequency[x] == locus.frequency[y] && x > y);
  });
  const int pooled = count - max_alleles + 1;
  std::vector<bool> into_pool(count, false);
  double pool = 0;
  for (int n = 0; n < pooled; ++n) {
    into_pool[order[n]] = true;
    pool += locus.frequency[order[n]];
  }
  LocusPanel kept = locus;
  kept.labels.clear();
  kept.frequency.clear();
  for (int a = 0; a < count; ++a) {
    if (into_pool[a]) {
      kept.pooled.push_back(locus.labels[a]);
      continue;
    }
    kept.labels.push_back(locus.labels[a]);
    kept.frequency.push_back(locus.frequency[a]);
  }
  kept.labels.push_back("pooled");
  kept.frequency.push_back(pool);
  locus = kept;
}

namespace {

// The index of the label written as `label`, or failing that of the one
// label with its allele_key; -1 when there is none or more than one.
int label_index(const std::vector<std::string>& labels, const std::string& label) {
  for (size_t a = 0; a < labels.size(); ++a) {
    if (labels[a] == label) return static_cast<int>(a);
  }
  const std::string key = allele_key(label);
  int found = -1;
  for (size_t a = 0; a < labels.size(); ++a) {
    if (allele_key(labels[a]) != key) continue;
    if (found >= 0) return -1;
    found = static_cast<int>(a);
  }
  return found;
}

}  // namespace

int allele_index(const LocusPanel& locus, const std::string& label) {
  const int index = label_index(locus.labels, label);
  if (index >= 0) return index;
  if (label_index(locus.pooled, label) >= 0) return static_cast<int>(locus.labels.size()) - 1;
  return -1;
}

}  // namespace mpdetect
