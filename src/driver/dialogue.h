// The question-and-answer loop: ask for a brood size, estimate, report, and
// ask again, until the answer is 0 or a negative size has been reported.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "study/study_data.h"

namespace mpdetect {

// What the program writes when it has read a data file it accepts, before
// the first question.
inline constexpr const char* DATA_FILE_READ_IN = "Data file read in.\n\n";

// What reading one answer found.
enum class AnswerKind {
  NUMBER,        // a whole number within the 32-bit range, in `value`
  OUT_OF_RANGE,  // a whole number beyond the 32-bit range
  UNREADABLE,    // no digits where a number is due; the offending character stays in the input
  END_OF_INPUT,
};

struct Answer {
  AnswerKind kind;
  int32_t value;
};

// Reads one white-space-separated integer the way a C stream does: leading
// white space and a sign are consumed, digits are taken up to the first
// character that is not one, which stays in the input.
Answer read_answer(std::istream& in);

// Runs the dialogue on `in` and `out` and returns the process's exit status:
// 1 when the answer is 0, when the first answer cannot be read, or at end of
// input; 0 after the report for a negative answer. The question is flushed
// before every read. A brood size above MAX_OFFSPRING or beyond the 32-bit
// range, and an unreadable answer once a size has been accepted, get a
// one-line message and the question again (an unreadable answer also loses
// the rest of its line). Once a write to `out` fails it stops with status 1.
int run_dialogue(StudyData& study, std::istream& in, std::ostream& out);

}  // namespace mpdetect
