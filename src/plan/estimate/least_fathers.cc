#include "plan/estimate/least_fathers.h"

#include <algorithm>

namespace mpdetect {

namespace {

// What a group of offspring asks of its father at one locus: its single
// paternal alleles (at most two), and whether some carry the mother's
// genotype (and so take either of hers).
struct LocusNeed {
  int count = 0;
  int allele[2] = {-1, -1};
  bool hers = false;
};

bool is_hers(const std::array<int, 2>& mother, int allele) {
  return allele == mother[0] || allele == mother[1];
}

// Adds one offspring's paternal allele to `need`; false when no father's
// two alleles can then give every offspring of the group its own.
bool add(LocusNeed& need, int paternal, const std::array<int, 2>& mother) {
  if (paternal == NOT_JUDGED) return true;
  if (paternal == HERS) {
    need.hers = true;
  } else if (need.count > 0 && (need.allele[0] == paternal || need.allele[1] == paternal)) {
    return true;
  } else if (need.count == 2) {
    return false;
  } else {
    need.allele[need.count++] = paternal;
  }
  // Two single alleles leave the father no room for one of hers unless
  // one of them is hers.
  return !need.hers || need.count < 2 || is_hers(mother, need.allele[0]) ||
         is_hers(mother, need.allele[1]);
}

}  // namespace

int paternal_entry(const std::array<int, 2>& mother, const std::array<int, 2>& offspring) {
  const bool first_hers = is_hers(mother, offspring[0]);
  const bool second_hers = is_hers(mother, offspring[1]);
  if (first_hers && second_hers && offspring[0] != offspring[1]) return HERS;
  if (first_hers) return offspring[1];
  if (second_hers) return offspring[0];
  return NOT_JUDGED;
}

namespace {

// The per-locus bound: the paternal alleles a locus needs at the least,
// halved and rounded up, the largest over the loci.
int per_locus_bound(const std::vector<std::array<int, 2>>& mother,
                    const std::vector<std::vector<int>>& paternal) {
  int bound = 0;
  for (size_t l = 0; l < mother.size(); ++l) {
    std::vector<int> single;
    bool hers = false, judged = false;
    for (const std::vector<int>& row : paternal) {
      judged = judged || row[l] != NOT_JUDGED;
      if (row[l] == HERS) hers = true;
      if (row[l] >= 0 && std::find(single.begin(), single.end(), row[l]) == single.end())
        single.push_back(row[l]);
    }
    bool one_of_hers = false;
    for (const int allele : single) one_of_hers = one_of_hers || is_hers(mother[l], allele);
    const int alleles = static_cast<int>(single.size()) + (hers && !one_of_hers ? 1 : 0);
    if (judged) bound = std::max(bound, std::max(1, (alleles + 1) / 2));
  }
  return bound;
}

// Whether two offspring can share a father.
bool compatible(const std::vector<std::array<int, 2>>& mother, const std::vector<int>& a,
                const std::vector<int>& b) {
  for (size_t l = 0; l < mother.size(); ++l) {
    LocusNeed need;
    if (!add(need, a[l], mother[l]) || !add(need, b[l], mother[l])) return false;
  }
  return true;
}

// A set of offspring no two of which can share a father, grown greedily
// from each offspring in turn, the largest kept: so many fathers at the
// least, and each of them a father of its own in any answer.
std::vector<size_t> apart(const std::vector<std::vector<char>>& clash) {
  std::vector<size_t> best;
  for (size_t start = 0; start < clash.size(); ++start) {
    std::vector<size_t> set{start};
    for (size_t o = 0; o < clash.size(); ++o) {
      bool all = o != start;
      for (const size_t member : set) all = all && clash[o][member];
      if (all) set.push_back(o);
    }
    if (set.size() > best.size()) best = set;
  }
  return best;
}

struct Search {
  const std::vector<std::array<int, 2>>& mother;
  const std::vector<const std::vector<int>*>& rows;  // the offspring judged somewhere
  std::vector<std::vector<LocusNeed>> groups;        // per father, per locus
  std::vector<char> placed;                          // per offspring
  int lower;                                         // no answer has fewer fathers
  int best;                                          // the fewest found
  int64_t budget;
  int64_t nodes = 0;
  bool stopped = false;
};

// Whether `row` can join group `g`.
bool fits(const Search& search, size_t g, const std::vector<int>& row) {
  for (size_t l = 0; l < row.size(); ++l) {
    LocusNeed need = search.groups[g][l];
    if (!add(need, row[l], search.mother[l])) return false;
  }
  return true;
}

void join(Search& search, size_t g, const std::vector<int>& row) {
  for (size_t l = 0; l < row.size(); ++l)
    static_cast<void>(add(search.groups[g][l], row[l], search.mother[l]));
}

// Places the offspring not yet placed (`placed` of them are), `used`
// fathers taken: first the one that can join the fewest fathers taken (a
// dead end shows at once), into each of those or one father more while
// that can still beat the best; stops at the bound or the budget.
void place(Search& search, size_t placed, int used) {
  if (++search.nodes > search.budget) {
    search.stopped = true;
    return;
  }
  if (placed == search.rows.size()) {
    search.best = used;
    return;
  }
  size_t pick = search.rows.size();
  int fewest = used + 1;
  for (size_t o = 0; o < search.rows.size() && fewest > 0; ++o) {
    if (search.placed[o]) continue;
    int can = 0;
    for (int g = 0; g < used; ++g) can += fits(search, static_cast<size_t>(g), *search.rows[o]);
    if (can < fewest) {
      fewest = can;
      pick = o;
    }
  }
  const std::vector<int>& row = *search.rows[pick];
  search.placed[pick] = 1;
  for (int g = 0; g <= used && !search.stopped && search.best > search.lower; ++g) {
    // One father more only where it can still beat the best; any new one
    // is as good as another.
    if (g == used && used + 1 >= search.best) break;
    const size_t group = static_cast<size_t>(g);
    if (g < used && !fits(search, group, row)) continue;
    const std::vector<LocusNeed> was = search.groups[group];
    join(search, group, row);
    place(search, placed + 1, std::max(used, g + 1));
    search.groups[group] = was;
  }
  search.placed[pick] = 0;
}

}  // namespace

FatherCount least_fathers(const std::vector<std::array<int, 2>>& mother,
                          const std::vector<std::vector<int>>& paternal, int64_t budget) {
  std::vector<const std::vector<int>*> rows;
  for (const std::vector<int>& row : paternal) {
    if (std::any_of(row.begin(), row.end(), [](int p) { return p != NOT_JUDGED; }))
      rows.push_back(&row);
  }
  FatherCount count;
  count.least = per_locus_bound(mother, paternal);
  if (rows.empty()) return count;
  std::vector<std::vector<char>> clash(rows.size(), std::vector<char>(rows.size(), 0));
  for (size_t a = 0; a < rows.size(); ++a) {
    for (size_t b = a + 1; b < rows.size(); ++b)
      clash[a][b] = clash[b][a] = !compatible(mother, *rows[a], *rows[b]);
  }
  const std::vector<size_t> separate = apart(clash);

  // Those that cannot share take a father each; then every other offspring
  // the first father it fits, for a count to beat.
  Search search{mother,
                rows,
                {},
                std::vector<char>(rows.size(), 0),
                std::max(count.least, static_cast<int>(separate.size())),
                0,
                budget};
  for (const size_t o : separate) {
    search.groups.emplace_back(mother.size());
    join(search, search.groups.size() - 1, *rows[o]);
    search.placed[o] = 1;
  }
  const std::vector<std::vector<LocusNeed>> fixed = search.groups;
  for (size_t o = 0; o < rows.size(); ++o) {
    if (search.placed[o]) continue;
    size_t g = 0;
    while (g < search.groups.size() && !fits(search, g, *rows[o])) ++g;
    if (g == search.groups.size()) search.groups.emplace_back(mother.size());
    join(search, g, *rows[o]);
  }
  search.best = static_cast<int>(search.groups.size());
  if (search.best > search.lower) {
    search.groups = fixed;
    search.groups.resize(static_cast<size_t>(search.best), std::vector<LocusNeed>(mother.size()));
    place(search, separate.size(), static_cast<int>(separate.size()));
  }
  count.least = search.lower;
  count.most = search.best;
  count.exact = !search.stopped || search.best <= search.lower;
  if (count.exact) count.least = search.best;
  return count;
}

}  // namespace mpdetect
