#include "plan/estimate/curve.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "plan/estimate/design_trials.h"
#include "plan/estimate/likelihood_trials.h"
#include "plan/estimate/parallel.h"
#include "plan/input/plan_text.h"
#include "simulation/estimate.h"
#include "simulation/sire_ceiling.h"

namespace mpdetect {

DesignCurve curve_of(const Design& design) {
  return DesignCurve{design.label,
                     {},
                     design.source,
                     design.sample,
                     design.unsampled_mother,
                     design.fits_record ? design.study.mother_known : design.wide.mother_known,
                     design.verdict,
                     design.false_detection};
}

namespace {

// The pieces a companion's sizes are cut into, for the threads to share.
constexpr int COMPANION_PIECES = 10;

// Goes on with the trials of an estimate whose decision is open, from
// where its first TRIAL_COUNT trials left the generator and the mother
// (copies: the curve's own estimates go on from there untouched), doubling
// the trials until the decision is made or max_trials are spent.
void refine(CurvePoint& point, DesignTrials& trials, const DesignTrials::Standing& standing,
            const RandomState& random, const CurveTarget& target) {
  DesignTrials::Standing more = standing;
  RandomState state = random;
  while (point.decision == Decision::OPEN && point.trials < target.max_trials) {
    const int64_t batch = std::min(point.trials, target.max_trials - point.trials);
    point.all_detections += trials.count(more, point.brood_size, batch, state);
    point.trials += batch;
    point.decision = decide(point.all_detections, point.trials, target.target);
  }
}

// Whether a design has a single-sire companion: the allele rule with
// genotyping errors.
bool companion_of(const Design& design) {
  return design.verdict == Verdict::ALLELES && any_errors(design.errors);
}

// The curve of one design, cut short once `stopped` is set (by this design's
// `done` or another's). Open decisions are refined up to the first size
// that reaches the target; past it no decision changes the answer. Sizes
// of the range before `start` are passed over: the generator and the
// mother are moved past their trials, and they have no points.
// REQUIRES: no size before `start` would be refined (target.max_trials is
// target.trials, as for a companion).
DesignCurve estimate_one(const Design& design, const CurveRange& range, uint32_t seed,
                         const CurveTarget& target, const std::function<bool(int)>& done,
                         std::atomic<bool>& stopped, int start) {
  DesignCurve curve = curve_of(design);
  const auto trials = std::make_unique<DesignTrials>(design, range.to);
  DesignTrials::Standing standing = trials->start();
  RandomState random{seed};
  for (int size = range.from; size < start && size <= range.to; size += range.step)
    trials->skip(standing, size, target.trials, random);
  bool reached = false;
  for (int size = std::max(start, range.from); size <= range.to && !stopped; size += range.step) {
    const double ceiling = trials->ceiling(size);
    // The dialogue's estimate when TRIAL_COUNT, or as many trials as asked for.
    const int detections = static_cast<int>(trials->count(standing, size, target.trials, random));
    CurvePoint point{size,
                     detections,
                     ceiling,
                     target.trials,
                     target.trials,
                     detections,
                     decide(detections, target.trials, target.target)};
    if (!reached && point.decision == Decision::OPEN)
      refine(point, *trials, standing, random, target);
    reached = reached || point.decision == Decision::REACHES;
    curve.points.push_back(point);
    if (!done(static_cast<int>(curve.points.size()))) stopped = true;
  }
  return curve;
}

// The curve of a design judged by the likelihood: at each size a threshold
// from single-sire broods, then the detections of the design's broods and
// of single-sire broods apart. Decisions are not refined.
DesignCurve estimate_by_likelihood(const Design& design, const CurveRange& range, uint32_t seed,
                                   const CurveTarget& target, int threads,
                                   const std::function<bool(int)>& done,
                                   std::atomic<bool>& stopped) {
  DesignCurve curve = curve_of(design);
  const LikelihoodTables tables =
      likelihood_tables(wide_study_of(design), design.unsampled_mother, design.errors,
                        reading_of(design.errors, design.error_allowance));
  const int64_t trials = trials_for(design, target.trials);
  // Sizes are independent (each brood's draws are keyed by its size), so
  // they run side by side, each on one thread, and join in order.
  const int sizes = sizes_in(range);
  std::vector<LikelihoodPoint> made(static_cast<size_t>(sizes));
  std::vector<char> finished(static_cast<size_t>(sizes), 0);
  std::atomic<int> count{0};
  run_jobs(static_cast<size_t>(sizes), threads, [&](size_t n) {
    if (stopped) return;
    const int size = range.from + static_cast<int>(n) * range.step;
    made[n] = likelihood_point(tables, size, trials, design.false_detection, seed, 1);
    finished[n] = 1;
    if (!done(++count)) stopped = true;
  });
  for (size_t n = 0; n < made.size() && finished[n]; ++n) {
    CurvePoint point{made[n].brood_size,
                     static_cast<int>(made[n].detections),
                     design_ceiling(design, made[n].brood_size),
                     trials,
                     trials,
                     made[n].detections,
                     decide(made[n].detections, trials, target.target)};
    point.false_detections = static_cast<int>(made[n].false_detections);
    curve.points.push_back(point);
  }
  return curve;
}

// A size that reaches the target while one sire is called several more
// often than the rate allowed does not reach it.
void hold_false_detections(DesignCurve& curve, double allowed) {
  for (CurvePoint& point : curve.points) {
    if (point.false_detections < 0 || point.decision != Decision::REACHES) continue;
    double low = 0, high = 0;
    interval95(point.false_detections, point.estimate_trials, low, high);
    if (low > allowed) point.decision = Decision::TOO_MANY_FALSE;
  }
}

}  // namespace

int64_t trials_for(const Design& design, int64_t asked) {
  if (asked > 0) return asked;
  return design.verdict == Verdict::LIKELIHOOD ? default_likelihood_trials(design.false_detection)
                                               : TRIAL_COUNT;
}

std::vector<DesignCurve> estimate_curves(const std::vector<Design>& designs,
                                         const CurveRange& range, uint32_t seed, int threads,
                                         const EstimateDone& done, bool* complete,
                                         const CurveTarget& target) {
  // A design with genotyping errors has its single-sire companion beside
  // it, in pieces of a few sizes each, every piece a job of its own that
  // starts where the sizes before it leave the generator (it asks for no
  // refinement, so that is known without running them): the threads share
  // the companion's work and its design's alike, whichever takes longer. A
  // design's progress counts both.
  struct Job {
    size_t design;
    int piece;  // of the companion, or -1: the design's own curve
  };
  const int sizes = sizes_in(range);
  const int pieces = std::min(COMPANION_PIECES, sizes);
  const auto piece_start = [&](int piece) {
    return range.from + (sizes * piece / pieces) * range.step;
  };
  std::vector<Job> jobs;
  for (size_t d = 0; d < designs.size(); ++d) {
    jobs.push_back({d, -1});
    for (int piece = 0; piece < pieces && companion_of(designs[d]); ++piece)
      jobs.push_back({d, piece});
  }
  // A likelihood design's trials spread over the threads, shared among
  // the likelihood designs: the allele rule's jobs take far less time.
  int likelihood_jobs = 0;
  for (const Design& design : designs) likelihood_jobs += design.verdict == Verdict::LIKELIHOOD;
  const int inner = std::max(1, threads / std::max(1, likelihood_jobs));
  std::vector<DesignCurve> curves(designs.size()), companions(designs.size());
  std::vector<std::vector<DesignCurve>> companion_pieces(
      designs.size(), std::vector<DesignCurve>(static_cast<size_t>(pieces)));
  std::vector<std::atomic<int>> made(designs.size());
  for (std::atomic<int>& count : made) count = 0;
  std::atomic<bool> stopped{false};
  run_jobs(jobs.size(), threads, [&](size_t n) {
    const Job job = jobs[n];
    const size_t d = job.design;
    const bool pair = companion_of(designs[d]);
    const auto reported = [&](int) {
      const int sum = ++made[d];
      return !done || done(d, pair ? sum / 2 : sum);
    };
    const int64_t trials = trials_for(designs[d], target.trials);
    if (job.piece >= 0) {
      const CurveTarget none{target.target, trials, trials};
      CurveRange part = range;
      part.to = piece_start(job.piece + 1) - range.step;
      companion_pieces[d][static_cast<size_t>(job.piece)] = estimate_one(
          single_sire(designs[d]), part, seed, none, reported, stopped, piece_start(job.piece));
    } else if (designs[d].verdict == Verdict::LIKELIHOOD) {
      curves[d] = estimate_by_likelihood(designs[d], range, seed, target, inner, reported, stopped);
    } else {
      const CurveTarget asked{target.target, target.max_trials, trials};
      curves[d] = estimate_one(designs[d], range, seed, asked, reported, stopped, range.from);
    }
  });
  // A companion's pieces join in order, up to the first a stop cut short.
  for (size_t d = 0; d < designs.size(); ++d) {
    if (!companion_of(designs[d])) continue;
    companions[d] = companion_pieces[d][0];
    companions[d].points.clear();
    for (int piece = 0; piece < pieces; ++piece) {
      const std::vector<CurvePoint>& points =
          companion_pieces[d][static_cast<size_t>(piece)].points;
      companions[d].points.insert(companions[d].points.end(), points.begin(), points.end());
      const int asked = (piece_start(piece + 1) - piece_start(piece)) / range.step;
      if (static_cast<int>(points.size()) < asked) break;
    }
  }
  for (size_t d = 0; d < designs.size(); ++d) {
    if (companion_of(designs[d])) {
      std::vector<CurvePoint>& points = curves[d].points;
      const std::vector<CurvePoint>& falsely = companions[d].points;
      // A stopped run may have cut either short.
      if (falsely.size() < points.size()) points.resize(falsely.size());
      for (size_t k = 0; k < points.size(); ++k) points[k].false_detections = falsely[k].detections;
    }
    // Either verdict's size reaches the target only with its false
    // detections held: the allele rule's measured on its companion, the
    // likelihood's on single-sire broods apart from its calibration (by
    // construction at most the rate, so held against it only where its
    // interval lies wholly above, which a sound threshold rarely gives).
    if (companion_of(designs[d]) || designs[d].verdict == Verdict::LIKELIHOOD)
      hold_false_detections(curves[d], designs[d].false_detection);
  }
  if (complete) *complete = !stopped;
  return curves;
}

Decision decide(int64_t detections, int64_t trials, double target) {
  double low = 0, high = 0;
  interval95(detections, trials, low, high);
  if (low >= target) return Decision::REACHES;
  if (high < target) return Decision::BELOW;
  return Decision::OPEN;
}

int sizes_in(const CurveRange& range) {
  return (range.to - range.from) / range.step + 1;
}

double printed_probability(int detections) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", running_share(detections));
  return std::strtod(text, nullptr);
}

