#include "frontend/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace mpdetect {

namespace {

// What the signal handlers may touch: plain storage, no allocation. A run
// has a few outputs; each holds one temporary and, while it is committed,
// one backup.
constexpr int MAX_TEMPORARIES = 16;
char temporary_path[MAX_TEMPORARIES][PATH_MAX];
volatile sig_atomic_t temporary_used[MAX_TEMPORARIES];
volatile pid_t running_child = 0;

int hold_temporary(const std::string& path) {
  for (int n = 0; n < MAX_TEMPORARIES; ++n) {
    if (!temporary_used[n] && path.size() < PATH_MAX) {
      std::memcpy(temporary_path[n], path.c_str(), path.size() + 1);
      temporary_used[n] = 1;
      return n;
    }
  }
  return -1;
}

void release_temporary(int slot) {
  if (slot >= 0) temporary_used[slot] = 0;
}

void on_signal(int signal_number) {
  const pid_t child = running_child;
  if (child > 0) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  for (int n = 0; n < MAX_TEMPORARIES; ++n) {
    if (temporary_used[n]) unlink(temporary_path[n]);
  }
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

// The signals a commit holds off, so that it is not cut between two files.
struct HeldSignals {
  sigset_t before;
  HeldSignals() {
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &before);
  }
  ~HeldSignals() { sigprocmask(SIG_SETMASK, &before, nullptr); }
};

std::string describe(const std::string& path, int error_number) {
  return "cannot write " + path + ": " + std::strerror(error_number);
}

bool write_all(FileSystem& fs, int fd, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = fs.write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool read_all(FileSystem& fs, const std::string& path, std::string& content) {
  const int fd = fs.open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  char buffer[65536];
  for (;;) {
    const ssize_t n = fs.read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      fs.close(fd);
      return false;
    }
    if (n == 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  return fs.close(fd) == 0;
}

// Replaces the content of an existing file, keeping the file itself.
bool rewrite(FileSystem& fs, const std::string& path, const std::string& content, int flags) {
  const int fd = fs.open(path.c_str(), flags);
  if (fd < 0) return false;
  bool ok = write_all(fs, fd, content);
  const int write_errno = errno;
  ok = fs.close(fd) == 0 && ok;
  if (!ok && write_errno) errno = write_errno;
  return ok;
}

std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Where a chain of symbolic links starting at `path` ends; the path itself
// when it is no link. A chain too long (or a loop) gives false.
bool follow_links(const std::string& path, std::string& end) {
  end = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (lstat(end.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    char target[PATH_MAX];
    const ssize_t n = readlink(end.c_str(), target, sizeof target - 1);
    if (n < 0) return false;
    target[n] = '\0';
    end = target[0] == '/' ? std::string(target) : folder_of(end) + "/" + target;
  }
  errno = ELOOP;
  return false;
}

// The open descriptor a path names, as a shell's `> /dev/stdout` would
// write it (its offset and append mode kept, never replaced): /dev/stdin,
// /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N, or a link to
// one. -1 when it names none.
int descriptor_named(const std::string& path) {
  static const char* const streams[] = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
  const std::string own = "/proc/" + std::to_string(getpid()) + "/fd/";
  std::string hop = path;
  for (int hops = 0; hops < 40; ++hops) {
    for (int fd = 0; fd < 3; ++fd) {
      if (hop == streams[fd]) return fd;
    }
    for (const std::string& folder : {std::string("/dev/fd/"), std::string("/proc/self/fd/"),
                                      std::string("/proc/thread-self/fd/"), own}) {
      if (hop.compare(0, folder.size(), folder) != 0 || hop.size() == folder.size() ||
          hop.size() > folder.size() + 9)
        continue;
      const std::string digits = hop.substr(folder.size());
      if (digits.find_first_not_of("0123456789") == std::string::npos) return std::stoi(digits);
    }
    struct stat info;
    if (lstat(hop.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return -1;
    char target[PATH_MAX];
    const ssize_t n = readlink(hop.c_str(), target, sizeof target - 1);
    if (n < 0) return -1;
    target[n] = '\0';
    hop = target[0] == '/' ? std::string(target) : folder_of(hop) + "/" + target;
  }
  return -1;
}

// Makes a new empty file beside `final_path`, noted for removal on a
// signal. The name does not grow with the final one, so that any name the
// file system accepts can be written. False with errno set.
bool make_temporary(FileSystem& fs, const std::string& final_path, std::string& name, int& fd,
                    int& slot) {
  std::string pattern = folder_of(final_path) + "/.mpdetect-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const HeldSignals held;  // no signal between making the file and noting it
  fd = fs.mkstemp(buffer.data());
  if (fd < 0) return false;
  name = buffer.data();
  slot = hold_temporary(name);
  return true;
}

void drop_temporary(FileSystem& fs, PendingOutput& output) {
  if (output.fd >= 0) fs.close(output.fd);
  output.fd = -1;
  if (!output.temporary.empty()) fs.unlink(output.temporary.c_str());
  output.temporary.clear();
  release_temporary(output.slot);
  output.slot = -1;
}

// The identity of a path for comparing outputs with inputs and each other.
struct Identity {
  bool exists;
  dev_t device;
  ino_t inode;
  std::string name;  // folder and name, for a path that does not exist yet
};

Identity identity_of(const std::string& path) {
  struct stat info;
  if (path == "-" && fstat(STDIN_FILENO, &info) == 0)
    return Identity{true, info.st_dev, info.st_ino, ""};
  if (stat(path.c_str(), &info) == 0) return Identity{true, info.st_dev, info.st_ino, ""};
  std::string end;
  if (!follow_links(path, end)) end = path;
  const size_t slash = end.rfind('/');
  const std::string base = slash == std::string::npos ? end : end.substr(slash + 1);
  char folder[PATH_MAX];
  const std::string name =
      realpath(folder_of(end).c_str(), folder) != nullptr ? std::string(folder) + "/" + base : end;
  return Identity{false, 0, 0, name};
}

bool same(const Identity& a, const Identity& b) {
  if (a.exists != b.exists) return false;
  return a.exists ? a.device == b.device && a.inode == b.inode : a.name == b.name;
}

// Refuses an output that names the same file as an input or an earlier
// output. Devices and FIFOs may take several outputs (two to /dev/null).
bool check_distinct(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs,
                    std::string& error) {
  for (size_t n = 0; n < outputs.size(); ++n) {
    struct stat info;
    if (stat(outputs[n].c_str(), &info) == 0 && !S_ISREG(info.st_mode)) continue;
    const Identity output = identity_of(outputs[n]);
    for (const std::string& input : inputs) {
      if (same(output, identity_of(input))) {
        error = "will not write " + outputs[n] + ": it is the input " +
                (input == "-" ? std::string("read from standard input") : input);
        return false;
      }
    }
    for (size_t m = 0; m < n; ++m) {
      if (same(output, identity_of(outputs[m]))) {
        error = "will not write two outputs to one file: " + outputs[m] + " and " + outputs[n];
        return false;
      }
    }
  }
  return true;
}

// Decides how `output.path` is written and makes its temporary.
bool prepare(FileSystem& fs, PendingOutput& output, std::string& error) {
  const std::string& path = output.path;
  if (path.empty()) {
    error = "cannot write a file with an empty name";
    return false;
  }
  const int descriptor = descriptor_named(path);
  if (descriptor >= 0) {
    const int flags = fcntl(descriptor, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
      error = "cannot write " + path + ": it is not open for writing";
      return false;
    }
    output.kind = PendingOutput::DESCRIPTOR;
    output.descriptor = descriptor;
    output.final_path = path;
    return true;
  }
  if (stat(path.c_str(), &output.original) != 0) {
    // Only a missing file (or a link to one) is made anew; a loop, a name
    // too long or a folder that cannot be searched is refused as it is.
    if (errno != ENOENT) {
      error = describe(path, errno);
      return false;
    }
    if (!follow_links(path, output.final_path)) {
      error = describe(path, errno);
      return false;
    }
    if (!make_temporary(fs, output.final_path, output.temporary, output.fd, output.slot)) {
      error = describe(path, errno);
      return false;
    }
    // A new file gets what the user's umask allows, as any other program's.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(output.fd, 0666 & ~mask) != 0) {
      error = describe(path, errno);
      drop_temporary(fs, output);
      return false;
    }
    return true;
  }
  output.existed = true;
  if (S_ISDIR(output.original.st_mode)) {
    error = "cannot write " + path + ": it is a folder";
    return false;
  }
  // What `>` could not write is not written: a read-only file, another
  // user's file (root may, as with `>`).
  if (access(path.c_str(), W_OK) != 0) {
    error = describe(path, errno);
    return false;
  }
  if (!S_ISREG(output.original.st_mode)) {
    output.kind = PendingOutput::DIRECT;
    output.final_path = path;
    return true;
  }
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) {
    error = describe(path, errno);
    return false;
  }
  output.final_path = resolved;
  if (output.original.st_nlink > 1) {
    output.kind = PendingOutput::IN_PLACE;
    return true;
  }
  if (!make_temporary(fs, output.final_path, output.temporary, output.fd, output.slot)) {
    // A writable file in a folder that takes no new file: `>` writes it.
    output.kind = PendingOutput::IN_PLACE;
    return true;
  }
  // The owner first: giving a file away clears its set-id bits.
  const bool kept = fchown(output.fd, output.original.st_uid, output.original.st_gid) == 0 &&
                    fchmod(output.fd, output.original.st_mode & 07777) == 0;
  if (!kept) {
    // Not allowed to give the file to its owner: rewrite it instead.
    drop_temporary(fs, output);
    output.kind = PendingOutput::IN_PLACE;
  }
  return true;
}

PendingOutput* find(OutputTransaction& transaction, const std::string& path) {
  for (PendingOutput& output : transaction.outputs) {
    if (output.path == path) return &output;
  }
  return nullptr;
}

// What a commit did to one output, to undo it.
struct Done {
  PendingOutput* output;
  std::string backup;  // REPLACE of an existing file: its old self
  int backup_slot = -1;
  std::string old_content;  // IN_PLACE: what it held
};

void undo(FileSystem& fs, std::vector<Done>& done) {
  for (auto step = done.rbegin(); step != done.rend(); ++step) {
    PendingOutput& output = *step->output;
    if (output.kind == PendingOutput::IN_PLACE) {
      rewrite(fs, output.final_path, step->old_content, O_WRONLY | O_TRUNC);
    } else if (output.kind == PendingOutput::REPLACE) {
      if (!step->backup.empty()) {
        fs.rename(step->backup.c_str(), output.final_path.c_str());
      } else if (!output.existed) {
        fs.unlink(output.final_path.c_str());
      }
    }
    release_temporary(step->backup_slot);
  }
}

// A second name for `path`, so that it can be put back after being
// replaced. Empty when the file system cannot give one; the commit then
// goes on without a way back for that file.
std::string backup_of(FileSystem& fs, const std::string& path, int& slot) {
  std::string name;
  int fd = -1;
  if (!make_temporary(fs, path, name, fd, slot)) return "";
  fs.close(fd);
  fs.unlink(name.c_str());
  if (fs.link(path.c_str(), name.c_str()) != 0) {
    release_temporary(slot);
    slot = -1;
    return "";
  }
  return name;
}

}  // namespace

Status open_outputs(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs,
                    OutputTransaction& transaction) {
  std::string error;
  abandon_outputs(transaction);
  if (!check_distinct(inputs, outputs, error)) return failure(error);
  for (const std::string& path : outputs) {
    transaction.outputs.push_back(PendingOutput{});
    transaction.outputs.back().path = path;
    if (!prepare(*transaction.files, transaction.outputs.back(), error)) {
      abandon_outputs(transaction);
      return failure(error);
    }
  }
  return success();
}

Status stage_output(OutputTransaction& transaction, const std::string& path,
                    const std::string& content) {
  PendingOutput* output = find(transaction, path);
  if (output == nullptr)
    return failure("cannot write " + path + ": it was not checked before the run");
  if (output->kind != PendingOutput::REPLACE) {
    output->content = content;
    output->staged = true;
    return success();
  }
  errno = 0;
  FileSystem& fs = *transaction.files;
  const bool ok = fs.ftruncate(output->fd, 0) == 0 && lseek(output->fd, 0, SEEK_SET) == 0 &&
                  write_all(fs, output->fd, content) && fs.fsync(output->fd) == 0;
  if (!ok) return failure(describe(path, errno ? errno : EIO));
  output->staged = true;
  return success();
}

// Sends every staged stream output (a device, FIFO or open descriptor) its
// content. Signals are not held: opening a FIFO waits for its reader, and
// the user must be able to give up then, leaving no file touched.
bool send_streams(OutputTransaction& transaction, std::string& error) {
  FileSystem& fs = *transaction.files;
  for (PendingOutput& output : transaction.outputs) {
    if (!output.staged) continue;
    errno = 0;
    bool ok = true;
    if (output.kind == PendingOutput::DESCRIPTOR) {
      ok = write_all(fs, output.descriptor, output.content);
    } else if (output.kind == PendingOutput::DIRECT) {
      ok = rewrite(fs, output.final_path, output.content, O_WRONLY);
    }
    if (!ok) {
      error = describe(output.path, errno ? errno : EIO);
      return false;
    }
  }
  return true;
}

Status commit_outputs(OutputTransaction& transaction) {
  std::string error;
  bool ok = send_streams(transaction, error);
  FileSystem& fs = *transaction.files;
  const HeldSignals held;
  // Files rewritten in place next: they are the ones a full disk stops, and
  // nothing has been renamed yet when they fail.
  std::vector<Done> done;
  for (PendingOutput& output : transaction.outputs) {
    if (!ok || !output.staged || output.kind != PendingOutput::IN_PLACE) continue;
    Done step{&output, "", -1, ""};
    errno = 0;
    if (!read_all(fs, output.final_path, step.old_content)) {
      ok = false;
    } else if (!rewrite(fs, output.final_path, output.content, O_WRONLY | O_TRUNC)) {
      rewrite(fs, output.final_path, step.old_content, O_WRONLY | O_TRUNC);
      ok = false;
    }
    if (!ok) {
      error = describe(output.path, errno ? errno : EIO);
    } else {
      done.push_back(step);
    }
  }
  for (PendingOutput& output : transaction.outputs) {
    if (!ok || !output.staged || output.kind != PendingOutput::REPLACE) continue;
    Done step{&output, "", -1, ""};
    if (output.existed) step.backup = backup_of(fs, output.final_path, step.backup_slot);
    errno = 0;
    if (fs.close(output.fd) != 0 ||
        fs.rename(output.temporary.c_str(), output.final_path.c_str()) != 0) {
      output.fd = -1;
      error = describe(output.path, errno ? errno : EIO);
      if (!step.backup.empty()) fs.unlink(step.backup.c_str());
      release_temporary(step.backup_slot);
      ok = false;
      continue;
    }
    output.fd = -1;
    release_temporary(output.slot);
    output.slot = -1;
    output.temporary.clear();
    done.push_back(step);
  }
  if (!ok) {
    undo(fs, done);
  } else {
    for (Done& step : done) {
      if (!step.backup.empty()) fs.unlink(step.backup.c_str());
      release_temporary(step.backup_slot);
    }
  }
  abandon_outputs(transaction);
  return ok ? success() : failure(error);
}

void abandon_outputs(OutputTransaction& transaction) {
  for (PendingOutput& output : transaction.outputs) drop_temporary(*transaction.files, output);
  transaction.outputs.clear();
}

OutputTransaction::~OutputTransaction() {
  abandon_outputs(*this);
}

int FileSystem::open(const char* path, int flags) {
  return ::open(path, flags);
}
ssize_t FileSystem::read(int fd, void* buffer, size_t size) {
  return ::read(fd, buffer, size);
}
ssize_t FileSystem::write(int fd, const void* data, size_t size) {
  return ::write(fd, data, size);
}
int FileSystem::close(int fd) {
  return ::close(fd);
}
int FileSystem::fsync(int fd) {
  return ::fsync(fd);
}
int FileSystem::ftruncate(int fd, off_t size) {
  return ::ftruncate(fd, size);
}
int FileSystem::mkstemp(char* pattern) {
  return ::mkstemp(pattern);
}
int FileSystem::link(const char* from, const char* to) {
  return ::link(from, to);
}
int FileSystem::rename(const char* from, const char* to) {
  return ::rename(from, to);
}
int FileSystem::unlink(const char* path) {
  return ::unlink(path);
}

FileSystem& real_files() {
  static FileSystem files;
  return files;
}

bool names_a_file(const std::string& path) {
  if (descriptor_named(path) >= 0) return false;
  struct stat info;
  return stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode);
}

void remove_temporaries_on_signals() {
  // Every signal whose default action ends the process, but for the
  // program's own faults and SIGPIPE (ignored, so that a closed pipe is a
  // write error).
  static const int ending[] = {
      SIGHUP,    SIGINT,  SIGQUIT, SIGABRT,   SIGUSR1, SIGUSR2, SIGALRM,
      SIGTERM,   SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGPOLL
      SIGPOLL,
#endif
#ifdef SIGPWR
      SIGPWR,
#endif
#ifdef SIGSTKFLT
      SIGSTKFLT,
#endif
  };
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  for (const int signal_number : ending) sigaddset(&action.sa_mask, signal_number);
  for (const int signal_number : ending) sigaction(signal_number, &action, nullptr);
}

void set_running_child(pid_t child) {
  running_child = child;
}

}  // namespace mpdetect
