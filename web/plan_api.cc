// The planner's core for the web page: C functions over plan_command.h that
// JavaScript calls (through plan.js), with the inputs and options as text
// and the results as JSON. Every number comes from the same functions as
// mpplan's; only the files and the console are left out.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <string>
#include <vector>

#include "plan/figure.h"
#include "plan/plan_command.h"
#include "plan/population.h"
#include "simulation/estimate.h"

// Tells the page how far a curve has come.
EM_JS(void, report_progress, (int design, int designs, int done, int total), {
  if (Module.onProgress) Module.onProgress(design, designs, done, total);
});

namespace {

struct Call {
  std::vector<std::vector<std::string>> designs;  // each design's words, as on a command line
  std::vector<std::string> names;
  std::vector<std::string> texts;
  std::string answer;  // the last result, kept for the caller to read
};

Call call;

std::string json_string(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string json_strings(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t n = 0; n < items.size(); ++n) out += (n ? "," : "") + json_string(items[n]);
  return out + "]";
}

// The curve figure as mpplan draws it in SVG, with the first design's
// title and target, `width` by `height`.
std::string figure_svg(const PlanResult& result, const PlanOptions& first, uint32_t seed, int width,
                       int height) {
  if (result.curves.empty()) return "";
  FigureOptions figure = figure_options_of(first, seed, first.target);
  figure.width = width;
  figure.height = height;
  return curve_figure(result.curves, figure, FigureFormat::SVG);
}

// The result as JSON; a curve's comes with its figure twice: laid out for
// the page at the first design's --size, and as mpplan's --plot file.svg
// gives it (800 x 600) for the download.
std::string result_json(const PlanResult& result, const std::vector<PlanOptions>& options,
                        uint32_t seed) {
  const PlanOptions& first = options.front();
  const PlanOptions defaults;
  std::string out =
      "{\"ok\":" + std::string(result.status.ok ? "true" : "false") +
      ",\"figure\":" + json_string(figure_svg(result, first, seed, first.width, first.height)) +
      ",\"figureFile\":" +
      json_string(figure_svg(result, first, seed, defaults.width, defaults.height)) +
      ",\"trials\":" + std::to_string(TRIAL_COUNT) +
      ",\"error\":" + json_string(result.status.message) +
      ",\"output\":" + json_string(result.output) + ",\"legend\":" + json_string(result.legend) +
      ",\"notes\":" + json_strings(result.notes) + ",\"curves\":[";
  for (size_t d = 0; d < result.curves.size(); ++d) {
    const DesignCurve& curve = result.curves[d];
    out += d ? "," : "";
    out += "{\"label\":" + json_string(curve.label) +
           ",\"smallest\":" + std::to_string(smallest_reaching(curve)) + ",\"points\":[";
    for (size_t n = 0; n < curve.points.size(); ++n) {
      char point[64];
      std::snprintf(point, sizeof point, "%s[%d,%.3f", n ? "," : "", curve.points[n].brood_size,
                    printed_estimate(curve.points[n]));
      out += point;
      // With genotyping errors, the single sire's false detections.
      if (curve.points[n].false_detections >= 0) {
        std::snprintf(point, sizeof point, ",%.3f", false_detection_share(curve.points[n]));
        out += point;
      }
      out += "]";
    }
    out += "]}";
  }
  return out + "]}";
}

std::string usage_json(const std::string& error) {
  PlanResult result;
  result.status = failure(error);
  return result_json(result, {PlanOptions{}}, 0);
}

// The options of every design, each parsed as mpplan parses its command line.
bool parse_designs(std::vector<PlanOptions>& options, std::string& error) {
  for (const auto& words : call.designs) {
    std::vector<const char*> argv{"mpplan"};
    for (const std::string& word : words) argv.push_back(word.c_str());
    for (const std::string& name : call.names) argv.push_back(name.c_str());
    PlanOptions parsed;
    const Status status = parse_plan_options(static_cast<int>(argv.size()), argv.data(), parsed);
    if (!status.ok) {
      error = status.message;
      return false;
    }
    options.push_back(parsed);
  }
  if (options.empty()) {
    error = "no design";
    return false;
  }
  return true;
}

}  // namespace

extern "C" {

// Starts a new call: no designs, no inputs.
EMSCRIPTEN_KEEPALIVE void mp_reset() {
  call = Call{};
}

// Starts the next design's words (the first names the command).
EMSCRIPTEN_KEEPALIVE void mp_design() {
  call.designs.emplace_back();
}

// Adds a word to the current design.
EMSCRIPTEN_KEEPALIVE void mp_word(const char* word) {
  if (call.designs.empty()) call.designs.emplace_back();
  call.designs.back().push_back(word);
}

// Adds an input file by name and text (`size` bytes, NULs included).
EMSCRIPTEN_KEEPALIVE void mp_input(const char* name, const char* text, int size) {
  call.names.push_back(name);
  call.texts.push_back(std::string(text, static_cast<size_t>(size)));
}

// Runs the command the designs name, from `seed`; returns the result as
// JSON: ok, error, output, legend, notes and, for curve, each design's label,
// smallest size reaching the target and points [size, probability], with
// the single sire's false detections third when there are genotyping
// errors.
EMSCRIPTEN_KEEPALIVE const char* mp_run(unsigned seed) {
  std::vector<PlanOptions> options;
  std::string error;
  if (!parse_designs(options, error)) {
    call.answer = usage_json(error);
    return call.answer.c_str();
  }
  const PlanOptions& first = options.front();
  PlanResult result;
  if (first.command == "study") {
    result = run_study_command(first, call.texts.at(0));
  } else if (first.command == "panel") {
    result = run_panel_command(first, call.texts.at(0), false);
  } else if (first.command == "broods") {
    result.status = failure("this page does not judge broods yet: run mpplan broods");
  } else if (first.command == "loci") {
    result = run_loci_command(first, call.texts.at(0), seed, 1);
  } else {
    result = run_curve_designs(
        options, call.texts, seed, 1, [](size_t design, size_t designs, int done, int total) {
          report_progress(static_cast<int>(design), static_cast<int>(designs), done, total);
          return true;
        });
  }
  call.answer = result_json(result, options, seed);
  return call.answer.c_str();
}

// What a population file holds, for the page's choices: its format, loci,
// samples and individuals, as JSON; or the reader's refusal.
EMSCRIPTEN_KEEPALIVE const char* mp_describe(const char* text, int size) {
  const std::string input(text, static_cast<size_t>(size));
  const InputFormat format = detect_format(input);
  const char* const names[] = {"study", "genepop", "genalex", "frequencies", "structure"};
  std::string out = "{\"format\":" + json_string(names[static_cast<int>(format)]);
  if (format != InputFormat::STUDY) {
    PopulationData data;
    const Status read = read_population(input, format, data);
    std::vector<std::string> individuals;
    for (const Individual& individual : data.individuals) individuals.push_back(individual.id);
    out += ",\"ok\":" + std::string(read.ok ? "true" : "false") +
           ",\"error\":" + json_string(read.message) + ",\"loci\":" + json_strings(data.loci) +
           ",\"samples\":" + json_strings(data.samples) +
           ",\"individuals\":" + json_strings(individuals);
  }
  call.answer = out + "}";
  return call.answer.c_str();
}

}  // extern "C"
