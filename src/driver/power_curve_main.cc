// power-curve: the program's estimates for a whole range of brood sizes, as a
// table, the smallest size that reaches a target, and optionally a plot. It
// reads the same data file, seeds the same way and gives the same estimates
// as the dialogue answered with those sizes in turn. The table goes to
// standard output (or --output); warnings, refusals and the target line go
// to standard error.
#include <ctime>
#include <iostream>
#include <sstream>
#include <vector>

#include "driver/curve_plot.h"
#include "driver/output_file.h"
#include "driver/power_curve.h"
#include "driver/standard_streams.h"
#include "study/study_reader.h"

namespace {

// Status for a failure the user is told about on standard error.
int failed(const std::string& error) {
  std::cerr << "power-curve: " << error << "\n" << std::flush;
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  guard_standard_streams();
  remove_temporaries_on_signals();
  PowerCurveOptions options;
  std::string error;
  if (!parse_power_curve_options(argc, argv, options, error)) {
    std::cerr << "power-curve: " << error << "\n";
    return 2;
  }
  if (options.help) {
    std::cout << power_curve_usage();
    return flushed(std::cout) ? 0 : failed("cannot write to standard output");
  }
  std::vector<std::string> outputs;
  if (!options.output.empty()) outputs.push_back(options.output);
  if (!options.plot.empty()) outputs.push_back(options.plot);
  if (!check_output_paths({data_file_name()}, outputs, error)) {
    std::cerr << "power-curve: " << error << "\n";
    return 2;
  }
  if (!options.plot.empty() && !gnuplot_available()) return failed(gnuplot_install_hint());

  RandomState random{options.seeded ? options.seed : static_cast<uint32_t>(std::time(nullptr))};
  static StudyData study;
  const LoadStatus loaded = load_study_data(study, data_file_name());
  std::cerr << warnings_text(loaded);
  if (!loaded.ok) {
    std::cerr << loaded.message << std::flush;
    return 1;
  }

  static EstimateWork work;
  prepare_estimates(study, work);
  static CurvePoint points[MAX_CURVE_POINTS];
  const int count = estimate_curve(study, options, work, random, points);

  std::ostringstream table;
  write_curve_table(points, count, table);
  if (options.output.empty()) {
    std::cout << table.str();
    if (!flushed(std::cout)) return failed("cannot write the table to standard output");
  } else if (!write_output_file(options.output, table.str(), error)) {
    return failed(error);
  }
  std::cerr << target_line(points, count, options) << std::flush;

  if (!options.plot.empty()) {
    std::string image;
    if (!draw_curve(study, points, count, options, image, error) ||
        !write_output_file(options.plot, image, error)) {
      return failed(error);
    }
  }
  // Everything said on standard error must have arrived too.
  return flushed(std::cerr) ? 0 : 1;
}
