// mpplan: from a population sample to a design decision, and from genotyped
// broods to the share with several sires. Subcommands write a study file,
// the panel's statistics, power curves for several designs, which loci
// matter, and the judged broods. Results go to standard output (or --output), messages
// to standard error; usage errors end with status 2, refusals with 1.
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <thread>

#include "frontend/command_line_words.h"
#include "frontend/gnuplot.h"
#include "frontend/gzip_text.h"
#include "frontend/output_file.h"
#include "frontend/standard_streams.h"
#include "mpplan/plan_options.h"
#include "plan/command/figure.h"
#include "plan/command/plan_command.h"
#include "plan/input/plan_text.h"
#include "study/study_reader.h"

namespace mpdetect {
namespace {

// No input the planner reads comes near this; anything longer (an endless
// stream) is refused rather than read for ever.
constexpr size_t MAX_INPUT_BYTES = size_t{64} << 20;

// A message as standard error shows it: one line, whatever it quotes (a
// file name may hold a line end or a terminal's control codes), with every
// control byte escaped as \xHH.
std::string shown(const std::string& message) {
  std::string line;
  for (const char c : message) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      line += escaped;
    } else {
      line += c;
    }
  }
  return line;
}

int fail(const std::string& message) {
  std::cerr << "mpplan: " << shown(message) << "\n" << std::flush;
  return 1;
}

int usage_error(const std::string& message) {
  std::cerr << "mpplan: " << shown(message) << "\n" << std::flush;
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
  // A file's size known, its text is held once, without the spare room of
  // a string grown by doubling.
  std::error_code unknown;
  const auto size = path == "-" ? 0 : std::filesystem::file_size(path, unknown);
  if (!unknown && size <= MAX_INPUT_BYTES) text.reserve(static_cast<size_t>(size));
  char buffer[65536];
  while (in->read(buffer, sizeof buffer) || in->gcount() > 0) {
    text.append(buffer, static_cast<size_t>(in->gcount()));
    if (text.size() > MAX_INPUT_BYTES) {
      error = "will not read " + path +
              ": it is larger than 64 MiB, far larger than any study or population file";
      return false;
    }
  }
  if (in->bad()) {
    error = "cannot read " + path;
    return false;
  }
  // A compressed file (gzip, or bgzip's .vcf.gz) is read as its text.
  if (is_gzip(text)) {
    std::string plain, why;
    if (!gunzip(text, MAX_INPUT_BYTES, plain, why)) {
      error = "cannot read " + path + ": " + why;
      return false;
    }
    text.swap(plain);
  }
  return true;
}

// Whether `path` can be read, checked before any work is done. A FIFO or
// a device is not opened here: opening a FIFO twice would cost its writer
// what it wrote in between.
bool can_read(const std::string& path, std::string& error) {
  std::error_code unknown;
  const auto kind = std::filesystem::status(path, unknown).type();
  if (path == "-" ||
      (!unknown && kind != std::filesystem::file_type::directory &&
       (kind != std::filesystem::file_type::regular || std::ifstream(path, std::ios::binary))))
    return true;
  error = "cannot read " + path;
  return false;
}

// The texts that go with the inputs: the --groups file, and the .map
// beside each PLINK .ped input (X.map for X.ped), where there is one.
bool read_companions(const std::vector<std::string>& inputs, InputOptions& input,
                     std::string& error) {
  if (!input.groups_name.empty() && !read_input(input.groups_name, input.groups_text, error))
    return false;
  for (const std::string& path : inputs) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) continue;
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".ped") continue;
    const std::string map = path.substr(0, dot) + (path[dot + 1] == 'P' ? ".MAP" : ".map");
    std::error_code unknown;
    if (!std::filesystem::is_regular_file(map, unknown)) continue;
    if (!read_input(map, input.plink_maps[path], error)) return false;
  }
  return true;
}

bool write_standard_output(const std::string& content, std::string& error) {
  std::cout << content;
  if (flushed(std::cout)) return true;
  error = "cannot write to standard output";
  return false;
}

void tell(const Notes& notes) {
  for (const Note& note : notes) std::cerr << shown(command_line_text(note)) << "\n";
}

std::string legend_path_for(const std::string& study_path) {
  const size_t slash = study_path.rfind('/');
  const size_t dot = study_path.rfind('.');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                               ? study_path.substr(0, dot)
                               : study_path;
  return stem + ".legend.csv";
}

// Where the study's legend goes: --legend, beside --output when that is a
// file (never beside a device or a descriptor such as /dev/stdout), or
// nowhere.
std::string legend_path(const PlanOptions& options) {
  if (options.command != "study") return "";
  if (!options.legend.empty()) return options.legend;
  return options.output.empty() || !names_a_file(options.output) ? ""
                                                                 : legend_path_for(options.output);
}

