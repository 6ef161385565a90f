// The one failure type of the toolkit, and the notes that go with a result.
// Every reader, design and command returns a Status: ok, or a refusal with
// the message for the user and, where there is one, the line, locus, sample
// and individual it concerns. Each front end words the refusal for its
// users (the console with the message as it stands, the page from the
// fields).
#pragma once

#include <string>

// What a refusal or a note is about, in one numbered list for every front
// end. A GENERAL one is worded once, alike everywhere. The others end in a
// `remedy` that tells a user of the command line which option to give; a
// front end without options (the web page) words its own from the kind
// and the values that come with it.
enum class Kind {
  GENERAL = 0,
  OPTION = 1,               // an option or its value refused; the message names the option
  LOCUS_UNTYPED = 2,        // `locus` is typed in none of the individuals: leave it out
  LOCUS_MISSING = 3,        // `locus` of the broods is not in the population sample
  TOO_MANY_LOCI = 4,        // more loci than a study holds (`limit`)
  TOO_MANY_ALLELES = 5,     // `locus` has more alleles than a study holds (`limit`)
  TOO_MANY_DESIGNS = 6,     // more designs than a run compares (`limit`)
  SCALE_MISTAKE = 7,        // totals that look like percentages or counts
  STUDY_FILE_MOTHER = 8,    // a study file's mother can only be drawn or not sampled
  STUDY_FILE_INPUT = 9,     // a sample or pooling asked of a study file
  UNSAMPLED_IN_STUDY = 10,  // a study file cannot hold an unsampled mother
  ONE_SIRE = 11,            // broods corrected under a design of one sire
  // Notes only.
  WARNING = 12,         // the run goes on, but the user should know
  SIRES_ASSUMED = 13,   // no sires given: two with equal shares
  SAMPLES_POOLED = 14,  // no sample chosen: every sample pooled
  LOCUS_SUMMARY = 15,   // a locus as read: its alleles and individuals typed
  SMALLEST_SIZE = 16,   // a design's smallest brood size reaching the target (`design`);
                        // the last kind: a new one goes before it
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
  // The command line's way out, said after the message (" (run it as it
  // stands with --as-is)"); empty for a GENERAL refusal.
  std::string remedy;
};

// A note for the user beside a result: what reading, designing or
// estimating found that does not stop the run. One line, no line end.
struct Note {
  std::string text;
  Kind kind = Kind::GENERAL;
  std::string remedy;  // as a refusal's
  int design = -1;     // SMALLEST_SIZE: the design's index in the run
  std::string locus;   // LOCUS_SUMMARY: the locus
  Note() = default;
  Note(std::string line, Kind what = Kind::GENERAL,
       std::string way_out = "")  // NOLINT: a line is a note
      : text(std::move(line)), kind(what), remedy(std::move(way_out)) {}
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

// A refusal of `kind` with `message` and the command line's `remedy`.
inline Status failure_of(Kind kind, std::string message, std::string remedy, int limit = 0) {
  Status status = failure(std::move(message));
  status.kind = kind;
  status.remedy = std::move(remedy);
  status.limit = limit;
  return status;
}

// The same refusal, its message prefixed with `what` (an input's name).
inline Status named(const std::string& what, Status status, const char* joint = ": ") {
  if (!status.ok) status.message = what + joint + status.message;
  return status;
}

// The same note, prefixed with `what`.
inline Note named(const std::string& what, Note note) {
  note.text = what + ": " + note.text;
  return note;
}

// A refusal or note as the command line says it: the message and its way out.
inline std::string command_line_text(const Status& status) {
  return status.message + status.remedy;
}
inline std::string command_line_text(const Note& note) {
  return note.text + note.remedy;
}