double standard_error(int64_t detections, int64_t trials) {
  const double n = static_cast<double>(trials);
  const double p = static_cast<double>(detections) / n;
  return std::sqrt(p * (1 - p) / n);
}

double standard_error(int detections) {
  return standard_error(detections, TRIAL_COUNT);
}

double point_estimate(const CurvePoint& point) {
  if (point.estimate_trials == TRIAL_COUNT) return running_share(point.detections);
  return static_cast<double>(point.detections) / static_cast<double>(point.estimate_trials);
}

double false_detection_share(const CurvePoint& point) {
  CurvePoint companion = point;
  companion.detections = point.false_detections;
  return point_estimate(companion);
}

bool with_errors(const DesignCurve& curve) {
  return !curve.points.empty() && curve.points.front().false_detections >= 0;
}

double printed_estimate(const CurvePoint& point) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", point_estimate(point));
  return std::strtod(text, nullptr);
}

int supported_decimals(int64_t trials) {
  const double largest_error = 0.5 / std::sqrt(static_cast<double>(trials < 1 ? 1 : trials));
  int decimals = 3;
  while (decimals < 9 && std::pow(10.0, -decimals) > largest_error * (1 + 1e-9)) ++decimals;
  return decimals;
}

std::string share_text(double share, int64_t trials) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", supported_decimals(trials), share);
  return text;
}