int threads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores < 8 ? cores : 8);
}

// Draws a figure from its script and stages it as options.plot; only an
// image of the asked format is kept.
Status draw(const std::string& script, FigureFormat format, const PlanOptions& options,
            OutputTransaction& outputs) {
  std::string image;
  const Status drawn = run_gnuplot(script, image);
  if (!drawn.ok) return drawn;
  if (!image_of_format(image, format)) {
    return failure("gnuplot gave no " + lower(options.plot.substr(options.plot.rfind('.') + 1)) +
                   " image for " + options.plot + "; the earlier figure, if any, is kept");
  }
  return stage_output(outputs, options.plot, image);
}

// An SVG figure is written by the planner itself; PNG and PDF are gnuplot's.
bool needs_no_gnuplot(FigureFormat format) {
  return format == FigureFormat::SVG;
}

// What a run gives besides its table, for the files the options name.
struct Extras {
  std::string legend;      // study
  std::string mismatches;  // broods
  std::string summary;     // broods
  std::string families;    // broods
  std::string fathers;     // broods
  // The figure, made only once the run has succeeded: the SVG or the
  // gnuplot script, in the format asked.
  std::function<std::string(FigureFormat format)> figure;
};

// The figure's options: its size and title from the command line, the
// seed, and the target and trials per estimate it is captioned with.
FigureOptions figure_options(const PlanOptions& options, uint32_t seed, double target,
                             int64_t trials) {
  return FigureOptions{options.width, options.height, options.title, seed, target, trials};
}

// Tells the notes; for a result, delivers the table, the extras and the
// figure and puts every file in place together.
int finish(const PlanOptions& options, const CommandResult& result, const Extras& extras,
           OutputTransaction& outputs) {
  tell(result.notes);
  if (!result.status.ok) return fail(command_line_text(result.status));
  const std::string legend = legend_path(options);
  // Each file the options name, with what goes into it.
  const std::pair<const std::string&, const std::string&> files[] = {
      {options.output, result.output},         {legend, extras.legend},
      {options.mismatches, extras.mismatches}, {options.summary, extras.summary},
      {options.families, extras.families},     {options.fathers, extras.fathers}};
  for (const auto& [path, content] : files) {
    if (path.empty()) continue;
    const Status staged = stage_output(outputs, path, content);
    if (!staged.ok) return fail(staged.message);
  }
  if (!options.plot.empty() && extras.figure) {
    FigureFormat format = FigureFormat::PNG;
    figure_format_of(options.plot, format);
    const std::string figure = extras.figure(format);
    const Status staged = needs_no_gnuplot(format) ? stage_output(outputs, options.plot, figure)
                                                   : draw(figure, format, options, outputs);
    if (!staged.ok) return fail(staged.message);
  }
  if (options.command == "study") {
    if (legend.empty()) {
      std::cerr << (options.output.empty()
                        ? "mpplan: the allele legend is written only with --legend FILE or "
                          "--output\n"
                        : "mpplan: no allele legend beside " + shown(options.output) +
                              ", which is not a file; name one with --legend FILE\n");
    } else {
      std::cerr << "mpplan: allele legend in " << shown(legend) << "\n";
    }
  }
  // A run whose messages were lost has failed: nothing is put in place.
  if (!flushed(std::cerr)) return 1;
  // The table on standard output comes last but for the files, so that a
  // failure before it leaves no table behind.
  std::string error;
  if (options.output.empty() && !write_standard_output(result.output, error)) return fail(error);
  const Status committed = commit_outputs(outputs);
  return committed.ok ? 0 : fail(committed.message);
}

int run_panel(const PlanOptions& options, const std::string& text, OutputTransaction& outputs) {
  const bool table =
      options.layout == PlanOptions::TABLE ||
      (options.layout == PlanOptions::AUTOMATIC && options.output.empty() && isatty(STDOUT_FILENO));
  return finish(options, run_panel_command(panel_request_of(options, table), text), {}, outputs);
}

int run_study(const PlanOptions& options, const std::string& text, OutputTransaction& outputs) {
  const StudyResult result = run_study_command(study_request_of(options), text);
  return finish(options, result, {result.legend, "", "", "", "", {}}, outputs);
}

int run_curve(const PlanOptions& options, const InputTexts& inputs, uint32_t seed,
              OutputTransaction& outputs) {
  const CurveResult result = run_curve_command(curve_request_of(options), inputs, seed, threads());
  // The allele rule's trials; the figure states a likelihood curve's own.
  const FigureOptions figure =
      figure_options(options, seed, options.target, options.trials ? options.trials : TRIAL_COUNT);
  return finish(options, result,
                {"", "", "", "", "",
                 [&](FigureFormat format) { return curve_figure(result.curves, figure, format); }},
                outputs);
}

