// The planner's core for R: one entry point over plan_command.h, called
// with the words of an mpplan command line and the inputs' bytes, giving
// back the texts mpplan would write. Every number comes from the same
// functions as mpplan's; R reads the tables and shows the notes.
#include <Rcpp.h>

#include <string>
#include <thread>
#include <vector>

#include "frontend/command_line_words.h"
#include "plan/command/plan_command.h"

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

Rcpp::List result_list(const PlanResult& result) {
  Rcpp::CharacterVector notes;
  for (const Note& note : result.notes) notes.push_back(utf8(command_line_text(note)));
  return Rcpp::List::create(
      Rcpp::Named("ok") = result.status.ok,
      Rcpp::Named("error") = utf8(command_line_text(result.status)),
      Rcpp::Named("output") = utf8(result.output), Rcpp::Named("legend") = utf8(result.legend),
      Rcpp::Named("mismatches") = utf8(result.mismatches),
      Rcpp::Named("summary") = utf8(result.summary), Rcpp::Named("notes") = notes);
}

PlanResult run(const std::vector<std::string>& words, const std::vector<std::string>& texts,
               uint32_t seed, int threads, bool progress) {
  std::vector<const char*> argv{"mpplan"};
  for (const std::string& word : words) argv.push_back(word.c_str());
  PlanOptions options;
  PlanResult result;
  result.status = parse_plan_options(static_cast<int>(argv.size()), argv.data(), options);
  if (!result.status.ok) return result;
  if (options.command == "study") return run_study_command(options, texts.at(0));
  if (options.command == "panel") return run_panel_command(options, texts.at(0), false);
  if (options.command == "loci") return run_loci_command(options, texts.at(0), seed, threads);
  if (options.command == "broods") {
    return run_broods_command(options, texts.at(0), options.population.empty() ? "" : texts.at(1),
                              seed, threads);
  }
  // Only the calling thread may ask R anything; the others go on until it
  // says stop.
  const std::thread::id main = std::this_thread::get_id();
  int shown = -1;
  return run_curve_command(
      options, texts, seed, threads, [&](size_t design, size_t designs, int done, int total) {
        if (std::this_thread::get_id() != main) return true;
        if (progress && done * 20 / total != shown) {
          shown = done * 20 / total;
          REprintf("\rdesign %d of %d: %d of %d sizes", int(design) + 1, int(designs), done, total);
          if (done == total && design + 1 >= designs) REprintf("\n");
        }
        return !interrupt_pending();
      });
}

}  // namespace

extern "C" {

// mp_plan(words, texts, seed, threads, progress): words a character vector
// (the command line after "mpplan"), texts a list of raw vectors (the
// inputs, in the order the words name them), seed a number from 0 to
// 2^32 - 1, threads and progress as they say.
SEXP mp_plan(SEXP words, SEXP texts, SEXP seed, SEXP threads, SEXP progress) {
  BEGIN_RCPP
  std::vector<std::string> command;
  for (const Rcpp::String& word : Rcpp::CharacterVector(words))
    command.push_back(word.get_cstring());
  std::vector<std::string> inputs;
  for (const Rcpp::RawVector raw : Rcpp::List(texts))
    inputs.emplace_back(reinterpret_cast<const char*>(raw.begin()), raw.size());
  const PlanResult result = run(command, inputs, static_cast<uint32_t>(Rcpp::as<double>(seed)),
                                Rcpp::as<int>(threads), Rcpp::as<bool>(progress));
  return result_list(result);
  END_RCPP
}

static const R_CallMethodDef CALLS[] = {{"mp_plan", reinterpret_cast<DL_FUNC>(&mp_plan), 5},
                                        {nullptr, nullptr, 0}};

void R_init_mpdetect(DllInfo* info) {
  R_registerRoutines(info, nullptr, CALLS, nullptr, nullptr);
  R_useDynamicSymbols(info, FALSE);
}

}  // extern "C"
