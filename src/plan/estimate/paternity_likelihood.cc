#include "plan/estimate/paternity_likelihood.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mpdetect {

namespace {

constexpr double LN2 = 0.6931471805599453;
// A family's products are kept within these bounds by taking out powers
// of two, so that broods of any size neither underflow nor overflow.
constexpr double SMALL_PRODUCT = 0x1p-600;
constexpr double LARGE_PRODUCT = 0x1p600;
constexpr int PRODUCT_SHIFT = 600;
// A group's factors (its members' chances, or their inverses, multiplied)
// are kept below this, or above its inverse, by taking out 2^GROUP_SHIFT.
constexpr double GROUP_FACTOR = 0x1p300;
constexpr int GROUP_SHIFT = 300;
// Classes rarer than this are left out: no genotype of them matters.
constexpr double NEGLIGIBLE_CLASS = 1e-12;

// The locus's classes: the alleles the brood shows, then (when the others
// are not negligible) one class for all the rest.
struct LocusClasses {
  int shown = 0;
  int count = 0;
  std::vector<int> allele;        // per shown class, its allele
  std::vector<double> frequency;  // per class
  std::vector<int> class_of;      // per allele of the locus, its class or -1
};

void classes_at(const std::vector<double>& frequency, const BroodReads& brood, int locus,
                LocusClasses& classes) {
  classes.class_of.assign(frequency.size(), -1);
  classes.allele.clear();
  classes.frequency.clear();
  const auto show = [&](int32_t allele) {
    if (allele < 0 || classes.class_of[static_cast<size_t>(allele)] >= 0) return;
    classes.class_of[static_cast<size_t>(allele)] = static_cast<int>(classes.allele.size());
    classes.allele.push_back(allele);
    classes.frequency.push_back(frequency[static_cast<size_t>(allele)]);
  };
  if (brood.mother_typed) {
    for (const int32_t allele : brood.mother[static_cast<size_t>(locus)].slot) show(allele);
  }
  for (int j = 0; j < brood.offspring; ++j) {
    const Genotype& read = brood.young[static_cast<size_t>(j * brood.loci + locus)];
    for (const int32_t allele : read.slot) show(allele);
  }
  classes.shown = static_cast<int>(classes.allele.size());
  double rest = 1;
  for (const double p : classes.frequency) rest -= p;
  if (rest > NEGLIGIBLE_CLASS) classes.frequency.push_back(rest);
  classes.count = static_cast<int>(classes.frequency.size());
}

// The chance that an allele of class `truth` is called as shown class `x`.
double call_chance(const LocusClasses& classes, double false_allele, int truth, int x) {
  const double replaced = false_allele * classes.frequency[static_cast<size_t>(x)];
  return truth == x ? 1 - false_allele + replaced : replaced;
}

// The chance that a genotype of classes (a, b) is read as shown classes
// (x, y), unordered.
double read_chance(const LocusClasses& classes, const ReadModel& model, int a, int b, int x,
                   int y) {
  const auto calls = [&](int h1, int h2) {
    const double f = model.false_allele;
    double chance = call_chance(classes, f, h1, x) * call_chance(classes, f, h2, y);
    if (x != y) chance += call_chance(classes, f, h1, y) * call_chance(classes, f, h2, x);
    return chance;
  };
  if (a == b) return calls(a, a);
  return (1 - model.dropout) * calls(a, b) + model.dropout / 2 * (calls(a, a) + calls(b, b));
}

// Copies a row of w chances. Most rows are an SNP's three, where a call
// to copy costs more than the copy.
inline void copy_row(const double* from, size_t w, double* to) {
  if (w == 3) {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
    return;
  }
  std::copy_n(from, w, to);
}

// The genotype classes (a <= b) in the order the terms index them.
void genotype_pairs(int count, std::vector<int>& first, std::vector<int>& second) {
  first.clear();
  second.clear();
  for (int a = 0; a < count; ++a) {
    for (int b = a; b < count; ++b) {
      first.push_back(a);
      second.push_back(b);
    }
  }
}

int width(const BroodTerms& terms, int locus) {
  return terms.mothers[static_cast<size_t>(locus)] * terms.fathers[static_cast<size_t>(locus)];
}

// Group g's offspring.
struct Members {
  const int* first;
  const int* last;
  const int* begin() const { return first; }
  const int* end() const { return last; }
  size_t size() const { return static_cast<size_t>(last - first); }
};

Members group_in(const OffspringGroups& groups, size_t g) {
  const int* member = groups.member.data();
  return Members{member + (g ? groups.end[g - 1] : 0), member + groups.end[g]};
}

void append_group(const std::vector<int>& group, OffspringGroups& groups) {
  groups.member.insert(groups.member.end(), group.begin(), group.end());
  groups.end.push_back(static_cast<int>(groups.member.size()));
}

// The offspring whose read at `locus` shows each allele, where they are
// two or more and not the whole brood: the families one father's
// alleles would make, tried together by the search. A typed mother's own
// alleles are left out (her segregation, not a father's, sets those
// offspring apart), and so is a group that splits the brood as an earlier
// one does (the same offspring, or all the others).
void add_allele_groups(const BroodReads& brood, int locus, const LocusClasses& classes,
                       OffspringGroups& groups) {
  thread_local std::vector<int> group;
  for (int x = 0; x < classes.shown; ++x) {
    const int allele = classes.allele[static_cast<size_t>(x)];
    if (brood.mother_typed) {
      const Genotype& mother = brood.mother[static_cast<size_t>(locus)];
      if (mother.slot[0] == allele || mother.slot[1] == allele) continue;
    }
    group.clear();
    for (int j = 0; j < brood.offspring; ++j) {
      const Genotype& read = brood.young[static_cast<size_t>(j * brood.loci + locus)];
      if (read.slot[0] == allele || read.slot[1] == allele) group.push_back(j);
    }
    const size_t size = group.size();
    if (size < 2 || size >= static_cast<size_t>(brood.offspring)) continue;
    const auto same_split = [&](Members other) {
      if (other.size() == size && std::equal(other.begin(), other.end(), group.begin()))
        return true;
      if (other.size() + size != static_cast<size_t>(brood.offspring)) return false;
      // The complement: no offspring in both.
      const int* a = other.begin();
      size_t b = 0;
      while (a != other.end() && b < size) {
        if (*a == group[b]) return false;
        if (*a < group[b]) {
          ++a;
        } else {
          ++b;
        }
      }
      return true;
    };
    bool seen = false;
    for (size_t g = 0; g < groups.end.size() && !seen; ++g) seen = same_split(group_in(groups, g));
    if (!seen) append_group(group, groups);
  }
}

}  // namespace

