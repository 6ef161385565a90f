// The planner's refusals and notes as the page says them. The core gives
// each with its kind and the values that come with it; the page has
// fields, not options: it words its own way out from the kind, and puts
// the field's name where a message leaves the place of what the user gave
// ("Sample 3: ...", "Target probability takes ...").
#pragma once

#include <string>

#include "base/status.h"

namespace mpdetect {

// The refusal's message and the page's way out for its kind.
std::string page_words(const Status& status);

// The note's text and the page's way out for its kind.
std::string page_words(const Note& note);

// The kind's name for the page's script ("too-many-loci").
const char* kind_name(Kind kind);

}  // namespace mpdetect
