#include "frontend/standard_streams.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <ostream>

namespace mpdetect {

void guard_standard_streams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1) {
      const int opened = open("/dev/null", O_RDONLY);
      if (opened >= 0 && opened != fd) {
        dup2(opened, fd);
        close(opened);
      }
    }
  }
  signal(SIGPIPE, SIG_IGN);
}

bool flushed(std::ostream& out) {
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace mpdetect