void interval95(int64_t detections, int64_t trials, double& low, double& high) {
  const double z = 1.959963984540054;
  const double n = static_cast<double>(trials);
  const double p = static_cast<double>(detections) / n;
  const double centre = (p + z * z / (2 * n)) / (1 + z * z / n);
  const double half = z / (1 + z * z / n) * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n));
  // At no detections or all, the interval reaches 0 or 1 exactly; rounding
  // alone would leave it a hair short of the estimate.
  low = detections == 0 ? 0.0 : std::fmax(0.0, centre - half);
  high = detections == trials ? 1.0 : std::fmin(1.0, centre + half);
}

void interval95(int detections, double& low, double& high) {
  interval95(detections, TRIAL_COUNT, low, high);
}

namespace {

const char* decision_name(Decision decision) {
  switch (decision) {
    case Decision::REACHES:
      return "reaches";
    case Decision::BELOW:
      return "below";
    case Decision::TOO_MANY_FALSE:
      return "too_many_false";
    case Decision::OPEN:
      break;
  }
  return "open";
}

bool refined(const CurvePoint& point) {
  return point.trials > point.estimate_trials;
}

double share_of(const CurvePoint& point) {
  return static_cast<double>(point.all_detections) / static_cast<double>(point.trials);
}

// "estimate 0.9521, 95 % interval 0.9512 to 0.9530, 400000 trials"
std::string refined_text(const CurvePoint& point) {
  double low = 0, high = 0;
  interval95(point.all_detections, point.trials, low, high);
  char text[128];
  std::snprintf(text, sizeof text, "estimate %.4f, 95 %% interval %.4f to %.4f, %lld trials",
                share_of(point), low, high, static_cast<long long>(point.trials));
  return text;
}

// The decisions before the smallest size (or in the whole range) that
// stayed open, as "; open at 6 after 1000000 trials (estimate ...)", and
// the first size whose detection reached the target with too many false
// detections.
std::string open_text(const DesignCurve& curve, int before) {
  std::string text;
  bool falsely = false;
  for (const CurvePoint& point : curve.points) {
    if (before > 0 && point.brood_size >= before) break;
    if (point.decision == Decision::TOO_MANY_FALSE && !falsely) {
      falsely = true;
      text += "; at " + std::to_string(point.brood_size) +
              " detection reached the target but one sire was called several in " +
              share_text(false_detection_share(point), point.estimate_trials) +
              " of broods, above the " + short_number(curve.false_detection) + " allowed";
      if (curve.verdict == Verdict::ALLELES)
        text +=
            " (the likelihood verdict, or more loci required to reveal, holds false "
            "detections down)";
    }
    if (point.decision != Decision::OPEN) continue;
    text += "; at " + std::to_string(point.brood_size) + " the decision stayed open (" +
            refined_text(point) + ")";
  }
  return text;
}

}  // namespace

