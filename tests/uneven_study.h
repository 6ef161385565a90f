// A design for the likelihood verdict's tests: loci of uneven allele
// frequencies (weights 1 + (a (l + 3)) mod 5 for allele a at locus l), the
// mother known (alleles 0 and 1) or drawn.
#pragma once

#include <utility>
#include <vector>

#include "plan/model/wide_study.h"

namespace mpdetect {

inline WideStudy uneven_study(int loci, int alleles, std::vector<double> shares,
                              bool mother_known) {
  WideStudy study;
  for (int l = 0; l < loci; ++l) {
    std::vector<double> p;
    double total = 0;
    for (int a = 0; a < alleles; ++a) total += 1.0 + (a * (l + 3)) % 5;
    for (int a = 0; a < alleles; ++a) p.push_back((1.0 + (a * (l + 3)) % 5) / total);
    study.frequency.push_back(p);
    study.mother.push_back(mother_known ? Genotype{{0, 1}} : Genotype{{alleles - 1, alleles - 1}});
  }
  study.share = std::move(shares);
  study.mother_known = mother_known;
  return study;
}

}  // namespace mpdetect
