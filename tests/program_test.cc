// Runs the built program in a temporary folder with a data file and piped
// answers, as a user would.
#include <sstream>
#include <string>

#include "driver/dialogue.h"
#include "folder_run.h"
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

TEST_F(ProgramTest, MissingDataFile) {
  const Result r = run("20\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output,
            "Cannot open file! Ensure that your data is in same directory as program file.\n");
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
  EXPECT_EQ(
      r.output,
      "Warning: allele frequencies for each locus does not sum to 1! Results may be inaccurate.\n"
      "Data file error, line 3: the number of alleles of locus 2 is 40; it must be from 1 to "
      "30.\n");
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
  ASSERT_TRUE(read_study_data(study, file, expected).ok);
  std::istringstream answers("20 7\n-1\n");
  run_dialogue(study, answers, expected);
  EXPECT_EQ(r.output, expected.str());
}
