#include "page_words.h"

namespace mpdetect {

namespace {

// The page's way out for a refusal or note of `kind`; `limit` where the
// kind has one.
std::string way_out(Kind kind, int limit) {
  switch (kind) {
    case Kind::LOCUS_UNTYPED:
    case Kind::LOCUS_MISSING:
      return "; untick it under Loci";
    case Kind::TOO_MANY_LOCI:
      return ": tick at most " + std::to_string(limit) + " under Loci";
    case Kind::TOO_MANY_LOCI_TO_RANK:
      return ": tick at most " + std::to_string(limit) +
             " under Loci, or choose a panel from them under \"Choose a panel from these loci\"";
    case Kind::TOO_MANY_ALLELES:
      return ": untick it under Loci, or tick \"Pool the rarest alleles\" (which can only lower "
             "the estimate)";
    case Kind::TOO_MANY_DESIGNS:
      return " (fewer designs)";
    case Kind::SCALE_MISTAKE:
      return " (tick \"Run totals that look like percentages or counts as they stand\" to run it "
             "anyway)";
    case Kind::STUDY_FILE_MOTHER:
      return "; its mother can only be drawn or not sampled";
    case Kind::STUDY_FILE_INPUT:
      return ": the sample and the pooling of rare alleles apply to population files";
    case Kind::UNSAMPLED_IN_STUDY:
      return " (choose the mother drawn to write her so)";
    case Kind::ONE_SIRE:
      return " (2 sires or more, or two shares above 0)";
    case Kind::SIRES_ASSUMED:
      return " (set them in each design)";
    case Kind::SAMPLES_POOLED:
      return " (choose one under Sample)";
    case Kind::MOTHER_UNKNOWN:
      return " (give her labels locus by locus, 135/143,136/146,..., or choose her drawn)";
    case Kind::MOTHER_UNTYPED:
      return std::string(": untick ") + (limit > 1 ? "them" : "it") +
             " under Loci, give her labels locus by locus, or choose her drawn";
    case Kind::NO_POPULATION:
      return "; give a population sample beside the broods";
    case Kind::POP_WITHOUT_POPULATION:
      return "; give that file, or choose no sample to take the frequencies from the mothers";
    case Kind::GENERAL:
    case Kind::OPTION:
    case Kind::WARNING:
    case Kind::LOCUS_SUMMARY:
    case Kind::SCREENED:  // the page tries as many as mpplan does by default
    case Kind::SMALLEST_SIZE:
      break;
  }
  return "";
}

// The field that sets `input`.
const char* field_of(Input input) {
  switch (input) {
    case Input::POP:
      return "Sample";
    case Input::LOCI:
      return "Loci";
    case Input::MOTHER:
      return "Mother";
    case Input::MOTHERS:
      return "Mothers";
    case Input::POPULATION:
      return "Population";
    case Input::MIN_LOCI:
      return "Loci that must each reveal";
    case Input::SIRES:
      return "Sires";
    case Input::SHARES:
      return "Shares";
    case Input::FROM:
      return "First brood size";
    case Input::TO:
      return "Last brood size";
    case Input::STEP:
      return "Step between brood sizes";
    case Input::TARGET:
      return "Target probability";
    case Input::DROPOUT:
      return "Allelic dropout rate";
    case Input::FALSE_ALLELE:
      return "False allele rate";
    case Input::TRIALS:
      return "Trials";
    case Input::MAX_TRIALS:
      return "Most trials";
    case Input::BROOD_SIZE:
      return "Brood size";
    case Input::CHOOSE:
      return "Loci in the panel";
    case Input::VERDICT:
      return "Verdict";
    case Input::FALSE_DETECTION:
      return "False-detection rate";
    case Input::ERROR_ALLOWANCE:
      return "Error allowance";
    case Input::SEED:
      return "Seed";
    case Input::SCREEN:
      return "Candidates tried";
    case Input::NONE:
      break;
  }
  return "";
}

}  // namespace

std::string page_words(const Status& status) {
  const std::string message =
      status.input == Input::NONE
          ? status.message
          : with_input_named(status.message, status.input_at, field_of(status.input));
  return message + way_out(status.kind, status.limit);
}

std::string page_words(const Note& note) {
  const std::string text = note.input == Input::NONE
                               ? note.text
                               : with_input_named(note.text, note.input_at, field_of(note.input));
  return text + way_out(note.kind, 0);
}

const char* kind_name(Kind kind) {
  switch (kind) {
    case Kind::GENERAL:
      return "general";
    case Kind::OPTION:
      return "option";
    case Kind::LOCUS_UNTYPED:
      return "locus-untyped";
    case Kind::LOCUS_MISSING:
      return "locus-missing";
    case Kind::TOO_MANY_LOCI:
      return "too-many-loci";
    case Kind::TOO_MANY_ALLELES:
      return "too-many-alleles";
    case Kind::TOO_MANY_DESIGNS:
      return "too-many-designs";
    case Kind::SCALE_MISTAKE:
      return "scale-mistake";
    case Kind::STUDY_FILE_MOTHER:
      return "study-file-mother";
    case Kind::STUDY_FILE_INPUT:
      return "study-file-input";
    case Kind::UNSAMPLED_IN_STUDY:
      return "unsampled-in-study";
    case Kind::ONE_SIRE:
      return "one-sire";
    case Kind::TOO_MANY_LOCI_TO_RANK:
      return "too-many-loci-to-rank";
    case Kind::MOTHER_UNKNOWN:
      return "mother-unknown";
    case Kind::MOTHER_UNTYPED:
      return "mother-untyped";
    case Kind::NO_POPULATION:
      return "no-population";
    case Kind::POP_WITHOUT_POPULATION:
      return "pop-without-population";
    case Kind::SCREENED:
      return "screened";
    case Kind::WARNING:
      return "warning";
    case Kind::SIRES_ASSUMED:
      return "sires-assumed";
    case Kind::SAMPLES_POOLED:
      return "samples-pooled";
    case Kind::LOCUS_SUMMARY:
      return "locus-summary";
    case Kind::SMALLEST_SIZE:
      return "smallest-size";
  }
  return "general";
}

}  // namespace mpdetect
