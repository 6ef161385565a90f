#include "plan/estimate/design_trials.h"

#include "simulation/draw_table.h"
#include "simulation/sire_ceiling.h"

namespace mpdetect {

namespace {

// Each sire's chance of being drawn, and of none, from the bounds of the
// share draw (fill_draw_bounds): the share of generator values picking each.
void chances_from_bounds(const std::vector<uint32_t>& bounds, std::vector<double>& drawn,
                         double& none) {
  drawn.clear();
  for (size_t k = 0; k + 1 < bounds.size(); ++k)
    drawn.push_back(static_cast<double>(bounds[k + 1] - bounds[k]) / RANDOM15_VALUES);
  none = static_cast<double>(RANDOM15_VALUES - bounds.back()) / RANDOM15_VALUES;
}

}  // namespace

DesignTrials::DesignTrials(const Design& design, int max_brood)
    : wide_(!design.fits_record || max_brood > MAX_OFFSPRING) {
  if (wide_) {
    const WideStudy study = wide_study_of(design);
    prepare_wide_tables(study, design.unsampled_mother, design.min_loci, max_brood, tables_);
    start_.wide = wide_work(study, max_brood);
    chances_from_bounds(tables_.sire_bounds, drawn_, none_);
  } else {
    start_.study = design.study;
    // Default-initialised: the estimator fills what it reads.
    work_.reset(new EstimateWork);
    prepare_design_estimates(design, start_.study, *work_);
    const SireChances sires = sire_chances(start_.study);
    drawn_.assign(sires.drawn, sires.drawn + sires.sires);
    none_ = sires.none;
  }
}

int64_t DesignTrials::count(Standing& standing, int brood_size, int64_t trials,
                            RandomState& random) {
  if (wide_) return wide_count_detections(tables_, brood_size, trials, standing.wide, random);
  return count_more_detections(standing.study, brood_size, trials, *work_, random);
}

void DesignTrials::skip(Standing& standing, int brood_size, int64_t trials, RandomState& random) {
  // The wide estimator has no way past its trials but through them.
  if (wide_) {
    wide_count_detections(tables_, brood_size, trials, standing.wide, random);
    return;
  }
  skip_more_trials(standing.study, brood_size, trials, *work_, random);
}

double DesignTrials::ceiling(int brood_size) const {
  return several_sires_chance(drawn_.data(), static_cast<int>(drawn_.size()), none_, brood_size);
}

double design_ceiling(const Design& design, int brood_size) {
  const std::vector<double> shares = wide_study_of(design).share;
  if (shares.empty()) return 0;
  std::vector<uint32_t> bounds(shares.size() + 1);
  fill_draw_bounds(shares.data(), static_cast<int>(shares.size()), bounds.data());
  std::vector<double> drawn;
  double none = 0;
  chances_from_bounds(bounds, drawn, none);
  return several_sires_chance(drawn.data(), static_cast<int>(drawn.size()), none, brood_size);
}

int count_design_detections(const Design& design, int brood_size, uint32_t seed) {
  DesignTrials trials(design, brood_size);
  DesignTrials::Standing standing = trials.start();
  RandomState random{seed};
  return static_cast<int>(trials.count(standing, brood_size, TRIAL_COUNT, random));
}

Design joined_design(const std::vector<Design>& candidates, const std::vector<int>& set) {
  Design joined = candidates[static_cast<size_t>(set[0])];
  bool fits = set.size() <= static_cast<size_t>(MAX_LOCI);
  for (const int n : set) fits = fits && candidates[static_cast<size_t>(n)].fits_record;
  joined.locus_names.clear();
  for (const int n : set)
    joined.locus_names.push_back(candidates[static_cast<size_t>(n)].locus_names[0]);
  if (fits) {
    StudyData& study = joined.study;
    study.locus_count = static_cast<int32_t>(set.size());
    for (size_t i = 0; i < set.size(); ++i) {
      const StudyData& one = candidates[static_cast<size_t>(set[i])].study;
      study.allele_count[i] = one.allele_count[0];
      for (int s = 0; s < MAX_ALLELES; ++s)
        study.allele_frequency[i][s] = one.allele_frequency[0][s];
      study.mother[i] = one.mother[0];
    }
    for (size_t i = set.size(); i < static_cast<size_t>(MAX_LOCI); ++i) {
      study.allele_count[i] = 0;
      for (int s = 0; s < MAX_ALLELES; ++s) study.allele_frequency[i][s] = 0;
      study.mother[i] = Genotype{{0, 0}};
    }
    return joined;
  }
  WideStudy wide = wide_study_of(joined);
  wide.frequency.clear();
  wide.mother.clear();
  for (const int n : set) {
    const WideStudy one = wide_study_of(candidates[static_cast<size_t>(n)]);
    wide.frequency.push_back(one.frequency[0]);
    wide.mother.push_back(one.mother[0]);
  }
  joined.fits_record = false;
  joined.wide = wide;
  joined.study = StudyData{};
  return joined;
}

}  // namespace mpdetect
