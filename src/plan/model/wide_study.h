// The planner's own record of a study, of any size up to the planner's
// limits: loci with their alleles' frequencies, the sires' shares and the
// mother. Within the console program's limits it holds exactly what the
// study record (StudyData) holds, value for value; past them it holds what
// a study file of that size would, read by the same rules.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"
#include "study/study_data.h"
#include "study/study_reader.h"

namespace mpdetect {

// What the planner's model runs, at most. Memory grows with the alleles of
// all loci (a draw table of 4 bytes per allele) and the values of one trial
// are never stored; time per trial grows with the brood, the sires and the
// loci judged (most trials stop at the first locus that reveals).
constexpr int PLAN_MAX_LOCI = 10000;
constexpr int PLAN_MAX_ALLELES = 999;
constexpr int PLAN_MAX_SIRES = 100;
constexpr int PLAN_MAX_OFFSPRING = 1000;

struct WideStudy {
  // Per locus, its alleles' frequencies: single-precision values as read,
  // widened, as the study record holds them.
  std::vector<std::vector<double>> frequency;
  std::vector<double> share;  // per sire
  bool mother_known = false;
  // Per locus her two alleles; when she is drawn, where her draws start (the
  // last allele twice, as the study file's reader leaves an untyped mother).
  std::vector<Genotype> mother;
};

// The study record's contents as the planner's record.
WideStudy wide_of(const StudyData& study);

// Whether the study fits the study record (the console program's limits).
bool fits_study_record(const WideStudy& study);

// The same record in the study record's form.
// REQUIRES: fits_study_record(study).
StudyData study_record_of(const WideStudy& study);

// The totals the study file's reader would warn of, in its order: each
// doubtful locus, then the shares.
LoadStatus doubtful_totals(const WideStudy& study);

// Refuses a study past the planner's limits, naming the count and the
// limit (TOO_MANY_LOCI; TOO_MANY_ALLELES with the locus, by its name in
// `locus_names` when given, else counted from 1; a general refusal for
// the sires).
Status check_plan_limits(const WideStudy& study, const std::vector<std::string>& locus_names = {});

// Whether two records hold the same study.
bool same_study(const WideStudy& a, const WideStudy& b);

}  // namespace mpdetect
