// The one failure type of the toolkit, and the notes that go with a result.
// Every reader, design and command returns a Status: ok, or a refusal with
// the message for the user and, where there is one, the line, locus, sample
// and individual it concerns. Each front end words the refusal for its
// users (the console with the message as it stands, the page from the
// fields).
#pragma once

#include <cstddef>
#include <string>

namespace mpdetect {

// What a refusal or a note is about, in one numbered list for every front
// end. A GENERAL one is worded once, alike everywhere. For the others each
// front end adds its own way out from the kind and the values that come
// with it: the command line names its options, the page its fields, R its
// arguments. The core never names any of them.
enum class Kind {
  GENERAL = 0,
  OPTION = 1,                   // an option or its value refused; the message names the option
  LOCUS_UNTYPED = 2,            // `locus` is typed in none of the individuals: leave it out
  LOCUS_MISSING = 3,            // `locus` of the broods is not in the population sample
  TOO_MANY_LOCI = 4,            // more loci than a study holds (`limit`)
  TOO_MANY_ALLELES = 5,         // `locus` has more alleles than a study holds (`limit`)
  TOO_MANY_DESIGNS = 6,         // more designs than a run compares (`limit`)
  SCALE_MISTAKE = 7,            // totals that look like percentages or counts
  STUDY_FILE_MOTHER = 8,        // a study file's mother can only be drawn or not sampled
  STUDY_FILE_INPUT = 9,         // a sample or pooling asked of a study file
  UNSAMPLED_IN_STUDY = 10,      // a study file cannot hold an unsampled mother
  ONE_SIRE = 11,                // broods corrected under a design of one sire
  TOO_MANY_LOCI_TO_RANK = 12,   // more loci than a ranking takes (`limit`): a panel can be chosen
  MOTHER_UNKNOWN = 13,          // no individual has the mother's identifier
  MOTHER_UNTYPED = 14,          // the mother is untyped at `limit` loci of the panel
  NO_POPULATION = 15,           // broods judged without a population sample (refusal or note)
  POP_WITHOUT_POPULATION = 16,  // a sample chosen where no population file is given
  // Notes only.
  WARNING = 17,         // the run goes on, but the user should know
  SIRES_ASSUMED = 18,   // no sires given: two with equal shares
  SAMPLES_POOLED = 19,  // no sample chosen: every sample pooled
  LOCUS_SUMMARY = 20,   // a locus as read: its alleles and individuals typed
  SCREENED = 21,        // a panel choice tried only the candidates best alone
  SMALLEST_SIZE = 22,   // a design's smallest brood size reaching the target (`design`);
                        // the last kind: a new one goes before it
};

// What the user gave that a refusal or note is about, by its role, when
// the message names it: the core leaves its place in the message empty
// (`input_at`), and each front end puts its own name for it there (the
// command line "--pop", the page "Sample"). What follows is the value
// given and what is wrong ("3: individuals of ...") or a colon (": no
// individual has ...").
enum class Input {
  NONE = 0,
  POP,
  LOCI,
  MOTHER,
  MOTHERS,
  POPULATION,
  VERDICT,
  MIN_LOCI,
  // The values a request holds (plan_requests.h), each checked by one rule.
  SIRES,
  SHARES,
  FROM,
  TO,
  STEP,
  TARGET,
  DROPOUT,
  FALSE_ALLELE,
  TRIALS,
  MAX_TRIALS,
  BROOD_SIZE,
  CHOOSE,
  SCREEN,
  FALSE_DETECTION,
  ERROR_ALLOWANCE,
  SEED,
};

// [[nodiscard]]: a refusal dropped unread is a failure reported as
// success, so the compiler warns of every Status not looked at.
struct [[nodiscard]] Status {
  bool ok = true;
  // One line, no line end: what is wrong, naming the line, locus and
  // individual in words where there are some.
  std::string message;
  int line = 0;  // line of the input, counted from 1; 0: none
  std::string locus;
  std::string sample;
  std::string individual;
  Kind kind = Kind::GENERAL;
  int limit = 0;  // the bound passed, for the TOO_MANY kinds
  Input input = Input::NONE;
  size_t input_at = 0;  // where in the message the input's name goes
};

// A note for the user beside a result: what reading, designing or
// estimating found that does not stop the run. One line, no line end.
struct Note {
  std::string text;
  Kind kind = Kind::GENERAL;
  int design = -1;    // SMALLEST_SIZE: the design's index in the run
  std::string locus;  // LOCUS_SUMMARY: the locus
  Input input = Input::NONE;
  size_t input_at = 0;  // as a refusal's
  Note() = default;
  Note(std::string line, Kind what = Kind::GENERAL)  // NOLINT: a line is a note
      : text(std::move(line)), kind(what) {}
  bool operator==(const Note&) const = default;
};

// Success.
inline Status success() {
  return Status{};
}

// A refusal with `message`.
inline Status failure(std::string message) {
  Status status;
  status.ok = false;
  status.message = std::move(message);
  return status;
}

// A refusal at `line` of an input (0: none), of `locus` and `individual`
// where given. The message already names them in words.
inline Status failure_at(int line, std::string message, std::string locus = "",
                         std::string individual = "") {
  Status status = failure(std::move(message));
  status.line = line;
  status.locus = std::move(locus);
  status.individual = std::move(individual);
  return status;
}

// A refusal of `kind` with `message`, and the bound passed for the
// TOO_MANY kinds.
inline Status failure_of(Kind kind, std::string message, int limit = 0) {
  Status status = failure(std::move(message));
  status.kind = kind;
  status.limit = limit;
  return status;
}

// A refusal about the user's `input`, its name to go before `rest` (the
// value given and what is wrong, or a colon and what is wrong).
inline Status failure_about(Input input, std::string rest, Kind kind = Kind::GENERAL) {
  Status status = failure(std::move(rest));
  status.kind = kind;
  status.input = input;
  return status;
}

// A note about the user's `input`, as failure_about.
inline Note note_about(Input input, std::string rest, Kind kind = Kind::GENERAL) {
  Note note(std::move(rest), kind);
  note.input = input;
  return note;
}

// The same refusal, its message prefixed with `what` (an input's name).
inline Status named(const std::string& what, Status status, const char* joint = ": ") {
  if (status.ok) return status;
  const std::string prefix = what + joint;
  status.message = prefix + status.message;
  status.input_at += prefix.size();
  return status;
}

// The same note, prefixed with `what`.
inline Note named(const std::string& what, Note note) {
  const std::string prefix = what + ": ";
  note.text = prefix + note.text;
  note.input_at += prefix.size();
  return note;
}

// `text` with `name` put in the input's place: a blank between it and
// what follows unless a colon or the end does.
inline std::string with_input_named(const std::string& text, size_t at, const std::string& name) {
  if (at > text.size()) at = text.size();
  const bool joined = at == text.size() || text[at] == ':';
  return text.substr(0, at) + name + (joined ? "" : " ") + text.substr(at);
}

}  // namespace mpdetect
