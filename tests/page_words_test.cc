// The page's words for the core's refusals and notes: each kind's way out
// said with the page's fields, no option of the command line left, on the
// refusals and notes the core really gives.
#include "page_words.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "frontend/command_line_words.h"
#include "plan/command/plan_requests.h"
#include "plan/input/panel.h"
#include "plan/model/design.h"
#include "plan/model/study_writer.h"
#include "test_support.h"

namespace mpdetect {

namespace {

constexpr int KINDS = static_cast<int>(Kind::SMALLEST_SIZE) + 1;

Status designs_refusal(const std::string& name, const std::string& text,
                       const InputOptions& options = InputOptions{}) {
  std::vector<Design> designs;
  Notes notes;
  return add_designs(name, text, options, designs, notes);
}

TEST(PageWords, EachKindWordedForThePage) {
  InputOptions pooled;
  pooled.pool_rare = true;
  Panel long_panel;
  LocusPanel locus;
  locus.name = "A";
  locus.labels = {"1", "2"};
  locus.frequency = {0.5, 0.5};
  for (int i = 0; i < MAX_LOCI + 2; ++i) long_panel.loci.push_back(locus);
  StudyFiles files;
  const struct {
    Status refusal;
    Kind kind;
    const char* page;
  } rows[] = {
      {designs_refusal("t.csv", "locus,allele,frequency\nA,1,50\nA,2,30\nA,3,20\n"),
       Kind::SCALE_MISTAKE,
       "t.csv: the frequencies of locus A add up to 100; these look like percentages (tick "
       "\"Run totals that look like percentages or counts as they stand\" to run it anyway)"},
      {designs_refusal("p.gen", "t\nL1, L2\nPop\na, 0101 0000\nb, 0102 0000\n"),
       Kind::LOCUS_UNTYPED, "p.gen: locus L2 is typed in no individual; untick it under Loci"},
      {designs_refusal("s.txt", EXAMPLE_STUDY, pooled), Kind::STUDY_FILE_INPUT,
       "s.txt is a study file: the sample and the pooling of rare alleles apply to population "
       "files"},
      {write_study(long_panel, {"0.5", "0.5"}, MotherChoice{}, PopulationData{}, files),
       Kind::TOO_MANY_LOCI,
       "the study would have 27 loci; a study allows 25: tick at most 25 under Loci"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.refusal.kind, row.kind) << row.refusal.message;
    EXPECT_EQ(page_words(row.refusal), row.page);
    EXPECT_NE(command_line_text(row.refusal).find(" --"), std::string::npos)
        << "the command line's own words name an option";
  }

  Notes notes;
  std::vector<std::vector<std::string>> variants;
  ASSERT_TRUE(share_variants_of("p.gen", InputOptions{}, variants, notes).ok);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].kind, Kind::SIRES_ASSUMED);
  EXPECT_EQ(page_words(notes[0]), "p.gen: two sires with equal shares (set them in each design)");
}

