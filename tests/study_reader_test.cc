#include "study/study_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "test_support.h"

namespace mpdetect {

namespace {

const char* const FREQ_WARNING =
    "Warning: allele frequencies for each locus does not sum to 1! Results may be inaccurate.\n";
const char* const SKEW_WARNING =
    "Warning: reproductive skew not equal to 1! Results may be inaccurate.\n";
const char* const READ_IN = "Data file read in.\n\n";

struct Outcome {
  bool ok;
  std::string
      output;  // what the program writes: warnings, then "Data file read in." or the refusal
  StudyData study;
};

Outcome read(const std::string& text) {
  Outcome outcome{false, "", StudyData{}};
  std::istringstream in(text);
  const LoadStatus status = read_study_data(outcome.study, in);
  outcome.ok = status.ok;
  outcome.output = warnings_text(status) + (status.ok ? READ_IN : status.message + "\n");
  return outcome;
}

}  // namespace

TEST(StudyReader, ReadsTheExample) {
  const Outcome r = read(EXAMPLE_STUDY);
  ASSERT_TRUE(r.ok) << r.output;
  EXPECT_EQ(r.output, READ_IN);
  const StudyData& s = r.study;
  EXPECT_EQ(s.locus_count, 3);
  EXPECT_EQ(s.allele_count[0], 4);
  EXPECT_EQ(s.allele_count[1], 2);
  EXPECT_EQ(s.allele_count[2], 3);
  // Stored as the nearest single-precision value, widened.
  EXPECT_EQ(s.allele_frequency[0][0], static_cast<double>(0.4f));
  EXPECT_NE(s.allele_frequency[0][3], 0.1);
  EXPECT_EQ(s.allele_frequency[0][3], static_cast<double>(0.1f));
  EXPECT_EQ(s.allele_frequency[1][2], 0.0);
  EXPECT_EQ(s.sire_count, 2);
  EXPECT_EQ(s.skew[1], 0.5);
  EXPECT_FALSE(s.mother_known);
  // An untyped mother starts with the last allele of each locus.
  EXPECT_EQ(s.mother[0].slot[0], 3);
  EXPECT_EQ(s.mother[0].slot[1], 3);
  EXPECT_EQ(s.mother[1].slot[0], 1);
  EXPECT_EQ(s.mother[2].slot[1], 2);
}

TEST(StudyReader, LineStructureCarriesNoMeaning) {
  const Outcome spread = read("3 4\n0.4\n0.3 0.2\t0.1 2 0.5\n\n0.5 3 0.6 0.3 0.1 2 0.5 0.5 99\n0");
  const Outcome example = read(EXAMPLE_STUDY);
  ASSERT_TRUE(spread.ok) << spread.output;
  EXPECT_EQ(0, std::memcmp(&spread.study, &example.study, sizeof(StudyData)));
}

TEST(StudyReader, TypedMother) {
  const Outcome r = read(EXAMPLE_TYPED_STUDY);
  ASSERT_TRUE(r.ok) << r.output;
  EXPECT_TRUE(r.study.mother_known);
  const int expected[3][2] = {{0, 1}, {1, 1}, {0, 2}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(r.study.mother[i].slot[0], expected[i][0]);
    EXPECT_EQ(r.study.mother[i].slot[1], expected[i][1]);
  }
  // 0 as the first mother number is an allele, not a mark.
  EXPECT_TRUE(read("1 2 0.5 0.5 1 1 0 0").study.mother_known);
}

TEST(StudyReader, UntypedMarkStopsReadingWhateverFollows) {
  const Outcome r = read("2 2 0.5 0.5 2 0.5 0.5 1 1\n99 7 1 1 nonsense");
  ASSERT_TRUE(r.ok) << r.output;
  EXPECT_FALSE(r.study.mother_known);
  EXPECT_EQ(r.study.mother[0].slot[0], 1);
  EXPECT_EQ(r.study.mother[1].slot[1], 1);
}

TEST(StudyReader, Warnings) {
  struct Case {
    const char* text;
    std::string expected;
  };
  const std::string F = FREQ_WARNING;
  const Case cases[] = {
      {"2 2 0.5 0.45 2 0.5 0.5 1 1 99 0", F + READ_IN},
      {"3 2 0.5 0.45 1 1 2 0.6 0.3 1 1 99 0", F + F + READ_IN},
      {"1 2 0.5 0.5 2 0.5 0.4 99 0", SKEW_WARNING + std::string(READ_IN)},
      {"1 1 0.9999 1 1 99 0", F + READ_IN},
      {"1 1 1.0001 1 1 99 0", F + READ_IN},
      {"1 3 0.3333 0.3333 0.3333 1 1 99 0", F + READ_IN},
      {"1 2 0.5 0.4999 1 1 99 0", READ_IN},
      {"1 2 0.5 0.5001 1 1 99 0", F + READ_IN},
      {"1 2 0.5 0.5 3 0.5 0.25 0.25 99 0", READ_IN},
      // Warnings come in locus order, each before the next locus is read,
      // and the skew warning after them.
      {"2 1 0.5 1 0.9 2 0.5 0.1 99 0", F + F + SKEW_WARNING + READ_IN},
  };
  for (const Case& c : cases) {
    const Outcome r = read(c.text);
    EXPECT_TRUE(r.ok) << c.text;
    EXPECT_EQ(r.output, c.expected) << c.text;
  }
}

TEST(StudyReader, WarnedValuesStayAsRead) {
  const Outcome r = read("1 2 0.5 0.45 2 0.5 0.4 99 0");
  EXPECT_EQ(r.study.allele_frequency[0][1], static_cast<double>(0.45f));
  EXPECT_EQ(r.study.skew[1], static_cast<double>(0.4f));
}

TEST(StudyReader, Refusals) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"", "Data file error: the file ends before the number of loci.\n"},
      {"0 2 0.5 0.5",
       "Data file error, line 1: the number of loci is 0; it must be from 1 to 25.\n"},
      {"-2", "Data file error, line 1: the number of loci is -2; it must be from 1 to 25.\n"},
      {"26", "Data file error, line 1: the number of loci is 26; it must be from 1 to 25.\n"},
      {"three",
       "Data file error, line 1: the number of loci should be a whole number, but reads "
       "\"three\".\n"},
      {"2.0",
       "Data file error, line 1: the number of loci should be a whole number, but reads "
       "\"2.0\".\n"},
      {"1\n31",
       "Data file error, line 2: the number of alleles of locus 1 is 31; it must be from 1 to "
       "30.\n"},
      {"2 1 1\n0",
       "Data file error, line 2: the number of alleles of locus 2 is 0; it must be from 1 to "
       "30.\n"},
      {"1 2 0.5", "Data file error: the file ends before frequency 2 of locus 1.\n"},
      {"1 2 0.5 0,5",
       "Data file error, line 1: frequency 2 of locus 1 should be a number, but reads \"0,5\".\n"},
      {"1 2 0.5\n-0.5",
       "Data file error, line 2: frequency 2 of locus 1 is -0.5; it must be a finite number, zero "
       "or more.\n"},
      {"1 2 0.5 1e39",
       "Data file error, line 1: frequency 2 of locus 1 is 1e39; it must be a finite number, zero "
       "or more.\n"},
      {"1 2 0.5 nan",
       "Data file error, line 1: frequency 2 of locus 1 should be a number, but reads \"nan\".\n"},
      {"1 1 1", "Data file error: the file ends before the number of sires.\n"},
      {"1 1 1 11",
       "Data file error, line 1: the number of sires is 11; it must be from 1 to 10.\n"},
      {"1 1 1 0", "Data file error, line 1: the number of sires is 0; it must be from 1 to 10.\n"},
      {"1 1 1 2 0.5", "Data file error: the file ends before the share of sire 2.\n"},
      {"1 1 1 2 0.5 -1",
       "Data file error, line 1: the share of sire 2 is -1; it must be a finite number, zero or "
       "more.\n"},
      {"1 1 1 1 1",
       "Data file error: the file ends before the mother's first allele at locus 1.\n"},
      {"1 1 1 1 1 99",
       "Data file error: the file ends before the number after the untyped mark 99.\n"},
      {"1 1 1 1 1 99 x",
       "Data file error, line 1: the number after the untyped mark 99 should be a whole number, "
       "but reads "
       "\"x\".\n"},
      {"1 2 0.5 0.5 1 1 0",
       "Data file error: the file ends before the mother's second allele at locus 1.\n"},
      {"1 2 0.5 0.5 1 1 2 0",
       "Data file error, line 1: the mother's first allele at locus 1 is 2, but the alleles of "
       "that locus are "
       "numbered 0 to 1.\n"},
      {"2 2 0.5 0.5 1 1 1 1\n0 1 0 -1",
       "Data file error, line 2: the mother's second allele at locus 2 is -1, but the alleles of "
       "that locus are "
       "numbered 0 to 0.\n"},
      {"2 2 0.5 0.5 1 1 1 1 0 1 0",
       "Data file error: the file ends before the mother's second allele at locus 2.\n"},
      {"2 2 0.5 0.5 1 1 1 1 0 99 0 0",
       "Data file error, line 1: the mother's second allele at locus 1 is 99, but the alleles of "
       "that locus are "
       "numbered 0 to 1.\n"},
      {"1 2 0.5 0.5abc",
       "Data file error, line 1: frequency 2 of locus 1 should be a number, but reads "
       "\"0.5abc\".\n"},
      {"\x01\x7f",
       "Data file error, line 1: the number of loci should be a whole number, but reads "
       "\"\\x01\\x7F\".\n"},
      {"3 4 0.4 0.3 0.2 0.1 2 0.5 0.5 3 0.6 0.3",
       "Data file error: the file ends before frequency 3 of locus 3.\n"},
      {"1 1 0.00000000000000000000000000000000000000000000000000000000000000000000001",
       "Data file error, line 1: frequency 1 of locus 1 is far too long to be a number.\n"},
  };
  for (const Case& c : cases) {
    const Outcome r = read(c.text);
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_EQ(r.output, c.message) << c.text;
  }
}

TEST(StudyReader, WarningsComeBeforeARefusal) {
  const Outcome r = read("2 1 0.5 40");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(
      r.output,
      std::string(FREQ_WARNING) +
          "Data file error, line 1: the number of alleles of locus 2 is 40; it must be from 1 to "
          "30.\n");
}

TEST(StudyReader, MissingFile) {
  StudyData study{};
  const LoadStatus status = load_study_data(study, "/nonexistent/folder/mmdata.txt");
  EXPECT_FALSE(status.ok);
  EXPECT_TRUE(status.warnings.empty());
  EXPECT_EQ(status.message,
            "Cannot open file! Ensure that your data is in same directory as program file.");
}

}  // namespace mpdetect