void prepare_brood_terms(const std::vector<std::vector<double>>& frequency, const ReadModel& model,
                         const BroodReads& brood, BroodTerms& terms) {
  terms.loci = brood.loci;
  terms.offspring = brood.offspring;
  terms.mothers.clear();
  terms.fathers.clear();
  terms.prior_at.clear();
  terms.read_at.clear();
  terms.mother_prior.clear();
  terms.father_prior.clear();
  terms.read.clear();
  terms.inverse.clear();
  terms.groups.member.clear();
  terms.groups.end.clear();
  terms.shown_at.clear();
  terms.shown.clear();
  terms.classes.clear();
  // Working storage, kept on each thread from brood to brood (a trial's
  // broods are many and small, and allocating it would cost as much as
  // filling it).
  thread_local LocusClasses classes;
  thread_local std::vector<int> first, second, mother_first, mother_second;
  thread_local std::vector<double> chance;  // per genotype pair, the read's chance
  // Per read (x, y) at x * count + y, the row that holds its chances, or
  // SIZE_MAX before the locus's first offspring read so.
  thread_local std::vector<size_t> row_of_read;
  for (int l = 0; l < brood.loci; ++l) {
    classes_at(frequency[static_cast<size_t>(l)], brood, l, classes);
    terms.shown_at.push_back(static_cast<int>(terms.shown.size()));
    terms.shown.insert(terms.shown.end(), classes.allele.begin(), classes.allele.end());
    terms.classes.push_back(classes.count);
    // Loci of as many classes (an SNP panel's, nearly all) share the pairs.
    if (first.empty() || first.back() != classes.count - 1)
      genotype_pairs(classes.count, first, second);
    const int pairs = static_cast<int>(first.size());
    terms.prior_at.push_back(static_cast<int>(terms.father_prior.size()));
    for (int g = 0; g < pairs; ++g) {
      const double pa = classes.frequency[static_cast<size_t>(first[static_cast<size_t>(g)])];
      const double pb = classes.frequency[static_cast<size_t>(second[static_cast<size_t>(g)])];
      terms.father_prior.push_back(
          first[static_cast<size_t>(g)] == second[static_cast<size_t>(g)] ? pa * pb : 2 * pa * pb);
    }
    // A typed mother is one class, her genotype as read.
    const Genotype& mother = brood.mother_typed ? brood.mother[static_cast<size_t>(l)] : Genotype{};
    const bool typed = brood.mother_typed && mother.slot[0] >= 0 && mother.slot[1] >= 0;
    if (typed) {
      const int a = classes.class_of[static_cast<size_t>(mother.slot[0])];
      const int b = classes.class_of[static_cast<size_t>(mother.slot[1])];
      mother_first.assign(1, std::min(a, b));
      mother_second.assign(1, std::max(a, b));
      terms.mother_prior.resize(terms.father_prior.size());
      terms.mother_prior[static_cast<size_t>(terms.prior_at.back())] = 1;
    } else {
      mother_first = first;
      mother_second = second;
      terms.mother_prior.insert(terms.mother_prior.end(), terms.father_prior.end() - pairs,
                                terms.father_prior.end());
    }
    terms.mother_prior.resize(terms.father_prior.size());
    const int mothers = static_cast<int>(mother_first.size());
    const size_t w = static_cast<size_t>(mothers * pairs);
    terms.mothers.push_back(mothers);
    terms.fathers.push_back(pairs);
    terms.read_at.push_back(static_cast<int>(terms.read.size()));
    // Each offspring's chance of its read given each pair of classes: the
    // four equally likely children of the parents, each read with errors.
    // Offspring with the same read share a row, computed once.
    chance.resize(static_cast<size_t>(classes.count * classes.count));
    row_of_read.assign(static_cast<size_t>(classes.count * classes.count), SIZE_MAX);
    const size_t first_row = terms.read.size();
    terms.read.resize(first_row + w * static_cast<size_t>(brood.offspring));
    terms.inverse.resize(terms.read.size());
    for (int j = 0; j < brood.offspring; ++j) {
      const Genotype& read = brood.young[static_cast<size_t>(j * brood.loci + l)];
      const size_t row = first_row + w * static_cast<size_t>(j);
      if (read.slot[0] < 0 || read.slot[1] < 0) {
        std::fill_n(terms.read.begin() + static_cast<ptrdiff_t>(row), w, 1.0);
        std::fill_n(terms.inverse.begin() + static_cast<ptrdiff_t>(row), w, 1.0);
        continue;
      }
      const int x = std::min(classes.class_of[static_cast<size_t>(read.slot[0])],
                             classes.class_of[static_cast<size_t>(read.slot[1])]);
      const int y = std::max(classes.class_of[static_cast<size_t>(read.slot[0])],
                             classes.class_of[static_cast<size_t>(read.slot[1])]);
      size_t& earlier = row_of_read[static_cast<size_t>(x * classes.count + y)];
      if (earlier != SIZE_MAX) {
        copy_row(&terms.read[earlier], w, &terms.read[row]);
        copy_row(&terms.inverse[earlier], w, &terms.inverse[row]);
        continue;
      }
      earlier = row;
      for (int a = 0; a < classes.count; ++a) {
        for (int b = a; b < classes.count; ++b) {
          const double c = read_chance(classes, model, a, b, x, y);
          chance[static_cast<size_t>(a * classes.count + b)] = c;
          chance[static_cast<size_t>(b * classes.count + a)] = c;
        }
      }
      double largest = 0;
      for (int m = 0; m < mothers; ++m) {
        const int mother_allele[2] = {mother_first[static_cast<size_t>(m)],
                                      mother_second[static_cast<size_t>(m)]};
        for (int g = 0; g < pairs; ++g) {
          const int father_allele[2] = {first[static_cast<size_t>(g)],
                                        second[static_cast<size_t>(g)]};
          double sum = 0;
          for (const int from_mother : mother_allele) {
            for (const int from_father : father_allele)
              sum += chance[static_cast<size_t>(from_mother * classes.count + from_father)];
          }
          terms.read[row + static_cast<size_t>(m * pairs + g)] = sum / 4;
          largest = std::max(largest, sum / 4);
        }
      }
      // A read no parents could give (an offspring that mismatches a typed
      // mother, read with no false alleles) tells nothing of its father:
      // it counts as untyped there, as the allele rule leaves it out.
      double* chances = &terms.read[row];
      double* inverses = &terms.inverse[row];
      if (largest > 0) {
        for (size_t k = 0; k < w; ++k) {
          const double c = std::max(chances[k] / largest, LEAST_READ_CHANCE);
          chances[k] = c;
          inverses[k] = 1 / c;
        }
      } else {
        std::fill_n(chances, w, 1.0);
        std::fill_n(inverses, w, 1.0);
      }
    }
    if (brood.loci <= MOST_GROUP_LOCI) add_allele_groups(brood, l, classes, terms.groups);
  }
}

