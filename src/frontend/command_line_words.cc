#include "frontend/command_line_words.h"

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
    case Kind::GENERAL:
    case Kind::OPTION:
    case Kind::WARNING:
    case Kind::LOCUS_SUMMARY:
    case Kind::SMALLEST_SIZE:
      break;
  }
  return "";
}

}  // namespace

std::string command_line_text(const Status& status) {
  return status.message + way_out(status.kind, status.limit);
}

std::string command_line_text(const Note& note) {
  return note.text + way_out(note.kind, 0);
}
