#include "frontend/command_line_words.h"

namespace mpdetect {

namespace {

// The command line's way out for a refusal or note of `kind`; `limit`
// where the kind has one.
std::string way_out(Kind kind, int limit) {
  switch (kind) {
    case Kind::LOCUS_UNTYPED:
    case Kind::LOCUS_MISSING:
      return "; leave it out with --loci";
    case Kind::TOO_MANY_LOCI:
      return ": choose up to " + std::to_string(limit) + " with --loci";
    case Kind::TOO_MANY_LOCI_TO_RANK:
      return ": choose up to " + std::to_string(limit) +
             " with --loci, or choose a panel of K of them with --choose K";
    case Kind::TOO_MANY_ALLELES:
      return ": leave it out with --loci, or pool its rarest alleles into one with --pool-rare "
             "(which can only lower the estimate)";
    case Kind::TOO_MANY_DESIGNS:
      return " (fewer --sires, --shares or --mother variants)";
    case Kind::SCALE_MISTAKE:
      return " (run it as it stands with --as-is)";
    case Kind::STUDY_FILE_MOTHER:
      return "; --mother takes only drawn (or untyped) and unsampled with it";
    case Kind::STUDY_FILE_INPUT:
      return ": --pop and --pool-rare apply to population files";
    case Kind::UNSAMPLED_IN_STUDY:
      return " (--mother drawn writes her as drawn)";
    case Kind::ONE_SIRE:
      return " (--sires 2 or more, or two shares above 0)";
    case Kind::SIRES_ASSUMED:
      return " (set them with --sires or --shares)";
    case Kind::SAMPLES_POOLED:
      return " (choose one with --pop)";
    case Kind::MOTHER_UNKNOWN:
      return " (give her labels locus by locus, 135/143,136/146,..., or let her be drawn "
             "(--mother drawn))";
    case Kind::MOTHER_UNTYPED:
      return std::string(": leave ") + (limit > 1 ? "them" : "it") +
             " out with --loci, give her labels locus by locus, or let her be drawn (--mother "
             "drawn)";
    case Kind::NO_POPULATION:
      return "; give a population sample with --population";
    case Kind::POP_WITHOUT_POPULATION:
      return "; give that file with --population, or leave out --pop to take the frequencies "
             "from the mothers";
    case Kind::SCREENED:
      return " (--screen W tries W, --screen 0 every one)";
    case Kind::GENERAL:
    case Kind::OPTION:
    case Kind::WARNING:
    case Kind::LOCUS_SUMMARY:
    case Kind::SMALLEST_SIZE:
      break;
  }
  return "";
}

// The option that sets `input`.
const char* option_of(Input input) {
  switch (input) {
    case Input::POP:
      return "--pop";
    case Input::LOCI:
      return "--loci";
    case Input::MOTHER:
      return "--mother";
    case Input::MOTHERS:
      return "--mothers";
    case Input::POPULATION:
      return "--population";
    case Input::MIN_LOCI:
      return "--min-loci";
    case Input::SIRES:
      return "--sires";
    case Input::SHARES:
      return "--shares";
    case Input::FROM:
      return "--from";
    case Input::TO:
      return "--to";
    case Input::STEP:
      return "--step";
    case Input::TARGET:
      return "--target";
    case Input::DROPOUT:
      return "--dropout";
    case Input::FALSE_ALLELE:
      return "--false-allele";
    case Input::TRIALS:
      return "--trials";
    case Input::MAX_TRIALS:
      return "--max-trials";
    case Input::BROOD_SIZE:
      return "--size";
    case Input::CHOOSE:
      return "--choose";
    case Input::VERDICT:
      return "--verdict";
    case Input::FALSE_DETECTION:
      return "--false-detection";
    case Input::ERROR_ALLOWANCE:
      return "--error-allowance";
    case Input::SEED:
      return "--seed";
    case Input::SCREEN:
      return "--screen";
    case Input::NONE:
      break;
  }
  return "";
}

// `text` with the option of `input` in its place, when it names one.
std::string with_option(const std::string& text, Input input, size_t at) {
  return input == Input::NONE ? text : with_input_named(text, at, option_of(input));
}

}  // namespace

std::string command_line_text(const Status& status) {
  return with_option(status.message, status.input, status.input_at) +
         way_out(status.kind, status.limit);
}

std::string command_line_text(const Note& note) {
  return with_option(note.text, note.input, note.input_at) + way_out(note.kind, 0);
}

}  // namespace mpdetect
