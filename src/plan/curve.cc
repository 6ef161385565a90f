#include "plan/curve.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "plan/parallel.h"
#include "plan/plan_text.h"
#include "simulation/estimate.h"
#include "simulation/sire_ceiling.h"

namespace {

// The curve of one design, cut short once `stopped` is set (by this design's
// `done` or another's).
DesignCurve estimate_one(const Design& design, const CurveRange& range, uint32_t seed,
                         const std::function<bool(int)>& done, std::atomic<bool>& stopped) {
  DesignCurve curve{design.label, {}};
  StudyData study = design.study;
  // Default-initialised: the estimator fills what it reads.
  const std::unique_ptr<EstimateWork> work(new EstimateWork);
  prepare_estimates(study, *work);
  RandomState random{seed};
  for (int size = range.from; size <= range.to && !stopped; size += range.step) {
    const double ceiling = several_sires_chance(study, size);
    curve.points.push_back(CurvePoint{size, count_detections(study, size, *work, random), ceiling});
    if (!done(static_cast<int>(curve.points.size()))) stopped = true;
  }
  return curve;
}

}  // namespace

std::vector<DesignCurve> estimate_curves(const std::vector<Design>& designs,
                                         const CurveRange& range, uint32_t seed, int threads,
                                         const EstimateDone& done, bool* complete) {
  std::vector<DesignCurve> curves(designs.size());
  std::atomic<bool> stopped{false};
  run_jobs(designs.size(), threads, [&](size_t d) {
    curves[d] = estimate_one(
        designs[d], range, seed, [&](int sizes) { return !done || done(d, sizes); }, stopped);
  });
  if (complete) *complete = !stopped;
  return curves;
}

int sizes_in(const CurveRange& range) {
  return (range.to - range.from) / range.step + 1;
}

double printed_probability(int detections) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", running_share(detections));
  return std::strtod(text, nullptr);
}

double standard_error(int detections) {
  const double p = detections / static_cast<double>(TRIAL_COUNT);
  return std::sqrt(p * (1 - p) / TRIAL_COUNT);
}

void interval95(int detections, double& low, double& high) {
  const double z = 1.959963984540054;
  const double n = TRIAL_COUNT;
  const double p = detections / n;
  const double centre = (p + z * z / (2 * n)) / (1 + z * z / n);
  const double half = z / (1 + z * z / n) * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n));
  // At no detections or all, the interval reaches 0 or 1 exactly; rounding
  // alone would leave it a hair short of the estimate.
  low = detections == 0 ? 0.0 : std::fmax(0.0, centre - half);
  high = detections == TRIAL_COUNT ? 1.0 : std::fmin(1.0, centre + half);
}

std::string curve_table(const std::vector<DesignCurve>& curves, bool with_design) {
  std::string table = with_design ? "design," : "";
  table += "brood_size,probability,standard_error,ci_low,ci_high,ceiling\n";
  char line[160];
  for (const DesignCurve& curve : curves) {
    for (const CurvePoint& point : curve.points) {
      double low = 0, high = 0;
      interval95(point.detections, low, high);
      std::snprintf(line, sizeof line, "%d,%.3f,%.4f,%.4f,%.4f,%.4f\n", point.brood_size,
                    running_share(point.detections), standard_error(point.detections), low, high,
                    point.ceiling);
      table += (with_design ? csv_cell(curve.label) + "," : "") + line;
    }
  }
  return table;
}

int smallest_reaching(const DesignCurve& curve, double target) {
  for (const CurvePoint& point : curve.points) {
    if (printed_probability(point.detections) >= target) return point.brood_size;
  }
  return 0;
}

std::string target_line(const DesignCurve& curve, double target, bool labelled) {
  char line[320];
  const int size = smallest_reaching(curve, target);
  if (size > 0) {
    int detections = 0;
    for (const CurvePoint& point : curve.points) {
      if (point.brood_size == size) detections = point.detections;
    }
    std::snprintf(line, sizeof line, "%s brood size reaching %g: %d (estimate %.3f).\n",
                  labelled ? "smallest" : "Smallest", target, size,
                  printed_probability(detections));
  } else {
    size_t best = 0;
    for (size_t n = 1; n < curve.points.size(); ++n) {
      if (curve.points[n].detections > curve.points[best].detections) best = n;
    }
    // Whether the shares alone keep the range from the target: then no
    // loci could reach it there.
    const CurvePoint& largest = curve.points.back();
    char ceiling[96] = "";
    if (largest.ceiling < target) {
      std::snprintf(ceiling, sizeof ceiling, "; the shares alone allow at most %.4f at %d",
                    largest.ceiling, largest.brood_size);
    }
    std::snprintf(line, sizeof line,
                  "%s brood size from %d to %d reaches %g (highest estimate %.3f, at %d%s).\n",
                  labelled ? "no" : "No", curve.points.front().brood_size, largest.brood_size,
                  target, printed_probability(curve.points[best].detections),
                  curve.points[best].brood_size, ceiling);
  }
  return labelled ? curve.label + ": " + line : line;
}