namespace {

// A product of many factors as a double and a binary exponent.
struct Scaled {
  double value = 1;
  int shift = 0;
  void times(double factor) {
    value *= factor;
    if (value < SMALL_PRODUCT || value > LARGE_PRODUCT) {
      int e = 0;
      value = std::frexp(value, &e);
      shift += e;
    }
  }
  double log() const { return std::log(value) + shift * LN2; }
};

}  // namespace

double split_log_likelihood(const BroodTerms& terms, const std::vector<int>& family_of,
                            int families) {
  double total = 0;
  std::vector<Scaled> family(static_cast<size_t>(families));
  for (int l = 0; l < terms.loci; ++l) {
    const int mothers = terms.mothers[static_cast<size_t>(l)];
    const int fathers = terms.fathers[static_cast<size_t>(l)];
    const double* prior_m =
        &terms.mother_prior[static_cast<size_t>(terms.prior_at[static_cast<size_t>(l)])];
    const double* prior_f =
        &terms.father_prior[static_cast<size_t>(terms.prior_at[static_cast<size_t>(l)])];
    // Per mother class, the product over families of each family's sum
    // over its father's classes; kept as logs, summed over mothers last.
    std::vector<double> by_mother(static_cast<size_t>(mothers));
    for (int m = 0; m < mothers; ++m) {
      double log_product = 0;
      for (int k = 0; k < families; ++k) {
        std::vector<Scaled> per_father(static_cast<size_t>(fathers));
        for (int j = 0; j < terms.offspring; ++j) {
          if (family_of[static_cast<size_t>(j)] != k) continue;
          const double* row = &terms.read[static_cast<size_t>(
              terms.read_at[static_cast<size_t>(l)] + j * width(terms, l) + m * fathers)];
          for (int f = 0; f < fathers; ++f) per_father[static_cast<size_t>(f)].times(row[f]);
        }
        int top = per_father[0].shift;
        for (const Scaled& s : per_father) top = std::max(top, s.shift);
        double sum = 0;
        for (int f = 0; f < fathers; ++f) {
          const Scaled& s = per_father[static_cast<size_t>(f)];
          sum += prior_f[f] * std::ldexp(s.value, s.shift - top);
        }
        log_product += std::log(sum) + top * LN2;
      }
      by_mother[static_cast<size_t>(m)] = std::log(prior_m[m]) + log_product;
    }
    const double top = *std::max_element(by_mother.begin(), by_mother.end());
    double sum = 0;
    for (const double v : by_mother) sum += std::exp(v - top);
    total += top + std::log(sum);
  }
  return total;
}

std::vector<double> split_support(const BroodTerms& terms, const std::vector<int>& family_of) {
  const double at_split = split_log_likelihood(terms, family_of, 2);
  std::vector<double> support;
  std::vector<int> moved = family_of;
  for (size_t j = 0; j < family_of.size(); ++j) {
    moved[j] = 1 - family_of[j];
    const double gain = split_log_likelihood(terms, moved, 2) - at_split;
    support.push_back(1 / (1 + std::exp(std::min(gain, 700.0))));
    moved[j] = family_of[j];
  }
  return support;
}

void restrict_terms(const BroodTerms& terms, const std::vector<int>& members, BroodTerms& out) {
  out.loci = terms.loci;
  out.offspring = static_cast<int>(members.size());
  out.mothers = terms.mothers;
  out.fathers = terms.fathers;
  out.prior_at = terms.prior_at;
  out.mother_prior = terms.mother_prior;
  out.father_prior = terms.father_prior;
  out.shown_at = terms.shown_at;
  out.shown = terms.shown;
  out.classes = terms.classes;
  out.read_at.clear();
  out.read.clear();
  out.inverse.clear();
  for (int l = 0; l < terms.loci; ++l) {
    out.read_at.push_back(static_cast<int>(out.read.size()));
    const size_t w = static_cast<size_t>(width(terms, l));
    for (const int j : members) {
      const size_t row =
          static_cast<size_t>(terms.read_at[static_cast<size_t>(l)]) + w * static_cast<size_t>(j);
      out.read.insert(out.read.end(), terms.read.begin() + static_cast<ptrdiff_t>(row),
                      terms.read.begin() + static_cast<ptrdiff_t>(row + w));
      out.inverse.insert(out.inverse.end(), terms.inverse.begin() + static_cast<ptrdiff_t>(row),
                         terms.inverse.begin() + static_cast<ptrdiff_t>(row + w));
    }
  }
  // The allele groups among the members, by their places among them.
  out.groups.member.clear();
  out.groups.end.clear();
  std::vector<int> kept;
  for (size_t g = 0; g < terms.groups.end.size(); ++g) {
    const Members group = group_in(terms.groups, g);
    kept.clear();
    for (size_t at = 0; at < members.size(); ++at) {
      if (std::binary_search(group.begin(), group.end(), members[at]))
        kept.push_back(static_cast<int>(at));
    }
    if (kept.size() >= 2 && kept.size() < members.size()) append_group(kept, out.groups);
  }
}

