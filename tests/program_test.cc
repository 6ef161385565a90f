// Runs the built program in a temporary folder with a data file and piped
// answers, as a user would.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/dialogue.h"
#include "simulation/random_source.h"
#include "study/study_reader.h"

namespace fs = std::filesystem;

namespace {

const std::string QUESTION = "Enter the number of offspring (zero to end program).  ";
const std::string READ_IN = "Data file read in.\n\n";

struct Result {
  int status;
  std::string output;
};

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mpdetect-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  void write(const std::string& name, const std::string& text) { std::ofstream(folder_ / name) << text; }

  void use_example() { fs::copy_file(fs::path(EXAMPLES_DIR) / "mmdata.txt", folder_ / "mmdata.txt"); }

  // Runs the program in the folder with `answers` on standard input; `prefix`
  // goes before the program on the command line (faketime, say).
  Result run(const std::string& answers, const std::string& prefix = "") {
    write("answers.txt", answers);
    const std::string command = "cd '" + folder_.string() + "' && " + prefix + " '" + MPDETECT_BINARY +
                                "' < answers.txt > output.txt 2> errors.txt";
    const int raw = std::system(command.c_str());
    std::ifstream output(folder_ / "output.txt");
    std::stringstream text;
    text << output.rdbuf();
    std::ifstream errors(folder_ / "errors.txt");
    std::stringstream error_text;
    error_text << errors.rdbuf();
    EXPECT_EQ(error_text.str(), "") << "the program writes nothing to standard error";
    return Result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text.str()};
  }

  fs::path folder_;
};

std::string example_report(const char* velm) {
  return std::string("Loci =  3; Sires =  2.\nVelm =  ") + velm + "\n\n\n";
}

}  // namespace

TEST_F(ProgramTest, MissingDataFile) {
  const Result r = run("20\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "Cannot open file! Ensure that your data is in same directory as program file.\n");
}

TEST_F(ProgramTest, AnswerZeroEndsWithStatusOne) {
  use_example();
  const Result r = run("0\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, READ_IN + QUESTION);
}

TEST_F(ProgramTest, NegativeAnswerReportsOnceAndEndsNormally) {
  use_example();
  const Result r = run("-5\n3\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, READ_IN + QUESTION + example_report("0.000"));
}

TEST_F(ProgramTest, TwoAnswersOnOneLine) {
  use_example();
  const Result r = run("2 0\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, READ_IN + QUESTION + example_report("0.000") + QUESTION);
}

TEST_F(ProgramTest, EndOfInput) {
  use_example();
  const Result first = run("");
  EXPECT_EQ(first.status, 1);
  EXPECT_EQ(first.output, READ_IN + QUESTION);
  const Result later = run("1\n");
  EXPECT_EQ(later.status, 1);
  EXPECT_EQ(later.output, READ_IN + QUESTION + example_report("0.000") + QUESTION);
}

TEST_F(ProgramTest, BadDataFileIsRefusedBeforeAnyQuestion) {
  write("mmdata.txt", "2\n2 0.5 0.4\n40 0.5\n");
  const Result r = run("20\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output,
            "Warning: allele frequencies for each locus does not sum to 1! Results may be inaccurate.\n"
            "Data file error, line 3: the number of alleles of locus 2 is 40; it must be from 1 to 30.\n");
}

// faketime freezes the clock the seed is read from; ASan must then not insist
// on coming first among the preloaded libraries.
const std::string FROZEN_CLOCK = "TZ=UTC ASAN_OPTIONS=verify_asan_link_order=0 faketime '2026-03-01 12:00:00'";
const uint32_t FROZEN_SEED = 1772366400;  // 2026-03-01 12:00:00 UTC in seconds since 1970

TEST_F(ProgramTest, SeedsFromTheClock) {
  if (std::system("command -v faketime > /dev/null 2>&1") != 0) GTEST_SKIP() << "faketime is not installed";
  use_example();
  const Result r = run("20 7\n-1\n", FROZEN_CLOCK);
  EXPECT_EQ(r.status, 0);

  // The same dialogue in-process, seeded with the frozen time.
  std::ifstream file(fs::path(EXAMPLES_DIR) / "mmdata.txt");
  StudyData study{};
  std::ostringstream expected;
  seed_random(FROZEN_SEED);
  ASSERT_TRUE(read_study_data(study, file, expected).ok);
  std::istringstream answers("20 7\n-1\n");
  run_dialogue(study, answers, expected);
  EXPECT_EQ(r.output, expected.str());
}
