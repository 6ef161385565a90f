#include "driver/dialogue.h"

#include <gtest/gtest.h>

#include <sstream>

#include "simulation/random_source.h"
#include "test_support.h"

namespace mpdetect {

namespace {

const std::string QUESTION = "Enter the number of offspring (zero to end program).  ";

std::string report(const char* velm) {
  return std::string("Loci =  3; Sires =  2.\nVelm =  ") + velm + "\n\n\n";
}

struct DialogueRun {
  int status;
  std::string output;
};

DialogueRun run_with(const char* study_text, const std::string& answers, uint32_t seed = 12345) {
  StudyData study = study_from(study_text);
  seed_random(seed);
  std::istringstream in(answers);
  std::ostringstream out;
  const int status = run_dialogue(study, in, out);
  return DialogueRun{status, out.str()};
}

}  // namespace

TEST(ReadAnswer, ReadsLikeAStream) {
  struct Case {
    const char* input;
    AnswerKind kind;
    int32_t value;
    const char* rest;  // what stays in the input
  };
  const Case cases[] = {
      {"20\n", AnswerKind::NUMBER, 20, "\n"},
      {"  \n\t -5 x", AnswerKind::NUMBER, -5, " x"},
      {"+7", AnswerKind::NUMBER, 7, ""},
      {"12abc", AnswerKind::NUMBER, 12, "abc"},
      {"2147483647", AnswerKind::NUMBER, 2147483647, ""},
      {"-2147483648", AnswerKind::NUMBER, INT32_MIN, ""},
      {"2147483648 1", AnswerKind::OUT_OF_RANGE, 0, " 1"},
      {"-99999999999999999999999 1", AnswerKind::OUT_OF_RANGE, 0, " 1"},
      {"abc", AnswerKind::UNREADABLE, 0, "abc"},
      {" -x", AnswerKind::UNREADABLE, 0, "x"},
      {"- 5", AnswerKind::UNREADABLE, 0, " 5"},
      {"\x01\xff", AnswerKind::UNREADABLE, 0, "\x01\xff"},
      {"", AnswerKind::END_OF_INPUT, 0, ""},
      {" \n ", AnswerKind::END_OF_INPUT, 0, ""},
      {"-", AnswerKind::END_OF_INPUT, 0, ""},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.input);
    const Answer answer = read_answer(in);
    EXPECT_EQ(answer.kind, c.kind) << c.input;
    if (c.kind == AnswerKind::NUMBER) {
      EXPECT_EQ(answer.value, c.value) << c.input;
    }
    in.clear();
    const std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(rest, c.rest) << c.input;
  }
}

TEST(Dialogue, ReferenceRunsForAFixedSeed) {
  // Seed 12345, sizes 20, 5, 100, -3: 30988, 14695, 32117 and 0 detecting
  // trials, with the untyped mother; with her typed as (0,1) (1,1) (0,2),
  // 30145, 10785, 32136 and 0.
  const DialogueRun untyped = run_with(EXAMPLE_STUDY, "20\n5\n100\n-3\n");
  EXPECT_EQ(untyped.status, 0);
  EXPECT_EQ(untyped.output, QUESTION + report("0.620") + QUESTION + report("0.294") + QUESTION +
                                report("0.642") + QUESTION + report("0.000"));
  EXPECT_EQ(random_state(), 3829956969u);

  const DialogueRun typed = run_with(EXAMPLE_TYPED_STUDY, "20 5 100 -3");
  EXPECT_EQ(typed.status, 0);
  EXPECT_EQ(typed.output, QUESTION + report("0.603") + QUESTION + report("0.216") + QUESTION +
                              report("0.643") + QUESTION + report("0.000"));
  EXPECT_EQ(random_state(), 2449457129u);
}

TEST(Dialogue, Endings) {
  struct Case {
    const char* answers;
    int status;
    std::string output;
  };
  const std::string Q = QUESTION;
  const std::string too_many = "A brood can have at most 100 offspring.\n";
  const std::string out_of_range =
      "That number is out of range; a brood can have at most 100 offspring.\n";
  const std::string unreadable =
      "Please answer with a whole number of offspring (zero ends the program).\n";
  const Case cases[] = {
      {"0\n", 1, Q},
      {"", 1, Q},
      {"   \n", 1, Q},
      {"abc\n3\n", 1, Q},
      {"-5\n7\n", 0, Q + report("0.000")},
      {"1 2 0", 1, Q + report("0.000") + Q + report("0.000") + Q},
      {"1\n", 1, Q + report("0.000") + Q},
      {"101\n2147483648\n-2147483649\n0\n", 1,
       Q + too_many + Q + out_of_range + Q + out_of_range + Q},
      {"1\nabc 2\n-1", 0, Q + report("0.000") + Q + unreadable + Q + report("0.000")},
      {"2\n-\n0", 1, Q + report("0.000") + Q + unreadable + Q},
      // A number that ends with the input is read whole.
      {"2\n-2", 0, Q + report("0.000") + Q + report("0.000")},
      {"1\n\x01\xff 2\n-1", 0, Q + report("0.000") + Q + unreadable + Q + report("0.000")},
      {"1\n00000000000000000000000000000000000002 -1", 0,
       Q + report("0.000") + Q + report("0.000") + Q + report("0.000")},
      {"+\n", 1, Q},
  };
  for (const Case& c : cases) {
    const DialogueRun r = run_with(EXAMPLE_STUDY, c.answers);
    EXPECT_EQ(r.status, c.status) << c.answers;
    EXPECT_EQ(r.output, c.output) << c.answers;
  }
}

TEST(Dialogue, AVeryLongUnreadableLineIsDiscardedWhole) {
  const std::string answers = "1\n" + std::string(1 << 20, 'x') + " 5 5 5\n-1";
  const DialogueRun r = run_with(EXAMPLE_STUDY, answers);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output,
            QUESTION + report("0.000") + QUESTION +
                "Please answer with a whole number of offspring (zero ends the program).\n" +
                QUESTION + report("0.000"));
}

TEST(Dialogue, RefusedAnswersChangeNothingElse) {
  const DialogueRun direct = run_with(EXAMPLE_STUDY, "4 -1");
  const DialogueRun with_refusals = run_with(EXAMPLE_STUDY, "4 500 x\n-1");
  std::string stripped = with_refusals.output;
  for (const std::string message :
       {"A brood can have at most 100 offspring.\n",
        "Please answer with a whole number of offspring (zero ends the program).\n"}) {
    const size_t at = stripped.find(QUESTION + message);
    ASSERT_NE(at, std::string::npos) << message;
    stripped.erase(at, QUESTION.size() + message.size());
  }
  EXPECT_EQ(stripped, direct.output);
  EXPECT_EQ(with_refusals.status, 0);
}

}  // namespace mpdetect
