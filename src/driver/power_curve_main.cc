// power-curve: the program's estimates for a whole range of brood sizes, as a
// table, the smallest size that reaches a target, and optionally a plot. It
// reads the same data file, seeds the same way and gives the same estimates
// as the dialogue answered with those sizes in turn. The table goes to
// standard output (or --output); warnings, refusals and the target line go
// to standard error.
#include <ctime>
#include <fstream>
#include <iostream>

#include "driver/curve_plot.h"
#include "driver/output_file.h"
#include "driver/power_curve.h"
#include "study/study_reader.h"

int main(int argc, char** argv) {
  PowerCurveOptions options;
  std::string error;
  if (!parse_power_curve_options(argc, argv, options, error)) {
    std::cerr << "power-curve: " << error << "\n";
    return 2;
  }
  if (options.help) {
    std::cout << power_curve_usage();
    return 0;
  }
  if (!options.plot.empty() && !gnuplot_available()) {
    std::cerr << "power-curve: " << gnuplot_install_hint() << "\n";
    return 1;
  }

  RandomState random{options.seeded ? options.seed : static_cast<uint32_t>(std::time(nullptr))};
  static StudyData study;
  const LoadStatus loaded = load_study_data(study, data_file_name());
  std::cerr << warnings_text(loaded);
  if (!loaded.ok) {
    std::cerr << loaded.message;
    return 1;
  }

  static EstimateWork work;
  prepare_estimates(study, work);
  static CurvePoint points[MAX_CURVE_POINTS];
  const int count = estimate_curve(study, options, work, random, points);

  if (options.output.empty()) {
    write_curve_table(points, count, std::cout);
    std::cout.flush();
  } else {
    const PendingFile file = pending_file(options.output);
    std::ofstream out(file.partial_path);
    write_curve_table(points, count, out);
    out.close();
    if (!out) {
      discard_file(file);
      std::cerr << "power-curve: cannot write " << options.output << "\n";
      return 1;
    }
    if (!commit_file(file, error)) {
      std::cerr << "power-curve: " << error << "\n";
      return 1;
    }
  }
  std::cerr << target_line(points, count, options);

  if (!options.plot.empty() && !draw_curve(study, points, count, options, error)) {
    std::cerr << "power-curve: " << error << "\n";
    return 1;
  }
  return 0;
}
