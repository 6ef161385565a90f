// Any bytes as the answers, against a small study with one sire (whose
// estimates need no trials, so that the fuzzer spends its time on the
// dialogue): the dialogue always ends,
// with status 0 only after a report for a negative size, reports only after a
// question, and asks at most one question more than the input has
// characters that are not white space (every question but the last consumes
// at least one; "21x" answers two questions, one accepted, one refused).
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "driver/dialogue.h"
#include "fuzz_check.h"
#include "simulation/random_source.h"
#include "study/study_reader.h"

namespace mpdetect {
namespace {

int count_of(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
    ++count;
  return count;
}

int visible_characters(const std::string& text) {
  int count = 0;
  for (char c : text)
    count += c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' ? 0 : 1;
  return count;
}

}  // namespace
}  // namespace mpdetect

// The entry points stand outside the project's namespace.
using namespace mpdetect;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static StudyData study;
  std::istringstream file("3 4 .4 .3 .2 .1 2 .5 .5 3 .6 .3 .1 1 1 99 0");
  FUZZ_CHECK(read_study_data(study, file).ok);

  const std::string answers(reinterpret_cast<const char*>(data), size);
  std::istringstream in(answers);
  std::ostringstream out;
  seed_random(static_cast<uint32_t>(size));
  const int status = run_dialogue(study, in, out);
  const std::string output = out.str();

  const int questions = count_of(output, "Enter the number of offspring (zero to end program).  ");
  const int reports = count_of(output, "Loci =  3; Sires =  1.\nVelm =  0.000\n\n\n");
  FUZZ_CHECK(status == 0 || status == 1);
  FUZZ_CHECK(questions >= 1 && questions <= visible_characters(answers) + 1);
  FUZZ_CHECK(reports <= questions);
  // Status 0 only after the report for a negative size, which ends the run.
  if (status == 0) {
    FUZZ_CHECK(reports >= 1);
    const std::string tail = "Velm =  0.000\n\n\n";
    FUZZ_CHECK(output.size() >= tail.size() &&
               output.compare(output.size() - tail.size(), tail.size(), tail) == 0);
  }
  return 0;
}
