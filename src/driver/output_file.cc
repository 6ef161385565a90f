#include "driver/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

PendingFile pending_file(const std::string& path) {
  return PendingFile{path, path + ".partial-" + std::to_string(static_cast<long>(getpid()))};
}

bool commit_file(const PendingFile& file, std::string& error) {
  if (std::rename(file.partial_path.c_str(), file.final_path.c_str()) != 0) {
    error = "cannot write " + file.final_path + ": " + std::strerror(errno);
    discard_file(file);
    return false;
  }
  return true;
}

void discard_file(const PendingFile& file) {
  std::remove(file.partial_path.c_str());
}