int run_loci(const PlanOptions& options, const std::string& text, uint32_t seed,
             OutputTransaction& outputs) {
  const LociResult result = run_loci_command(loci_request_of(options), text, seed, threads());
  const FigureOptions figure = figure_options(options, seed, 0.95, TRIAL_COUNT);
  return finish(options, result,
                {"", "", "", "", "",
                 [&](FigureFormat format) {
                   return ranking_figure(result.design, result.ranking, options.brood_size, figure,
                                         format);
                 }},
                outputs);
}

int run_broods(const PlanOptions& options, const std::string& text, const std::string& population,
               uint32_t seed, OutputTransaction& outputs) {
  const BroodsResult result =
      run_broods_command(broods_request_of(options), text, population, seed, threads());
  const FigureOptions figure = figure_options(options, seed, 0.95, TRIAL_COUNT);
  return finish(options, result,
                {"", result.mismatches, result.summary, result.families, result.fathers,
                 [&](FigureFormat format) { return broods_figure(result.broods, figure, format); }},
                outputs);
}

int run(int argc, char** argv) {
  PlanOptions options;
  std::string error;
  const Status parsed = parse_plan_options(argc, argv, options);
  if (!parsed.ok) return usage_error(command_line_text(parsed));
  if (options.help || options.version) {
    std::cout << (options.help ? plan_usage(options.command) : plan_version());
    return flushed(std::cout) ? 0 : fail("cannot write to standard output");
  }
  if (options.command == "curve" && options.inputs.empty())
    options.inputs.push_back(data_file_name());
  // As an input `-` is standard input, as an output it is standard output.
  if (options.output == "-") options.output.clear();

  if (!options.plot.empty()) {
    FigureFormat format;
    if (!figure_format_of(options.plot, format))
      return usage_error("--plot " + options.plot + ": give a .png, .svg or .pdf file");
    if (!needs_no_gnuplot(format) && !gnuplot_available()) return fail(gnuplot_install_hint());
  }
  std::vector<std::string> paths;
  for (const std::string& path :
       {options.output, legend_path(options), options.plot, options.mismatches, options.summary,
        options.families, options.fathers}) {
    if (!path.empty()) paths.push_back(path);
  }
  std::vector<std::string> inputs = options.inputs;
  if (!options.population.empty()) inputs.push_back(options.population);
  // A run's outputs: checked before any work, put in place together at the
  // end (see output_file.h); a run that ends before takes its temporaries
  // with it, and every earlier file stays as it was.
  OutputTransaction outputs;
  std::vector<std::string> read = inputs;
  if (!options.input.groups_name.empty()) read.push_back(options.input.groups_name);
  const Status opened = open_outputs(read, paths, outputs);
  if (!opened.ok) return usage_error(opened.message);

  // The seed is read before any input, as the dialogue reads it before the
  // data file.
  const uint32_t seed = options.seeded ? options.seed : static_cast<uint32_t>(std::time(nullptr));
  if (!read_companions(inputs, options.input, error)) return fail(error);
  if (options.command == "curve") {
    // A curve's inputs are read one at a time as its designs are made, once
    // their count is known to be within bounds and each can be opened.
    size_t designs = 0;
    const Status count = check_design_count(inputs.size(), options.input, designs);
    if (!count.ok) return fail(command_line_text(count));
    for (const std::string& path : inputs) {
      if (!can_read(path, error)) return fail(error);
    }
    std::cerr << "Seed: " << seed << " (repeat with --seed " << seed << ")\n";
    const InputTexts each{inputs.size(), [&inputs](size_t n, const TextWork& work) {
                            std::string text, failed;
                            if (!read_input(inputs[n], text, failed)) return failure(failed);
                            return work(text);
                          }};
    return run_curve(options, each, seed, outputs);
  }
  std::vector<std::string> texts(inputs.size());
  for (size_t n = 0; n < inputs.size(); ++n) {
    if (!read_input(inputs[n], texts[n], error)) return fail(error);
  }
  if (options.command == "loci" || options.command == "broods")
    std::cerr << "Seed: " << seed << " (repeat with --seed " << seed << ")\n";

  if (options.command == "study") return run_study(options, texts[0], outputs);
  if (options.command == "panel") return run_panel(options, texts[0], outputs);
  if (options.command == "broods")
    return run_broods(options, texts[0], options.population.empty() ? "" : texts[1], seed, outputs);
  return run_loci(options, texts[0], seed, outputs);
}

}  // namespace
}  // namespace mpdetect

// The entry points stand outside the project's namespace.
using namespace mpdetect;

int main(int argc, char** argv) {
  guard_standard_streams();
  remove_temporaries_on_signals();
  const int status = run(argc, argv);
  // Whatever was said on standard error must have arrived too.
  return flushed(std::cerr) || status != 0 ? status : 1;
}
