#include "driver/power_curve.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>

const char* power_curve_usage() {
  return "Usage: power-curve [options]\n"
         "Estimates, for the study in mmdata.txt in this folder, the probability of detecting\n"
         "multiple paternity for a range of brood sizes, as the program's dialogue would.\n"
         "  --from N        first brood size (default 1)\n"
         "  --to N          last brood size (default 100)\n"
         "  --step N        step between sizes (default 1)\n"
         "  --target P      probability to reach, above 0 and at most 1 (default 0.95)\n"
         "  --output FILE   write the table to FILE instead of standard output\n"
         "  --plot FILE     also draw the curve as a PNG image (needs gnuplot)\n"
         "  --size WxH      size of the image in pixels (default 800x600)\n"
         "  --seed N        seed the generator with N instead of the clock\n"
         "  --help          show this text\n";
}

namespace {

// Digits only (no sign, no blanks), at most 18 of them, within [low, high].
bool whole_number(const char* text, long long low, long long high, long long& value) {
  const std::string digits = text;
  if (digits.empty() || digits.size() > 18 ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  value = std::stoll(digits);
  return value >= low && value <= high;
}

}  // namespace

bool parse_power_curve_options(int argc, const char* const* argv, PowerCurveOptions& options,
                               std::string& error) {
  for (int a = 1; a < argc; ++a) {
    const std::string word = argv[a];
    if (word == "--help" || word == "-h") {
      options.help = true;
      continue;
    }
    const bool takes_value = word == "--from" || word == "--to" || word == "--step" ||
                             word == "--target" || word == "--output" || word == "--plot" ||
                             word == "--size" || word == "--seed";
    if (!takes_value) {
      error = "unknown option " + word + " (see --help)";
      return false;
    }
    if (a + 1 >= argc) {
      error = word + " needs a value";
      return false;
    }
    const char* value = argv[++a];
    long long number = 0;
    if (word == "--from" || word == "--to") {
      if (!whole_number(value, 1, MAX_OFFSPRING, number)) {
        error = word + " takes a brood size from 1 to " + std::to_string(MAX_OFFSPRING) + ", not " +
                value;
        return false;
      }
      (word == "--from" ? options.from : options.to) = static_cast<int>(number);
    } else if (word == "--step") {
      if (!whole_number(value, 1, MAX_OFFSPRING, number)) {
        error = std::string("--step takes a whole number from 1 to ") +
                std::to_string(MAX_OFFSPRING) + ", not " + value;
        return false;
      }
      options.step = static_cast<int>(number);
    } else if (word == "--target") {
      char* end = nullptr;
      const double target = std::strtod(value, &end);
      if (*value == '\0' || *end != '\0' || !(target > 0 && target <= 1)) {
        error = std::string("--target takes a probability above 0 and at most 1, not ") + value;
        return false;
      }
      options.target = target;
    } else if (word == "--output" || word == "--plot") {
      if (*value == '\0') {
        error = word + " needs a file name";
        return false;
      }
      (word == "--output" ? options.output : options.plot) = value;
    } else if (word == "--size") {
      // Each side is checked as text for its range before it becomes a
      // number, so that no value can wrap into the range.
      const std::string text = value;
      const size_t x = text.find('x');
      long long width = 0, height = 0;
      if (x == std::string::npos || !whole_number(text.substr(0, x).c_str(), 100, 10000, width) ||
          !whole_number(text.substr(x + 1).c_str(), 100, 10000, height)) {
        error = std::string("--size takes WIDTHxHEIGHT in pixels, each from 100 to 10000, not ") +
                value;
        return false;
      }
      options.width = static_cast<int>(width);
      options.height = static_cast<int>(height);
    } else {
      if (!whole_number(value, 0, UINT32_MAX, number)) {
        error = std::string("--seed takes a whole number from 0 to 4294967295, not ") + value;
        return false;
      }
      options.seeded = true;
      options.seed = static_cast<uint32_t>(number);
    }
  }
  if (options.from > options.to) {
    error =
        "--from " + std::to_string(options.from) + " is above --to " + std::to_string(options.to);
    return false;
  }
  return true;
}

int estimate_curve(StudyData& study, const PowerCurveOptions& options, EstimateWork& work,
                   RandomState& random, CurvePoint* points) {
  int count = 0;
  for (int size = options.from; size <= options.to; size += options.step) {
    points[count++] = CurvePoint{size, count_detections(study, size, work, random)};
  }
  return count;
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

void write_curve_table(const CurvePoint* points, int count, std::ostream& out) {
  out << "brood_size,probability,standard_error\n";
  char line[64];
  for (int n = 0; n < count; ++n) {
    std::snprintf(line, sizeof line, "%d,%.3f,%.4f\n", points[n].brood_size,
                  running_share(points[n].detections), standard_error(points[n].detections));
    out << line;
  }
}

std::string target_line(const CurvePoint* points, int count, const PowerCurveOptions& options) {
  char line[160];
  for (int n = 0; n < count; ++n) {
    const double p = printed_probability(points[n].detections);
    if (p >= options.target) {
      std::snprintf(line, sizeof line, "Smallest brood size reaching %g: %d (estimate %.3f).\n",
                    options.target, points[n].brood_size, p);
      return line;
    }
  }
  int best = 0;
  for (int n = 1; n < count; ++n) {
    if (points[n].detections > points[best].detections) best = n;
  }
  std::snprintf(line, sizeof line,
                "No brood size from %d to %d reaches %g (highest estimate %.3f, at %d).\n",
                options.from, points[count - 1].brood_size, options.target,
                printed_probability(points[best].detections), points[best].brood_size);
  return line;
}
