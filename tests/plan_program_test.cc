// Runs the built mpplan in a temporary folder beside the dialogue program:
// every subcommand end to end, and a single-design curve held to the
// dialogue's own reports under the same clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "folder_run.h"
#include "test_support.h"

namespace mpdetect {

namespace fs = std::filesystem;

namespace {

const std::string PLAN = std::string("'") + MPPLAN_BINARY + "'";

// A small Genepop file: two samples, three loci, one locus with a missing
// genotype, and an individual whose record is wrapped.
const char* const GENEPOP =
    "Two samples\n"
    "Loc1, Loc2\n"
    "Loc3\n"
    "Pop\n"
    "a1, 0101 0203 0101\n"
    "a2, 0102 0303 0202\n"
    "a3, 0203 0000 0102\n"
    "POP\n"
    "b1, 0304 0102\n"
    "  0203\n"
    "b2, 0404 0101 0303\n";

class PlanProgramTest : public FolderTest {
 protected:
  FolderResult plan(const std::string& arguments, const std::string& prefix = "") {
    return run_program(PLAN + " " + arguments, "", prefix);
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

TEST_F(PlanProgramTest, OneStudyCurveIsTheDialogueUnderTheSameClock) {
  if (!have_command("faketime")) GTEST_SKIP() << "faketime is not installed";
  use_example();
  const FolderResult table = plan("curve --from 2 --to 20 --step 2", FROZEN_CLOCK);
  ASSERT_EQ(table.status, 0) << table.errors;
  EXPECT_EQ(table.errors, "Seed: " + std::to_string(FROZEN_SEED) + " (repeat with --seed " +
                              std::to_string(FROZEN_SEED) +
                              ")\nmmdata.txt: 1 of its 3 loci has at most two alleles, so never "
                              "more than two paternal alleles: it never reveals a second father "
                              "by this rule; the likelihood verdict uses them\nNo brood size from "
                              "2 to 20 reaches 0.95 (highest "
                              "estimate " +
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
  EXPECT_EQ(rows[0].substr(0, rows[0].find(",ceiling")),
            "brood_size,probability,standard_error,ci_low,ci_high");
  ASSERT_EQ(reports.size(), 10u);
  for (size_t n = 1; n < rows.size(); ++n) {
    EXPECT_EQ(rows[n].substr(0, rows[n].find(',')), std::to_string(2 * n));
    EXPECT_EQ(rows[n].substr(rows[n].find(',') + 1, 5), reports[n - 1]) << rows[n];
  }
}

TEST_F(PlanProgramTest, DesignsShareTheSeed) {
  use_example();
  const FolderResult one = plan("curve --seed 9 --to 6 --shares 0.8,0.2");
  const FolderResult two = plan("curve --seed 9 --to 6 --shares 0.5,0.5 --shares 0.8,0.2");
  ASSERT_EQ(two.status, 0) << two.errors;
  const std::vector<std::string> alone = lines_of(one.output), both = lines_of(two.output);
  ASSERT_EQ(both.size(), 13u);
  EXPECT_EQ(both[0].substr(0, both[0].find(",ceiling")),
            "design,brood_size,probability,standard_error,ci_low,ci_high");
  // The second design's rows are what it gives on its own.
  for (size_t n = 1; n < alone.size(); ++n)
    EXPECT_EQ(both[6 + n], "3 loci; 2 sires 0.8/0.2; mother drawn," + alone[n]);
  EXPECT_NE(two.errors.find("3 loci; 2 sires 0.5/0.5; mother drawn: no brood size from 1 to 6"),
            std::string::npos)
      << two.errors;
}

TEST_F(PlanProgramTest, StudyFromAPopulationFileReadsInTheDialogue) {
  write("sample.gen", GENEPOP);
  const FolderResult r = plan("study sample.gen --pop 1 --mother a2 -o mmdata.txt");
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_NE(r.errors.find("locus Loc2: 2 alleles, 2 individuals typed"), std::string::npos)
      << r.errors;
  EXPECT_EQ(read("mmdata.txt"),
            "3\n3 0.500000 0.333333 0.166667\n2 0.250000 0.750000\n2 0.500000 0.500000\n2\n"
            "0.500000 0.500000\n0 1 1 1 1 1\n");
  EXPECT_EQ(read("mmdata.legend.csv"),
            "locus,index,allele\nLoc1,0,01\nLoc1,1,02\nLoc1,2,03\nLoc2,0,02\nLoc2,1,03\nLoc3,0,"
            "01\nLoc3,1,02\n");
  const FolderResult dialogue = run_program(std::string("'") + MPDETECT_BINARY + "'", "0\n");
  EXPECT_EQ(dialogue.output.rfind("Data file read in.\n\n", 0), 0u) << dialogue.output;
}

// The mother's labels are taken as the file writes them and as numbers.
TEST_F(PlanProgramTest, MotherLabelsAsWrittenOrAsNumbers) {
  write("sample.gen", GENEPOP);
  ASSERT_EQ(plan("study sample.gen --pop 1 --mother a2 -o by_id.txt").status, 0);
  for (const char* labels : {"01/02,03/03,02/02", "1/2,3/3,2/2", "001/2,03/3,2/02"}) {
    const FolderResult r =
        plan(std::string("study sample.gen --pop 1 --mother ") + labels + " -o by_labels.txt");
    ASSERT_EQ(r.status, 0) << labels << ": " << r.errors;
    EXPECT_EQ(read("by_labels.txt"), read("by_id.txt")) << labels;
  }
  const FolderResult absent = plan("study sample.gen --pop 1 --mother 01/04,03/03,02/02 -o x.txt");
  EXPECT_EQ(absent.status, 1);
  EXPECT_NE(absent.errors.find("allele 04 of the mother at locus Loc1 does not occur"),
            std::string::npos)
      << absent.errors;
}

TEST_F(PlanProgramTest, PanelAndLoci) {
  write("sample.gen", GENEPOP);
  const FolderResult panel = plan("panel sample.gen");
  ASSERT_EQ(panel.status, 0) << panel.errors;
  const std::vector<std::string> rows = lines_of(panel.output);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0],
            "locus,alleles,typed,Ho,He,unbiased_He,PIC,excl_first_parent,excl_second_parent,"
            "excl_parent_pair");
  EXPECT_EQ(rows[2].substr(0, 13), "Loc2,3,4,0.50");
  EXPECT_EQ(rows[4].substr(0, 12), "combined,,,,");
  EXPECT_NE(panel.errors.find("all 2 samples pooled"), std::string::npos) << panel.errors;

  const FolderResult table = plan("panel sample.gen --format table");
  EXPECT_EQ(lines_of(table.output)[1].substr(0, 4), "Loc1");
  EXPECT_EQ(lines_of(table.output)[0].find(','), std::string::npos);

  use_example();
  const FolderResult loci = plan("loci mmdata.txt --size 10 --seed 4");
  ASSERT_EQ(loci.status, 0) << loci.errors;
  const std::vector<std::string> ranked = lines_of(loci.output);
  ASSERT_EQ(ranked.size(), 10u);
  EXPECT_EQ(ranked[0], "analysis,locus,loci,probability,standard_error");
  // The last forward step uses every locus: the estimate of the whole study.
  const FolderResult whole = plan("curve --seed 4 --from 10 --to 10");
  EXPECT_EQ(ranked[9].substr(ranked[9].find(",3,") + 3), lines_of(whole.output)[1].substr(3, 12));
}

TEST_F(PlanProgramTest, ScaleMistakesAreCaught) {
  write("mmdata.txt", "1\n3 50 30 20\n2\n0.5 0.5\n99 0\n");
  const FolderResult refused = plan("curve --to 3");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.errors.find("mmdata.txt: the frequencies of locus 1 add up to 100; these look "
                                "like percentages (run it as it stands with --as-is)"),
            std::string::npos)
      << refused.errors;
  EXPECT_EQ(refused.output, "");
  const FolderResult as_is = plan("curve --to 3 --as-is");
  EXPECT_EQ(as_is.status, 0) << as_is.errors;
  const FolderResult shares = plan("curve --to 3 --as-is --shares 0.3,0.2");
  EXPECT_EQ(shares.status, 0) << "--as-is covers the shares too";
  write("mmdata.txt", EXAMPLE_STUDY);
  const FolderResult counts = plan("curve --to 3 --shares 6,4");
  EXPECT_EQ(counts.status, 1);
  EXPECT_NE(counts.errors.find("the shares 6,4 add up to 10; these look like counts"),
            std::string::npos)
      << counts.errors;
  // Shares the options give are held to 1: a total a little off is
  // refused with its total, as one far off, unless --as-is; a sire whose
  // share begins past 1 can never be drawn and is refused whatever.
  const struct {
    const char* words;
    int status;
    const char* said;
  } share_rows[] = {
      {"--shares 0.5,0.45", 1, "the shares 0.5,0.45 add up to 0.95, not 1 (run it as it stands"},
      {"--shares 0.5,0.5,0.5", 1, "the shares 0.5,0.5,0.5 add up to 1.5, not 1"},
      {"--shares 0.5,0.45 --as-is", 0, "warning: the shares of the sires add up to 0.95"},
      {"--shares 0.6,0.6 --as-is", 0, "warning: the shares of the sires add up to 1.2"},
      {"--shares 0.5,0.5,0.5 --as-is", 1,
       "the shares 0.5,0.5,0.5: sire 3 can never be drawn, since the shares before it already "
       "add up to 1"},
      {"--shares 0.5,0.49995", 0, ""},
  };
  for (const auto& row : share_rows) {
    const FolderResult run = plan(std::string("curve --to 3 ") + row.words);
    EXPECT_EQ(run.status, row.status) << row.words << ": " << run.errors;
    if (*row.said) {
      EXPECT_NE(run.errors.find(row.said), std::string::npos) << row.words << ": " << run.errors;
    } else {
      EXPECT_EQ(run.errors.find("add up to"), std::string::npos) << run.errors;
    }
  }
  // panel holds a frequency table to the same totals: short, a warning and
  // the table; far short, refused; within the tolerance, nothing said.
  struct Row {
    const char* b;  // locus B's two frequencies
    int status;
    const char* said;
  };
  const Row rows[] = {
      {"0.1,0.2", 1, "the frequencies of locus B add up to 0.3; far less than 1"},
      {"0.5,0.45", 0, "warning: the frequencies of locus B add up to 0.95"},
      {"0.5,0.49995", 0, ""},
  };
  for (const Row& row : rows) {
    const std::string b = row.b;
    write("table.csv", "locus,allele,frequency\nA,1,0.5\nA,2,0.5\nB,1," + b.substr(0, b.find(',')) +
                           "\nB,2," + b.substr(b.find(',') + 1) + "\n");
    const FolderResult panel = plan("panel table.csv");
    EXPECT_EQ(panel.status, row.status) << row.b << ": " << panel.errors;
    if (*row.said) {
      EXPECT_NE(panel.errors.find(row.said), std::string::npos) << panel.errors;
    } else {
      EXPECT_EQ(panel.errors.find("add up to"), std::string::npos) << panel.errors;
    }
    EXPECT_EQ(panel.output.empty(), row.status != 0) << row.b;
  }
}

TEST_F(PlanProgramTest, UsageHelpAndRefusals) {
  struct Row {
    std::string arguments;
    int status;
    std::string errors_start;
  };
  const Row rows[] = {
      {"", 2, "mpplan: give a command"},
      {"draw", 2, "mpplan: unknown command draw"},
      {"curve --to 5000", 2, "mpplan: --to takes a brood size from 1 to 1000, not 5000"},
      {"panel --from 3 x", 2, "mpplan: panel does not take --from"},
      {"loci mmdata.txt", 2, "mpplan: loci needs --size N"},
      {"curve --plot figure.gif", 2, "mpplan: --plot figure.gif: give a .png, .svg or .pdf file"},
      {"curve --size 4294967896x4294967896", 2, "mpplan: --size takes WIDTHxHEIGHT"},
      {"curve missing.txt", 1, "mpplan: cannot read missing.txt"},
  };
  for (const Row& row : rows) {
    const FolderResult r = plan(row.arguments);
    EXPECT_EQ(r.status, row.status) << row.arguments;
    EXPECT_EQ(r.errors.substr(0, row.errors_start.size()), row.errors_start) << row.arguments;
  }
  for (const char* command : {"", "study ", "panel ", "curve ", "loci "}) {
    const FolderResult help = plan(std::string(command) + "--help");
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_EQ(help.output.rfind("Usage: mpplan", 0), 0u) << command;
    const FolderResult version = plan(std::string(command) + "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("mpplan ", 0), 0u);
  }
  write("mmdata.txt", "2\n2 0.5 0.4\n40 0.5\n");
  const FolderResult refused = plan("curve --output table.csv");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.errors.find("mmdata.txt: Data file error, line 3: the number of alleles of "
                                "locus 2 is 40; it must be from 1 to 30."),
            std::string::npos)
      << refused.errors;
  EXPECT_FALSE(fs::exists(folder_ / "table.csv"));
}

TEST_F(PlanProgramTest, FiguresInEveryFormat) {
  if (!have_command("gnuplot")) GTEST_SKIP() << "gnuplot is not installed";
  use_example();
  const FolderResult png = plan(
      "curve --seed 1 --to 10 --plot curve.png --size 640x480 "
      "--shares 0.5,0.5 --shares 0.9,0.1 -o table.csv");
  ASSERT_EQ(png.status, 0) << png.errors;
  EXPECT_EQ(png_size(read("curve.png")), std::make_pair(640u, 480u));
  const FolderResult svg = plan("curve --seed 1 --to 10 --plot curve.svg --title 'My_study'");
  ASSERT_EQ(svg.status, 0) << svg.errors;
  const std::string image = read("curve.svg");
  EXPECT_NE(image.find("<svg"), std::string::npos);
  EXPECT_NE(image.find("My_study"), std::string::npos) << "titles are shown as typed";
  EXPECT_NE(image.find("seed 1"), std::string::npos);
  const FolderResult pdf = plan("loci mmdata.txt --size 8 --seed 1 --plot loci.pdf");
  ASSERT_EQ(pdf.status, 0) << pdf.errors;
  EXPECT_EQ(read("loci.pdf").rfind("%PDF", 0), 0u);
}

TEST_F(PlanProgramTest, MissingGnuplotIsNamedBeforeAnyWork) {
  use_example();
  const FolderResult r = plan("curve --plot curve.png", "PATH=/nonexistent");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "");
  EXPECT_NE(
      r.errors.find("gnuplot is not installed; install it with 'sudo apt-get install gnuplot-nox'"),
      std::string::npos)
      << r.errors;
  EXPECT_FALSE(fs::exists(folder_ / "curve.png"));
}

// Every figure as SVG is the planner's own: no gnuplot needed.
TEST_F(PlanProgramTest, SvgFiguresNeedNoGnuplot) {
  use_example();
  std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / "broods.gen",
                             folder_ / "broods.gen");
  for (const char* run :
       {"curve --to 3 --seed 1 --plot f.svg", "loci mmdata.txt --size 4 --seed 1 --plot f.svg",
        "broods broods.gen --seed 1 --plot f.svg -o b.csv"}) {
    const FolderResult r = plan(run, "PATH=/nonexistent");
    EXPECT_EQ(r.status, 0) << run << ": " << r.errors;
    const std::string svg = read("f.svg");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u) << run;
    EXPECT_NE(svg.find("</svg>"), std::string::npos) << run;
    fs::remove(folder_ / "f.svg");
  }
}

