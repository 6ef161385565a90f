// Helpers shared by the tests: studies from literal text, and the example.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "study/study_reader.h"

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
