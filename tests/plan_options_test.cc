// The planner's command line: what each subcommand takes, and every value
// checked before it can wrap into range.
#include "mpplan/plan_options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "frontend/command_line_words.h"

namespace mpdetect {

namespace {

bool parse(std::vector<const char*> words, PlanOptions& options, std::string& error) {
  words.insert(words.begin(), "mpplan");
  const Status status = parse_plan_options(static_cast<int>(words.size()), words.data(), options);
  error = command_line_text(status);
  return status.ok;
}

}  // namespace

TEST(PlanOptions, Accepted) {
  PlanOptions options;
  std::string error;
  ASSERT_TRUE(parse(
      {"curve",    "a.txt",      "--from",   "3",       "--to",    "40",     "--step",   "5",
       "--target", "0.9",        "-o",       "t.csv",   "--plot",  "c.svg",  "--size",   "640x480",
       "--seed",   "4294967295", "--shares", "0.7,0.3", "--sires", "3",      "--mother", "untyped",
       "b.gen",    "--format",   "genepop",  "--pop",   "2",       "--loci", "A,B",      "--as-is"},
      options, error))
      << error;
  EXPECT_EQ(options.command, "curve");
  EXPECT_EQ(options.inputs, (std::vector<std::string>{"a.txt", "b.gen"}));
  EXPECT_EQ(options.range.from, 3);
  EXPECT_EQ(options.range.to, 40);
  EXPECT_EQ(options.range.step, 5);
  EXPECT_EQ(options.target, 0.9);
  EXPECT_EQ(options.output, "t.csv");
  EXPECT_EQ(options.plot, "c.svg");
  EXPECT_EQ(options.width, 640);
  EXPECT_EQ(options.height, 480);
  EXPECT_EQ(options.seed, 4294967295u);
  ASSERT_EQ(options.input.shares.size(), 2u);
  EXPECT_EQ(options.input.shares[0], (std::vector<std::string>{"0.7", "0.3"}));
  EXPECT_EQ(options.input.shares[1].size(), 3u);
  EXPECT_EQ(options.input.mothers, (std::vector<std::string>{"untyped"}));
  EXPECT_TRUE(options.input.format_given);
  EXPECT_EQ(options.input.format, InputFormat::GENEPOP);
  EXPECT_EQ(options.input.pop, "2");
  EXPECT_EQ(options.input.loci, "A,B");
  EXPECT_TRUE(options.input.as_is);

  PlanOptions loci;
  ASSERT_TRUE(parse({"loci", "s.txt", "--size", "20", "--plot-size", "900x700"}, loci, error));
  EXPECT_EQ(loci.brood_size, 20);
  EXPECT_EQ(loci.width, 900);

  PlanOptions broods;
  ASSERT_TRUE(parse({"broods", "b.gen", "--mothers", "M.*", "--population", "p.gen", "--shares",
                     "0.5,0.5", "--sires", "3", "--mismatches", "m.csv", "--summary", "s.csv",
                     "--size", "900x700", "--pop", "2"},
                    broods, error))
      << error;
  EXPECT_EQ(broods.mothers, "M.*");
  EXPECT_EQ(broods.population, "p.gen");
  EXPECT_EQ(broods.input.shares.size(), 2u);
  EXPECT_EQ(broods.mismatches, "m.csv");
  EXPECT_EQ(broods.summary, "s.csv");
  EXPECT_EQ(broods.width, 900);
  EXPECT_EQ(broods.input.pop, "2");
  PlanOptions first;
  ASSERT_TRUE(parse({"broods", "b.gen"}, first, error));
  EXPECT_EQ(first.mothers, "first");
  EXPECT_EQ(broods_request_of(first).input.verdict, Verdict::ALLELES);
  // Broods read with errors are judged by the likelihood unless the allele
  // rule is asked for.
  PlanOptions with_errors;
  ASSERT_TRUE(parse({"broods", "b.gen", "--false-allele", "0.005", "--families", "f.csv"},
                    with_errors, error))
      << error;
  EXPECT_EQ(broods_request_of(with_errors).input.verdict, Verdict::LIKELIHOOD);
  PlanOptions asked;
  ASSERT_TRUE(
      parse({"broods", "b.gen", "--dropout", "0.01", "--verdict", "alleles"}, asked, error));
  EXPECT_EQ(broods_request_of(asked).input.verdict, Verdict::ALLELES);

  PlanOptions panel;
  ASSERT_TRUE(parse({"panel", "-", "--format", "table"}, panel, error));
  EXPECT_EQ(panel.layout, PlanOptions::TABLE);
  EXPECT_EQ(panel.inputs, (std::vector<std::string>{"-"}));
}

TEST(PlanOptions, Refused) {
  const std::pair<std::vector<const char*>, const char*> cases[] = {
      {{}, "give a command: study, panel, curve, loci or broods (see --help)"},
      {{"--to", "5"},
       "--to needs a command first: study, panel, curve, loci or broods (see --help)"},
      {{"broods", "-", "--population", "-"},
       "the broods and --population cannot both come from standard input"},
      {{"broods", "b.gen", "--mother", "M1"},
       "broods does not take --mother (see mpplan broods --help)"},
      {{"broods", "b.gen", "--from", "3"},
       "broods does not take --from (see mpplan broods --help)"},
      {{"curve", "--trials", "999"},
       "--trials takes a number of trials from 1000 to 100000000, not 999"},
      {{"loci", "a", "--size", "3", "--trials", "5000"},
       "loci does not take --trials (see mpplan loci --help)"},
      {{"curve", "--min-loci", "26"}, "--min-loci takes a number of loci from 1 to 25, not 26"},
      {{"curve", "--dropout", "0.6"}, "--dropout takes a rate from 0 to 0.5, not 0.6"},
      {{"loci", "a", "--size", "5", "--choose", "10001"},
       "--choose takes a number of loci from 1 to 10000, not 10001"},
      {{"loci", "a", "--screen", "-1"},
       "--screen takes a number of candidates from 0 (every one) to 100000, not -1"},
      {{"curve", "--choose", "5"}, "curve does not take --choose (see mpplan curve --help)"},
      {{"curve", "--false-allele", "-0.01"},
       "--false-allele takes a rate from 0 to 0.5, not -0.01"},
      {{"curve", "--dropout", "nan"}, "--dropout takes a rate from 0 to 0.5, not nan"},
      {{"broods", "b.gen", "--dropout", "0.01", "--verdict", "alleles", "--families", "f.csv"},
       "--families takes the fathers the likelihood verdict finds: add --verdict likelihood"},
      {{"loci", "a", "--size", "5", "--verdict", "likelihood", "--verdict", "alleles"},
       "loci chooses by one verdict: give --verdict once"},
      {{"loci", "a", "--size", "5", "--choose", "9", "--verdict", "likelihood", "--plot", "a.svg"},
       "loci --verdict likelihood draws no figure: its table gives the verdict's detection with "
       "the first 1, 2, 4, ... loci chosen"},
      {{"loci", "a", "--false-allele", "0.01"},
       "loci does not take --false-allele (see mpplan loci --help)"},
      {{"curve", "--from", "0"}, "--from takes a brood size from 1 to 1000, not 0"},
      {{"curve", "--to", "4294967306"}, "--to takes a brood size from 1 to 1000, not 4294967306"},
      {{"curve", "--to", "5x"}, "--to takes a brood size from 1 to 1000, not 5x"},
      {{"curve", "--target", "nan"}, "--target takes a probability above 0 and at most 1, not nan"},
      {{"curve", "--target", "0"}, "--target takes a probability above 0 and at most 1, not 0"},
      {{"curve", "--size", "4294967896x4294967896"},
       "--size takes WIDTHxHEIGHT in pixels, each from 100 to 10000, not 4294967896x4294967896"},
      {{"curve", "--size", "+800x600"},
       "--size takes WIDTHxHEIGHT in pixels, each from 100 to 10000, not +800x600"},
      {{"curve", "--seed", "18446744073709551617"},
       "--seed takes a whole number from 0 to 4294967295, not 18446744073709551617"},
      {{"curve", "--seed", "-1"}, "--seed takes a whole number from 0 to 4294967295, not -1"},
      {{"curve", "--sires", "101"}, "--sires takes a number of sires from 1 to 100, not 101"},
      {{"curve", "--shares", "0.5,x"},
       "--shares takes shares as decimals, zero or more, separated by commas, semicolons or "
       "blanks, not 0.5,x"},
      {{"curve", "--from", "50", "--to", "10"}, "--from 50 is above the last brood size, 10"},
      {{"curve", "--plot"}, "--plot needs a value"},
      {{"curve", "--output", ""}, "--output needs a value"},
      {{"curve", "--frm", "3"}, "unknown option --frm (see --help)"},
      {{"curve", "--format", "xml"},
       "--format takes study, genepop, genalex, structure, fstat, genetix, vcf, plink, counts or "
       "frequencies (panel: "
       "also csv or table), not xml"},
      {{"panel", "a", "--plot", "x.png"}, "panel does not take --plot (see mpplan panel --help)"},
      {{"study", "a", "b"}, "study takes one input file, not 2"},
      {{"study", "a", "--sires", "2", "--sires", "3"},
       "study takes one variant of the sires and one mother; curve compares several"},
      {{"loci", "a"}, "loci needs --size N, the brood size"},
      {{"loci", "a", "--size", "0"}, "--size takes a brood size from 1 to 1000, not 0"},
      {{"plot", "a"}, "unknown command plot (see --help)"},
  };
  for (const auto& [words, message] : cases) {
    PlanOptions options;
    std::string error;
    EXPECT_FALSE(parse(words, options, error)) << message;
    EXPECT_EQ(error, message);
  }
}

TEST(PlanOptions, UsageListsWhatEachCommandTakes) {
  EXPECT_NE(plan_usage("panel").find("--format"), std::string::npos);
  EXPECT_EQ(plan_usage("panel").find("--plot"), std::string::npos);
  EXPECT_NE(plan_usage("loci").find("--plot-size"), std::string::npos);
  EXPECT_EQ(plan_usage("study").find("--from"), std::string::npos);
  EXPECT_NE(plan_usage("").find("Usage: mpplan COMMAND"), std::string::npos);
  EXPECT_NE(plan_usage("").find("broods BROODS"), std::string::npos);
  EXPECT_NE(plan_usage("broods").find("--mismatches"), std::string::npos);
  EXPECT_EQ(plan_usage("curve").find("--mothers"), std::string::npos);
}

// docs/options.md is the table --help prints, so that the two cannot
// drift; scripts/option-tables.sh writes it again (this test, told to).
TEST(PlanOptions, DocumentedOptionsAreTheParsersOwn) {
  const std::string path = std::string(DOCS_DIR) + "/options.md";
  const std::string tables = option_tables();
  if (std::getenv("MPPLAN_WRITE_OPTION_TABLES") != nullptr) {
    std::ofstream(path, std::ios::binary) << tables;
  }
  std::ifstream in(path, std::ios::binary);
  const std::string documented((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
  EXPECT_EQ(documented, tables) << path << " is not current: run scripts/option-tables.sh";
  // Every option --help lists for a command is in the table.
  for (const char* command : {"study", "panel", "curve", "loci", "broods"}) {
    const std::string usage = plan_usage(command);
    for (size_t at = usage.find("\n  --"); at != std::string::npos;
         at = usage.find("\n  --", at + 1)) {
      const std::string name = usage.substr(at + 3, usage.find(' ', at + 3) - at - 3);
      EXPECT_NE(tables.find("| `" + name + "` |"), std::string::npos) << command << " " << name;
    }
  }
}

// Shares are read by one rule on the command line, the page and R: commas,
// semicolons or blanks between them; an empty one is refused.
TEST(PlanOptions, SharesByOneRule) {
  const std::pair<const char*, std::vector<std::string>> lists[] = {
      {"0.6,0.4", {"0.6", "0.4"}},
      {"0.6;0.4", {"0.6", "0.4"}},
      {"0.6 0.4", {"0.6", "0.4"}},
      {" 0.6 ,\t0.4 ", {"0.6", "0.4"}},
      {"0.5; 0.3 0.2", {"0.5", "0.3", "0.2"}},
      {"0.6,,0.4", {"0.6", "", "0.4"}},
  };
  for (const auto& [text, shares] : lists) EXPECT_EQ(share_words(text), shares) << text;
  for (const char* text : {"0.6;0.4", "0.6 0.4"}) {
    const char* argv[] = {"mpplan", "curve", "--shares", text};
    PlanOptions options;
    ASSERT_TRUE(parse_plan_options(4, argv, options).ok) << text;
    EXPECT_EQ(options.input.shares, (std::vector<std::vector<std::string>>{{"0.6", "0.4"}}));
  }
  const char* argv[] = {"mpplan", "curve", "--shares", "0.6,,0.4"};
  PlanOptions options;
  EXPECT_FALSE(parse_plan_options(4, argv, options).ok);
}

}  // namespace mpdetect