std::string curve_table(const std::vector<DesignCurve>& curves, bool with_design) {
  bool errors = false;
  for (const DesignCurve& curve : curves) errors = errors || with_errors(curve);
  std::string table = with_design ? "design," : "";
  table +=
      "brood_size,probability,standard_error,ci_low,ci_high,ceiling,decision,refined_trials,"
      "refined_probability,refined_ci_low,refined_ci_high";
  table += errors ? ",false_detection,false_detection_ci_low,false_detection_ci_high\n" : "\n";
  char line[256];
  for (const DesignCurve& curve : curves) {
    for (const CurvePoint& point : curve.points) {
      double low = 0, high = 0;
      interval95(point.detections, point.estimate_trials, low, high);
      char more[128] = ",,,";
      if (refined(point)) {
        double refined_low = 0, refined_high = 0;
        interval95(point.all_detections, point.trials, refined_low, refined_high);
        std::snprintf(more, sizeof more, "%lld,%.4f,%.4f,%.4f",
                      static_cast<long long>(point.trials), share_of(point), refined_low,
                      refined_high);
      }
      std::snprintf(line, sizeof line, "%d,%s,%.4f,%.4f,%.4f,%.4f,%s,%s", point.brood_size,
                    share_text(point_estimate(point), point.estimate_trials).c_str(),
                    standard_error(point.detections, point.estimate_trials), low, high,
                    point.ceiling, decision_name(point.decision), more);
      table += (with_design ? csv_cell(curve.label) + "," : "") + line;
      if (errors) {
        char falsely[64] = ",,";
        if (point.false_detections >= 0) {
          double false_low = 0, false_high = 0;
          interval95(point.false_detections, point.estimate_trials, false_low, false_high);
          std::snprintf(falsely, sizeof falsely, "%s,%.4f,%.4f",
                        share_text(false_detection_share(point), point.estimate_trials).c_str(),
                        false_low, false_high);
        }
        table += std::string(",") + falsely;
      }
      table += "\n";
    }
  }
  return table;
}

