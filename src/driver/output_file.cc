#include "driver/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// What the signal handlers may touch: plain storage, no allocation.
constexpr int MAX_TEMPORARIES = 4;
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

void release_temporary(int slot, bool remove) {
  if (slot < 0) return;
  if (remove) unlink(temporary_path[slot]);
  temporary_used[slot] = 0;
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

std::string describe(const std::string& path, int error_number) {
  return "cannot write " + path + ": " + std::strerror(error_number);
}

bool write_all(int fd, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
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

// Writes `content` into a new temporary file beside `final_path` and renames
// it there. `mode` and the owner apply when `keep` is set.
bool replace_atomically(const std::string& final_path, const std::string& content,
                        const struct stat* keep, std::string& error) {
  // The temporary name does not grow with the final one, so that any name
  // the file system accepts can be written.
  std::string pattern = folder_of(final_path) + "/.mpdetect-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // No signal between making the file and noting it for removal.
  sigset_t all, before;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, &before);
  const int fd = mkstemp(name.data());
  const int make_errno = errno;
  const int slot = fd < 0 ? -1 : hold_temporary(name.data());
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (fd < 0) {
    error = describe(final_path, make_errno);
    return false;
  }
  const std::string temporary(name.data());
  bool ok = true;
  if (keep != nullptr) {
    ok = fchmod(fd, keep->st_mode & 07777) == 0;
    if (ok && fchown(fd, keep->st_uid, keep->st_gid) != 0) {
      // Not allowed to give the file away: keep at least the permissions.
    }
  } else {
    // A new file gets what the user's umask allows, as any other program's.
    const mode_t mask = umask(0);
    umask(mask);
    ok = fchmod(fd, 0666 & ~mask) == 0;
  }
  ok = ok && write_all(fd, content) && fsync(fd) == 0;
  const int write_errno = errno;
  ok = close(fd) == 0 && ok;
  if (!ok) {
    error = describe(final_path, write_errno ? write_errno : errno);
    release_temporary(slot, true);
    if (slot < 0) unlink(temporary.c_str());
    return false;
  }
  if (rename(temporary.c_str(), final_path.c_str()) != 0) {
    error = describe(final_path, errno);
    release_temporary(slot, true);
    if (slot < 0) unlink(temporary.c_str());
    return false;
  }
  release_temporary(slot, false);
  return true;
}

bool write_directly(const std::string& path, const std::string& content, int flags,
                    std::string& error) {
  const int fd = open(path.c_str(), flags);
  if (fd < 0) {
    error = describe(path, errno);
    return false;
  }
  bool ok = write_all(fd, content);
  const int write_errno = errno;
  ok = close(fd) == 0 && ok;
  if (!ok) error = describe(path, write_errno ? write_errno : errno);
  return ok;
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

}  // namespace

bool write_output_file(const std::string& path, const std::string& content, std::string& error) {
  errno = 0;
  if (path.empty()) {
    error = "cannot write a file with an empty name";
    return false;
  }
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      error = describe(path, errno);
      return false;
    }
    // Nothing there, or a link to nothing: the file is made where the
    // chain of links ends.
    std::string end;
    if (!follow_links(path, end)) {
      error = describe(path, errno);
      return false;
    }
    errno = 0;
    return replace_atomically(end, content, nullptr, error);
  }
  if (S_ISDIR(info.st_mode)) {
    error = "cannot write " + path + ": it is a folder";
    return false;
  }
  if (!S_ISREG(info.st_mode)) return write_directly(path, content, O_WRONLY, error);
  if (info.st_nlink > 1) return write_directly(path, content, O_WRONLY | O_TRUNC, error);
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) {
    error = describe(path, errno);
    return false;
  }
  errno = 0;
  return replace_atomically(resolved, content, &info, error);
}

bool check_output_paths(const std::vector<std::string>& inputs,
                        const std::vector<std::string>& outputs, std::string& error) {
  for (size_t n = 0; n < outputs.size(); ++n) {
    struct stat info;
    const bool exists = stat(outputs[n].c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
      error = "cannot write " + outputs[n] + ": it is a folder";
      return false;
    }
    // Devices and FIFOs may take several outputs (two to /dev/null).
    if (exists && !S_ISREG(info.st_mode)) continue;
    const Identity output = identity_of(outputs[n]);
    for (const std::string& input : inputs) {
      if (same(output, identity_of(input))) {
        error = "will not write " + outputs[n] + ": it is the input " + input;
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

void remove_temporaries_on_signals() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaddset(&action.sa_mask, SIGHUP);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal_number, &action, nullptr);
}

void set_running_child(pid_t child) {
  running_child = child;
}
