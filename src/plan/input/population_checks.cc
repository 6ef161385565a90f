// What every population reader holds a file to before and after reading
// it: plain text, and the doubts a user should hear of.
#include <algorithm>
#include <map>
#include <unordered_map>

#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace mpdetect {

namespace {

// Codes that labs use for a missing allele; read as alleles they make a
// rare allele out of missing data.
bool looks_like_missing_code(const std::string& label) {
  return label == "0" || label == "-9" || label == "999" || label == "999999";
}

// At most this many doubts of one kind are listed by name.
constexpr size_t LISTED = 5;

}  // namespace

Status check_plain_text(const std::string& text) {
  int line = 1;
  for (size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte == '\n') ++line;
    if (byte == '\r' && at + 1 < text.size() && text[at + 1] != '\n') ++line;
    if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7f) {
      return failure_at(
          line, "line " + std::to_string(line) + ": the file holds the control byte " +
                    printable(std::string(1, text[at])) + "; a population file is plain text");
    }
  }
  return success();
}

std::vector<std::string> unique_names(const PopulationData& data) {
  std::unordered_map<std::string_view, int> uses;
  std::map<std::pair<std::string_view, int>, int> in_sample;
  for (const Individual& individual : data.individuals) {
    ++uses[individual.id];
    ++in_sample[{individual.id, individual.sample}];
  }
  std::map<std::pair<std::string_view, int>, int> seen;
  std::vector<std::string> names;
  names.reserve(data.individuals.size());
  for (const Individual& individual : data.individuals) {
    if (uses[individual.id] == 1) {
      names.push_back(individual.id);
      continue;
    }
    const std::pair<std::string_view, int> key{individual.id, individual.sample};
    std::string name = individual.id + " (" + data.samples[individual.sample];
    if (in_sample[key] > 1) name += ", " + std::to_string(++seen[key]);
    names.push_back(name + ")");
  }
  return names;
}

std::vector<const Individual*> individuals_named(const PopulationData& data,
                                                 const std::string& id) {
  std::vector<const Individual*> found;
  for (const Individual& individual : data.individuals) {
    if (individual.id == id) found.push_back(&individual);
  }
  // Only a name that ends as a unique name does is looked for among them.
  if (found.empty() && !id.empty() && id.back() == ')') {
    const std::vector<std::string> names = unique_names(data);
    const auto at = std::find(names.begin(), names.end(), id);
    if (at != names.end()) found.push_back(&data.individuals[at - names.begin()]);
  }
  return found;
}

void note_doubts(PopulationData& data) {
  // Identifiers used more than once, found by sorting the individuals'
  // positions by identifier (4 bytes an individual, where a map of every
  // identifier would take far more than the file), and listed in the
  // order of their second use.
  std::vector<int> by_id(data.individuals.size());
  for (size_t n = 0; n < by_id.size(); ++n) by_id[n] = static_cast<int>(n);
  std::stable_sort(by_id.begin(), by_id.end(), [&data](int a, int b) {
    return data.individuals[a].id < data.individuals[b].id;
  });
  std::vector<std::pair<size_t, size_t>> repeated;  // runs of by_id: start, end
  for (size_t start = 0, end = 0; start < by_id.size(); start = end) {
    end = start + 1;
    while (end < by_id.size() &&
           data.individuals[by_id[end]].id == data.individuals[by_id[start]].id)
      ++end;
    if (end - start > 1) repeated.emplace_back(start, end);
  }
  std::sort(repeated.begin(), repeated.end(), [&by_id](const auto& a, const auto& b) {
    return by_id[a.first + 1] < by_id[b.first + 1];
  });
  const std::vector<std::pair<size_t, size_t>>& order = repeated;
  for (size_t n = 0; n < order.size() && n < LISTED; ++n) {
    const auto [start, end] = order[n];
    const Individual& first = data.individuals[by_id[start]];
    std::string where;
    for (size_t k = start; k < end && k < start + 3; ++k)
      where += (k > start ? ", " : "") + std::to_string(data.individuals[by_id[k]].line);
    if (end - start > 3) where += ", ...";
    data.notes.push_back(Note("warning: identifier \"" + printable(first.id) + "\" is used by " +
                                  std::to_string(end - start) + " individuals (lines " + where +
                                  "); a mother or sample cannot be chosen by it",
                              Kind::WARNING));
  }
  if (order.size() > LISTED) {
    data.notes.push_back(Note("warning: " + std::to_string(order.size() - LISTED) +
                                  " more identifiers are used by more than one individual",
                              Kind::WARNING));
  }

  // Missing-data codes read as alleles: per locus and label, how many
  // genotypes carry them.
  for (size_t i = 0; i < data.loci.size(); ++i) {
    std::map<std::string, int> carried;
    for (const Individual& individual : data.individuals) {
      for (const int16_t code : individual.genotype[i].allele) {
        if (code != MISSING_CODE && looks_like_missing_code(data.labels[i][code]))
          ++carried[data.labels[i][code]];
      }
    }
    if (i < data.table.size()) {
      for (const std::string& label : data.table[i].labels) {
        if (looks_like_missing_code(label)) ++carried[label];
      }
    }
    for (const auto& [label, count] : carried) {
      data.notes.push_back(
          Note("warning: " + locus_phrase(printable(data.loci[i])) + ": allele " + label +
                   (data.table.empty() ? " (" + std::to_string(count) + " times)" : "") +
                   " looks like a missing-data code; it is read as an allele",
               Kind::WARNING));
    }
  }

  // Genotypes with one allele missing.
  for (size_t i = 0; i < data.half_missing.size() && i < data.loci.size(); ++i) {
    const HalfMissing& half = data.half_missing[i];
    if (half.count == 0) continue;
    data.notes.push_back(locus_phrase(printable(data.loci[i])) + ": " + std::to_string(half.count) +
                         (half.count == 1 ? " genotype" : " genotypes") +
                         " with one allele missing, read as missing (the first: " + half.first +
                         ")");
  }
}

}  // namespace mpdetect
