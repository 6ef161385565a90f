#include "plan/estimate/least_fathers.h"

#include <algorithm>

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

struct Search {
  const std::vector<std::array<int, 2>>& mother;
  const std::vector<const std::vector<int>*>& order;  // the offspring, most constrained first
  std::vector<std::vector<LocusNeed>> groups;         // per father, per locus
  int lower;                                          // no brood does with fewer
  int best;                                           // the fewest found
  int64_t budget;
  int64_t nodes = 0;
  bool stopped = false;
};

// Whether `row` joins group `g`, which then holds it; the group as it was
// otherwise.
bool join(Search& search, size_t g, const std::vector<int>& row) {
  std::vector<LocusNeed>& group = search.groups[g];
  for (size_t l = 0; l < row.size(); ++l) {
    if (!add(group[l], row[l], search.mother[l])) return false;
  }
  return true;
}

// Places the offspring from `next` on, `used` fathers taken so far, into
// a father already taken or one more; stops at the bound, or the budget.
void place(Search& search, size_t next, int used) {
  if (++search.nodes > search.budget) {
    search.stopped = true;
    return;
  }
  if (next == search.order.size()) {
    search.best = used;
    return;
  }
  const std::vector<int>& row = *search.order[next];
  // A father not yet taken only where one more can still beat the best;
  // any not yet taken is as good as another, so only the first is tried.
  const int fathers = std::min(used + 1, search.best - 1);
  for (int g = 0; g < fathers; ++g) {
    const std::vector<LocusNeed> was = search.groups[static_cast<size_t>(g)];
    if (join(search, static_cast<size_t>(g), row)) place(search, next + 1, std::max(used, g + 1));
    search.groups[static_cast<size_t>(g)] = was;
    if (search.stopped || search.best <= search.lower) return;
  }
}

}  // namespace

FatherCount least_fathers(const std::vector<std::array<int, 2>>& mother,
                          const std::vector<std::vector<int>>& paternal, int64_t budget) {
  // Offspring judged somewhere, those with the most single alleles first:
  // they constrain a father most, so dead ends show early.
  std::vector<const std::vector<int>*> order;
  for (const std::vector<int>& row : paternal) {
    if (std::any_of(row.begin(), row.end(), [](int p) { return p != NOT_JUDGED; }))
      order.push_back(&row);
  }
  const auto singles = [](const std::vector<int>* row) {
    return std::count_if(row->begin(), row->end(), [](int p) { return p >= 0; });
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](const std::vector<int>* a, const std::vector<int>* b) {
                     return singles(a) > singles(b);
                   });
  FatherCount count;
  count.least = per_locus_bound(mother, paternal);
  if (order.empty()) return count;

  // The first fit gives a count to beat.
  Search search{mother, order, {}, count.least, 0, budget};
  for (const std::vector<int>* row : order) {
    size_t g = 0;
    for (; g < search.groups.size(); ++g) {
      const std::vector<LocusNeed> was = search.groups[g];
      if (join(search, g, *row)) break;
      search.groups[g] = was;
    }
    if (g == search.groups.size()) {
      // A father of his own fits any offspring.
      search.groups.emplace_back(mother.size());
      static_cast<void>(join(search, g, *row));
    }
  }
  search.best = static_cast<int>(search.groups.size());
  if (search.best > search.lower) {
    search.groups.assign(static_cast<size_t>(search.best), std::vector<LocusNeed>(mother.size()));
    place(search, 0, 0);
  }
  count.most = search.best;
  count.exact = !search.stopped || search.best <= search.lower;
  if (count.exact) count.least = search.best;
  return count;
}
