// mpplan: from a population sample to a design decision. Subcommands write a
// study file, the panel's statistics, power curves for several designs, and
// which loci matter. Results go to standard output (or --output), messages
// to standard error; usage errors end with status 2, refusals with 1.
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "driver/gnuplot.h"
#include "driver/output_file.h"
#include "driver/standard_streams.h"
#include "plan/figure.h"
#include "plan/plan_command.h"
#include "study/study_reader.h"

namespace {

// No input the planner reads comes near this; anything longer (an endless
// stream) is refused rather than read for ever.
constexpr size_t MAX_INPUT_BYTES = size_t{64} << 20;

int fail(const std::string& message) {
  std::cerr << "mpplan: " << message << "\n" << std::flush;
  return 1;
}

int usage_error(const std::string& message) {
  std::cerr << "mpplan: " << message << "\n" << std::flush;
  return 2;
}

bool read_input(const std::string& path, std::string& text, std::string& error) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    std::error_code ignored;
    file.open(path, std::ios::binary);
    if (!file || std::filesystem::is_directory(path, ignored)) {
      error = "cannot read " + path;
      return false;
    }
    in = &file;
  }
  text.clear();
  char buffer[65536];
  while (in->read(buffer, sizeof buffer) || in->gcount() > 0) {
    text.append(buffer, static_cast<size_t>(in->gcount()));
    if (text.size() > MAX_INPUT_BYTES) {
      error = path + " is larger than 64 MiB; no study or population file is";
      return false;
    }
  }
  if (in->bad()) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

// Writes `content` to `path`, or to standard output when `path` is empty.
bool deliver(const std::string& path, const std::string& content, std::string& error) {
  if (!path.empty()) return write_output_file(path, content, error);
  std::cout << content;
  if (flushed(std::cout)) return true;
  error = "cannot write to standard output";
  return false;
}

void tell(const Notes& notes) {
  for (const std::string& note : notes) std::cerr << note << "\n";
}

std::string legend_path_for(const std::string& study_path) {
  const size_t slash = study_path.rfind('/');
  const size_t dot = study_path.rfind('.');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                               ? study_path.substr(0, dot)
                               : study_path;
  return stem + ".legend.csv";
}

int threads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores < 8 ? cores : 8);
}

// Draws a figure from its script into options.plot.
int draw(const std::string& script, const PlanOptions& options) {
  std::string image, error;
  if (!run_gnuplot(script, image, error) || !write_output_file(options.plot, image, error))
    return fail(error);
  return 0;
}

// Tells the notes, then delivers the result (or the refusal).
int finish(const PlanOptions& options, const PlanResult& result) {
  tell(result.notes);
  if (!result.ok) return fail(result.error);
  std::string error;
  if (!deliver(options.output, result.output, error)) return fail(error);
  return 0;
}

int run_study(const PlanOptions& options, const std::string& text) {
  const PlanResult result = run_study_command(options, text);
  if (const int status = finish(options, result)) return status;
  const std::string legend_path = !options.legend.empty()   ? options.legend
                                  : !options.output.empty() ? legend_path_for(options.output)
                                                            : "";
  std::string error;
  if (legend_path.empty()) {
    std::cerr << "mpplan: the allele legend is written only with --legend FILE or --output\n";
  } else if (!write_output_file(legend_path, result.legend, error)) {
    return fail(error);
  } else {
    std::cerr << "mpplan: allele legend in " << legend_path << "\n";
  }
  return 0;
}

int run_panel(const PlanOptions& options, const std::string& text) {
  const bool table =
      options.layout == PlanOptions::TABLE ||
      (options.layout == PlanOptions::AUTOMATIC && options.output.empty() && isatty(STDOUT_FILENO));
  return finish(options, run_panel_command(options, text, table));
}

int run_curve(const PlanOptions& options, const std::vector<std::string>& texts, uint32_t seed) {
  const PlanResult result = run_curve_command(options, texts, seed, threads());
  if (const int status = finish(options, result)) return status;
  if (options.plot.empty()) return 0;
  FigureFormat format = FigureFormat::PNG;
  figure_format_of(options.plot, format);
  const FigureOptions figure{options.width, options.height, options.title, seed, options.target};
  return draw(curve_figure(result.curves, figure, format), options);
}

int run_loci(const PlanOptions& options, const std::string& text, uint32_t seed) {
  const PlanResult result = run_loci_command(options, text, seed, threads());
  if (const int status = finish(options, result)) return status;
  if (options.plot.empty()) return 0;
  FigureFormat format = FigureFormat::PNG;
  figure_format_of(options.plot, format);
  const FigureOptions figure{options.width, options.height, options.title, seed, 0.95};
  return draw(
      ranking_figure(result.designs.front(), result.ranking, options.brood_size, figure, format),
      options);
}

int run(int argc, char** argv) {
  PlanOptions options;
  std::string error;
  if (!parse_plan_options(argc, argv, options, error)) return usage_error(error);
  if (options.help || options.version) {
    std::cout << (options.help ? plan_usage(options.command) : plan_version());
    return flushed(std::cout) ? 0 : fail("cannot write to standard output");
  }
  if (options.command == "curve" && options.inputs.empty())
    options.inputs.push_back(data_file_name());

  std::vector<std::string> outputs;
  for (const std::string* path : {&options.output, &options.legend, &options.plot}) {
    if (!path->empty()) outputs.push_back(*path);
  }
  if (options.command == "study" && options.legend.empty() && !options.output.empty())
    outputs.push_back(legend_path_for(options.output));
  if (!check_output_paths(options.inputs, outputs, error)) return usage_error(error);
  if (!options.plot.empty()) {
    FigureFormat format;
    if (!figure_format_of(options.plot, format))
      return usage_error("--plot " + options.plot + ": give a .png, .svg or .pdf file");
    if (!gnuplot_available()) return fail(gnuplot_install_hint());
  }

  // The seed is read before any input, as the dialogue reads it before the
  // data file.
  const uint32_t seed = options.seeded ? options.seed : static_cast<uint32_t>(std::time(nullptr));
  std::vector<std::string> texts(options.inputs.size());
  for (size_t n = 0; n < options.inputs.size(); ++n) {
    if (!read_input(options.inputs[n], texts[n], error)) return fail(error);
  }
  if (options.command == "curve" || options.command == "loci")
    std::cerr << "Seed: " << seed << " (repeat with --seed " << seed << ")\n";

  if (options.command == "study") return run_study(options, texts[0]);
  if (options.command == "panel") return run_panel(options, texts[0]);
  if (options.command == "curve") return run_curve(options, texts, seed);
  return run_loci(options, texts[0], seed);
}

}  // namespace

int main(int argc, char** argv) {
  guard_standard_streams();
  remove_temporaries_on_signals();
  const int status = run(argc, argv);
  // Whatever was said on standard error must have arrived too.
  return flushed(std::cerr) || status != 0 ? status : 1;
}
