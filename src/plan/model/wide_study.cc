#include "plan/model/wide_study.h"

#include <string>

namespace mpdetect {

WideStudy wide_of(const StudyData& study) {
  WideStudy wide;
  for (int i = 0; i < study.locus_count; ++i) {
    wide.frequency.emplace_back(study.allele_frequency[i],
                                study.allele_frequency[i] + study.allele_count[i]);
    wide.mother.push_back(study.mother[i]);
  }
  wide.share.assign(study.skew, study.skew + study.sire_count);
  wide.mother_known = study.mother_known;
  return wide;
}

bool fits_study_record(const WideStudy& study) {
  if (study.frequency.size() > static_cast<size_t>(MAX_LOCI)) return false;
  if (study.share.empty() || study.share.size() > static_cast<size_t>(MAX_SIRES)) return false;
  for (const std::vector<double>& locus : study.frequency) {
    if (locus.empty() || locus.size() > static_cast<size_t>(MAX_ALLELES)) return false;
  }
  return true;
}

StudyData study_record_of(const WideStudy& study) {
  StudyData record{};
  record.locus_count = static_cast<int32_t>(study.frequency.size());
  for (size_t i = 0; i < study.frequency.size(); ++i) {
    record.allele_count[i] = static_cast<int32_t>(study.frequency[i].size());
    for (size_t s = 0; s < study.frequency[i].size(); ++s)
      record.allele_frequency[i][s] = study.frequency[i][s];
    record.mother[i] = study.mother[i];
  }
  record.sire_count = static_cast<int32_t>(study.share.size());
  for (size_t k = 0; k < study.share.size(); ++k) record.skew[k] = study.share[k];
  record.mother_known = study.mother_known;
  return record;
}

namespace {

// Added in order, as the reader adds them.
double total_of(const std::vector<double>& values) {
  double sum = 0;
  for (const double value : values) sum += value;
  return sum;
}

}  // namespace

LoadStatus doubtful_totals(const WideStudy& study) {
  LoadStatus totals{success(), {}};
  for (size_t i = 0; i < study.frequency.size(); ++i) {
    const double sum = total_of(study.frequency[i]);
    if (doubtful_total(sum)) totals.warnings.push_back(StudyWarning{static_cast<int>(i), sum});
  }
  const double shares = total_of(study.share);
  if (doubtful_total(shares)) totals.warnings.push_back(StudyWarning{SHARES_WARNING, shares});
  return totals;
}

Status check_plan_limits(const WideStudy& study, const std::vector<std::string>& locus_names) {
  if (study.frequency.size() > static_cast<size_t>(PLAN_MAX_LOCI)) {
    return failure_of(Kind::TOO_MANY_LOCI,
                      "the design would have " + std::to_string(study.frequency.size()) +
                          " loci; the planner runs at most " + std::to_string(PLAN_MAX_LOCI),
                      PLAN_MAX_LOCI);
  }
  for (size_t i = 0; i < study.frequency.size(); ++i) {
    if (study.frequency[i].size() > static_cast<size_t>(PLAN_MAX_ALLELES)) {
      const std::string name = i < locus_names.size() ? locus_names[i] : std::to_string(i + 1);
      Status refusal =
          failure_of(Kind::TOO_MANY_ALLELES,
                     "locus " + name + " has " + std::to_string(study.frequency[i].size()) +
                         " alleles; the planner runs at most " + std::to_string(PLAN_MAX_ALLELES),
                     PLAN_MAX_ALLELES);
      refusal.locus = name;
      return refusal;
    }
  }
  if (study.share.empty() || study.share.size() > static_cast<size_t>(PLAN_MAX_SIRES)) {
    return failure("a design has 1 to " + std::to_string(PLAN_MAX_SIRES) + " sires, not " +
                   std::to_string(study.share.size()));
  }
  return success();
}

bool same_study(const WideStudy& a, const WideStudy& b) {
  if (a.frequency != b.frequency || a.share != b.share || a.mother_known != b.mother_known ||
      a.mother.size() != b.mother.size()) {
    return false;
  }
  for (size_t i = 0; i < a.mother.size(); ++i) {
    for (int slot = 0; slot < 2; ++slot) {
      if (a.mother[i].slot[slot] != b.mother[i].slot[slot]) return false;
    }
  }
  return true;
}

}  // namespace mpdetect
