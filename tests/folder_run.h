// Runs a built program in a temporary folder, as a user would: with the
// files it needs there and standard input from a file.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace mpdetect {

struct FolderResult {
  int status;  // exit status, -1 when the program did not exit normally
  std::string output;
  std::string errors;
};

// faketime freezes the clock the seed is read from; ASan must then not insist
// on coming first among the preloaded libraries.
inline const std::string FROZEN_CLOCK =
    "TZ=UTC ASAN_OPTIONS=verify_asan_link_order=0 faketime -f '2026-03-01 12:00:00'";
inline constexpr uint32_t FROZEN_SEED =
    1772366400;  // 2026-03-01 12:00:00 UTC in seconds since 1970

inline bool have_command(const char* name) {
  return std::system(("command -v " + std::string(name) + " > /dev/null 2>&1").c_str()) == 0;
}

class FolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mpdetect-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name) << text;
  }

  std::string read(const std::string& name) const {
    std::ifstream file(folder_ / name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  void use_example() {
    std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / "mmdata.txt",
                               folder_ / "mmdata.txt");
  }

  // Runs `program` (with its arguments, quoted as the shell needs) in the
  // folder with `input` on standard input; `prefix` goes before it on the
  // command line (faketime, say).
  FolderResult run_program(const std::string& program, const std::string& input,
                           const std::string& prefix = "") {
    write(".input", input);
    const std::string command = "cd '" + folder_.string() + "' && " + prefix + " " + program +
                                " < .input > .output 2> .errors";
    const int raw = std::system(command.c_str());
    FolderResult result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read(".output"), read(".errors")};
    std::filesystem::remove(folder_ / ".input");
    std::filesystem::remove(folder_ / ".output");
    std::filesystem::remove(folder_ / ".errors");
    return result;
  }

  std::filesystem::path folder_;
};

}  // namespace mpdetect