// What a file or a file name holds reaches standard error escaped, one
// line a message: a NUL in a population file is refused with its line, a
// file name with a line end and a terminal's escape is shown as \xHH.
TEST_F(PlanProgramTest, ControlBytesAreRefusedAndShownEscaped) {
  write("nul.gen", std::string("t\nL1\nPop\na, 01\00001\nb, 0102\n", 26));
  const FolderResult nul = plan("panel nul.gen");
  EXPECT_EQ(nul.status, 1);
  EXPECT_EQ(nul.errors,
            "mpplan: nul.gen, line 4: the file holds the control byte \\x00; a population file is "
            "plain text\n");
  write("a\nb\x1b[31m.txt", EXAMPLE_STUDY);
  write("mmdata.txt", EXAMPLE_STUDY);
  const FolderResult named =
      plan("curve --to 2 --seed 1 \"$(printf 'a\\nb\\033[31m.txt')\" mmdata.txt");
  EXPECT_EQ(named.status, 0) << named.errors;
  EXPECT_NE(named.errors.find("a\\x0Ab\\x1B[31m.txt: 3 loci"), std::string::npos) << named.errors;
  EXPECT_EQ(named.errors.find('\x1b'), std::string::npos) << "no raw escape reaches the terminal";
}

// broods from the example file to every output, all put in place together;
// a refused run leaves the earlier files as they were.
TEST_F(PlanProgramTest, BroodsWritesEveryOutputOrNone) {
  if (!have_command("gnuplot")) GTEST_SKIP() << "gnuplot is not installed";
  std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / "broods.gen",
                             folder_ / "broods.gen");
  std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / "population.gen",
                             folder_ / "population.gen");
  const FolderResult run = plan(
      "broods broods.gen --population population.gen --seed 5 --shares 0.6,0.4 --sires 3 "
      "-o broods.csv --mismatches mismatches.csv --summary summary.csv --plot broods.svg");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.output, "");
  const std::vector<std::string> rows = lines_of(read("broods.csv"));
  ASSERT_EQ(rows.size(), 1u + 2 * 30);
  EXPECT_EQ(rows[0],
            "design,brood,mother,offspring,loci_typed,revealed,revealing_loci,min_sires,"
            "min_sires_per_locus,mismatches,detection_probability");
  EXPECT_EQ(rows[1].rfind("2 sires 0.6/0.4,B01,B01-M,24,8,", 0), 0u) << rows[1];
  // The miscalls the example was made with, each found.
  const std::vector<std::string> mismatches = lines_of(read("mismatches.csv"));
  EXPECT_EQ(mismatches.size(), 5u);
  EXPECT_NE(read("mismatches.csv").find("B14,B14-08,Mpa17,"), std::string::npos);
  EXPECT_EQ(lines_of(read("summary.csv")).size(), 3u);
  EXPECT_NE(run.errors.find("Seed: 5"), std::string::npos);
  EXPECT_NE(run.errors.find("under 3 sires 0.333/0.333/0.333: share of broods with more than "
                            "one sire"),
            std::string::npos)
      << run.errors;
  const std::string figure = read("broods.svg");
  EXPECT_NE(figure.find("<svg"), std::string::npos);
  EXPECT_NE(figure.find("showed multiple paternity"), std::string::npos);

  // The same seed gives the same table on standard output.
  const FolderResult again =
      plan("broods broods.gen --population population.gen --seed 5 --shares 0.6,0.4 --sires 3");
  ASSERT_EQ(again.status, 0) << again.errors;
  EXPECT_EQ(again.output, read("broods.csv"));

  // Refused (a rule that is no pattern): nothing is replaced.
  const FolderResult refused =
      plan("broods broods.gen --mothers 'B01-M(' --seed 5 -o broods.csv --summary summary.csv");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.errors.find("--mothers B01-M(: names no individual and is not a regular "
                                "expression either"),
            std::string::npos)
      << refused.errors;
  EXPECT_EQ(read("broods.csv"), again.output);
  EXPECT_EQ(lines_of(read("summary.csv")).size(), 3u);

  const FolderResult usage = plan("curve --mothers first");
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.errors.find("curve does not take --mothers"), std::string::npos);
}

