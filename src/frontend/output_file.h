// A run's output files as one transaction, the one place every front end
// writes files through: nothing the user had is lost, nothing half-written
// is left, and either every output of a run is put in place or none is.
//
// - Every output path is checked before any work (open_outputs): a folder,
//   a missing or unwritable folder, an existing file the user could not
//   write with a shell's `>`, a link loop, a name too long, an output that
//   is an input or another output. The temporary file of each is made then
//   too, so that what is found writable is.
// - Contents are staged into their temporaries (stage_output) as the work
//   produces them, and put in place together (commit_outputs) only once
//   the last is complete. A failure or a signal before or during that
//   leaves every earlier output as it was.
// - A regular file (or a missing one) is replaced by renaming its
//   temporary, made exclusively with an unpredictable name in the same
//   folder, over it. A replaced file keeps its owner, group and mode; where
//   the user may not give a file away (another user's file that this one
//   may write), it is rewritten in place instead, as `>` would.
// - A symbolic link is followed and its target written; the link stays. A
//   file with more than one hard link is rewritten in place, so that every
//   name keeps seeing it. Files rewritten in place get their old content
//   back when a later output of the commit fails.
// - A device, FIFO or socket (/dev/null, a named pipe) is written directly,
//   at commit; what it was sent cannot be taken back.
// - A name of an open descriptor (/dev/stdout, /dev/fd/3, /proc/self/fd/1,
//   or a link to one) is written through that descriptor, as a shell's `>`
//   and `>>` would: the file behind it is never replaced, and what it held
//   before stays.
// Streams (devices, FIFOs, descriptors) are sent their content first, with
// signals not held, since opening a FIFO waits for a reader; files are put
// in place after, with signals held off. Temporary files are removed on
// every failure, and on every signal that ends the process by default once
// remove_temporaries_on_signals has been called.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "base/status.h"

namespace mpdetect {

struct PendingOutput {
  std::string path;        // as the user gave it
  std::string final_path;  // the file that is written (links followed)
  enum Kind { REPLACE, IN_PLACE, DIRECT, DESCRIPTOR } kind = REPLACE;
  int descriptor = -1;  // DESCRIPTOR: the descriptor written
  bool existed = false;
  struct stat original {};
  std::string temporary;  // REPLACE: the staged file beside final_path
  int slot = -1;          // its entry in the signal handlers' list
  int fd = -1;            // the temporary, open until staged
  std::string content;    // IN_PLACE, DIRECT and DESCRIPTOR: kept until commit
  bool staged = false;
};

// The calls a transaction makes on files, each as the C library's function
// of the same name, so that a test can make any one of them fail (as
// ninja's tests swap the disk for a virtual one). This one passes them on.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual int open(const char* path, int flags);
  virtual ssize_t read(int fd, void* buffer, size_t size);
  virtual ssize_t write(int fd, const void* data, size_t size);
  virtual int close(int fd);
  virtual int fsync(int fd);
  virtual int ftruncate(int fd, off_t size);
  virtual int mkstemp(char* pattern);
  virtual int link(const char* from, const char* to);
  virtual int rename(const char* from, const char* to);
  virtual int unlink(const char* path);
};

// The file system itself.
FileSystem& real_files();

// A run's outputs. One that ends without being committed takes its
// temporaries with it.
struct OutputTransaction {
  std::vector<PendingOutput> outputs;
  FileSystem* files = &real_files();

  OutputTransaction() = default;
  explicit OutputTransaction(FileSystem& fs) : files(&fs) {}
  OutputTransaction(const OutputTransaction&) = delete;
  OutputTransaction& operator=(const OutputTransaction&) = delete;
  ~OutputTransaction();
};

// Checks every path of `outputs` as above and makes the temporaries.
// Refuses (one line, naming the path) the first that cannot be written;
// nothing is then left behind.
Status open_outputs(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs,
                    OutputTransaction& transaction);

// Writes `content` as the output at `path` (a path given to open_outputs).
// Nothing the user sees changes until commit_outputs.
Status stage_output(OutputTransaction& transaction, const std::string& path,
                    const std::string& content);

// Sends the streams their content, then puts every staged file in place
// with signals held off. Refuses when one cannot be; every file is then as
// it was (streams already sent stay sent). Outputs never staged are
// dropped.
Status commit_outputs(OutputTransaction& transaction);

// Removes the temporaries of a transaction that will not be committed (its
// end does so too).
void abandon_outputs(OutputTransaction& transaction);

// Whether `path` names a file, existing or to be made, rather than a
// device, FIFO, socket or open descriptor: only beside a file is another
// file (a study's legend) named after it.
bool names_a_file(const std::string& path);

// Installs handlers for every signal whose default action ends the process
// (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGALRM, SIGUSR1, SIGXFSZ
// ...) that end the child named by set_running_child, remove the temporary
// files being written, and then end the process as the signal would have.
// Faults of the program itself (SIGSEGV, SIGBUS, SIGFPE, SIGILL) are left
// to their default, and to the sanitizers' reports.
void remove_temporaries_on_signals();

// The child process the handlers end (0: none).
void set_running_child(pid_t child);

}  // namespace mpdetect
