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
#include "plan/curve.h"
#include "plan/design.h"
#include "plan/figure.h"
#include "plan/locus_ranking.h"
#include "plan/panel_stats.h"
#include "plan/plan_options.h"
#include "plan/study_writer.h"
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

int run_study(const PlanOptions& options, const std::string& text) {
  const InputFormat format =
      options.input.format_given ? options.input.format : detect_format(text);
  if (format == InputFormat::STUDY)
    return fail(options.inputs[0] + " is a study file already; study reads a population file");
  Notes notes;
  std::string study, legend, error;
  const ReadResult result =
      study_files_of(options.inputs[0], text, options.input, study, legend, notes);
  tell(notes);
  if (!result.ok) return fail(result.message);
  if (!deliver(options.output, study, error)) return fail(error);
  const std::string legend_path = !options.legend.empty()   ? options.legend
                                  : !options.output.empty() ? legend_path_for(options.output)
                                                            : "";
  if (legend_path.empty()) {
    std::cerr << "mpplan: the allele legend is written only with --legend FILE or --output\n";
  } else if (!write_output_file(legend_path, legend, error)) {
    return fail(error);
  } else {
    std::cerr << "mpplan: allele legend in " << legend_path << "\n";
  }
  return 0;
}

int run_panel(const PlanOptions& options, const std::string& text) {
  const std::string& name = options.inputs[0];
  const InputFormat format =
      options.input.format_given ? options.input.format : detect_format(text);
  Panel panel;
  Notes notes;
  if (format == InputFormat::STUDY) {
    std::vector<Design> designs;
    InputOptions input = options.input;
    const ReadResult result = add_designs(name, text, input, designs, notes);
    tell(notes);
    if (!result.ok) return fail(result.message);
    const Design& design = designs.front();
    for (int i = 0; i < design.study.locus_count; ++i) {
      LocusPanel locus{design.locus_names[i], i, {}, {}, -1, -1, {}};
      for (int s = 0; s < design.study.allele_count[i]; ++s) {
        locus.labels.push_back(std::to_string(s));
        locus.frequency.push_back(design.study.allele_frequency[i][s]);
      }
      panel.loci.push_back(locus);
    }
  } else {
    PopulationData data;
    ReadResult result = read_population(text, format, data);
    if (!result.ok) return fail(name + ", " + result.message);
    int sample = -1;
    std::vector<int> loci;
    result = choose_sample(data, options.input.pop, sample);
    if (result.ok) result = choose_loci(data.loci, options.input.loci, loci);
    if (!result.ok) return fail(name + ": " + result.message);
    panel = panel_of(data, sample, loci);
    if (sample < 0 && data.samples.size() > 1) {
      std::cerr << name << ": all " << data.samples.size()
                << " samples pooled (choose one with --pop)\n";
    }
  }
  const bool genotypes = !panel.loci.empty() && panel.loci.front().typed >= 0;
  const PanelStatistics stats = panel_statistics(panel);
  const bool table =
      options.layout == PlanOptions::TABLE ||
      (options.layout == PlanOptions::AUTOMATIC && options.output.empty() && isatty(STDOUT_FILENO));
  std::string error;
  if (!deliver(options.output,
               table ? statistics_table(stats, genotypes) : statistics_csv(stats, genotypes),
               error)) {
    return fail(error);
  }
  return 0;
}

// The designs of every input, labelled with the input's name when there is
// more than one.
bool designs_of(const PlanOptions& options, const std::vector<std::string>& texts,
                std::vector<Design>& designs, std::string& error) {
  Notes notes;
  for (size_t n = 0; n < texts.size(); ++n) {
    const size_t before = designs.size();
    const ReadResult result =
        add_designs(options.inputs[n], texts[n], options.input, designs, notes);
    if (!result.ok) {
      tell(notes);
      error = result.message;
      return false;
    }
    if (texts.size() > 1) {
      for (size_t d = before; d < designs.size(); ++d)
        designs[d].label = options.inputs[n] + ": " + designs[d].label;
    }
  }
  tell(notes);
  return true;
}

int run_curve(const PlanOptions& options, const std::vector<std::string>& texts, uint32_t seed) {
  std::vector<Design> designs;
  std::string error;
  if (!designs_of(options, texts, designs, error)) return fail(error);
  const std::vector<DesignCurve> curves = estimate_curves(designs, options.range, seed, threads());
  if (!deliver(options.output, curve_table(curves, curves.size() > 1), error)) return fail(error);
  for (const DesignCurve& curve : curves)
    std::cerr << target_line(curve, options.target, curves.size() > 1);
  if (options.plot.empty()) return 0;
  FigureFormat format = FigureFormat::PNG;
  figure_format_of(options.plot, format);
  const FigureOptions figure{options.width, options.height, options.title, seed, options.target};
  return draw(curve_figure(curves, figure, format), options);
}

int run_loci(const PlanOptions& options, const std::string& text, uint32_t seed) {
  std::vector<Design> designs;
  std::string error;
  if (!designs_of(options, {text}, designs, error)) return fail(error);
  const Design& design = designs.front();
  const LocusRanking ranking = rank_loci(design, options.brood_size, seed, threads());
  if (!deliver(options.output, ranking_table(design, ranking), error)) return fail(error);
  if (options.plot.empty()) return 0;
  FigureFormat format = FigureFormat::PNG;
  figure_format_of(options.plot, format);
  const FigureOptions figure{options.width, options.height, options.title, seed, 0.95};
  return draw(ranking_figure(design, ranking, options.brood_size, figure, format), options);
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