// More loci asked to reveal several fathers than there are: every command
// refuses it, naming how many loci there are, rather than report zeros.
TEST_F(PlanProgramTest, MoreLociToRevealThanThereAreIsRefused) {
  write("three.gen", GENEPOP);
  write("mmdata.txt", EXAMPLE_STUDY);
  const std::string broods = std::string(" '") + EXAMPLES_DIR + "/broods.gen'";
  struct Row {
    std::string arguments;
    const char* refusal;
  };
  const Row rows[] = {
      {"curve three.gen --min-loci 4 --to 3",
       "three.gen: --min-loci 4: 4 loci must each reveal several fathers, but there are only 3 "
       "loci"},
      {"curve mmdata.txt --min-loci 4 --to 3", "mmdata.txt: --min-loci 4: 4 loci must each reveal"},
      {"curve three.gen --loci Loc1 --min-loci 2 --to 3", "but there is only 1 locus"},
      {"loci three.gen --min-loci 4 --size 5", "three.gen: --min-loci 4: 4 loci must each reveal"},
      {"loci three.gen --choose 2 --min-loci 4 --size 5",
       "three.gen: --min-loci 4: 4 loci must each reveal"},
      {"broods" + broods + " --loci Mpa01,Mpa02 --min-loci 3", "3 loci must each reveal"},
  };
  for (const Row& row : rows) {
    const FolderResult r = plan(row.arguments + " --seed 1");
    EXPECT_EQ(r.status, 1) << row.arguments;
    EXPECT_NE(r.errors.find(row.refusal), std::string::npos) << row.arguments << "\n" << r.errors;
    EXPECT_EQ(r.output, "") << row.arguments;
  }
  // As many as there are is a run.
  EXPECT_EQ(plan("curve three.gen --min-loci 3 --to 3 --seed 1").status, 0);
}

