#include "plan/model/panel_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "plan/input/plan_text.h"

namespace mpdetect {

LocusStatistics locus_statistics(const std::string& name, const std::vector<double>& frequency,
                                 int typed, int heterozygous) {
  // a[n] = sum of p^n, n from 2 to 6.
  double a[7] = {0, 0, 0, 0, 0, 0, 0};
  int alleles = 0;
  for (const double p : frequency) {
    if (p > 0) ++alleles;
    double power = p;
    for (int n = 2; n <= 6; ++n) {
      power *= p;
      a[n] += power;
    }
  }
  // sum over i<j of 2 p_i^2 p_j^2 = (sum p^2)^2 - sum p^4.
  const double pairs = a[2] * a[2] - a[4];
  const double unknown = std::nan("");
  LocusStatistics s;
  s.name = name;
  s.alleles = alleles;
  s.typed = typed;
  s.observed_het = typed > 0 ? static_cast<double>(heterozygous) / typed : unknown;
  s.expected_het = 1 - a[2];
  s.unbiased_het = typed > 0 ? 2.0 * typed / (2.0 * typed - 1) * (1 - a[2]) : unknown;
  s.pic = 1 - a[2] - pairs;
  s.exclusion_first = 1 - 4 * a[2] + 2 * a[2] * a[2] + 4 * a[3] - 3 * a[4];
  s.exclusion_second =
      1 - 2 * a[2] + a[3] + 2 * a[4] - 3 * a[5] - 2 * a[2] * a[2] + 3 * a[2] * a[3];
  s.exclusion_pair =
      1 + 4 * a[4] - 4 * a[5] - 3 * a[6] - 8 * a[2] * a[2] + 8 * a[2] * a[3] + 2 * a[3] * a[3];
  return s;
}

PanelStatistics panel_statistics(const Panel& panel) {
  PanelStatistics stats{{}, 0, 0, 0};
  double keep_first = 1, keep_second = 1, keep_pair = 1;
  for (const LocusPanel& locus : panel.loci) {
    stats.loci.push_back(
        locus_statistics(locus.name, locus.frequency, locus.typed, locus.heterozygous));
    keep_first *= 1 - stats.loci.back().exclusion_first;
    keep_second *= 1 - stats.loci.back().exclusion_second;
    keep_pair *= 1 - stats.loci.back().exclusion_pair;
  }
  stats.combined_first = 1 - keep_first;
  stats.combined_second = 1 - keep_second;
  stats.combined_pair = 1 - keep_pair;
  return stats;
}

namespace {

struct Column {
  const char* header;
  bool needs_genotypes;
};

const Column COLUMNS[] = {{"locus", false},
                          {"alleles", false},
                          {"typed", true},
                          {"Ho", true},
                          {"He", false},
                          {"unbiased_He", true},
                          {"PIC", false},
                          {"excl_first_parent", false},
                          {"excl_second_parent", false},
                          {"excl_parent_pair", false}};

// Four decimals, or as many more as it takes (up to eight) for a value
// short of 1 not to read 1.0000, nor one above 0 to read 0.0000: a combined
// exclusion of 0.99996 is not a certainty.
std::string fixed(double value) {
  char text[32];
  for (int decimals = 4;; ++decimals) {
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    const double shown = std::strtod(text, nullptr);
    const bool bound_not_reached = (shown == 1 && value < 1) || (shown == 0 && value > 0);
    if (!bound_not_reached || decimals == 8) return text;
  }
}

// The cells of each row, the header first and the combined row last.
std::vector<std::vector<std::string>> rows_of(const PanelStatistics& stats, bool genotypes) {
  std::vector<std::vector<std::string>> rows(1);
  for (const Column& column : COLUMNS) {
    if (genotypes || !column.needs_genotypes) rows[0].push_back(column.header);
  }
  for (const LocusStatistics& s : stats.loci) {
    std::vector<std::string> row{s.name, std::to_string(s.alleles)};
    if (genotypes) row.insert(row.end(), {std::to_string(s.typed), fixed(s.observed_het)});
    row.push_back(fixed(s.expected_het));
    if (genotypes) row.push_back(fixed(s.unbiased_het));
    row.insert(row.end(), {fixed(s.pic), fixed(s.exclusion_first), fixed(s.exclusion_second),
                           fixed(s.exclusion_pair)});
    rows.push_back(row);
  }
  std::vector<std::string> combined(rows[0].size(), "");
  combined[0] = "combined";
  combined[combined.size() - 3] = fixed(stats.combined_first);
  combined[combined.size() - 2] = fixed(stats.combined_second);
  combined[combined.size() - 1] = fixed(stats.combined_pair);
  rows.push_back(combined);
  return rows;
}

}  // namespace

std::string statistics_csv(const PanelStatistics& stats, bool genotypes) {
  std::string text;
  for (const auto& row : rows_of(stats, genotypes)) {
    for (size_t c = 0; c < row.size(); ++c) {
      text += c == 0 ? "" : ",";
      text += csv_cell(row[c]);
    }
    text += "\n";
  }
  return text;
}

std::string statistics_table(const PanelStatistics& stats, bool genotypes) {
  const auto rows = rows_of(stats, genotypes);
  std::vector<size_t> width(rows[0].size(), 0);
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      const std::string pad(width[c] - row[c].size(), ' ');
      // Names to the left, numbers to the right.
      line += (c == 0 ? row[c] + pad : "  " + pad + row[c]);
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

}  // namespace mpdetect
