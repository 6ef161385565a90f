// The standard streams of a front end: open, and every write to them
// checked.
#pragma once

#include <iosfwd>

namespace mpdetect {

// Makes sure file descriptors 0, 1 and 2 are open: a closed one gets
// /dev/null opened for reading, so that writes to it fail (and are reported)
// rather than land in a file the program opens later. Ignores SIGPIPE, so
// that writing to a closed pipe fails as an error instead of ending the
// process unreported. Call first thing in main.
void guard_standard_streams();

// Flushes `out`; true when everything written to it has arrived.
bool flushed(std::ostream& out);

}  // namespace mpdetect