// The designs are counted before any input is read, and the inputs are then
// read one at a time: a thousand and one inputs, none of them there, are
// refused for their count, and a FIFO input is read once.
TEST_F(PlanProgramTest, DesignsCountedBeforeInputsAreRead) {
  std::string many;
  for (int n = 0; n <= 1000; ++n) many += " missing.txt";
  const FolderResult refused = plan("curve" + many + " --seed 1");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.errors.rfind("mpplan: the options ask for 1001 designs; a run compares at "
                                 "most 1000",
                                 0),
            0u)
      << refused.errors;
  write("mmdata.txt", EXAMPLE_STUDY);
  write("run.sh", "mkfifo study.fifo && { cat mmdata.txt > study.fifo & } && " + PLAN +
                      " curve study.fifo --seed 1 --to 3 && " + PLAN +
                      " curve mmdata.txt --seed 1 --to 3\n");
  const FolderResult fifo = run_program("sh run.sh", "");
  EXPECT_EQ(fifo.status, 0) << fifo.errors;
  const std::vector<std::string> lines = lines_of(fifo.output);
  ASSERT_EQ(lines.size(), 8u) << fifo.output;
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4),
            std::vector<std::string>(lines.begin() + 4, lines.end()));
}

}  // namespace mpdetect

namespace mpdetect {

TEST_F(PlanProgramTest, TheLikelihoodVerdictAndTheFalseDetectionsAllowed) {
  const std::string population = std::string(" '") + EXAMPLES_DIR + "/population.gen'";
  const FolderResult likelihood =
      plan("curve" + population + " --verdict likelihood --from 4 --to 5 --trials 1000 --seed 2");
  ASSERT_EQ(likelihood.status, 0) << likelihood.errors;
  const std::vector<std::string> rows = lines_of(likelihood.output);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NE(rows[0].find(",false_detection,false_detection_ci_low"), std::string::npos);
  EXPECT_EQ(rows[1].rfind("4,", 0), 0u);
  // The same seed, the same table.
  EXPECT_EQ(
      plan("curve" + population + " --verdict likelihood --from 4 --to 5 --trials 1000 --seed 2")
          .output,
      likelihood.output);

  // Under the allele rule with errors, sizes whose single-sire broods are
  // called several too often do not reach the target, and the line says so.
  const FolderResult errors = plan("curve" + population +
                                   " --dropout 0.05 --false-allele 0.02 --from 30 --to 30 "
                                   "--trials 1000 --seed 1");
  ASSERT_EQ(errors.status, 0) << errors.errors;
  EXPECT_NE(errors.output.find(",too_many_false,"), std::string::npos) << errors.output;
  EXPECT_NE(errors.errors.find("above the 0.01 allowed (the likelihood verdict"), std::string::npos)
      << errors.errors;

  struct Row {
    std::string arguments;
    const char* refusal;
  };
  const Row rows_refused[] = {
      {" --verdict votes", "--verdict takes alleles or likelihood, not votes"},
      {" --verdict likelihood --min-loci 2",
       "--min-loci belongs to the allele rule; the likelihood verdict weighs every locus"},
      {" --false-detection 0", "--false-detection takes a rate from 0.0001 to 0.5, not 0"},
      {" --error-allowance 0.6", "--error-allowance takes a rate from 0 to 0.5, not 0.6"},
  };
  for (const Row& row : rows_refused) {
    const FolderResult r = plan("curve" + population + row.arguments + " --seed 1");
    EXPECT_EQ(r.status, 2) << row.arguments;
    EXPECT_NE(r.errors.find(row.refusal), std::string::npos) << row.arguments << "\n" << r.errors;
  }

  // Broods judged by the likelihood: its columns, its line, and errors
  // allowed for by it alone.
  const std::string broods =
      std::string(" '") + EXAMPLES_DIR + "/broods.gen' --population" + population + " --seed 1";
  const FolderResult judged =
      plan("broods" + broods + " --verdict likelihood --dropout 0.01 --loci Mpa01,Mpa02,Mpa05");
  ASSERT_EQ(judged.status, 0) << judged.errors;
  EXPECT_NE(lines_of(judged.output)[0].find(
                ",detection_probability,statistic,threshold,false_detection_probability"),
            std::string::npos);
  EXPECT_EQ(lines_of(judged.output).size(), 31u);
  EXPECT_NE(judged.errors.find("judged by the likelihood verdict: each brood against a threshold "
                               "from 500 single-sire broods"),
            std::string::npos)
      << judged.errors;
  // Each offspring's father, in a file of its own, only by the likelihood.
  const FolderResult families = plan("broods" + broods +
                                     " --verdict likelihood --loci Mpa01,Mpa02,Mpa05,Mpa07 "
                                     "--families families.csv --fathers fathers.csv");
  ASSERT_EQ(families.status, 0) << families.errors;
  const std::vector<std::string> fathers = lines_of(read("families.csv"));
  ASSERT_GT(fathers.size(), 30u);
  EXPECT_EQ(fathers[0], "brood,offspring,father,support");
  EXPECT_EQ(fathers[1].rfind("B01,B01-01,1,", 0), 0u) << fathers[1];
  // Each father's offspring, share and genotypes, one row per father.
  const std::vector<std::string> sires = lines_of(read("fathers.csv"));
  EXPECT_EQ(sires[0], "brood,father,offspring,share,Mpa01,Mpa02,Mpa05,Mpa07");
  EXPECT_GE(sires.size(), 31u);
  EXPECT_EQ(sires[1].rfind("B01,1,", 0), 0u) << sires[1];
  const FolderResult no_families = plan("broods" + broods + " --families other.csv --loci Mpa01");
  EXPECT_EQ(no_families.status, 2);
  EXPECT_NE(no_families.errors.find("--families takes the fathers the likelihood verdict finds"),
            std::string::npos)
      << no_families.errors;
  EXPECT_FALSE(fs::exists(folder_ / "other.csv"));
  const FolderResult no_fathers = plan("broods" + broods + " --fathers other.csv --loci Mpa01");
  EXPECT_EQ(no_fathers.status, 2);
  EXPECT_NE(no_fathers.errors.find("--fathers takes the fathers the likelihood verdict finds"),
            std::string::npos)
      << no_fathers.errors;

  // With errors the likelihood judges unless the allele rule is asked for;
  // either way the summary says which, and each brood's false detections
  // are measured.
  const FolderResult by_default =
      plan("broods" + broods + " --dropout 0.01 --loci Mpa01,Mpa02,Mpa05,Mpa07");
  ASSERT_EQ(by_default.status, 0) << by_default.errors;
  EXPECT_NE(by_default.errors.find("judged by the likelihood verdict (the default where "
                                   "genotypes are read with errors)"),
            std::string::npos)
      << by_default.errors;
  EXPECT_NE(lines_of(by_default.output)[0].find(",likely_sires"), std::string::npos);
  const FolderResult by_alleles =
      plan("broods" + broods + " --dropout 0.01 --verdict alleles --loci Mpa01,Mpa02,Mpa05,Mpa07");
  ASSERT_EQ(by_alleles.status, 0) << by_alleles.errors;
  EXPECT_NE(by_alleles.errors.find("judged by the allele rule, with genotyping errors"),
            std::string::npos)
      << by_alleles.errors;
  const std::vector<std::string> table = lines_of(by_alleles.output);
  EXPECT_NE(table[0].find(",detection_probability,false_detection_probability"), std::string::npos)
      << table[0];
  // Some brood of 20 or so offspring shows a second father from dropout.
  double most = 0;
  for (size_t r = 1; r < table.size(); ++r)
    most = std::max(most, std::stod(table[r].substr(table[r].rfind(',') + 1)));
  EXPECT_GT(most, 0.0);
  EXPECT_LT(most, 0.5);
  // The allele rule on error-free broods has no false detections to count.
  const FolderResult plain = plan("broods" + broods + " --loci Mpa01,Mpa02,Mpa05,Mpa07");
  ASSERT_EQ(plain.status, 0) << plain.errors;
  EXPECT_EQ(lines_of(plain.output)[0].find("false_detection"), std::string::npos);
}

// A PLINK pedigree takes its loci's names from the .map beside it (or its
// places, and a note, without one); a VCF takes its samples from --groups.
TEST_F(PlanProgramTest, PedigreeMapsAndGroupsFiles) {
  const std::string ped =
      "f1 a1 0 0 2 -9 1 1 2 3\nf1 a2 0 0 2 -9 1 2 3 3\nf2 b1 0 0 1 -9 3 4 1 2\n";
  write("snps.ped", ped);
  write("snps.map", "1 rsA 0 10\n1 rsB 0 20\n");
  const FolderResult named = plan("panel snps.ped --pop f2");
  ASSERT_EQ(named.status, 0) << named.errors;
  EXPECT_EQ(lines_of(named.output)[1].substr(0, 5), "rsA,2");
  write("plain.ped", ped);
  const FolderResult placed = plan("panel plain.ped");
  ASSERT_EQ(placed.status, 0) << placed.errors;
  EXPECT_EQ(lines_of(placed.output)[1].substr(0, 8), "locus 1,");
  EXPECT_NE(placed.errors.find("no .map file beside it"), std::string::npos) << placed.errors;

  write("snps.vcf",
        "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tx\ty\tz\n"
        "1\t5\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\n");
  write("groups.csv", "individual,group\nz,south\nx,north\ny,north\n");
  const FolderResult grouped = plan("panel snps.vcf --groups groups.csv --pop north");
  ASSERT_EQ(grouped.status, 0) << grouped.errors;
  EXPECT_EQ(lines_of(grouped.output)[1].substr(0, 8), "rs1,2,2,") << "x and y alone";
  const FolderResult missing = plan("panel snps.vcf --groups none.csv");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.errors.find("cannot read none.csv"), std::string::npos) << missing.errors;
}

}  // namespace mpdetect