std::vector<double> family_support(const BroodTerms& terms, const std::vector<int>& family_of,
                                   int families) {
  const double at_split = split_log_likelihood(terms, family_of, families);
  std::vector<double> support;
  std::vector<int> moved = family_of;
  for (size_t j = 0; j < family_of.size(); ++j) {
    double total = 1;  // its own family's, relative to itself
    for (int k = 0; k < families; ++k) {
      if (k == family_of[j]) continue;
      moved[j] = k;
      total += std::exp(std::min(split_log_likelihood(terms, moved, families) - at_split, 700.0));
    }
    moved[j] = family_of[j];
    support.push_back(1 / total);
  }
  return support;
}

namespace {

// Offspring j's read chance at locus l for the pair of parents' classes e
// (mother class times fathers plus father class).
double row_chance(const BroodTerms& terms, int l, int j, int e) {
  return terms
      .read[static_cast<size_t>(terms.read_at[static_cast<size_t>(l)] + j * width(terms, l) + e)];
}

}  // namespace

std::vector<FatherCall> father_calls(const BroodTerms& terms, const std::vector<int>& family_of,
                                     int families) {
  std::vector<FatherCall> calls(static_cast<size_t>(families * terms.loci));
  std::vector<int> first, second;
  const auto log_sum = [](const std::vector<double>& logs) {
    const double top = *std::max_element(logs.begin(), logs.end());
    double sum = 0;
    for (const double x : logs) sum += std::exp(x - top);
    return top + std::log(sum);
  };
  for (int l = 0; l < terms.loci; ++l) {
    const int mothers = terms.mothers[static_cast<size_t>(l)];
    const int fathers = terms.fathers[static_cast<size_t>(l)];
    const size_t prior = static_cast<size_t>(terms.prior_at[static_cast<size_t>(l)]);
    genotype_pairs(terms.classes[static_cast<size_t>(l)], first, second);
    // Per family, mother class and father class: log of the father's prior
    // times his offspring's chances; then per family and mother, their sum.
    std::vector<double> joint(static_cast<size_t>(families * mothers * fathers));
    std::vector<double> family_log(static_cast<size_t>(families * mothers));
    std::vector<int> members(static_cast<size_t>(families), 0);
    for (const int k : family_of) ++members[static_cast<size_t>(k)];
    for (int k = 0; k < families; ++k) {
      for (int m = 0; m < mothers; ++m) {
        std::vector<double> over(static_cast<size_t>(fathers));
        for (int f = 0; f < fathers; ++f) {
          double x = std::log(terms.father_prior[prior + static_cast<size_t>(f)]);
          for (int j = 0; j < terms.offspring; ++j) {
            if (family_of[static_cast<size_t>(j)] != k) continue;
            x += std::log(row_chance(terms, l, j, m * fathers + f));
          }
          over[static_cast<size_t>(f)] = x;
          joint[static_cast<size_t>((k * mothers + m) * fathers + f)] = x;
        }
        family_log[static_cast<size_t>(k * mothers + m)] = log_sum(over);
      }
    }
    for (int k = 0; k < families; ++k) {
      if (members[static_cast<size_t>(k)] == 0) continue;
      std::vector<double> posterior(static_cast<size_t>(fathers));
      for (int f = 0; f < fathers; ++f) {
        std::vector<double> over(static_cast<size_t>(mothers));
        for (int m = 0; m < mothers; ++m) {
          double x = std::log(terms.mother_prior[prior + static_cast<size_t>(m)]) +
                     joint[static_cast<size_t>((k * mothers + m) * fathers + f)];
          for (int other = 0; other < families; ++other) {
            if (other != k) x += family_log[static_cast<size_t>(other * mothers + m)];
          }
          over[static_cast<size_t>(m)] = x;
        }
        posterior[static_cast<size_t>(f)] = log_sum(over);
      }
      const double total = log_sum(posterior);
      const size_t best = static_cast<size_t>(std::max_element(posterior.begin(), posterior.end()) -
                                              posterior.begin());
      FatherCall& call = calls[static_cast<size_t>(k * terms.loci + l)];
      const int shown = (l + 1 < terms.loci ? terms.shown_at[static_cast<size_t>(l + 1)]
                                            : static_cast<int>(terms.shown.size())) -
                        terms.shown_at[static_cast<size_t>(l)];
      const auto allele = [&](int c) {
        return c < shown
                   ? terms.shown[static_cast<size_t>(terms.shown_at[static_cast<size_t>(l)] + c)]
                   : NOT_SHOWN;
      };
      call.allele[0] = allele(first[best]);
      call.allele[1] = allele(second[best]);
      call.chance = std::exp(posterior[best] - total);
    }
  }
  return calls;
}

