#include "frontend/gnuplot.h"

#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "frontend/output_file.h"

namespace mpdetect {

bool gnuplot_available() {
  return std::system("command -v gnuplot > /dev/null 2>&1") == 0;
}

const char* gnuplot_install_hint() {
  return "gnuplot is not installed; install it with 'sudo apt-get install gnuplot-nox' "
         "(the table needs no gnuplot: leave out --plot)";
}

namespace {

// Runs gnuplot on `script`; its standard output goes to `image`, the first
// line of its standard error to `complaint`. True when it ends with status 0.
bool run_child(const std::string& script, std::string& image, std::string& complaint) {
  int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
  const bool piped = pipe(in) == 0 && pipe(out) == 0 && pipe(err) == 0;
  const pid_t child = piped ? fork() : -1;
  if (child < 0) {
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
      if (fd >= 0) close(fd);
    }
    complaint = "cannot start gnuplot";
    return false;
  }
  if (child == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    execlp("gnuplot", "gnuplot", static_cast<char*>(nullptr));
    _exit(127);
  }
  set_running_child(child);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  // The script fits in a pipe's buffer many times over; gnuplot reads it
  // whole before it draws.
  size_t sent = 0;
  while (sent < script.size()) {
    const ssize_t n = write(in[1], script.data() + sent, script.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  close(in[1]);

  std::string errors;
  pollfd streams[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open_streams = 2;
  char buffer[65536];
  while (open_streams > 0) {
    if (poll(streams, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (pollfd& stream : streams) {
      if (stream.fd < 0 || stream.revents == 0) continue;
      const ssize_t n = read(stream.fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        close(stream.fd);
        stream.fd = -1;
        --open_streams;
      } else {
        (stream.fd == out[0] ? image : errors).append(buffer, static_cast<size_t>(n));
      }
    }
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  set_running_child(0);
  // gnuplot ends its complaint with the line that says what is wrong.
  while (!errors.empty() && (errors.back() == '\n' || errors.back() == ' ')) errors.pop_back();
  complaint = errors.substr(errors.rfind('\n') + 1);
  return sent == script.size() && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

Status run_gnuplot(const std::string& script, std::string& image) {
  std::string complaint;
  image.clear();
  if (!run_child(script, image, complaint) || image.empty())
    return failure("gnuplot could not draw the figure" +
                   (complaint.empty() ? "" : ": " + complaint));
  return success();
}

}  // namespace mpdetect