// A request's value refused by the planner's rule leaves its place, and
// each front end names it there: the command line its option, the page
// its field, with the same value and the same rule after it.
TEST(PageWords, ARefusedValueIsNamedByEachFrontEnd) {
  CurveRequest curve;
  curve.names = {"s.txt"};
  const auto with = [&](auto change) {
    CurveRequest changed = curve;
    change(changed);
    return check_request(changed);
  };
  LociRequest loci;
  loci.name = "s.txt";
  loci.brood_size = 10;
  LociRequest chosen = loci;
  chosen.choose = PLAN_MAX_LOCI + 1;
  const struct {
    Status refusal;
    const char* option;
    const char* field;
    const char* rest;
  } rows[] = {
      {with([](CurveRequest& r) { r.target = 2; }), "--target", "Target probability",
       " takes a probability above 0 and at most 1, not 2"},
      {with([](CurveRequest& r) {
         r.range = CurveRange{50, 10, 1};
       }),
       "--from", "First brood size", " 50 is above the last brood size, 10"},
      {with([](CurveRequest& r) { r.designs[0].errors.dropout = 0.9; }), "--dropout",
       "Allelic dropout rate", " takes a rate from 0 to 0.5, not 0.9"},
      {with([](CurveRequest& r) {
         r.designs[0].shares = {{"0.7", "x"}};
       }),
       "--shares", "Shares",
       " takes shares as decimals, zero or more, separated by commas, semicolons or blanks, not "
       "0.7,x"},
      {with([](CurveRequest& r) { r.trials = 10; }), "--trials", "Trials",
       " takes a number of trials from 1000 to 100000000, not 10"},
      {check_request(chosen), "--choose", "Loci in the panel",
       " takes a number of loci from 1 to 10000, not 10001"},
      {value_refused(Input::SEED, "1.9"), "--seed", "Seed",
       " takes a whole number from 0 to 4294967295, not 1.9"},
  };
  for (const auto& row : rows) {
    ASSERT_FALSE(row.refusal.ok) << row.option;
    EXPECT_EQ(row.refusal.kind, Kind::OPTION);
    EXPECT_EQ(command_line_text(row.refusal), row.option + std::string(row.rest));
    EXPECT_EQ(page_words(row.refusal), row.field + std::string(row.rest));
  }
  EXPECT_TRUE(check_request(loci).ok);
  EXPECT_TRUE(check_request(curve).ok);
  double seed = 0;
  EXPECT_TRUE(value_from_text(Input::SEED, "4294967295", seed));
  EXPECT_EQ(seed, 4294967295.0);
  for (const char* text : {"4294967296", "-1", "1e3", " 1", "", "0x10", "1234567890123456789"})
    EXPECT_FALSE(value_from_text(Input::SEED, text, seed)) << text;
}

// No kind's page words hold an option; every kind has a name of its own
// for the page's script; and a kind the command line shows a way out for
// has one on the page too, and the other way round.
TEST(PageWords, NoKindNamesAnOption) {
  std::set<std::string> names;
  for (int k = 0; k < KINDS; ++k) {
    const Kind kind = static_cast<Kind>(k);
    const Status refusal = failure_of(kind, "m", 3);
    EXPECT_EQ(page_words(refusal).find("--"), std::string::npos) << kind_name(kind);
    // The page has no control for the screen of a panel choice: it tries
    // as many as mpplan does by default.
    if (kind != Kind::SCREENED) {
      EXPECT_EQ(page_words(refusal) == "m", command_line_text(refusal) == "m") << kind_name(kind);
    }
    names.insert(kind_name(kind));
  }
  EXPECT_EQ(static_cast<int>(names.size()), KINDS);
}

}  // namespace

// The user's input a message names is named by each front end its own
// way, in its place after any prefix the message was given.
TEST(PageWords, InputsNamedByEachFrontEnd) {
  struct Row {
    Status status;
    const char* command_line;
    const char* page;
  };
  const Row rows[] = {
      {named("p.gen", failure_about(Input::POP, "3 names no sample")),
       "p.gen: --pop 3 names no sample", "p.gen: Sample 3 names no sample"},
      {failure_about(Input::MOTHERS, ": no individual has the identifier \"M\""),
       "--mothers: no individual has the identifier \"M\"",
       "Mothers: no individual has the identifier \"M\""},
      {named("b.gen", failure_about(Input::MOTHER, "x: no individual has that identifier",
                                    Kind::MOTHER_UNKNOWN)),
       "b.gen: --mother x: no individual has that identifier (give her labels locus by locus, "
       "135/143,136/146,..., or let her be drawn (--mother drawn))",
       "b.gen: Mother x: no individual has that identifier (give her labels locus by locus, "
       "135/143,136/146,..., or choose her drawn)"},
      {failure_of(Kind::MOTHER_UNTYPED, "the mother is not typed at loci A, B", 2),
       "the mother is not typed at loci A, B: leave them out with --loci, give her labels locus by "
       "locus, or let her be drawn (--mother drawn)",
       "the mother is not typed at loci A, B: untick them under Loci, give her labels locus by "
       "locus, or choose her drawn"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(command_line_text(row.status), row.command_line);
    EXPECT_EQ(page_words(row.status), row.page);
  }
  const Note note = named("t.gen", note_about(Input::POP, "1: the sample named 1"));
  EXPECT_EQ(command_line_text(note), "t.gen: --pop 1: the sample named 1");
  EXPECT_EQ(page_words(note), "t.gen: Sample 1: the sample named 1");
}

}  // namespace mpdetect
