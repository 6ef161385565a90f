// The output transaction with its file system swapped for one that fails a
// chosen call: whichever call of a commit fails, every output is as it was
// before (or, when the commit succeeds, as staged), and no temporary is
// left but one whose removal itself failed.
#include "frontend/output_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace mpdetect {

namespace fs = std::filesystem;

namespace {

// Fails the call numbered `fail_at`, counted from 1 over the calls made
// while `counting`, as a full disk or a lost file system would.
class FailingFiles : public FileSystem {
 public:
  bool counting = false;
  int calls = 0;
  int fail_at = 0;
  std::string failed;  // the call that failed

  int open(const char* path, int flags) override {
    return fails("open") ? -1 : FileSystem::open(path, flags);
  }
  ssize_t read(int fd, void* buffer, size_t size) override {
    return fails("read") ? -1 : FileSystem::read(fd, buffer, size);
  }
  ssize_t write(int fd, const void* data, size_t size) override {
    return fails("write") ? -1 : FileSystem::write(fd, data, size);
  }
  int close(int fd) override {
    // A close that fails has still closed the descriptor.
    const bool failing = fails("close");
    const int closed = FileSystem::close(fd);
    return failing ? -1 : closed;
  }
  int fsync(int fd) override { return fails("fsync") ? -1 : FileSystem::fsync(fd); }
  int ftruncate(int fd, off_t size) override {
    return fails("ftruncate") ? -1 : FileSystem::ftruncate(fd, size);
  }
  int mkstemp(char* pattern) override {
    return fails("mkstemp") ? -1 : FileSystem::mkstemp(pattern);
  }
  int link(const char* from, const char* to) override {
    return fails("link") ? -1 : FileSystem::link(from, to);
  }
  int rename(const char* from, const char* to) override {
    return fails("rename") ? -1 : FileSystem::rename(from, to);
  }
  int unlink(const char* path) override { return fails("unlink") ? -1 : FileSystem::unlink(path); }

 private:
  bool fails(const char* call) {
    if (!counting || ++calls != fail_at) return false;
    failed = call;
    errno = EIO;
    return true;
  }
};

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mpdetect-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(folder_ / name) << text;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(folder_ / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // Files in the folder that a transaction made for itself.
  int temporaries() const {
    int found = 0;
    for (const auto& entry : fs::directory_iterator(folder_))
      found += entry.path().filename().string().rfind(".mpdetect-", 0) == 0;
    return found;
  }

  fs::path folder_;
};

}  // namespace

// Two files replaced, one rewritten in place (it has a second name), one
// made anew: a commit that fails at any of its calls puts every one back.
TEST_F(OutputFileTest, AFailureAtAnyCallLeavesEveryOutputAsItWas) {
  const std::vector<std::string> names = {"first.txt", "linked.txt", "new.txt", "last.txt"};
  int failures_seen = 0;
  for (int fail_at = 1;; ++fail_at) {
    for (const auto& entry : fs::directory_iterator(folder_)) fs::remove(entry.path());
    write("first.txt", "old first");
    write("linked.txt", "old linked");
    fs::create_hard_link(folder_ / "linked.txt", folder_ / "second-name.txt");
    write("last.txt", "old last");

    FailingFiles files;
    files.fail_at = fail_at;
    bool committed = false;
    {
      OutputTransaction transaction(files);
      std::vector<std::string> paths;
      for (const std::string& name : names) paths.push_back(path(name));
      ASSERT_TRUE(open_outputs({}, paths, transaction).ok);
      for (const std::string& name : names)
        ASSERT_TRUE(stage_output(transaction, path(name), "new " + name).ok);
      files.counting = true;
      const Status commit = commit_outputs(transaction);
      files.counting = false;
      committed = commit.ok;
      if (!committed) {
        EXPECT_NE(commit.message.find("Input/output error"), std::string::npos)
            << files.failed << ": " << commit.message;
      }
    }
    const std::string where = "call " + std::to_string(fail_at) + " (" + files.failed + ")";
    if (committed) {
      for (const std::string& name : names) EXPECT_EQ(read(name), "new " + name) << where;
      EXPECT_EQ(read("second-name.txt"), "new linked.txt") << where;
    } else {
      ++failures_seen;
      EXPECT_EQ(read("first.txt"), "old first") << where;
      EXPECT_EQ(read("linked.txt"), "old linked") << where;
      EXPECT_EQ(read("second-name.txt"), "old linked") << where;
      EXPECT_EQ(read("last.txt"), "old last") << where;
      EXPECT_FALSE(fs::exists(folder_ / "new.txt")) << where;
    }
    // Only a removal that itself failed can leave a temporary behind.
    if (files.failed != "unlink") {
      EXPECT_EQ(temporaries(), 0) << where;
    }
    if (files.calls < fail_at) {
      EXPECT_TRUE(committed) << "no call failed, yet the commit did";
      break;
    }
  }
  // Every step of the commit was tried as the one that fails.
  EXPECT_GE(failures_seen, 8);
}

// A transaction that ends without a commit takes its temporaries with it,
// and a write that fails while staging is said, naming the file.
TEST_F(OutputFileTest, AnUncommittedTransactionLeavesNothing) {
  write("kept.txt", "kept");
  FailingFiles files;
  {
    OutputTransaction transaction(files);
    ASSERT_TRUE(open_outputs({}, {path("kept.txt"), path("made.txt")}, transaction).ok);
    EXPECT_EQ(temporaries(), 2);
    files.counting = true;
    files.fail_at = 2;  // ftruncate, then the write
    const Status staged = stage_output(transaction, path("kept.txt"), "new");
    EXPECT_FALSE(staged.ok);
    EXPECT_EQ(files.failed, "write");
    EXPECT_EQ(staged.message, "cannot write " + path("kept.txt") + ": Input/output error");
  }
  EXPECT_EQ(temporaries(), 0);
  EXPECT_EQ(read("kept.txt"), "kept");
  EXPECT_FALSE(fs::exists(folder_ / "made.txt"));
}

}  // namespace mpdetect
