// Output files that appear whole or not at all: written under a temporary
// name beside the final one, then renamed.
#pragma once

#include <string>

// A file being written: `partial` is the temporary name.
struct PendingFile {
  std::string final_path;
  std::string partial_path;
};

// Names the temporary file for `path` (in the same folder, so the rename
// cannot cross file systems).
PendingFile pending_file(const std::string& path);

// Renames the temporary file to its final name. Returns false with `error`
// set, and removes the temporary file, when that fails.
bool commit_file(const PendingFile& file, std::string& error);

// Removes the temporary file, if any.
void discard_file(const PendingFile& file);