namespace {

// The search's families: 0 and 1, and offspring not yet placed (POOL).
constexpr int FAMILIES = 2;
constexpr int POOL = -1;
// Starts seeded by the offspring least likely to share a father with the
// first, and by the allele groups whose move alone gains the most. Panels
// with allele groups take a second seeded start (it costs less than
// moving groups while improving, and finds as many best splits); on larger
// panels one finds them. More of either found the best split in no more
// broods of the tests' designs.
constexpr size_t GROUP_STARTS = 1;
size_t seeded_starts(const BroodTerms& terms) {
  return terms.loci <= MOST_GROUP_LOCI ? 2 : 1;
}
constexpr double LEAST_GAIN = 1e-9;
// A statistic this close to 0 is 0: the sums the search keeps differ from
// a fresh computation by rounding, which must not tell broods apart.
constexpr double LEAST_STATISTIC = 1e-6;

double statistic_of(double difference) {
  return difference < LEAST_STATISTIC ? 0 : difference;
}

// The search's storage for `terms`: per locus and family, the products of
// the members' read chances weighted by the father's priors (so a family's
// sum over its father's classes is their plain sum), the binary exponent
// taken out of them, the sums per mother class, and the locus's value.
struct SearchView {
  const BroodTerms& terms;
  SplitSearch& s;
};

double* products(SearchView& v, int l, int k) {
  const SearchLocus& at = v.s.layout[static_cast<size_t>(l)];
  return &v.s.product[static_cast<size_t>(at.product_at + k * at.width)];
}

double* sums(SearchView& v, int l, int k) {
  const SearchLocus& at = v.s.layout[static_cast<size_t>(l)];
  return &v.s.family_sum[static_cast<size_t>(at.sum_at + k * at.mothers)];
}

const double* row_of(const BroodTerms& terms, int l, int j) {
  return &terms.read[static_cast<size_t>(terms.read_at[static_cast<size_t>(l)] +
                                         j * width(terms, l))];
}

const double* inverse_of(const BroodTerms& terms, int l, int j) {
  return &terms.inverse[static_cast<size_t>(terms.read_at[static_cast<size_t>(l)] +
                                            j * width(terms, l))];
}

// Family k's sums per mother class of its products, each times factor[e]
// (none when null).
void family_sums(SearchView& v, int l, int k, const double* factor, double* out) {
  const int mothers = v.terms.mothers[static_cast<size_t>(l)];
  const int fathers = v.terms.fathers[static_cast<size_t>(l)];
  const double* q = products(v, l, k);
  for (int m = 0; m < mothers; ++m) {
    double sum = 0;
    const int at = m * fathers;
    if (factor) {
      for (int f = 0; f < fathers; ++f) sum += q[at + f] * factor[at + f];
    } else {
      for (int f = 0; f < fathers; ++f) sum += q[at + f];
    }
    out[m] = sum;
  }
}

double locus_value(SearchView& v, int l, const double* sum0, const double* sum1) {
  const int mothers = v.terms.mothers[static_cast<size_t>(l)];
  const double* prior =
      &v.terms.mother_prior[static_cast<size_t>(v.terms.prior_at[static_cast<size_t>(l)])];
  double value = 0;
  for (int m = 0; m < mothers; ++m) value += prior[m] * sum0[m] * sum1[m];
  return value;
}

// Brings the product of ratios back to [0.5, 1), counting the exponent:
// frexp's result, read off the bits where the ratio is a normal number
// (frexp is a call, and the search's inner loops make millions of them).
void rescale(double& ratio, int& shift) {
  uint64_t bits = 0;
  std::memcpy(&bits, &ratio, sizeof bits);
  const int exponent = static_cast<int>((bits >> 52) & 0x7ff);
  if (exponent == 0 || exponent == 0x7ff) {
    int e = 0;
    ratio = std::frexp(ratio, &e);
    shift += e;
    return;
  }
  bits = (bits & ~(uint64_t{0x7ff} << 52)) | (uint64_t{1022} << 52);
  std::memcpy(&ratio, &bits, sizeof bits);
  shift += exponent - 1022;
}

// The sum of q[f] x[f] over a locus's w fathers' classes, in order; a
// biallelic locus (three genotypes of the father) unrolled: the whole of
// an SNP panel's work.
inline double dot(const double* q, const double* x, int w) {
  if (w == 3) return q[0] * x[0] + q[1] * x[1] + q[2] * x[2];
  double total = 0;
  for (int f = 0; f < w; ++f) total += q[f] * x[f];
  return total;
}

// The change in log-likelihood from moving offspring j from family `from`
// to `to` (either may be POOL). The search's inner loop: its terms are
// read through plain pointers, and a typed mother (one class) takes the
// short path.
double move_gain(SearchView& v, int j, int from, int to) {
  const SearchLocus* layout = v.s.layout.data();
  const double* read = v.terms.read.data();
  const double* inverse = v.terms.inverse.data();
  const double* product = v.s.product.data();
  const double* inverse_value = v.s.inverse_value.data();
  const double* family_sum = v.s.family_sum.data();
  double ratio = 1;
  int shift = 0;
  for (int l = 0; l < v.terms.loci; ++l) {
    const SearchLocus& at = layout[l];
    const int w = at.width;
    const double* factor[FAMILIES] = {nullptr, nullptr};
    if (from >= 0) factor[from] = inverse + at.read_at + j * w;
    if (to >= 0) factor[to] = read + at.read_at + j * w;
    double value;
    if (at.mothers == 1) {
      double sum[FAMILIES];
      for (int k = 0; k < FAMILIES; ++k) {
        const double* x = factor[k];
        if (!x) {
          sum[k] = family_sum[at.sum_at + k];
          continue;
        }
        sum[k] = dot(product + at.product_at + k * w, x, w);
      }
      value = sum[0] * sum[1];
    } else {
      std::vector<double>& changed = v.s.changed;
      changed.resize(static_cast<size_t>(FAMILIES * at.mothers));
      const double* sum[FAMILIES];
      for (int k = 0; k < FAMILIES; ++k) {
        if (!factor[k]) {
          sum[k] = family_sum + at.sum_at + k * at.mothers;
          continue;
        }
        family_sums(v, l, k, factor[k], &changed[static_cast<size_t>(k * at.mothers)]);
        sum[k] = &changed[static_cast<size_t>(k * at.mothers)];
      }
      value = locus_value(v, l, sum[0], sum[1]);
    }
    ratio *= value * inverse_value[l];
    if ((l & 7) == 7) rescale(ratio, shift);
  }
  return std::log(ratio) + shift * LN2;
}

// The gains of moving offspring j from the pool into family 0 and into
// family 1, in one pass over the loci (what move_gain gives for each).
void joining_gains(SearchView& v, int j, double& to0, double& to1) {
  const SearchLocus* layout = v.s.layout.data();
  const double* read = v.terms.read.data();
  const double* product = v.s.product.data();
  const double* inverse_value = v.s.inverse_value.data();
  const double* family_sum = v.s.family_sum.data();
  double ratio[FAMILIES] = {1, 1};
  int shift[FAMILIES] = {0, 0};
  std::vector<double>& changed = v.s.changed;
  for (int l = 0; l < v.terms.loci; ++l) {
    const SearchLocus& at = layout[l];
    const int w = at.width;
    const double* x = read + at.read_at + j * w;
    double joined[FAMILIES];
    if (at.mothers == 1) {
      for (int k = 0; k < FAMILIES; ++k) joined[k] = dot(product + at.product_at + k * w, x, w);
      ratio[0] *= joined[0] * family_sum[at.sum_at + 1] * inverse_value[l];
      ratio[1] *= family_sum[at.sum_at] * joined[1] * inverse_value[l];
    } else {
      changed.resize(static_cast<size_t>(FAMILIES * at.mothers));
      const double* sum0 = family_sum + at.sum_at;
      const double* sum1 = sum0 + at.mothers;
      for (int k = 0; k < FAMILIES; ++k) {
        family_sums(v, l, k, x, &changed[static_cast<size_t>(k * at.mothers)]);
      }
      ratio[0] *= locus_value(v, l, changed.data(), sum1) * inverse_value[l];
      ratio[1] *= locus_value(v, l, sum0, changed.data() + at.mothers) * inverse_value[l];
    }
    if ((l & 7) == 7) {
      rescale(ratio[0], shift[0]);
      rescale(ratio[1], shift[1]);
    }
  }
  to0 = std::log(ratio[0]) + shift[0] * LN2;
  to1 = std::log(ratio[1]) + shift[1] * LN2;
}

// Takes powers of two out of family k's products at locus l, the largest
// of them past the ends of the range kept.
void take_out_powers(SearchView& v, int l, int k, double largest) {
  const int w = width(v.terms, l);
  double* q = products(v, l, k);
  const int by = largest < SMALL_PRODUCT ? PRODUCT_SHIFT : -PRODUCT_SHIFT;
  for (int e = 0; e < w; ++e) q[e] = std::ldexp(q[e], by);
  v.s.shift[static_cast<size_t>(l * FAMILIES + k)] -= by;
}

// Keeps family k's products at locus l within the range, the rare step
// out of the loops that call this.
inline void keep_in_range(SearchView& v, int l, int k, double largest) {
  if (largest < SMALL_PRODUCT || largest > LARGE_PRODUCT) take_out_powers(v, l, k, largest);
}

void update_value(SearchView& v, int l) {
  const double value = locus_value(v, l, sums(v, l, 0), sums(v, l, 1));
  v.s.value[static_cast<size_t>(l)] = value;
  v.s.inverse_value[static_cast<size_t>(l)] = 1 / value;
}

// Family k's products at locus l times `factor`, entry by entry, kept in
// range, and its sums made again.
void multiply_family(SearchView& v, int l, int k, const double* factor) {
  const SearchLocus& at = v.s.layout[static_cast<size_t>(l)];
  double* q = products(v, l, k);
  double largest = 0;
  for (int e = 0; e < at.width; ++e) {
    q[e] *= factor[e];
    largest = std::max(largest, q[e]);
  }
  keep_in_range(v, l, k, largest);
  family_sums(v, l, k, nullptr, sums(v, l, k));
}

// Family k's products at a locus of a typed mother (one class) times
// `factor`, kept in range, and its sum: multiply_family's steps, written
// out for the search's most common locus.
inline void multiply_typed(SearchView& v, int l, const SearchLocus& at, int k,
                           const double* factor) {
  double* q = v.s.product.data() + at.product_at + k * at.width;
  double largest = 0;
  for (int e = 0; e < at.width; ++e) {
    q[e] *= factor[e];
    largest = std::max(largest, q[e]);
  }
  keep_in_range(v, l, k, largest);
  double sum = 0;
  for (int e = 0; e < at.width; ++e) sum += q[e];
  v.s.family_sum[static_cast<size_t>(at.sum_at + k)] = sum;
}

void move(SearchView& v, int j, int from, int to) {
  v.s.family_of[static_cast<size_t>(j)] = to;
  const double* read = v.terms.read.data();
  const double* inverse = v.terms.inverse.data();
  for (int l = 0; l < v.terms.loci; ++l) {
    const SearchLocus& at = v.s.layout[static_cast<size_t>(l)];
    const int row = at.read_at + j * at.width;
    if (at.mothers == 1) {
      if (from >= 0) multiply_typed(v, l, at, from, inverse + row);
      if (to >= 0) multiply_typed(v, l, at, to, read + row);
    } else {
      if (from >= 0) multiply_family(v, l, from, inverse + row);
      if (to >= 0) multiply_family(v, l, to, read + row);
    }
    update_value(v, l);
  }
}

double log_value(SearchView& v) {
  double total = 0;
  for (int l = 0; l < v.terms.loci; ++l) {
    const int shift = v.s.shift[static_cast<size_t>(l * FAMILIES)] +
                      v.s.shift[static_cast<size_t>(l * FAMILIES + 1)];
    total += std::log(v.s.value[static_cast<size_t>(l)]) + shift * LN2;
  }
  return total;
}

// Places every offspring in family 0 (`whole`) or in the pool, family 1
// empty; returns the log-likelihood of the offspring placed.
double start_with(SearchView& v, bool whole) {
  std::fill(v.s.family_of.begin(), v.s.family_of.end(), whole ? 0 : POOL);
  std::fill(v.s.shift.begin(), v.s.shift.end(), 0);
  for (int l = 0; l < v.terms.loci; ++l) {
    const int mothers = v.terms.mothers[static_cast<size_t>(l)];
    const int fathers = v.terms.fathers[static_cast<size_t>(l)];
    const double* prior =
        &v.terms.father_prior[static_cast<size_t>(v.terms.prior_at[static_cast<size_t>(l)])];
    for (int k = 0; k < FAMILIES; ++k) {
      double* q = products(v, l, k);
      for (int m = 0; m < mothers; ++m)
        copy_row(prior, static_cast<size_t>(fathers), q + m * fathers);
    }
    if (whole) {
      const int w = width(v.terms, l);
      double* q = products(v, l, 0);
      for (int j = 0; j < v.terms.offspring; ++j) {
        const double* row = row_of(v.terms, l, j);
        double largest = 0;
        for (int e = 0; e < w; ++e) {
          q[e] *= row[e];
          largest = std::max(largest, q[e]);
        }
        keep_in_range(v, l, 0, largest);
      }
    }
    for (int k = 0; k < FAMILIES; ++k) family_sums(v, l, k, nullptr, sums(v, l, k));
    update_value(v, l);
  }
  return log_value(v);
}

// The search's state as a start leaves it, kept to be put back: the
// starts recur (the whole brood twice more, the pool once per seeded
// start), and copying is cheaper than making them again.
void keep_start(const SearchView& v, SplitStart& start, double log_value) {
  start.family_of = v.s.family_of;
  start.product = v.s.product;
  start.shift = v.s.shift;
  start.value = v.s.value;
  start.inverse_value = v.s.inverse_value;
  start.family_sum = v.s.family_sum;
  start.log_value = log_value;
}

double put_back(SearchView& v, const SplitStart& start) {
  std::copy(start.family_of.begin(), start.family_of.end(), v.s.family_of.begin());
  std::copy(start.product.begin(), start.product.end(), v.s.product.begin());
  std::copy(start.shift.begin(), start.shift.end(), v.s.shift.begin());
  std::copy(start.value.begin(), start.value.end(), v.s.value.begin());
  std::copy(start.inverse_value.begin(), start.inverse_value.end(), v.s.inverse_value.begin());
  std::copy(start.family_sum.begin(), start.family_sum.end(), v.s.family_sum.begin());
  return start.log_value;
}

// The search's view of `search`, its storage sized for `terms`.
SearchView view_of(const BroodTerms& terms, SplitSearch& search) {
  SearchView v{terms, search};
  int products = 0, sum_count = 0;
  search.layout.clear();
  for (int l = 0; l < terms.loci; ++l) {
    const int mothers = terms.mothers[static_cast<size_t>(l)];
    search.layout.push_back(SearchLocus{
        width(terms, l), mothers, terms.read_at[static_cast<size_t>(l)], products, sum_count});
    products += FAMILIES * width(terms, l);
    sum_count += FAMILIES * mothers;
  }
  const size_t n = static_cast<size_t>(terms.offspring);
  search.family_of.resize(n);
  search.product.resize(static_cast<size_t>(products));
  search.shift.resize(static_cast<size_t>(FAMILIES * terms.loci));
  search.value.resize(static_cast<size_t>(terms.loci));
  search.inverse_value.resize(static_cast<size_t>(terms.loci));
  search.family_sum.resize(static_cast<size_t>(sum_count));
  search.best.assign(n, 0);
  return v;
}

// So many members' chances (each from LEAST_READ_CHANCE to 1) or their
// inverses multiply to within GROUP_FACTOR whatever they are: a group's
// factors need no look at their range before its next member.
constexpr int IN_RANGE_MEMBERS = 7;
constexpr double power(double x, int n) {
  return n == 0 ? 1 : x * power(x, n - 1);
}
static_assert(power(1 / LEAST_READ_CHANCE, IN_RANGE_MEMBERS) < GROUP_FACTOR &&
              power(LEAST_READ_CHANCE, IN_RANGE_MEMBERS) > 1 / GROUP_FACTOR);

// The change in log-likelihood from moving every offspring of `group`
// now in family `from` to the other family.
double group_gain(SearchView& v, Members group, int from) {
  int members = 0;
  for (const int j : group) members += v.s.family_of[static_cast<size_t>(j)] == from;
  if (members == 0) return 0;
  double ratio = 1;
  int shift = 0;
  std::vector<double>& factor = v.s.group_factor;
  std::vector<double>& changed = v.s.changed;
  for (int l = 0; l < v.terms.loci; ++l) {
    const size_t w = static_cast<size_t>(width(v.terms, l));
    const int mothers = v.terms.mothers[static_cast<size_t>(l)];
    // Leaving `from`: divided by the members' chances; joining: times them.
    // A large group's products pass the doubles' range (a thousand
    // members' inverses), so each is kept within GROUP_FACTOR by powers of
    // two, counted in `shift`.
    // The first member's chances are the factors (1 times them, exactly).
    factor.resize(2 * w);
    double* leave = factor.data() + (from ? w : 0);
    double* join = factor.data() + (from ? 0 : w);
    int multiplied = 0;
    for (const int j : group) {
      if (v.s.family_of[static_cast<size_t>(j)] != from) continue;
      const double* row = row_of(v.terms, l, j);
      const double* inverse = inverse_of(v.terms, l, j);
      if (multiplied++ == 0) {
        std::copy_n(inverse, w, leave);
        std::copy_n(row, w, join);
        continue;
      }
      if (multiplied <= IN_RANGE_MEMBERS) {
        for (size_t e = 0; e < w; ++e) {
          leave[e] *= inverse[e];
          join[e] *= row[e];
        }
        continue;
      }
      double most_leave = 0, most_join = 0;
      for (size_t e = 0; e < w; ++e) {
        leave[e] *= inverse[e];
        join[e] *= row[e];
        most_leave = std::max(most_leave, leave[e]);
        most_join = std::max(most_join, join[e]);
      }
      if (most_leave > GROUP_FACTOR) {
        for (size_t e = 0; e < w; ++e) leave[e] = std::ldexp(leave[e], -GROUP_SHIFT);
        shift += GROUP_SHIFT;
      }
      if (most_join < 1 / GROUP_FACTOR) {
        for (size_t e = 0; e < w; ++e) join[e] = std::ldexp(join[e], GROUP_SHIFT);
        shift -= GROUP_SHIFT;
      }
    }
    changed.resize(static_cast<size_t>(FAMILIES * mothers));
    for (int k = 0; k < FAMILIES; ++k)
      family_sums(v, l, k, factor.data() + static_cast<size_t>(k) * w,
                  &changed[static_cast<size_t>(k * mothers)]);
    ratio *= locus_value(v, l, changed.data(), changed.data() + mothers) *
             v.s.inverse_value[static_cast<size_t>(l)];
    rescale(ratio, shift);
  }
  return std::log(ratio) + shift * LN2;
}

void move_group(SearchView& v, Members group, int from) {
  for (const int j : group) {
    if (v.s.family_of[static_cast<size_t>(j)] == from) move(v, j, from, 1 - from);
  }
}

// Moves single offspring to the other family while that raises the
// likelihood by more than rounding, from `current`. Returns the value
// reached, or stops early above `enough`.
double improve(SearchView& v, double current, double enough) {
  constexpr int MOST_PASSES = 50;
  int last_moved = v.terms.offspring;  // in the pass before
  for (int pass = 0; pass < MOST_PASSES; ++pass) {
    bool moved = false;
    int last = 0;
    for (int j = 0; j < v.terms.offspring; ++j) {
      // Past the last move of the pass before, with none since, the split
      // is the one these offspring were weighed in then, none gaining.
      if (!moved && j > last_moved) break;
      const int from = v.s.family_of[static_cast<size_t>(j)];
      const double gain = move_gain(v, j, from, 1 - from);
      if (gain > LEAST_GAIN) {
        move(v, j, from, 1 - from);
        current += gain;
        moved = true;
        last = j;
        if (current > enough) return current;
      }
    }
    if (!moved) break;
    last_moved = last;
  }
  return current;
}

}  // namespace

