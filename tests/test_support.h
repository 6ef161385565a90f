// Helpers shared by the tests: studies from literal text, and the example.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/status.h"
#include "frontend/command_line_words.h"
#include "study/study_reader.h"

namespace mpdetect {

#ifdef EXAMPLES_DIR
// A file of examples/, as its bytes.
inline std::string example_file(const std::string& name) {
  std::ifstream in(std::string(EXAMPLES_DIR) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
#endif

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

// Writes a random study file. Its frequencies and shares are sometimes a
// little short of 1, so that draws can pick no index; sometimes hold zeros;
// sometimes a single sire or a single allele.
inline std::string generated_study(std::mt19937& random) {
  auto below = [&random](uint32_t n) { return static_cast<int>(random() % n); };
  auto weights = [&](int n, std::ostringstream& text) {
    double w[MAX_ALLELES];
    double sum = 0;
    for (int s = 0; s < n; ++s) {
      w[s] = below(4) == 0 ? 0.0 : 1.0 + below(100);
      sum += w[s];
    }
    if (sum == 0) w[n - 1] = sum = 1;
    const double scale = below(3) == 0 ? 0.9995 : below(2) == 0 ? 0.99 : 1.0;
    for (int s = 0; s < n; ++s) text << " " << w[s] / sum * scale;
    text << "\n";
  };
  std::ostringstream text;
  text.precision(9);
  const int loci = below(8) == 0 ? 1 + below(MAX_LOCI) : 1 + below(5);
  text << loci << "\n";
  int alleles[MAX_LOCI];
  for (int i = 0; i < loci; ++i) {
    alleles[i] = below(10) == 0 ? 1 + below(MAX_ALLELES) : 1 + below(8);
    text << alleles[i];
    weights(alleles[i], text);
  }
  const int sires = below(6) == 0 ? 1 : 1 + below(MAX_SIRES);
  text << sires;
  weights(sires, text);
  if (below(2) == 0) {
    text << "99 " << below(5) << "\n";
  } else {
    for (int i = 0; i < loci; ++i) text << below(alleles[i]) << " " << below(alleles[i]) << "\n";
  }
  return text.str();
}

}  // namespace mpdetect
