#include "driver/dialogue.h"

#include <istream>
#include <limits>
#include <ostream>

#include "driver/report.h"

namespace mpdetect {

static bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

Answer read_answer(std::istream& in) {
  int c = in.peek();
  while (c != EOF && is_space(c)) {
    in.get();
    c = in.peek();
  }
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    in.get();
    c = in.peek();
  }
  if (c == EOF) return Answer{AnswerKind::END_OF_INPUT, 0};
  if (c < '0' || c > '9') return Answer{AnswerKind::UNREADABLE, 0};

  // Digits past the 32-bit range keep being consumed so that the whole
  // number is refused, not its tail read as the next answer.
  int64_t magnitude = 0;
  while (c != EOF && c >= '0' && c <= '9') {
    if (magnitude <= INT64_C(1) << 32) magnitude = magnitude * 10 + (c - '0');
    in.get();
    c = in.peek();
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return Answer{AnswerKind::OUT_OF_RANGE, 0};
  return Answer{AnswerKind::NUMBER, static_cast<int32_t>(value)};
}

int run_dialogue(StudyData& study, std::istream& in, std::ostream& out) {
  // The estimator's tables are built for the first size asked, so that a
  // run ended at once (answered 0) builds none.
  static EstimateWork work;
  bool prepared = false;
  // Stays 0 until an answer is accepted, and an answer of 0 ends the run, so
  // 0 here means no size has been accepted yet.
  int32_t brood_size = 0;
  for (;;) {
    out << "Enter the number of offspring (zero to end program).  " << std::flush;
    // Nobody sees the answers any more: stop rather than estimate for them.
    if (!out) return 1;
    const Answer answer = read_answer(in);
    switch (answer.kind) {
      case AnswerKind::END_OF_INPUT:
        return 1;
      case AnswerKind::UNREADABLE:
        if (brood_size == 0) return 1;
        in.clear();
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        out << "Please answer with a whole number of offspring (zero ends the program)."
            << std::endl;
        continue;
      case AnswerKind::OUT_OF_RANGE:
        out << "That number is out of range; a brood can have at most " << MAX_OFFSPRING
            << " offspring." << std::endl;
        continue;
      case AnswerKind::NUMBER:
        if (answer.value > MAX_OFFSPRING) {
          out << "A brood can have at most " << MAX_OFFSPRING << " offspring." << std::endl;
          continue;
        }
        brood_size = answer.value;
        break;
    }
    if (brood_size == 0) return 1;
    if (!prepared) {
      prepare_estimates(study, work);
      prepared = true;
    }
    estimate_and_report(study, brood_size, work, out);
    if (brood_size < 0) return 0;
  }
}

}  // namespace mpdetect
