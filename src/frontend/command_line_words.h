// The planner's refusals and notes as the command line says them: the
// message as the core words it, then the way out for its kind, naming the
// options to give ("; leave it out with --loci").
#pragma once

#include <string>

#include "base/status.h"

namespace mpdetect {

// The refusal's message and the command line's way out for its kind.
std::string command_line_text(const Status& status);

// The note's text and the command line's way out for its kind.
std::string command_line_text(const Note& note);

}  // namespace mpdetect
