// The requests the page and R make from named values against those mpplan
// makes from its words: the same values must give the same request, and
// the same refusal, whatever front end they came through.
#include "plan/command/request_fields.h"

#include <gtest/gtest.h>

#include "mpplan/plan_options.h"

namespace mpdetect {

namespace {

using V = std::pair<std::string, std::string>;

// Every value of a curve request, as text, so that two requests compare in
// one assertion and a difference shows where it is.
std::string shown(const CurveRequest& request) {
  std::string text = "range " + std::to_string(request.range.from) + ".." +
                     std::to_string(request.range.to) + "/" + std::to_string(request.range.step) +
                     " target " + std::to_string(request.target) + " trials " +
                     std::to_string(request.trials) + "/" + std::to_string(request.max_trials);
  for (const std::string& name : request.names) text += " input " + name;
  for (const InputOptions& design : request.designs) {
    text += " | pop " + design.pop + " loci " + design.loci + " min " +
            std::to_string(design.min_loci) + " errors " + std::to_string(design.errors.dropout) +
            "/" + std::to_string(design.errors.false_allele) + (design.pool_rare ? " pool" : "") +
            (design.as_is ? " as-is" : "") + (design.format_given ? " format" : "");
    for (const auto& shares : design.shares) {
      text += " shares";
      for (const std::string& share : shares) text += " " + share;
    }
    for (const std::string& mother : design.mothers) text += " mother " + mother;
  }
  return text;
}

Status parsed(std::vector<const char*> words, PlanOptions& options) {
  words.insert(words.begin(), "mpplan");
  return parse_plan_options(static_cast<int>(words.size()), words.data(), options);
}

}  // namespace

TEST(RequestFields, TheSameValuesMakeTheSameRequestAsMpplansWords) {
  const struct {
    std::vector<const char*> words;
    NamedValues shared;
    NamedValues own;
  } cases[] = {
      {{"curve", "s.txt"}, {}, {}},
      {{"curve", "s.txt", "--from", "5", "--to", "60", "--step", "5", "--target", "0.9"},
       {{"from", "5"}, {"to", "60"}, {"step", "5"}, {"target", "0.9"}},
       {}},
      {{"curve", "p.gen", "--sires", "3", "--shares", "0.7;0.3", "--mother", "unsampled",
        "--mother", "drawn"},
       {},
       {{"sires", "3"}, {"shares", "0.7;0.3"}, {"mother", "unsampled"}, {"mother", "drawn"}}},
      {{"curve",     "p.gen",        "--pop",          "2",          "--loci",
        "A,\"B,C\"", "--pool-rare",  "--as-is",        "--min-loci", "2",
        "--dropout", "0.01",         "--false-allele", "0.005",      "--trials",
        "20000",     "--max-trials", "50000",          "--format",   "genepop"},
       {{"pop", "2"},
        {"loci", "A,\"B,C\""},
        {"pool_rare", "1"},
        {"as_is", "1"},
        {"min_loci", "2"},
        {"dropout", "0.01"},
        {"false_allele", "0.005"},
        {"trials", "20000"},
        {"max_trials", "50000"},
        {"format", "genepop"}},
       {}},
  };
  for (const auto& row : cases) {
    PlanOptions options;
    const Status words = parsed(row.words, options);
    ASSERT_TRUE(words.ok) << words.message;
    RequestFields fields;
    fields.command = "curve";
    fields.shared = row.shared;
    fields.designs = {row.own};
    fields.names = {options.inputs[0]};
    FieldRun run;
    const Status read = run_of_fields(fields, run);
    ASSERT_TRUE(read.ok) << read.message;
    EXPECT_EQ(shown(run.curve), shown(curve_request_of(options)));
  }

  // loci and broods: their own values, the first design's options.
  PlanOptions loci;
  ASSERT_TRUE(
      parsed({"loci", "p.gen", "--size", "12", "--choose", "4", "--screen", "0", "--sires", "2"},
             loci)
          .ok);
  RequestFields fields;
  fields.command = "loci";
  fields.shared = {{"size", "12"}, {"choose", "4"}, {"screen", "0"}, {"seed", "77"}};
  fields.designs = {NamedValues{V{"sires", "2"}}};
  fields.names = {"p.gen"};
  FieldRun run;
  ASSERT_TRUE(run_of_fields(fields, run).ok);
  const LociRequest expected = loci_request_of(loci), got = loci_request(run);
  EXPECT_EQ(got.brood_size, expected.brood_size);
  EXPECT_EQ(got.choose, expected.choose);
  EXPECT_EQ(got.screen, expected.screen);
  EXPECT_EQ(got.input.shares, expected.input.shares);
  EXPECT_TRUE(run.seeded);
  EXPECT_EQ(run.seed, 77u);

  fields =
      RequestFields{"broods", {{"mothers", "M1,M2"}, {"population", "pop.gen"}}, {{}}, {"b.gen"}};
  ASSERT_TRUE(run_of_fields(fields, run).ok);
  EXPECT_EQ(broods_request(run).mothers, "M1,M2");
  EXPECT_EQ(broods_request(run).population, "pop.gen");
  EXPECT_FALSE(run.seeded);
}

// A value refused leaves its place for the front end's name, as mpplan's
// words are refused; a name no request has is refused, never ignored.
TEST(RequestFields, RefusedAsMpplanRefusesTheSameValue) {
  const struct {
    const char* command;
    NamedValues shared;
    NamedValues own;
    std::vector<const char*> words;
  } cases[] = {
      {"curve", {}, {V{"sires", "0"}}, {"curve", "--sires", "0"}},
      {"curve", {}, {V{"sires", "2.5"}}, {"curve", "--sires", "2.5"}},
      {"curve", {}, {V{"shares", "0.5,-1"}}, {"curve", "--shares", "0.5,-1"}},
      {"curve", {V{"to", "1001"}}, {}, {"curve", "--to", "1001"}},
      {"curve", {{"from", "9"}, {"to", "3"}}, {}, {"curve", "--from", "9", "--to", "3"}},
      {"curve", {V{"seed", "4294967296"}}, {}, {"curve", "--seed", "4294967296"}},
      {"loci", {V{"size", "1001"}}, {}, {"loci", "a", "--size", "1001"}},
      {"study",
       {},
       {{"sires", "2"}, {"sires", "3"}},
       {"study", "a", "--sires", "2", "--sires", "3"}},
  };
  for (const auto& row : cases) {
    RequestFields fields{row.command, row.shared, {row.own}, {"a"}};
    FieldRun run;
    const Status mine = run_of_fields(fields, run);
    PlanOptions options;
    const Status theirs = parsed(row.words, options);
    ASSERT_FALSE(mine.ok) << row.words.back();
    ASSERT_FALSE(theirs.ok) << row.words.back();
    EXPECT_EQ(mine.message, theirs.message);
    EXPECT_EQ(mine.input, theirs.input);
    EXPECT_EQ(mine.kind, Kind::OPTION);
  }
  FieldRun run;
  CurveRequest none;
  none.designs.clear();
  EXPECT_FALSE(check_request(none).ok) << "a curve of no design";
  EXPECT_FALSE(run_of_fields(RequestFields{"curve", {V{"form", "3"}}, {{}}, {"a"}}, run).ok);
  EXPECT_FALSE(
      run_of_fields(RequestFields{"curve", {}, {NamedValues{V{"sire", "3"}}}, {"a"}}, run).ok);
  EXPECT_FALSE(run_of_fields(RequestFields{"plot", {}, {{}}, {"a"}}, run).ok);
  EXPECT_FALSE(run_of_fields(RequestFields{"curve", {}, {}, {"a"}}, run).ok);
}

}  // namespace mpdetect
