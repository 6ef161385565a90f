// The planner's core for the web page: C functions over plan_command.h that
// JavaScript calls (through plan.js), with the inputs and the page's fields
// as text and the results as JSON. The fields become the planner's
// requests here, each value read and checked by the planner's own rules
// (plan_requests.h), so that the page refuses what mpplan refuses, in the
// page's words. Every number comes from the same functions as mpplan's;
// only the files and the console are left out.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "frontend/command_line_words.h"
#include "page_words.h"
#include "plan/command/figure.h"
#include "plan/command/plan_command.h"
#include "plan/command/request_fields.h"
#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "plan/model/design.h"
#include "plan/model/study_writer.h"
#include "simulation/estimate.h"
#include "simulation/genotyping_error.h"

// Tells the page how far a curve has come.
EM_JS(void, report_progress, (int design, int designs, int done, int total), {
  if (Module.onProgress) Module.onProgress(design, designs, done, total);
});

namespace mpdetect {
namespace {

// What the page has set for the next run: the command, its fields (those
// every design shares and each design's own), the inputs and the figure's
// size, which is the page's own.
struct Call {
  RequestFields fields;
  std::vector<std::string> texts;
  int width = 800;
  int height = 600;
  std::string answer;  // the last result, kept for the caller to read
};

Call call;

// Tells the page of every estimate; never stops the run (the page cancels
// by ending its worker).
const CurveProgress tell_page = [](size_t design, size_t designs, int done, int total) {
  report_progress(static_cast<int>(design), static_cast<int>(designs), done, total);
  return true;
};

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
  for (size_t n = 0; n < items.size(); ++n) out.append(n ? "," : "").append(json_string(items[n]));
  return out + "]";
}

// The notes as mpplan says them, for comparing with it.
std::string command_line_json(const Notes& notes) {
  std::vector<std::string> said;
  for (const Note& note : notes) said.push_back(command_line_text(note));
  return json_strings(said);
}

// The notes for the page: each in the page's words (page_words.h), with
// its kind and, for a design's smallest size, the design, for a locus as
// read, the locus.
std::string page_json(const Notes& notes) {
  std::string out = "[";
  for (size_t n = 0; n < notes.size(); ++n) {
    out.append(n ? "," : "")
        .append("{\"text\":")
        .append(json_string(page_words(notes[n])))
        .append(",\"kind\":\"")
        .append(kind_name(notes[n].kind))
        .append("\",\"design\":")
        .append(std::to_string(notes[n].design))
        .append(",\"locus\":")
        .append(json_string(notes[n].locus))
        .append("}");
  }
  return out + "]";
}

// A refusal for the page: its message in the page's words, its kind, and
// the line, locus, sample, individual and limit it names.
std::string refusal_json(const Status& status) {
  return "{\"message\":" + json_string(page_words(status)) + ",\"kind\":\"" +
         kind_name(status.kind) + "\",\"limit\":" + std::to_string(status.limit) +
         ",\"line\":" + std::to_string(status.line) + ",\"locus\":" + json_string(status.locus) +
         ",\"sample\":" + json_string(status.sample) +
         ",\"individual\":" + json_string(status.individual) + "}";
}

// A table's rows as csv_records reads them, for the page to show without a
// CSV reader of its own.
std::string rows_json(const std::string& csv) {
  std::string out = "[";
  const std::vector<std::vector<std::string>> records = csv_records(csv);
  for (size_t n = 0; n < records.size(); ++n)
    out.append(n ? "," : "").append(json_strings(records[n]));
  return out + "]";
}

// The curve figure as mpplan draws it in SVG, with the run's target,
// `width` by `height`.
std::string curve_svg(const CurveResult& result, const FieldRun& run, uint32_t seed, int width,
                      int height) {
  if (result.curves.empty()) return "";
  const int64_t trials = run.curve.trials ? run.curve.trials : TRIAL_COUNT;
  const FigureOptions figure{width, height, "", seed, run.curve.target, trials};
  return curve_figure(result.curves, figure, FigureFormat::SVG);
}

// The ranking figure as mpplan draws it, with its target line at 0.95.
std::string loci_svg(const LociResult& result, const FieldRun& run, uint32_t seed, int width,
                     int height) {
  if (!result.status.ok) return "";
  const FigureOptions figure{width, height, "", seed, 0.95, TRIAL_COUNT};
  return ranking_figure(result.design, result.ranking, run.brood_size, figure, FigureFormat::SVG);
}

// The result as JSON; a figure comes twice: laid out for the page at the
// run's size, and as mpplan's --plot file.svg gives it (800 x 600) for the
// download.
std::string result_json(const CommandResult& result, const std::string& legend, bool rows,
                        const std::string& figure, const std::string& figure_file,
                        const std::vector<DesignCurve>& curves) {
  std::string out =
      "{\"ok\":" + std::string(result.status.ok ? "true" : "false") +
      ",\"figure\":" + json_string(figure) + ",\"figureFile\":" + json_string(figure_file) +
      ",\"trials\":" + std::to_string(TRIAL_COUNT) +
      ",\"error\":" + json_string(command_line_text(result.status)) +
      ",\"refusal\":" + refusal_json(result.status) + ",\"pageNotes\":" + page_json(result.notes) +
      ",\"rows\":" + (rows ? rows_json(result.output) : std::string("[]")) +
      ",\"output\":" + json_string(result.output) + ",\"legend\":" + json_string(legend) +
      ",\"notes\":" + command_line_json(result.notes) + ",\"curves\":[";
  for (size_t d = 0; d < curves.size(); ++d) {
    const DesignCurve& curve = curves[d];
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

std::string curve_json(const CurveResult& result, const FieldRun& run, uint32_t seed) {
  return result_json(result, "", true, curve_svg(result, run, seed, call.width, call.height),
                     curve_svg(result, run, seed, 800, 600), result.curves);
}

// The judged broods: result_json's fields, the figure as mpplan draws it,
// and the other tables (mismatches, families, fathers, summary) with their
// rows.
std::string broods_json(const BroodsResult& result, uint32_t seed) {
  const auto svg = [&](int width, int height) {
    if (!result.status.ok) return std::string();
    const FigureOptions figure{width, height, "", seed, 0.95, TRIAL_COUNT};
    return broods_figure(result.broods, figure, FigureFormat::SVG);
  };
  std::string out = result_json(result, "", true, svg(call.width, call.height), svg(800, 600), {});
  out.pop_back();  // the closing brace
  for (const auto& [name, csv] :
       {std::pair<const char*, const std::string&>{"mismatches", result.mismatches},
        {"families", result.families},
        {"fathers", result.fathers},
        {"summary", result.summary}}) {
    out += ",\"";
    out += name;
    out += "\":";
    out += json_string(csv);
    out += ",\"";
    out += name;
    out += "Rows\":";
    out += rows_json(csv);
  }
  return out + "}";
}

std::string usage_json(const Status& refusal) {
  CommandResult result;
  result.status = refusal;
  return result_json(result, "", false, "", "", {});
}

// The run the fields ask for, or false with its refusal as the answer.
bool run_or_refusal(FieldRun& run) {
  const Status built = run_of_fields(call.fields, run);
  if (built.ok) return true;
  call.answer = usage_json(built);
  return false;
}

}  // namespace
}  // namespace mpdetect

// The entry points stand outside the project's namespace.
using namespace mpdetect;

extern "C" {

// Starts a new call: no command, fields, designs or inputs.
EMSCRIPTEN_KEEPALIVE void mp_reset() {
  call = Call{};
  call.fields.designs.clear();
}

// Names the command: study, panel, curve, loci or broods.
EMSCRIPTEN_KEEPALIVE void mp_command(const char* name) {
  call.fields.command = name;
}

// Sets a field every design shares, by the request's name for it
// (request_fields.h), as the page holds it: text.
EMSCRIPTEN_KEEPALIVE void mp_field(const char* key, const char* value) {
  call.fields.shared.emplace_back(key, value);
}

// The size the page lays a figure out at, in pixels (100 to 10000 each;
// mpplan's 800 by 600 otherwise).
EMSCRIPTEN_KEEPALIVE void mp_figure_size(int width, int height) {
  if (width >= 100 && width <= 10000 && height >= 100 && height <= 10000) {
    call.width = width;
    call.height = height;
  }
}

// Starts the next design.
EMSCRIPTEN_KEEPALIVE void mp_design() {
  call.fields.designs.emplace_back();
}

// Sets a field of the current design (sires, shares, mother).
EMSCRIPTEN_KEEPALIVE void mp_design_field(const char* key, const char* value) {
  if (call.fields.designs.empty()) call.fields.designs.emplace_back();
  call.fields.designs.back().emplace_back(key, value);
}

// Adds an input file by name and text (`size` bytes, NULs included).
EMSCRIPTEN_KEEPALIVE void mp_input(const char* name, const char* text, int size) {
  call.fields.names.push_back(name);
  call.texts.push_back(std::string(text, static_cast<size_t>(size)));
}

// Runs the command from the fields' seed (else `given_seed`); returns the
// result as JSON: ok, error, output, legend, notes and, for curve, each
// design's label, smallest size reaching the target and points [size,
// probability], with the single sire's false detections third when there
// are genotyping errors; for broods, the figure and the other tables too.
EMSCRIPTEN_KEEPALIVE const char* mp_run(unsigned given_seed) {
  FieldRun run;
  if (!run_or_refusal(run)) return call.answer.c_str();
  const uint32_t seed = run.seeded ? run.seed : given_seed;
  const std::string& text = call.texts.at(0);
  if (run.command == "study") {
    const StudyResult result = run_study_command(study_request(run), text);
    call.answer = result_json(result, result.legend, false, "", "", {});
  } else if (run.command == "panel") {
    const PanelResult result = run_panel_command(panel_request(run, false), text);
    call.answer = result_json(result, "", true, "", "", {});
  } else if (run.command == "broods") {
    // The brood file first, then the population sample when one is named.
    const std::string population =
        run.population.empty() || call.texts.size() < 2 ? "" : call.texts[1];
    call.answer =
        broods_json(run_broods_command(broods_request(run), text, population, seed, 1), seed);
  } else if (run.command == "loci") {
    const LociResult result = run_loci_command(loci_request(run), text, seed, 1);
    call.answer =
        result_json(result, "", true, loci_svg(result, run, seed, call.width, call.height),
                    loci_svg(result, run, seed, 800, 600), {});
  } else {
    call.answer =
        curve_json(run_curve_command(run.curve, call.texts, seed, 1, tell_page), run, seed);
  }
  return call.answer.c_str();
}

// A part of a split curve run (CurveWork): design `design`'s points (none
// for a design past the run's, merged with an earlier one), a line each,
// "design size detections ceiling estimate_trials trials all_detections
// decision false_detections", the ceiling to 17 figures so that it reads
// back as the same double.
EMSCRIPTEN_KEEPALIVE const char* mp_run_part(int design) {
  FieldRun run;
  if (!run_or_refusal(run)) return call.answer.c_str();
  const CurveResult result = run_curve_command(run.curve, call.texts, run.seed, 1, tell_page,
                                               CurveWork{design < 0 ? 0 : design, nullptr});
  std::string points;
  char line[160];
  for (size_t d = 0; d < result.curves.size(); ++d) {
    for (const CurvePoint& point : result.curves[d].points) {
      std::snprintf(
          line, sizeof line, "%zu %d %d %.17g %lld %lld %lld %d %d\n", d, point.brood_size,
          point.detections, point.ceiling, static_cast<long long>(point.estimate_trials),
          static_cast<long long>(point.trials), static_cast<long long>(point.all_detections),
          static_cast<int>(point.decision), point.false_detections);
      points += line;
    }
  }
  call.answer = "{\"ok\":" + std::string(result.status.ok ? "true" : "false") +
                ",\"error\":" + json_string(command_line_text(result.status)) +
                ",\"refusal\":" + refusal_json(result.status) +
                ",\"points\":" + json_string(points) + "}";
  return call.answer.c_str();
}

// The whole curve run from its parts' points (mp_run_part's lines, joined):
// the result mp_run gives, without estimating again.
EMSCRIPTEN_KEEPALIVE const char* mp_run_joined(const char* text, int size) {
  FieldRun run;
  if (!run_or_refusal(run)) return call.answer.c_str();
  std::vector<std::vector<CurvePoint>> points;
  const std::string lines(text, static_cast<size_t>(size));  // the views below read it
  for (const std::string_view line : line_views(lines)) {
    if (line.empty()) continue;
    const std::string row(line);
    unsigned long design = 0;
    long long estimate_trials = 0, trials = 0, all = 0;
    int decision = 0;
    CurvePoint point{};
    if (std::sscanf(row.c_str(), "%lu %d %d %lf %lld %lld %lld %d %d", &design, &point.brood_size,
                    &point.detections, &point.ceiling, &estimate_trials, &trials, &all, &decision,
                    &point.false_detections) != 9 ||
        design >= MAX_DESIGNS) {
      call.answer = usage_json(failure("a part of the run is not as mp_run_part writes it"));
      return call.answer.c_str();
    }
    point.estimate_trials = estimate_trials;
    point.trials = trials;
    point.all_detections = all;
    point.decision = static_cast<Decision>(decision);
    if (points.size() <= design) points.resize(design + 1);
    points[design].push_back(point);
  }
  const CurveResult result =
      run_curve_command(run.curve, call.texts, run.seed, 1, {}, CurveWork{-1, &points});
  call.answer = curve_json(result, run, run.seed);
  return call.answer.c_str();
}
// What a population file holds, for the page's choices: its format (by its
// word for --format and by name), loci, samples and individuals with the
// sample of each, as JSON; or the reader's refusal. `layout` is a
// STRUCTURE file's layout as far as the user gave it (empty: inferred).
EMSCRIPTEN_KEEPALIVE const char* mp_describe(const char* text, int size, const char* layout) {
  const std::string input(text, static_cast<size_t>(size));
  StructureLayout structure;
  const Status settings = parse_structure_layout(layout, structure);
  const InputFormat format = detect_format(input);
  const char* const words[] = {"study", "genepop", "genalex", "frequencies", "structure",
                               "fstat", "genetix", "counts",  "vcf",         "plink"};
  std::string out = "{\"format\":" + json_string(words[static_cast<int>(format)]);
  if (format == InputFormat::STUDY && !starts_like_study(input)) {
    // Named only once recognised: a text in none of the formats is said to
    // be so, with what it looks like.
    const Status unknown = failure(unknown_format(input));
    out +=
        ",\"ok\":false,\"formatName\":\"\",\"error\":" + json_string(command_line_text(unknown)) +
        ",\"refusal\":" + refusal_json(unknown);
  } else if (format == InputFormat::STUDY) {
    out += ",\"ok\":true,\"formatName\":\"study file\"";
  } else {
    PopulationData data;
    const Status read = settings.ok ? read_population(input, format, data, structure) : settings;
    // Listed by names made unique, so that each can be chosen as a mother.
    const std::vector<std::string> individuals = unique_names(data);
    std::string samples = "[";
    for (const Individual& individual : data.individuals) {
      samples.append(samples.size() > 1 ? "," : "").append(std::to_string(individual.sample));
    }
    const std::string name = data.format == "frequency table" ? data.format
                             : data.format.empty()            ? std::string("population file")
                                                              : data.format + " file";
    out += ",\"ok\":" + std::string(read.ok ? "true" : "false") +
           ",\"formatName\":" + json_string(name) +
           ",\"error\":" + json_string(command_line_text(read)) +
           ",\"refusal\":" + refusal_json(read) + ",\"loci\":" + json_strings(data.loci) +
           ",\"samples\":" + json_strings(data.samples) +
           ",\"individuals\":" + json_strings(individuals) + ",\"individualSamples\":" + samples +
           "]";
  }
  call.answer = out + "}";
  return call.answer.c_str();
}

// Checks the fields as the planner checks a request, before any work:
// {ok, refusal}. The page checks each field so, alone and with the others.
EMSCRIPTEN_KEEPALIVE const char* mp_check() {
  FieldRun run;
  const Status status = run_of_fields(call.fields, run);
  call.answer = "{\"ok\":" + std::string(status.ok ? "true" : "false") +
                ",\"refusal\":" + refusal_json(status) + "}";
  return call.answer.c_str();
}

// The limits the page's fields keep, as the planner has them: a design's
// loci, alleles, sires and brood sizes (a study written holds fewer, and
// says so when asked for more).
EMSCRIPTEN_KEEPALIVE const char* mp_limits() {
  call.answer = "{\"loci\":" + std::to_string(PLAN_MAX_LOCI) +
                ",\"alleles\":" + std::to_string(PLAN_MAX_ALLELES) +
                ",\"sires\":" + std::to_string(PLAN_MAX_SIRES) +
                ",\"offspring\":" + std::to_string(PLAN_MAX_OFFSPRING) +
                ",\"designs\":" + std::to_string(MAX_DESIGNS) +
                ",\"errorRate\":" + short_number(MAX_ERROR_RATE) +
                ",\"trials\":" + std::to_string(TRIAL_COUNT) + "}";
  return call.answer.c_str();
}

}  // extern "C"
