#include "plan/input/groups.h"

#include <unordered_map>

#include "plan/input/plan_text.h"
#include "study/number_scanner.h"

namespace mpdetect {

namespace {

bool names_group_column(const std::string& cell) {
  const std::string name = lower(trim(cell));
  return name == "group" || name == "pop" || name == "population" || name == "brood" ||
         name == "family" || name == "sample" || name == "site";
}

std::string counted(size_t count, const char* one, const char* many) {
  std::string text = std::to_string(count);
  text += count == 1 ? one : many;
  return text;
}

}  // namespace

Status apply_groups(const std::string& name, const std::string& text, PopulationData& data) {
  Status plain = check_plain_text(text);
  if (!plain.ok) return failure(name + ": " + plain.message);
  std::unordered_map<std::string, int> index;  // identifier -> individual, -2 when shared
  for (size_t n = 0; n < data.individuals.size(); ++n) {
    const auto [at, added] = index.emplace(data.individuals[n].id, static_cast<int>(n));
    if (!added) at->second = -2;
  }
  std::vector<std::string> groups;
  std::unordered_map<std::string, int> group_index;
  std::vector<int> group_of(data.individuals.size(), -1);
  std::vector<int> listed_line(data.individuals.size(), 0);
  std::vector<int> order;  // individuals in the file's order
  size_t absent = 0;
  std::string first_absent;
  const std::vector<std::string> lines = split_lines(text);
  bool first_row = true;
  CsvDialect dialect;
  for (size_t at = 0; at < lines.size(); ++at) {
    if (trim(lines[at]).empty()) continue;
    const int line = static_cast<int>(at) + 1;
    if (first_row) dialect = csv_dialect(lines[at]);
    const std::vector<std::string> cells = split_row(lines[at], dialect);
    const auto refuse = [&](const std::string& what) {
      return failure_at(line, name + ", line " + std::to_string(line) + ": " + what);
    };
    if (cells.size() != 2 || cells[0].empty() || cells[1].empty())
      return refuse("a row holds an individual's identifier and its group");
    const bool header = first_row && names_group_column(cells[1]) && !index.count(cells[0]);
    first_row = false;
    if (header) continue;
    const auto found = index.find(cells[0]);
    if (found == index.end()) {
      if (absent++ == 0) first_absent = cells[0];
      continue;
    }
    if (found->second == -2) {
      Status refusal = refuse("more than one individual has the identifier \"" +
                              printable(cells[0]) + "\"; the file cannot tell them apart");
      refusal.individual = cells[0];
      return refusal;
    }
    const auto [group, added] = group_index.emplace(cells[1], static_cast<int>(groups.size()));
    if (added) groups.push_back(cells[1]);
    const int n = found->second;
    if (group_of[n] >= 0) {
      if (group_of[n] == group->second) continue;
      Status refusal = refuse("individual \"" + printable(cells[0]) + "\" is in group \"" +
                              printable(groups[group_of[n]]) + "\" on line " +
                              std::to_string(listed_line[n]) + " already");
      refusal.individual = cells[0];
      return refusal;
    }
    group_of[n] = group->second;
    listed_line[n] = line;
    order.push_back(n);
  }
  if (order.empty()) return failure(name + ": places none of the file's individuals in a group");
  const size_t left_out = data.individuals.size() - order.size();
  if (left_out > 0) {
    data.notes.push_back(Note(name + ": " + counted(left_out, " individual", " individuals") +
                              " of the file it does not list left out"));
  }
  if (absent > 0) {
    data.notes.push_back(Note(name + ": " + counted(absent, " individual", " individuals") +
                              " it lists not in the file (the first \"" + printable(first_absent) +
                              "\") passed over"));
  }
  std::vector<Individual> placed;
  placed.reserve(order.size());
  for (const int n : order) {
    placed.push_back(std::move(data.individuals[static_cast<size_t>(n)]));
    placed.back().sample = group_of[static_cast<size_t>(n)];
  }
  data.individuals = std::move(placed);
  data.samples = std::move(groups);
  return success();
}

}  // namespace mpdetect
