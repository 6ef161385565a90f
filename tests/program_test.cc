// Runs the built program in a temporary folder with a data file and piped
// answers, as a user would.
#include <sstream>
#include <string>

#include "driver/dialogue.h"
#include "folder_run.h"
#include "simulation/random_source.h"
#include "study/study_reader.h"
#include "test_support.h"

namespace mpdetect {

namespace fs = std::filesystem;

namespace {

const std::string QUESTION = "Enter the number of offspring (zero to end program).  ";
const std::string READ_IN = "Data file read in.\n\n";

struct Result {
  int status;
  std::string output;
};

class ProgramTest : public FolderTest {
 protected:
  // Runs the program with `answers` on standard input.
  Result run(const std::string& answers, const std::string& prefix = "") {
    const FolderResult r = run_program(std::string("'") + MPDETECT_BINARY + "'", answers, prefix);
    EXPECT_EQ(r.errors, "") << "the program writes nothing to standard error";
    return Result{r.status, r.output};
  }
};

std::string example_report(const char* velm) {
  return std::string("Loci =  3; Sires =  2.\nVelm =  ") + velm + "\n\n\n";
}

}  // namespace

// The dialogue's answers are tested in-process; here only what the process
// adds: its exit status, and that its last words reach the output (the
// question has no line end, so it must be flushed).
TEST_F(ProgramTest, StatusAndLastWords) {
  const char* const bad_study = "2\n2 0.5 0.4\n40 0.5\n";
  struct Row {
    const char* study;  // nullptr: no data file
    const char* answers;
    int status;
    std::string ends_with;
  };
  const Row rows[] = {
      {nullptr, "20\n", 1,
       "Cannot open file! Ensure that your data is in same directory as program file.\n"},
      {bad_study, "20\n", 1,
       "Data file error, line 3: the number of alleles of locus 2 is 40; it must be from 1 to "
       "30.\n"},
      {EXAMPLE_STUDY, "0\n", 1, READ_IN + QUESTION},
      {EXAMPLE_STUDY, "", 1, READ_IN + QUESTION},
      {EXAMPLE_STUDY, "1\n", 1, example_report("0.000") + QUESTION},
      {EXAMPLE_STUDY, "2 0\n", 1, example_report("0.000") + QUESTION},
      {EXAMPLE_STUDY, "-5\n3\n", 0, QUESTION + example_report("0.000")},
  };
  for (const Row& row : rows) {
    if (row.study != nullptr) write("mmdata.txt", row.study);
    const Result r = run(row.answers);
    fs::remove(folder_ / "mmdata.txt");
    EXPECT_EQ(r.status, row.status) << row.answers;
    EXPECT_TRUE(r.output.size() >= row.ends_with.size() &&
                r.output.compare(r.output.size() - row.ends_with.size(), row.ends_with.size(),
                                 row.ends_with) == 0)
        << row.answers << "\n"
        << r.output;
  }
}

TEST_F(ProgramTest, SeedsFromTheClock) {
  if (!have_command("faketime")) GTEST_SKIP() << "faketime is not installed";
  use_example();
  const Result r = run("20 7\n-1\n", FROZEN_CLOCK);
  EXPECT_EQ(r.status, 0);

  // The same dialogue in-process, seeded with the frozen time.
  std::ifstream file(fs::path(EXAMPLES_DIR) / "mmdata.txt");
  StudyData study{};
  std::ostringstream expected;
  seed_random(FROZEN_SEED);
  ASSERT_TRUE(read_study_data(study, file).ok);
  expected << DATA_FILE_READ_IN;
  std::istringstream answers("20 7\n-1\n");
  run_dialogue(study, answers, expected);
  EXPECT_EQ(r.output, expected.str());
}

}  // namespace mpdetect