int smallest_reaching(const DesignCurve& curve) {
  for (const CurvePoint& point : curve.points) {
    if (point.decision == Decision::REACHES) return point.brood_size;
  }
  return 0;
}

std::string target_line(const DesignCurve& curve, double target, bool labelled) {
  char line[320];
  const int size = smallest_reaching(curve);
  std::string text;
  if (size > 0) {
    const CurvePoint* at = nullptr;
    for (const CurvePoint& point : curve.points) {
      if (point.brood_size == size) at = &point;
    }
    // The plain words when the estimate's own trials decided it.
    char estimate[160];
    if (refined(*at)) {
      std::snprintf(estimate, sizeof estimate, "%s", refined_text(*at).c_str());
    } else {
      std::snprintf(estimate, sizeof estimate, "estimate %s",
                    share_text(point_estimate(*at), at->estimate_trials).c_str());
    }
    if (at->false_detections >= 0) {
      const size_t used = std::strlen(estimate);
      std::snprintf(estimate + used, sizeof estimate - used, "; one sire detected falsely %s",
                    share_text(false_detection_share(*at), at->estimate_trials).c_str());
    }
    std::snprintf(line, sizeof line, "%s brood size reaching %g: %d (%s)",
                  labelled ? "smallest" : "Smallest", target, size, estimate);
    text = line + open_text(curve, size) + ".\n";
  } else {
    size_t best = 0;
    for (size_t n = 1; n < curve.points.size(); ++n) {
      if (curve.points[n].detections > curve.points[best].detections) best = n;
    }
    // Whether the shares alone keep the range from the target: then no
    // loci could reach it there.
    const CurvePoint& largest = curve.points.back();
    char ceiling[160] = "";
    if (largest.ceiling < target) {
      std::snprintf(ceiling, sizeof ceiling, "; the shares alone allow at most %.4f at %d",
                    largest.ceiling, largest.brood_size);
    }
    if (largest.false_detections >= 0) {
      const size_t used = std::strlen(ceiling);
      std::snprintf(ceiling + used, sizeof ceiling - used, "; one sire detected falsely %s at %d",
                    share_text(false_detection_share(largest), largest.estimate_trials).c_str(),
                    largest.brood_size);
    }
    std::snprintf(
        line, sizeof line, "%s brood size from %d to %d reaches %g (highest estimate %s, at %d%s)",
        labelled ? "no" : "No", curve.points.front().brood_size, largest.brood_size, target,
        share_text(point_estimate(curve.points[best]), curve.points[best].estimate_trials).c_str(),
        curve.points[best].brood_size, ceiling);
    text = line + open_text(curve, 0) + ".\n";
  }
  return labelled ? curve.label + ": " + text : text;
}

}  // namespace mpdetect
