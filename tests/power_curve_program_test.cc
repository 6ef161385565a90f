// Runs the built power-curve command in a temporary folder beside the
// program, and holds its table to the program's own dialogue.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "folder_run.h"

namespace fs = std::filesystem;

namespace {

class PowerCurveProgramTest : public FolderTest {
 protected:
  FolderResult curve(const std::string& arguments, const std::string& prefix = "") {
    return run_program(std::string("'") + POWER_CURVE_BINARY + "' " + arguments, "", prefix);
  }
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Reads the width and height from a PNG file's header; 0 when it is none.
std::pair<uint32_t, uint32_t> png_size(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
      bytes.compare(12, 4, "IHDR") != 0) {
    return {0, 0};
  }
  auto big_endian = [&bytes](size_t at) {
    uint32_t value = 0;
    for (size_t n = 0; n < 4; ++n) value = value << 8 | static_cast<unsigned char>(bytes[at + n]);
    return value;
  };
  return {big_endian(16), big_endian(20)};
}

}  // namespace

TEST_F(PowerCurveProgramTest, TableMatchesTheDialogueUnderTheSameClock) {
  if (!have_command("faketime")) GTEST_SKIP() << "faketime is not installed";
  use_example();
  const FolderResult table = curve("--from 2 --to 20 --step 2", FROZEN_CLOCK);
  ASSERT_EQ(table.status, 0) << table.errors;
  EXPECT_EQ(table.errors, "No brood size from 2 to 20 reaches 0.95 (highest estimate " +
                              lines_of(table.output).back().substr(3, 5) + ", at 20).\n");

  std::string answers;
  for (int size = 2; size <= 20; size += 2) answers += std::to_string(size) + "\n";
  const FolderResult dialogue =
      run_program(std::string("'") + MPDETECT_BINARY + "'", answers + "0\n", FROZEN_CLOCK);
  std::vector<std::string> reports;
  for (const std::string& line : lines_of(dialogue.output)) {
    const size_t at = line.find("Velm = ");
    if (at != std::string::npos) reports.push_back(line.substr(at + 8));
  }

  const std::vector<std::string> rows = lines_of(table.output);
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0], "brood_size,probability,standard_error");
  ASSERT_EQ(reports.size(), 10u);
  for (size_t n = 1; n < rows.size(); ++n) {
    const std::string& row = rows[n];
    EXPECT_EQ(row.substr(0, row.find(',')), std::to_string(2 * n));
    EXPECT_EQ(row.substr(row.find(',') + 1, 5), reports[n - 1]) << row;
    EXPECT_EQ(row.size(), row.find(',') + 1 + 5 + 1 + 6)
        << "three decimals, then a four-decimal error: " << row;
  }
}

TEST_F(PowerCurveProgramTest, TargetReached) {
  // Five even sires at four loci of ten alleles: detection comes quickly.
  write("mmdata.txt",
        "4\n"
        "10 .1 .1 .1 .1 .1 .1 .1 .1 .1 .1\n10 .1 .1 .1 .1 .1 .1 .1 .1 .1 .1\n"
        "10 .1 .1 .1 .1 .1 .1 .1 .1 .1 .1\n10 .1 .1 .1 .1 .1 .1 .1 .1 .1 .1\n"
        "5 .2 .2 .2 .2 .2\n99 0\n");
  const FolderResult r = curve("--seed 5 --to 30 --target 0.9 --output table.csv");
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.output, "");
  const std::vector<std::string> rows = lines_of(read("table.csv"));
  ASSERT_EQ(rows.size(), 31u);
  size_t first = 0;
  for (size_t n = 1; n < rows.size() && first == 0; ++n) {
    if (std::stod(rows[n].substr(rows[n].find(',') + 1)) >= 0.9) first = n;
  }
  ASSERT_NE(first, 0u);
  EXPECT_EQ(r.errors, "Smallest brood size reaching 0.9: " + std::to_string(first) + " (estimate " +
                          rows[first].substr(rows[first].find(',') + 1, 5) + ").\n");
}

TEST_F(PowerCurveProgramTest, RefusesWhatTheProgramRefusesAndLeavesNoFile) {
  write("mmdata.txt", "2\n2 0.5 0.4\n40 0.5\n");
  const FolderResult r = curve("--output table.csv");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(
      r.errors,
      "Warning: allele frequencies for each locus does not sum to 1! Results may be inaccurate.\n"
      "Data file error, line 3: the number of alleles of locus 2 is 40; it must be from 1 to "
      "30.\n");
  const FolderResult missing = curve("", "rm mmdata.txt &&");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.errors,
            "Cannot open file! Ensure that your data is in same directory as program file.\n");
  for (const auto& entry : fs::directory_iterator(folder_))
    ADD_FAILURE() << "left behind: " << entry.path();
}

TEST_F(PowerCurveProgramTest, BadOptionsAndHelp) {
  const FolderResult bad = curve("--to 500");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.errors, "power-curve: --to takes a brood size from 1 to 100, not 500\n");
  const FolderResult help = curve("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.rfind("Usage: power-curve", 0), 0u);
}

TEST_F(PowerCurveProgramTest, PlotIsAPngOfTheRequestedSize) {
  if (!have_command("gnuplot")) GTEST_SKIP() << "gnuplot is not installed";
  use_example();
  const FolderResult r =
      curve("--seed 1 --to 10 --plot curve.png --size 640x480 --output table.csv");
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(png_size(read("curve.png")), std::make_pair(640u, 480u));
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder_)) ++files;
  EXPECT_EQ(files, 3) << "mmdata.txt, table.csv and curve.png, nothing half-written";
}

TEST_F(PowerCurveProgramTest, MissingGnuplotIsNamedBeforeAnyWork) {
  use_example();
  const FolderResult r = curve("--plot curve.png", "PATH=/nonexistent");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "");
  EXPECT_NE(
      r.errors.find("gnuplot is not installed; install it with 'sudo apt-get install gnuplot-nox'"),
      std::string::npos)
      << r.errors;
  EXPECT_FALSE(fs::exists(folder_ / "curve.png"));
}
