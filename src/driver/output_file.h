// Writing a program's output files so that nothing the user had is lost and
// nothing half-written is left: the one place every front end writes files
// through.
//
// - A regular file (or a missing one) is replaced atomically: the content
//   goes to a temporary file created exclusively, with an unpredictable name,
//   in the same folder, which is renamed over the path when complete. An
//   existing file keeps its permissions (and, where allowed, its owner).
// - A symbolic link is followed and its target written as above; the link
//   stays.
// - A file with more than one hard link is rewritten in place once the
//   content is complete, so that every name keeps seeing it; that write is
//   not atomic.
// - A device, FIFO or socket (/dev/null, /dev/stdout) is written directly.
// - A folder is refused.
// Temporary files are removed on every failure, and on SIGINT, SIGTERM and
// SIGHUP once remove_temporaries_on_signals has been called.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Writes `content` to `path` as above. Returns false with `error` set (one
// line, naming the path) when it cannot; what was at the path is then as it
// was.
bool write_output_file(const std::string& path, const std::string& content, std::string& error);

// Refuses (false, `error` set) an output path that is a folder or names the
// same file as an input or as another output, before any work is done. Paths are compared
// by the file they reach (links followed); outputs that do not exist yet by
// their folder and name.
bool check_output_paths(const std::vector<std::string>& inputs,
                        const std::vector<std::string>& outputs, std::string& error);

// Installs handlers for SIGINT, SIGTERM and SIGHUP that end the child named
// by set_running_child, remove the temporary files being written, and then
// end the process as the signal would have.
void remove_temporaries_on_signals();

// The child process the handlers end (0: none).
void set_running_child(pid_t child);
