// The one failure type of the toolkit. Every reader, design and command
// returns a Status: ok, or a refusal with the message for the user and,
// where there is one, the line, locus, sample and individual it concerns.
// Each front end words the refusal for its users (the console with the
// message as it stands, the page from the fields).
#pragma once

#include <string>

struct Status {
  bool ok = true;
  // One line, no line end: what is wrong, naming the line, locus and
  // individual in words where there are some.
  std::string message;
  int line = 0;  // line of the input, counted from 1; 0: none
  std::string locus;
  std::string sample;
  std::string individual;
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

// The same refusal, its message prefixed with `what` (an input's name).
inline Status named(const std::string& what, Status status, const char* joint = ": ") {
  if (!status.ok) status.message = what + joint + status.message;
  return status;
}