double searched_split_statistic(const BroodTerms& terms, SplitSearch& search, double enough) {
  const int n = terms.offspring;
  SearchView v = view_of(terms, search);
  if (n < 2) return 0;
  const OffspringGroups* groups = terms.groups.end.empty() ? nullptr : &terms.groups;

  // The whole brood as one family: the reference, and the first start.
  const double one = start_with(v, true);
  keep_start(v, search.whole, one);
  // A split above `enough` ends the search only where it is no rounding.
  const double target = std::max(enough, LEAST_STATISTIC) + one;
  double best = improve(v, one, target);
  search.best = search.family_of;
  const auto keep = [&](double reached) {
    if (reached <= best) return;
    best = reached;
    search.best = search.family_of;
  };

  // Offspring 0 with the offspring least likely to share a father with it
  // (by how much better the two are explained apart than together), every
  // other offspring then joining the family it fits better, in order.
  std::vector<std::pair<double, int>>& apart = search.apart;
  apart.clear();
  if (best <= target) {
    keep_start(v, search.pool, start_with(v, false));
    move(v, 0, POOL, 0);
    for (int j = 1; j < n; ++j) {
      double to0 = 0, to1 = 0;
      joining_gains(v, j, to0, to1);
      apart.push_back({to1 - to0, j});
    }
    std::sort(apart.begin(), apart.end(), [](const auto& a, const auto& b) {
      return a.first > b.first || (a.first == b.first && a.second < b.second);
    });
  }
  for (size_t start = 0; start < apart.size() && start < seeded_starts(terms) && best <= target;
       ++start) {
    const int seed = apart[start].second;
    double current = put_back(v, search.pool);
    current += move_gain(v, 0, POOL, 0);
    move(v, 0, POOL, 0);
    current += move_gain(v, seed, POOL, 1);
    move(v, seed, POOL, 1);
    for (int j = 1; j < n; ++j) {
      if (j == seed) continue;
      double to0 = 0, to1 = 0;
      joining_gains(v, j, to0, to1);
      const int to = to1 > to0 ? 1 : 0;
      current += std::max(to0, to1);
      move(v, j, POOL, to);
    }
    keep(improve(v, current, target));
  }

  // The allele groups whose move out of the whole brood gains the most.
  std::vector<std::pair<double, size_t>>& ranked = search.ranked;
  ranked.clear();
  if (groups && best <= target) {
    put_back(v, search.whole);
    for (size_t g = 0; g < groups->end.size(); ++g)
      ranked.push_back({group_gain(v, group_in(*groups, g), 0), g});
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
      return a.first > b.first || (a.first == b.first && a.second < b.second);
    });
  }
  for (size_t r = 0; r < ranked.size() && r < GROUP_STARTS && best <= target; ++r) {
    const Members group = group_in(*groups, ranked[r].second);
    double current = put_back(v, search.whole) + ranked[r].first;
    move_group(v, group, 0);
    keep(improve(v, current, target));
  }
  return statistic_of(best - one);
}

double exact_split_statistic(const BroodTerms& terms, SplitSearch& search) {
  const int n = terms.offspring;
  SearchView v = view_of(terms, search);
  if (n < 2) return 0;
  double current = start_with(v, true);
  const double one = current;
  double best = current;
  search.best = search.family_of;
  // Gray code order: each split differs from the last in one offspring.
  const uint32_t splits = 1u << (n - 1);
  for (uint32_t s = 1; s < splits; ++s) {
    int bit = 0;
    while (!((s >> bit) & 1u)) ++bit;
    const int j = bit + 1;
    const int from = search.family_of[static_cast<size_t>(j)];
    current += move_gain(v, j, from, 1 - from);
    move(v, j, from, 1 - from);
    if (current > best) {
      best = current;
      search.best = search.family_of;
    }
  }
  return statistic_of(best - one);
}

}  // namespace mpdetect
