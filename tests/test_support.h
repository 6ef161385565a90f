// Helpers shared by the tests: studies from literal text, and the example.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/status.h"
#include "study/study_reader.h"

// The notes as the command line says them, to compare with literal lines.
inline std::vector<std::string> texts_of(const std::vector<Note>& notes) {
  std::vector<std::string> texts;
  for (const Note& note : notes) texts.push_back(command_line_text(note));
  return texts;
}

// The example study: three loci, two sires of equal share, untyped mother.
inline const char* const EXAMPLE_STUDY =
    "3\n4 0.4 0.3 0.2 0.1\n2 0.5 0.5\n3 0.6 0.3 0.1\n2\n0.5 0.5\n99 0\n";
// The same with the mother given as (0,1) (1,1) (0,2).
inline const char* const EXAMPLE_TYPED_STUDY =
    "3\n4 0.4 0.3 0.2 0.1\n2 0.5 0.5\n3 0.6 0.3 0.1\n2\n0.5 0.5\n0 1 1 1 0 2\n";

// Reads `text` as a data file; fails the test when it is refused.
inline StudyData study_from(const std::string& text) {
  StudyData study{};
  std::istringstream in(text);
  const LoadStatus status = read_study_data(study, in);
  EXPECT_TRUE(status.ok) << status.message;
  return study;
}
