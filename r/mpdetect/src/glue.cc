// The planner's core for R: one entry point over plan_command.h, called
// with the command, the request's values by name (request_fields.h) and
// the inputs' bytes, giving back the texts mpplan would write. Every
// number comes from the same functions as mpplan's; R reads the tables and
// shows the notes.
#include <Rcpp.h>

#include <string>
#include <thread>
#include <vector>

#include "plan/command/plan_command.h"
#include "plan/command/request_fields.h"

namespace mpdetect {
namespace {

// Whether the user has asked R to stop. R_CheckUserInterrupt jumps out of
// the call when there is an interrupt; under R_ToplevelExec the jump ends
// only the check, so no C++ frame is skipped.
void check_interrupt(void*) {
  R_CheckUserInterrupt();
}
bool interrupt_pending() {
  return R_ToplevelExec(check_interrupt, nullptr) == FALSE;
}

Rcpp::String utf8(const std::string& text) {
  return Rcpp::String(text, CE_UTF8);
}

// R's way out for a refusal or note of `kind`, naming the functions'
// arguments; `limit` where the kind has one.
std::string way_out(Kind kind, int limit) {
  switch (kind) {
    case Kind::LOCUS_UNTYPED:
    case Kind::LOCUS_MISSING:
      return "; leave it out with loci";
    case Kind::TOO_MANY_LOCI:
      return ": choose up to " + std::to_string(limit) + " with loci";
    case Kind::TOO_MANY_LOCI_TO_RANK:
      return ": choose up to " + std::to_string(limit) +
             " with loci, or choose a panel of K of them with choose = K";
    case Kind::TOO_MANY_ALLELES:
      return ": leave it out with loci, or pool its rarest alleles into one with pool_rare = TRUE "
             "(which can only lower the estimate)";
    case Kind::TOO_MANY_DESIGNS:
      return " (fewer sires, shares or mother variants)";
    case Kind::SCALE_MISTAKE:
      return " (run it as it stands with as_is = TRUE)";
    case Kind::STUDY_FILE_MOTHER:
      return "; mother takes only \"drawn\" (or \"untyped\") and \"unsampled\" with it";
    case Kind::STUDY_FILE_INPUT:
      return ": pop and pool_rare apply to population files";
    case Kind::UNSAMPLED_IN_STUDY:
      return " (mother = \"drawn\" writes her as drawn)";
    case Kind::ONE_SIRE:
      return " (sires = 2 or more, or two shares above 0)";
    case Kind::MOTHER_UNKNOWN:
      return " (give her labels locus by locus, \"135/143,136/146,...\", or let her be drawn "
             "(mother = \"drawn\"))";
    case Kind::MOTHER_UNTYPED:
      return std::string(": leave ") + (limit > 1 ? "them" : "it") +
             " out with loci, give her labels locus by locus, or let her be drawn (mother = "
             "\"drawn\")";
    case Kind::NO_POPULATION:
      return "; give a population sample with population";
    case Kind::POP_WITHOUT_POPULATION:
      return "; give that sample with population, or leave out pop to take the frequencies from "
             "the mothers";
    case Kind::SIRES_ASSUMED:
      return " (set them with sires or shares)";
    case Kind::SAMPLES_POOLED:
      return " (choose one with pop)";
    case Kind::SCREENED:
      return " (screen = W tries W, screen = 0 every one)";
    case Kind::GENERAL:
    case Kind::OPTION:
    case Kind::WARNING:
    case Kind::LOCUS_SUMMARY:
    case Kind::SMALLEST_SIZE:
      break;
  }
  return "";
}

// The argument that sets `input`.
const char* argument_of(Input input) {
  switch (input) {
    case Input::POP:
      return "pop";
    case Input::LOCI:
      return "loci";
    case Input::MOTHER:
      return "mother";
    case Input::MOTHERS:
      return "mothers";
    case Input::POPULATION:
      return "population";
    case Input::MIN_LOCI:
      return "min_loci";
    case Input::SIRES:
      return "sires";
    case Input::SHARES:
      return "shares";
    case Input::FROM:
    case Input::TO:
    case Input::STEP:
      return "sizes";
    case Input::TARGET:
      return "target";
    case Input::DROPOUT:
      return "dropout";
    case Input::FALSE_ALLELE:
      return "false_allele";
    case Input::TRIALS:
      return "trials";
    case Input::MAX_TRIALS:
      return "max_trials";
    case Input::BROOD_SIZE:
      return "size";
    case Input::CHOOSE:
      return "choose";
    case Input::SCREEN:
      return "screen";
    case Input::VERDICT:
      return "verdict";
    case Input::FALSE_DETECTION:
      return "false_detection";
    case Input::ERROR_ALLOWANCE:
      return "error_allowance";
    case Input::SEED:
      return "seed";
    case Input::NONE:
      break;
  }
  return "";
}

// A refusal or note as R says it: the argument in the input's place, and
// R's way out.
std::string r_words(const std::string& text, Input input, size_t at, Kind kind, int limit) {
  return (input == Input::NONE ? text : with_input_named(text, at, argument_of(input))) +
         way_out(kind, limit);
}

// What a command gave, for R: its texts, and the notes and refusal in R's
// words.
struct Texts {
  std::string legend, mismatches, summary, families, fathers;
};

Rcpp::List result_list(const CommandResult& result, const Texts& more = {}) {
  Rcpp::CharacterVector notes;
  for (const Note& note : result.notes)
    notes.push_back(utf8(r_words(note.text, note.input, note.input_at, note.kind, 0)));
  const Status& status = result.status;
  return Rcpp::List::create(
      Rcpp::Named("ok") = status.ok,
      Rcpp::Named("error") =
          utf8(r_words(status.message, status.input, status.input_at, status.kind, status.limit)),
      Rcpp::Named("output") = utf8(result.output), Rcpp::Named("legend") = utf8(more.legend),
      Rcpp::Named("mismatches") = utf8(more.mismatches),
      Rcpp::Named("summary") = utf8(more.summary), Rcpp::Named("families") = utf8(more.families),
      Rcpp::Named("fathers") = utf8(more.fathers), Rcpp::Named("notes") = notes);
}

// A design's own values; every other value all designs share.
bool design_value(const std::string& name) {
  return name == "sires" || name == "shares" || name == "mother";
}

Rcpp::List run(const RequestFields& fields, const std::vector<std::string>& texts, uint32_t seed,
               int threads, bool progress) {
  FieldRun run;
  CommandResult refused;
  refused.status = run_of_fields(fields, run);
  if (!refused.status.ok) return result_list(refused);
  const std::string& command = run.command;
  if (command == "study") {
    const StudyResult result = run_study_command(study_request(run), texts.at(0));
    return result_list(result, {result.legend, "", "", "", ""});
  }
  if (command == "panel")
    return result_list(run_panel_command(panel_request(run, false), texts.at(0)));
  if (command == "loci")
    return result_list(run_loci_command(loci_request(run), texts.at(0), seed, threads));
  if (command == "broods") {
    const BroodsResult result = run_broods_command(
        broods_request(run), texts.at(0), run.population.empty() ? "" : texts.at(1), seed, threads);
    return result_list(result,
                       {"", result.mismatches, result.summary, result.families, result.fathers});
  }
  // Only the calling thread may ask R anything; the others go on until it
  // says stop.
  const std::thread::id main = std::this_thread::get_id();
  int shown = -1;
  return result_list(run_curve_command(
      run.curve, texts, seed, threads, [&](size_t design, size_t designs, int done, int total) {
        if (std::this_thread::get_id() != main) return true;
        if (progress && done * 20 / total != shown) {
          shown = done * 20 / total;
          REprintf("\rdesign %d of %d: %d of %d sizes", int(design) + 1, int(designs), done, total);
          if (done == total && design + 1 >= designs) REprintf("\n");
        }
        return !interrupt_pending();
      }));
}

}  // namespace
}  // namespace mpdetect

