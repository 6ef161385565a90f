// The planner's messages as the page says them. The core words its
// refusals and notes for the command line, naming the options that set
// what went wrong ("choose up to 25 with --loci"); the page has fields, not
// options, so each option a message names becomes the field that sets it,
// and the phrases that tell a user what to type become what to do on the
// page.
#pragma once

#include <string>

// `message` with every option of the command line replaced by the page's
// field for it (an option the page has no field for by its bare name).
// Only an option's "--" goes: one inside a file's name stays.
std::string page_words(const std::string& message);