// The entry points stand outside the project's namespace.
using namespace mpdetect;

extern "C" {

// mp_plan(command, values, names, inputs, texts, seed, threads, progress):
// the command's name; the request's values as text, each named by `names`
// (the two character vectors of the same length); the inputs' names and
// their texts (raw vectors; a population sample's text after them); seed a
// number from 0 to 2^32 - 1; threads and progress as they say.
SEXP mp_plan(SEXP command, SEXP values, SEXP names, SEXP inputs, SEXP texts, SEXP seed,
             SEXP threads, SEXP progress) {
  BEGIN_RCPP
  RequestFields fields;
  fields.command = Rcpp::as<std::string>(command);
  const Rcpp::CharacterVector given(values), named(names);
  for (R_xlen_t n = 0; n < given.size(); ++n) {
    const std::string name(named[n]), value(given[n]);
    (design_value(name) ? fields.designs.front() : fields.shared).emplace_back(name, value);
  }
  for (const Rcpp::String& name : Rcpp::CharacterVector(inputs))
    fields.names.push_back(name.get_cstring());
  std::vector<std::string> bytes;
  for (const Rcpp::RawVector raw : Rcpp::List(texts))
    bytes.emplace_back(reinterpret_cast<const char*>(raw.begin()), raw.size());
  return run(fields, bytes, static_cast<uint32_t>(Rcpp::as<double>(seed)), Rcpp::as<int>(threads),
             Rcpp::as<bool>(progress));
  END_RCPP
}

static const R_CallMethodDef CALLS[] = {{"mp_plan", reinterpret_cast<DL_FUNC>(&mp_plan), 8},
                                        {nullptr, nullptr, 0}};

void R_init_mpdetect(DllInfo* info) {
  R_registerRoutines(info, nullptr, CALLS, nullptr, nullptr);
  R_useDynamicSymbols(info, FALSE);
}

}  // extern "C"
