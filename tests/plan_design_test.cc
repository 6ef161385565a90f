// From population files to studies and estimates: the study file written
// reads back in the dialogue's reader with no warning and its legend maps
// the mother back to her labels; designs, curves and the ranking of loci.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <sstream>

#include "frontend/command_line_words.h"
#include "mpplan/plan_options.h"
#include "plan/command/figure.h"
#include "plan/command/plan_command.h"
#include "plan/estimate/curve.h"
#include "plan/estimate/design_trials.h"
#include "plan/estimate/locus_ranking.h"
#include "plan/estimate/panel_choice.h"
#include "plan/input/plan_text.h"
#include "plan/model/design.h"
#include "plan/model/study_writer.h"
#include "simulation/estimate.h"
#include "test_support.h"

namespace mpdetect {

namespace {

// A Genepop file of `individuals` at `loci` loci with up to `alleles`
// fragment sizes each, drawn from `random`.
std::string generated_genepop(std::mt19937& random, int loci, int alleles, int individuals) {
  std::ostringstream text;
  text << "generated\n";
  for (int i = 0; i < loci; ++i) text << "Loc" << i + 1 << (i + 1 < loci ? "," : "\n");
  text << "Pop\n";
  for (int n = 0; n < individuals; ++n) {
    text << "ind" << n << ",";
    for (int i = 0; i < loci; ++i) {
      char code[8];
      // Skewed: low sizes are common, as in real panels.
      const int a = 100 + 2 * static_cast<int>(random() % (1 + random() % alleles));
      const int b = 100 + 2 * static_cast<int>(random() % (1 + random() % alleles));
      std::snprintf(code, sizeof code, "%03d%03d", a, b);
      text << " " << (random() % 20 == 0 ? "000000" : code);
    }
    text << "\n";
  }
  return text.str();
}

}  // namespace

TEST(StudyWriter, RoundTripThroughTheDialoguesReader) {
  std::mt19937 random(8);
  for (int n = 0; n < 40; ++n) {
    const int loci = 1 + static_cast<int>(random() % MAX_LOCI);
    const std::string text = generated_genepop(random, loci, 2 + random() % 28, 5 + random() % 60);
    InputOptions options;
    options.mothers = {n % 2 == 0 ? "untyped" : "ind3"};
    options.shares = {equal_shares(1 + static_cast<int>(random() % MAX_SIRES))};
    std::string study, legend;
    Notes notes;
    const Status written = study_files_of("gen", text, options, study, legend, notes);
    if (!written.ok) {
      // Only the mother missing at a locus may refuse these files.
      EXPECT_NE(written.message.find("is not typed at "), std::string::npos) << written.message;
      continue;
    }
    StudyData read{};
    std::istringstream in(study);
    const LoadStatus loaded = read_study_data(read, in);
    ASSERT_TRUE(loaded.ok) << loaded.message << study;
    EXPECT_TRUE(loaded.warnings.empty()) << "every total within the reader's tolerance\n" << study;
    EXPECT_EQ(read.locus_count, loci);

    // The written decimals of each locus add up to exactly 1.
    std::istringstream words(study);
    long count = 0;
    words >> count;
    for (int i = 0; i < loci; ++i) {
      int alleles = 0;
      words >> alleles;
      long millionths = 0;
      for (int a = 0; a < alleles; ++a) {
        std::string decimal;
        words >> decimal;
        millionths += std::stol(decimal.substr(0, decimal.find('.'))) * 1000000 +
                      std::stol(decimal.substr(decimal.find('.') + 1));
      }
      EXPECT_EQ(millionths, 1000000) << study;
    }

    if (read.mother_known) {
      // The legend maps her indices back to her labels in the file.
      PopulationData data;
      ASSERT_TRUE(read_genepop(text, data).ok);
      std::vector<std::vector<std::string>> labels(loci);
      std::istringstream rows(legend);
      std::string row;
      std::getline(rows, row);
      EXPECT_EQ(row, "locus,index,allele");
      while (std::getline(rows, row)) {
        const std::vector<std::string> cells = split_cells(row, ',');
        labels[std::stoi(cells[0].substr(3)) - 1].push_back(cells[2]);
      }
      for (int i = 0; i < loci; ++i) {
        const LabelPair mother = labels_at(data, data.individuals[3], i);
        EXPECT_EQ(labels[i][read.mother[i].slot[0]], mother.allele[0]);
        EXPECT_EQ(labels[i][read.mother[i].slot[1]], mother.allele[1]);
      }
    }
  }
}

TEST(StudyWriter, LimitsAndMothers) {
  PopulationData data;
  ASSERT_TRUE(
      read_genepop("t\nA,B,C\nPop\nm, 0102 0303 0101\nx, 0304 0000 0101\ny, 0000 0000 0102\n", data)
          .ok);
  const Panel panel = panel_of(data, -1, {0, 1});
  StudyFiles files;
  const std::vector<std::string> shares = equal_shares(2);
  EXPECT_EQ(shares, (std::vector<std::string>{"0.500000", "0.500000"}));
  EXPECT_EQ(equal_shares(3), (std::vector<std::string>{"0.333334", "0.333333", "0.333333"}));

  ASSERT_TRUE(write_study(panel, shares, mother_choice("1/2,3/3"), data, files).ok);
  EXPECT_EQ(files.study.substr(files.study.rfind('\n', files.study.size() - 2) + 1), "0 1 0 0\n");
  const std::pair<const char*, const char*> refused[] = {
      {"x",
       "mother \"x\" is not typed at locus B: leave it out with --loci, give her labels locus "
       "by locus, or let her be drawn (--mother drawn)"},
      {"y",
       "mother \"y\" is not typed at loci A, B: leave them out with --loci, give her labels "
       "locus by locus, or let her be drawn (--mother drawn)"},
      {"nobody",
       "--mother nobody: no individual has that identifier (give her labels locus by "
       "locus, 135/143,136/146,..., or let her be drawn (--mother drawn))"},
      {"1/9,3/3",
       "allele 9 of the mother at locus A does not occur in the sample the study is "
       "made from"},
      {"1/2", "--mother gives 1 genotypes; the study has 2 loci"},
  };
  for (const auto& [mother, message] : refused) {
    const Status result = write_study(panel, shares, mother_choice(mother), data, files);
    EXPECT_FALSE(result.ok) << mother;
    EXPECT_EQ(command_line_text(result), message) << mother;
  }
  EXPECT_EQ(mother_choice("untyped").kind, MotherChoice::UNTYPED);
  EXPECT_EQ(mother_choice("drawn").kind, MotherChoice::UNTYPED);
  EXPECT_EQ(mother_choice("unsampled").kind, MotherChoice::UNSAMPLED);

  Panel wide = panel;
  for (int a = 0; a < MAX_ALLELES + 1; ++a) {
    wide.loci[0].labels.push_back(std::to_string(100 + a));
    wide.loci[0].frequency.push_back(0);
  }
  // The limits come as values, the command line's way out apart from what
  // is wrong, so that the page can word its own.
  const Status too_many = write_study(wide, shares, MotherChoice{}, data, files);
  EXPECT_EQ(command_line_text(too_many),
            "locus A has 35 alleles; a study allows 30: leave it out with --loci, or pool its "
            "rarest alleles into one with --pool-rare (which can only lower the estimate)");
  EXPECT_EQ(too_many.message, "locus A has 35 alleles; a study allows 30");
  EXPECT_EQ(too_many.kind, Kind::TOO_MANY_ALLELES);
  EXPECT_EQ(too_many.limit, MAX_ALLELES);
  EXPECT_EQ(too_many.locus, "A");
  Panel long_panel;
  for (int i = 0; i < MAX_LOCI + 2; ++i) long_panel.loci.push_back(panel.loci[0]);
  const Status too_long = write_study(long_panel, shares, MotherChoice{}, data, files);
  EXPECT_EQ(command_line_text(too_long),
            "the study would have 27 loci; a study allows 25: choose up to 25 with --loci");
  EXPECT_EQ(too_long.kind, Kind::TOO_MANY_LOCI);
  EXPECT_EQ(too_long.limit, MAX_LOCI);
}

TEST(Designs, VariantsOfAStudyFile) {
  InputOptions options;
  options.shares = {{"0.7", "0.3"}, {"0.25", "0.25", "0.5"}};
  options.mothers = {"", "untyped"};
  options.loci = "3,1";
  std::vector<Design> designs;
  Notes notes;
  ASSERT_TRUE(add_designs("typed.txt", EXAMPLE_TYPED_STUDY, options, designs, notes).ok);
  ASSERT_EQ(designs.size(), 4u);
  EXPECT_EQ(designs[0].label, "2 loci; 2 sires 0.7/0.3; mother given");
  EXPECT_EQ(designs[1].label, "2 loci; 2 sires 0.7/0.3; mother drawn");
  EXPECT_EQ(designs[3].label, "2 loci; 3 sires 0.25/0.25/0.5; mother drawn");
  EXPECT_EQ(designs[0].locus_names, (std::vector<std::string>{"locus 3", "locus 1"}));
  // Locus 3 of the file comes first, with its mother pair (0, 2).
  EXPECT_EQ(designs[0].study.allele_count[0], 3);
  EXPECT_EQ(designs[0].study.mother[0].slot[1], 2);
  EXPECT_EQ(designs[1].study.mother[0].slot[0], 2) << "an untyped mother starts on the last allele";
  EXPECT_TRUE(notes.empty());
}

TEST(Curves, OneDesignIsTheDialogueAndThreadsChangeNothing) {
  std::vector<Design> designs;
  Notes notes;
  InputOptions options;
  options.shares = {{"0.5", "0.5"}, {"0.9", "0.1"}, {"0.4", "0.3", "0.3"}};
  ASSERT_TRUE(add_designs("example", EXAMPLE_STUDY, options, designs, notes).ok);
  const CurveRange range{2, 20, 6};
  const auto alone = estimate_curves(designs, range, 12345, 1);
  const auto together = estimate_curves(designs, range, 12345, 3);
  for (size_t d = 0; d < designs.size(); ++d) {
    for (size_t n = 0; n < alone[d].points.size(); ++n)
      EXPECT_EQ(alone[d].points[n].detections, together[d].points[n].detections);
  }
  // The dialogue, seed 12345, answered 20 first: 30988 detecting trials.
  const auto twenty = estimate_curves({designs[0]}, CurveRange{20, 20, 1}, 12345, 1);
  EXPECT_EQ(twenty[0].points[0].detections, 30988);

  EXPECT_EQ(curve_table({twenty[0]}, false),
            "brood_size,probability,standard_error,ci_low,ci_high,ceiling,decision,refined_trials,"
            "refined_probability,refined_ci_low,refined_ci_high\n"
            "20,0.620,0.0022,0.6155,0.6240,1.0000,below,,,,\n");
  const auto at_06 =
      estimate_curves({designs[0]}, CurveRange{20, 20, 1}, 12345, 1, {}, nullptr, {0.6, 50000});
  EXPECT_EQ(target_line(at_06[0], 0.6, false),
            "Smallest brood size reaching 0.6: 20 (estimate 0.620).\n");
  EXPECT_EQ(target_line(twenty[0], 0.7, true),
            "3 loci; 2 sires 0.5/0.5; mother drawn: no brood size from 20 to 20 reaches 0.7 "
            "(highest estimate 0.620, at 20).\n");
}

// An estimate whose interval holds the target goes on until the decision is
// made or the trials are spent: 0.620 at 20 (30988 of 50000) against 0.62
// takes more trials, which begin where the first 50000 ended (the refined
// count holds the first 50000's), and the estimates of the curve are
// untouched. With max_trials at 50000 it stays open, and is named.
TEST(Curves, DecisionsThatHold) {
  std::vector<Design> designs;
  Notes notes;
  InputOptions options;
  options.shares = {{"0.5", "0.5"}};
  ASSERT_TRUE(add_designs("example", EXAMPLE_STUDY, options, designs, notes).ok);
  const CurveRange range{20, 22, 1};
  const auto plain = estimate_curves(designs, range, 12345, 1, {}, nullptr, {0.95, 50000});
  const auto open = estimate_curves(designs, range, 12345, 1, {}, nullptr, {0.62, 50000});
  const auto refined =
      estimate_curves(designs, range, 12345, 1, {}, nullptr, {0.62, DEFAULT_MAX_TRIALS});
  ASSERT_EQ(refined[0].points.size(), 3u);
  for (size_t n = 0; n < 3; ++n) {
    EXPECT_EQ(refined[0].points[n].detections, plain[0].points[n].detections) << n;
    EXPECT_EQ(open[0].points[n].detections, plain[0].points[n].detections) << n;
  }
  EXPECT_EQ(plain[0].points[0].detections, 30988);
  EXPECT_EQ(open[0].points[0].decision, Decision::OPEN);
  const CurvePoint& at20 = refined[0].points[0];
  EXPECT_GT(at20.trials, TRIAL_COUNT);
  EXPECT_TRUE(at20.decision != Decision::OPEN || at20.trials == DEFAULT_MAX_TRIALS);

  // The refined count is the plain trials' over as many trials.
  StudyData study = designs[0].study;
  static EstimateWork work;
  prepare_estimates(study, work);
  RandomState random{12345};
  EXPECT_EQ(count_more_detections(study, 20, at20.trials, work, random), at20.all_detections);

  const std::string line = target_line(open[0], 0.62, false);
  EXPECT_NE(line.find("at 20 the decision stayed open (estimate 0.6198, 95 % interval 0.6155 to "
                      "0.6240, 50000 trials)"),
            std::string::npos)
      << line;
  const std::string table = curve_table(refined, false);
  EXPECT_NE(table.find("\n20,0.620,0.0022,0.6155,0.6240,1.0000," +
                       std::string(at20.decision == Decision::OPEN ? "open," : "") +
                       std::to_string(at20.trials)),
            std::string::npos)
      << table;
}

TEST(Curves, IntervalHoldsTheEstimate) {
  for (int detections : {0, 1, 225, 25000, 49999, 50000}) {
    double low = 0, high = 0;
    interval95(detections, low, high);
    const double p = detections / 50000.0;
    EXPECT_LE(low, p);
    EXPECT_GE(high, p);
    EXPECT_GE(low, 0.0);
    EXPECT_LE(high, 1.0);
    EXPECT_LT(high - low, 0.01);
  }
}

TEST(LocusRanking, ForwardEndsWithTheWholeStudy) {
  std::vector<Design> designs;
  Notes notes;
  const std::string study =
      "4\n2 .5 .5\n6 .3 .2 .2 .1 .1 .1\n4 .25 .25 .25 .25\n3 .9 .05 .05\n3\n.4 .3 .3\n99 0\n";
  ASSERT_TRUE(add_designs("s", study, InputOptions{}, designs, notes).ok);
  const LocusRanking one = rank_loci(designs[0], 8, 77, 1);
  const LocusRanking two = rank_loci(designs[0], 8, 77, 2);
  EXPECT_EQ(one.forward, two.forward);
  EXPECT_EQ(one.alone, two.alone);
  EXPECT_EQ(one.alone[0], 0) << "a locus of two alleles never detects";
  EXPECT_EQ(one.order[0], 1) << "the six-allele locus is the best alone";
  const auto whole = estimate_curves(designs, CurveRange{8, 8, 1}, 77, 1);
  EXPECT_EQ(one.forward.back(), whole[0].points[0].detections);
  EXPECT_EQ(one.without[0], one.forward[2]) << "both are loci 2, 3 and 4 from one seed";
  for (size_t n = 1; n < one.forward.size(); ++n)
    EXPECT_GE(one.forward[n], one.forward[n - 1] - 500);
  const std::string table = ranking_table(designs[0], one);
  EXPECT_EQ(table.substr(0, table.find('\n')), "analysis,locus,loci,probability,standard_error");
}

TEST(Designs, ATableOfPercentagesIsCaughtNotSmoothedOver) {
  std::vector<Design> designs;
  Notes notes;
  const Status refused =
      add_designs("table.csv", "locus,allele,frequency\nA,1,50\nA,2,30\nA,3,20\nB,1,1\n",
                  InputOptions{}, designs, notes);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(command_line_text(refused),
            "table.csv: the frequencies of locus A add up to 100; these look like percentages "
            "(run it as it stands with --as-is)");
  EXPECT_EQ(refused.kind, Kind::SCALE_MISTAKE);
  EXPECT_EQ(refused.message.find("--"), std::string::npos);
  InputOptions as_is;
  as_is.as_is = true;
  ASSERT_TRUE(add_designs("table.csv", "locus,allele,frequency\nA,1,50\nA,2,30\nA,3,20\n", as_is,
                          designs, notes)
                  .ok);
  EXPECT_EQ(designs.back().study.allele_frequency[0][0], 50.0) << "run as it stands";
  EXPECT_NE(notes.back().text.find("warning: the frequencies of locus A add up to 100"),
            std::string::npos);
}

// Shares typed on the command line are read as a study file's reader reads
// them: rounded once to single precision, at the edges of float rounding
// too, so a design from --shares is the study the same shares in a file
// give.
TEST(Designs, SharesAreReadAsTheStudyFileReadsThem) {
  const char* const shares[] = {
      "0.5000000298023224", "0.50000002980232239", "0.6000000238418579", "0.1", "1e-46",
      "0.99999997"};
  for (const char* share : shares) {
    PlanOptions options;
    // The share second, after one that leaves room for it to be drawn.
    const std::string words = std::string("0.5,") + share;
    const char* argv[] = {"mpplan", "curve", "--shares", words.c_str()};
    const Status parsed = parse_plan_options(4, argv, options);
    ASSERT_TRUE(parsed.ok) << parsed.message;
    options.input.as_is = true;
    std::vector<Design> from_option;
    Notes notes;
    const Status made = add_designs("s", EXAMPLE_STUDY, options.input, from_option, notes);
    ASSERT_TRUE(made.ok) << share << ": " << made.message;
    const std::string file =
        std::string("3\n4 0.4 0.3 0.2 0.1\n2 0.5 0.5\n3 0.6 0.3 0.1\n2\n0.5 ") + share + "\n99 0\n";
    const StudyData study = study_from(file);
    EXPECT_EQ(from_option.at(0).study.skew[1], study.skew[1]) << share;
  }
}

// The scale check's bounds: a total below one half or above one and a half
// is a scale mistake; nearer 1, a warning.
TEST(Designs, ScaleBoundsAreOneHalfAndOneAndAHalf) {
  struct Row {
    const char* table;
    bool refused;
  };
  const Row rows[] = {
      {"locus,allele,frequency\nA,1,0.2\nA,2,0.1\n", true},    // 0.3
      {"locus,allele,frequency\nA,1,0.3\nA,2,0.25\n", false},  // 0.55
      {"locus,allele,frequency\nA,1,0.9\nA,2,0.55\n", false},  // 1.45
      {"locus,allele,frequency\nA,1,0.9\nA,2,0.7\n", true},    // 1.6
  };
  for (const Row& row : rows) {
    std::vector<Design> designs;
    Notes notes;
    const Status status = add_designs("t.csv", row.table, InputOptions{}, designs, notes);
    EXPECT_EQ(!status.ok, row.refused) << row.table << status.message;
    if (status.ok) {
      EXPECT_NE(notes.back().text.find("warning: the frequencies of locus A add up to"),
                std::string::npos);
    }
  }
}

// A mother chosen by an identifier that several individuals share is
// refused, naming their samples; a locus typed in nobody is refused.
// Each locus as read is a note of its own kind that names the locus, so
// that a front end can fold them; the other notes keep their kinds.
TEST(Designs, EachLocusAsReadIsANoteOfItsOwn) {
  std::vector<Design> designs;
  Notes notes;
  ASSERT_TRUE(add_designs("p.gen", "t\nL1, L2\nPop\na, 0101 0102\nb, 0102 0202\n", InputOptions{},
                          designs, notes)
                  .ok);
  std::vector<std::string> loci;
  for (const Note& note : notes) {
    if (note.kind != Kind::LOCUS_SUMMARY) continue;
    loci.push_back(note.locus);
    EXPECT_EQ(note.text.rfind("p.gen: locus " + note.locus + ": ", 0), 0u) << note.text;
  }
  EXPECT_EQ(loci, (std::vector<std::string>{"L1", "L2"}));
  EXPECT_TRUE(std::any_of(notes.begin(), notes.end(),
                          [](const Note& note) { return note.kind == Kind::SIRES_ASSUMED; }));
}

// Identifiers that repeat, as files that name individuals by their colony
// have them, are made unique by sample and by place within it.
TEST(Designs, UniqueNamesOfIndividuals) {
  PopulationData data;
  ASSERT_TRUE(read_genepop("t\nL1\nPop Nancy1\n5, 0101\n5, 0102\nq, 0101\nPop\n5, 0202\n"
                           "7, 0101\n",
                           data)
                  .ok);
  const std::vector<std::string> names = unique_names(data);
  EXPECT_EQ(names,
            (std::vector<std::string>{"5 (Nancy1, 1)", "5 (Nancy1, 2)", "q", "5 (sample 2)", "7"}));
  for (size_t n = 0; n < names.size(); ++n) {
    const std::vector<const Individual*> found = individuals_named(data, names[n]);
    ASSERT_EQ(found.size(), 1u) << names[n];
    EXPECT_EQ(found[0], &data.individuals[n]) << names[n];
  }
  EXPECT_EQ(individuals_named(data, "5").size(), 3u);
  EXPECT_TRUE(individuals_named(data, "5 (Nancy1, 3)").empty());
}

TEST(Designs, AmbiguousMotherAndUntypedLocus) {
  std::vector<Design> designs;
  Notes notes;
  InputOptions options;
  options.mothers = {"x"};
  const std::string text = "t\nL1\nPop\nx, 0101\ny, 0102\nPop\nx, 0202\n";
  Status status = add_designs("p.gen", text, options, designs, notes);
  EXPECT_FALSE(status.ok);
  EXPECT_EQ(command_line_text(status),
            "p.gen: --mother x: 2 individuals have that identifier (in sample 1, sample 2); name "
            "one with its sample, as \"x (sample 1)\", or give her labels locus by locus, "
            "135/143,136/146,...");
  // Named with her sample, she is found.
  options.mothers = {"x (sample 2)"};
  designs.clear();
  ASSERT_TRUE(add_designs("p.gen", text, options, designs, notes).ok);
  ASSERT_EQ(designs.size(), 1u);
  EXPECT_EQ(designs[0].study.mother[0].slot[0], designs[0].study.mother[0].slot[1]);
  status = add_designs("p.gen", "t\nL1, L2\nPop\na, 0101 0000\nb, 0102 0000\n", InputOptions{},
                       designs, notes);
  EXPECT_EQ(command_line_text(status),
            "p.gen: locus L2 is typed in no individual; leave it out with --loci");
  EXPECT_EQ(status.kind, Kind::LOCUS_UNTYPED);
  EXPECT_EQ(status.locus, "L2");
}

// Repeated options make one design, estimated and reported once; a run
// that asks for more than MAX_DESIGNS designs is refused before any work.
TEST(Designs, RepeatsMergedAndTooManyRefused) {
  std::vector<std::string> words = {"mpplan", "curve", "s.txt", "--to", "3"};
  for (int n = 0; n < 200; ++n) {
    words.insert(words.end(), {"--sires", "2", "--mother", "untyped"});
  }
  words.insert(words.end(), {"--shares", "0.5,0.5"});
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  PlanOptions options;
  const Status parsed = parse_plan_options(static_cast<int>(argv.size()), argv.data(), options);
  ASSERT_TRUE(parsed.ok) << parsed.message;
  const CurveResult merged = run_curve_command(curve_request_of(options), {EXAMPLE_STUDY}, 1, 2);
  ASSERT_TRUE(merged.status.ok) << merged.status.message;
  EXPECT_EQ(merged.curves.size(), 1u) << "--sires 2 and --shares 0.5,0.5 are one study";
  const std::vector<std::string> said = texts_of(merged.notes);
  EXPECT_NE(std::find(said.begin(), said.end(),
                      "1 design repeats an earlier one; each is estimated and reported once"),
            said.end());

  CurveRequest many;
  many.names = {"s.txt"};
  for (int n = 1; n <= 41; ++n) many.designs[0].shares.push_back({"0.5", std::to_string(n)});
  for (int n = 0; n < 25; ++n) {
    std::string mother = "x";  // appended: GCC 12 misjudges a literal plus a number's text
    mother += std::to_string(n);
    many.designs[0].mothers.push_back(mother);
  }
  many.designs[0].mothers.push_back("x0");
  const CurveResult refused = run_curve_command(many, {EXAMPLE_STUDY}, 1, 2);
  EXPECT_FALSE(refused.status.ok);
  EXPECT_EQ(
      command_line_text(refused.status),
      "the options ask for 1025 designs; a run compares at most 1000 (fewer --sires, --shares "
      "or --mother variants)")
      << "41 shares by 25 distinct mothers";
  EXPECT_EQ(refused.status.kind, Kind::TOO_MANY_DESIGNS);
  EXPECT_EQ(refused.status.limit, 1000);
}

// The page's designs come each with options of their own: one that repeats
// an earlier one, with other words (two sires, or shares 0.5 and 0.5), is
// estimated once and said so, and the run's parts and joined run agree.
TEST(Designs, PageDesignsThatRepeatAreMergedAcrossTheirOptions) {
  auto design = [](std::vector<std::string> shares) {
    InputOptions input;
    input.shares = {std::move(shares)};
    return input;
  };
  CurveRequest each;
  each.names = {"s.txt"};
  each.range.to = 4;
  each.designs = {design({"0.5", "0.5"}), design({"0.8", "0.2"}), design({"0.500", "0.500"}),
                  design({"0.8", "0.2"})};
  const CurveResult run = run_curve_command(each, {EXAMPLE_STUDY}, 7, 1);
  ASSERT_TRUE(run.status.ok) << run.status.message;
  ASSERT_EQ(run.curves.size(), 2u);
  const std::vector<std::string> said = texts_of(run.notes);
  EXPECT_NE(std::find(said.begin(), said.end(),
                      "2 designs repeat earlier ones; each is estimated and reported once"),
            said.end())
      << testing::PrintToString(said);
  // Each design alone gives the same points as in the run.
  for (size_t d = 0; d < run.curves.size(); ++d) {
    CurveRequest one = each;
    one.designs = {each.designs[d]};
    const CurveResult alone = run_curve_command(one, {EXAMPLE_STUDY}, 7, 1);
    ASSERT_EQ(alone.curves.size(), 1u);
    ASSERT_EQ(alone.curves[0].points.size(), run.curves[d].points.size());
    for (size_t p = 0; p < alone.curves[0].points.size(); ++p)
      EXPECT_EQ(alone.curves[0].points[p].detections, run.curves[d].points[p].detections);
  }
  // A part for a design merged away estimates nothing.
  const CurveResult part =
      run_curve_command(each, {EXAMPLE_STUDY}, 7, 1, {}, CurveWork{3, nullptr});
  ASSERT_TRUE(part.status.ok);
  for (const DesignCurve& curve : part.curves) EXPECT_TRUE(curve.points.empty());
}

// A caller that stops a run (the R console's interrupt) gets a refusal, not
// a curve cut short; every design stops, on every thread.
TEST(Curves, AStoppedRunEndsRefused) {
  CurveRequest options;
  options.names = {"s.txt"};
  options.designs[0].shares = {{"0.5", "0.5"}, {"0.9", "0.1"}, {"0.6", "0.4"}};
  std::atomic<int> calls{0};
  const CurveResult stopped = run_curve_command(
      options, {EXAMPLE_STUDY}, 1, 2, [&](size_t, size_t, int, int) { return ++calls < 5; });
  EXPECT_FALSE(stopped.status.ok);
  EXPECT_EQ(stopped.status.message, INTERRUPTED);
  EXPECT_TRUE(stopped.curves.empty());
  EXPECT_LT(calls.load(), 20) << "the designs stop soon after, not at the end of the range";

  const CurveResult whole = run_curve_command(options, {EXAMPLE_STUDY}, 1, 2,
                                              [&](size_t, size_t, int, int) { return true; });
  EXPECT_TRUE(whole.status.ok);
  EXPECT_EQ(whole.curves.size(), 3u);
}

// Where the shares alone keep a design from the target, the line says so
// and the table's ceiling column shows it: 1 - 0.9^n - 0.1^n, the shares as
// the 15-bit draw gives them (0.9 picks 29492 of 32768 values), 0.6512 at 10.
TEST(Curves, TheSharesCeilingIsShown) {
  CurveRequest options;
  options.names = {"s.txt"};
  options.designs[0].shares = {{"0.9", "0.1"}};
  options.range = CurveRange{1, 10, 1};
  const CurveResult result = run_curve_command(options, {EXAMPLE_STUDY}, 3, 1);
  ASSERT_TRUE(result.status.ok) << result.status.message;
  const std::string& line = result.notes.back().text;
  EXPECT_NE(line.find("; the shares alone allow at most 0.6512 at 10)"), std::string::npos) << line;
  EXPECT_NE(result.output.find("\n10,"), std::string::npos);
  EXPECT_NE(result.output.find("\n10,0.245,0.0019,0.2410,0.2485,0.6512,below,,,,\n"),
            std::string::npos)
      << result.output;
  EXPECT_EQ(result.curves[0].points[0].ceiling, 0.0) << "one offspring has one sire";

  options.designs[0].shares = {{"0.5", "0.5"}};
  const CurveResult even = run_curve_command(options, {EXAMPLE_STUDY}, 3, 1);
  EXPECT_EQ(even.notes.back().text.find("shares alone"), std::string::npos)
      << "0.998 at 10 does not keep it from 0.95";
}

// --min-loci: a design that asks two loci to reveal is labelled so, is told
// apart from the design that asks one, and never detects more at any size
// (the same seed, the same broods).
TEST(Curves, AStricterVerdictDetectsLess) {
  CurveRequest options;
  options.names = {"s.txt"};
  options.range = CurveRange{2, 30, 4};
  const CurveResult one = run_curve_command(options, {EXAMPLE_STUDY}, 8, 1);
  options.designs[0].min_loci = 2;
  const CurveResult two = run_curve_command(options, {EXAMPLE_STUDY}, 8, 1);
  ASSERT_TRUE(one.status.ok && two.status.ok);
  EXPECT_EQ(two.curves[0].label, one.curves[0].label + "; 2 loci must reveal");
  int less = 0;
  for (size_t n = 0; n < one.curves[0].points.size(); ++n) {
    EXPECT_LE(two.curves[0].points[n].detections, one.curves[0].points[n].detections) << n;
    less += two.curves[0].points[n].detections < one.curves[0].points[n].detections ? 1 : 0;
  }
  EXPECT_GT(less, 3);
  Design a = one.designs[0], b = two.designs[0];
  b.label = a.label;
  EXPECT_FALSE(same_design(a, b));
}

// --trials: estimates of another number of trials, the first from the seed
// as the plain trials would run them, printed as their share; the decision
// and its refinement start from them.
TEST(Curves, EstimatesOfOtherTrialCounts) {
  std::vector<Design> designs;
  Notes notes;
  ASSERT_TRUE(add_designs("example", EXAMPLE_STUDY, InputOptions{}, designs, notes).ok);
  const CurveTarget target{0.95, 20000, 20000};
  const auto curves = estimate_curves(designs, CurveRange{12, 14, 1}, 4, 1, {}, nullptr, target);
  StudyData study = designs[0].study;
  static EstimateWork work;
  prepare_estimates(study, work);
  RandomState random{4};
  const CurvePoint& first = curves[0].points[0];
  EXPECT_EQ(first.estimate_trials, 20000);
  EXPECT_EQ(first.trials, 20000) << "max_trials no more than the estimate's: no refinement";
  EXPECT_EQ(first.detections, count_more_detections(study, 12, 20000, work, random));
  EXPECT_DOUBLE_EQ(point_estimate(first), first.detections / 20000.0);
  char row[96];
  double low = 0, high = 0;
  interval95(first.detections, 20000, low, high);
  std::snprintf(row, sizeof row, "\n12,%.3f,%.4f,%.4f,%.4f,", first.detections / 20000.0,
                standard_error(first.detections, 20000), low, high);
  EXPECT_NE(curve_table(curves, false).find(row), std::string::npos) << curve_table(curves, false);
  // The second estimate goes on from where the first left the generator.
  EXPECT_EQ(curves[0].points[1].detections, count_more_detections(study, 13, 20000, work, random));
}

// Genotyping errors: the designs say so; each has a single-sire companion
// whose detections are its false ones, the same as a single-sire design
// with the same errors from the same seed; the table gains their columns
// and the target line names them. Errors make one sire detect and never
// leave a design detecting less at large sizes, and asking two loci
// lowers the false detections.
TEST(Curves, GenotypingErrorsBringFalseDetections) {
  CurveRequest options;
  options.names = {"s.txt"};
  options.range = CurveRange{4, 40, 6};
  const CurveResult clean = run_curve_command(options, {EXAMPLE_STUDY}, 21, 2);
  options.designs[0].errors = ErrorRates{0.02, 0.01};
  const CurveResult noisy = run_curve_command(options, {EXAMPLE_STUDY}, 21, 2);
  options.designs[0].shares = {{"1"}};
  const CurveResult one = run_curve_command(options, {EXAMPLE_STUDY}, 21, 1);
  options.designs[0].shares.clear();
  options.designs[0].min_loci = 2;
  const CurveResult strict = run_curve_command(options, {EXAMPLE_STUDY}, 21, 1);
  ASSERT_TRUE(clean.status.ok && noisy.status.ok && one.status.ok && strict.status.ok);

  EXPECT_EQ(noisy.curves[0].label, clean.curves[0].label + "; dropout 0.02; false alleles 0.01");
  EXPECT_FALSE(with_errors(clean.curves[0]));
  ASSERT_TRUE(with_errors(noisy.curves[0]));
  const auto& points = noisy.curves[0].points;
  int falsely = 0;
  for (size_t n = 0; n < points.size(); ++n) {
    EXPECT_EQ(points[n].false_detections, one.curves[0].points[n].detections) << n;
    EXPECT_LE(strict.curves[0].points[n].false_detections, points[n].false_detections) << n;
    falsely += points[n].false_detections > 0 ? 1 : 0;
  }
  EXPECT_EQ(falsely, static_cast<int>(points.size()));
  EXPECT_LT(strict.curves[0].points.back().false_detections, points.back().false_detections);
  EXPECT_GE(points.back().detections, clean.curves[0].points.back().detections);

  EXPECT_EQ(clean.output.find("false_detection"), std::string::npos);
  const std::string header = noisy.output.substr(0, noisy.output.find('\n'));
  EXPECT_EQ(header.substr(header.size() - 62),
            "false_detection,false_detection_ci_low,false_detection_ci_high");
  char cells[64];
  double low = 0, high = 0;
  interval95(points[0].false_detections, TRIAL_COUNT, low, high);
  std::snprintf(cells, sizeof cells, ",%.3f,%.4f,%.4f\n", false_detection_share(points[0]), low,
                high);
  EXPECT_NE(noisy.output.find(cells), std::string::npos) << noisy.output;
  EXPECT_NE(noisy.notes.back().text.find("one sire detected falsely"), std::string::npos)
      << noisy.notes.back().text;
  EXPECT_EQ(clean.notes.back().text.find("falsely"), std::string::npos);

  // The figure draws each companion beside its design.
  const auto companions = [](const std::vector<DesignCurve>& curves) {
    const std::string figure = curve_figure(curves, FigureOptions{}, FigureFormat::SVG);
    int count = 0;
    for (size_t at = figure.find("class=\"false-detections\""); at != std::string::npos;
         at = figure.find("class=\"false-detections\"", at + 1))
      ++count;
    return count;
  };
  EXPECT_EQ(companions(noisy.curves), static_cast<int>(noisy.curves.size()));
  EXPECT_EQ(companions(clean.curves), 0);

  Design a = clean.designs[0], b = noisy.designs[0];
  b.label = a.label;
  EXPECT_FALSE(same_design(a, b));
}

// A companion runs in pieces of a few sizes, each from where the sizes
// before it leave the generator and the untyped mother: its false
// detections are those of the single-sire design's own curve, run size
// after size, on one thread or several, over ranges of any step, and a
// range of fewer sizes than pieces.
TEST(Curves, CompanionPiecesJoinAsOneCurve) {
  const std::string drawn =
      "3\n4 .3 .3 .2 .1\n5 .3 .2 .2 .1 .1\n6 .2 .2 .2 .2 .1 .05\n2\n.5 .5\n99 0\n";
  for (const CurveRange range :
       {CurveRange{2, 40, 1}, CurveRange{3, 100, 9}, CurveRange{5, 8, 1}}) {
    CurveRequest options;
    options.names = {"s.txt"};
    options.range = range;
    options.designs[0].errors = ErrorRates{0.05, 0.02};
    const CurveResult two = run_curve_command(options, {drawn}, 99, 2);
    const CurveResult three = run_curve_command(options, {drawn}, 99, 3);
    options.designs[0].shares = {{"1"}};
    const CurveResult one_sire = run_curve_command(options, {drawn}, 99, 1);
    ASSERT_TRUE(two.status.ok && three.status.ok && one_sire.status.ok);
    const auto& points = two.curves[0].points;
    ASSERT_EQ(points.size(), static_cast<size_t>(sizes_in(range)));
    ASSERT_EQ(one_sire.curves[0].points.size(), points.size());
    for (size_t n = 0; n < points.size(); ++n) {
      EXPECT_EQ(points[n].false_detections, one_sire.curves[0].points[n].detections)
          << range.from << " to " << range.to << " by " << range.step << ", point " << n;
      EXPECT_EQ(points[n].false_detections, three.curves[0].points[n].false_detections);
    }
  }
}

// Choosing a panel: the candidates of a study file joined are the study's
// own loci; with every candidate tried, the forward steps are rank_loci's,
// estimate for estimate, until the gain is noise; a screen of one follows
// the loci's order alone; the threads change nothing.
TEST(PanelChoice, ForwardStepsAndTheScreen) {
  const std::string text =
      "6\n2 .5 .5\n6 .3 .2 .2 .1 .1 .1\n4 .25 .25 .25 .25\n3 .9 .05 .05\n5 .2 .2 .2 .2 .2\n"
      "8 .3 .2 .1 .1 .1 .1 .05 .05\n3\n.4 .3 .3\n99 0\n";
  std::vector<Design> candidates, designs;
  std::vector<LocusStatistics> statistics;
  Notes notes;
  ASSERT_TRUE(candidate_loci("s", text, InputOptions{}, candidates, statistics, notes).ok);
  ASSERT_TRUE(add_designs("s", text, InputOptions{}, designs, notes).ok);
  ASSERT_EQ(candidates.size(), 6u);
  const StudyData joined = joined_design(candidates, {0, 1, 2, 3, 4, 5}).study;
  const StudyData& whole = designs[0].study;
  EXPECT_EQ(0, std::memcmp(&joined, &whole, sizeof joined)) << "the joined study is the file's";

  const PanelChoice all = choose_panel(candidates, statistics, 6, 0, 5, 31, 1);
  const PanelChoice threaded = choose_panel(candidates, statistics, 6, 0, 5, 31, 2);
  const LocusRanking ranking = rank_loci(designs[0], 5, 31, 1);
  EXPECT_EQ(all.alone, ranking.alone);
  ASSERT_GE(all.steps.size(), 3u);
  EXPECT_EQ(all.screen, 6);
  for (size_t n = 0; n < all.steps.size(); ++n) {
    EXPECT_EQ(all.steps[n].detections, threaded.steps[n].detections) << n;
    if (all.stopped && n + 1 == all.steps.size()) break;
    EXPECT_EQ(all.steps[n].locus, ranking.order[n]) << n;
    EXPECT_EQ(all.steps[n].detections, ranking.forward[n]) << n;
  }
  EXPECT_EQ(all.steps[0].locus, 5) << "eight alleles (He 0.825) beat six (0.80) and five";

  // A screen of one adds the loci in their order alone.
  const PanelChoice narrow = choose_panel(candidates, statistics, 4, 1, 5, 31, 1);
  std::vector<int> by_alone = {0, 1, 2, 3, 4, 5};
  std::stable_sort(by_alone.begin(), by_alone.end(),
                   [&](int a, int b) { return all.alone[a] > all.alone[b]; });
  for (size_t n = 0; n < narrow.steps.size(); ++n) EXPECT_EQ(narrow.steps[n].locus, by_alone[n]);
  EXPECT_NE(choice_notes(narrow)[0].text.find("tried the 1 best alone"), std::string::npos)
      << choice_notes(narrow)[0].text;

  const std::string table = choice_table(all);
  EXPECT_EQ(table.substr(0, table.find('\n')),
            "step,locus,loci,probability,standard_error,gain,gain_standard_error,alone,he,pic");
  EXPECT_NE(table.find("\n1,locus 6,1,"), std::string::npos) << table;
}

// Loci that cannot reveal a second father: the first is chosen, the next
// adds nothing, and the choice stops there, saying why.
TEST(PanelChoice, StopsWhenNoLocusAddsMoreThanNoise) {
  std::vector<Design> candidates;
  std::vector<LocusStatistics> statistics;
  Notes notes;
  ASSERT_TRUE(candidate_loci("s", "3\n2 .5 .5\n2 .6 .4\n1 1\n2\n.5 .5\n99 0\n", InputOptions{},
                             candidates, statistics, notes)
                  .ok);
  const PanelChoice choice = choose_panel(candidates, statistics, 3, 0, 10, 5, 1);
  EXPECT_TRUE(choice.stopped);
  ASSERT_EQ(choice.steps.size(), 2u);
  EXPECT_EQ(choice.steps[1].gain, 0.0);
  const Notes said = choice_notes(choice);
  ASSERT_EQ(said.size(), 2u);
  EXPECT_EQ(said[1].text.substr(0, 33), "stopped at 1 of the 3 loci asked:");
  EXPECT_NE(said[1].text.find("adds 0.0000 (standard error 0.0000)"), std::string::npos)
      << said[1].text;
  const std::string table = choice_table(choice);
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 2) << table;
}

// More candidates than a study holds: every one is a candidate, each
// panel stays a study, the locus lines become one, and the loci command
// gives the table, the notes and a figure's ranking.
TEST(PanelChoice, ManyCandidatesFromAPopulationFile) {
  std::mt19937 random(30);
  const std::string text = generated_genepop(random, 30, 12, 80);
  LociRequest options;
  options.name = "many.gen";
  options.brood_size = 6;
  options.choose = 4;
  options.screen = 5;
  const LociResult result = run_loci_command(options, text, 9, 2);
  ASSERT_TRUE(result.status.ok) << result.status.message;
  size_t locus_lines = 0, summaries = 0;
  for (const Note& note : result.notes) {
    locus_lines += note.text.find(": locus ") != std::string::npos ? 1 : 0;
    summaries += note.text.rfind("many.gen: 30 candidate loci of ", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(locus_lines, 0u);
  EXPECT_EQ(summaries, 1u);
  const size_t rows =
      static_cast<size_t>(std::count(result.output.begin(), result.output.end(), '\n') - 1);
  EXPECT_EQ(result.ranking.order.size(), rows);
  EXPECT_GE(rows, 2u);
  EXPECT_EQ(result.ranking.alone.size(), 30u);
  EXPECT_NE(result.design.locus_names[0].find(" (He "), std::string::npos);
  // The table's last panel is the study of those loci, estimated from the seed.
  std::vector<Design> candidates;
  std::vector<LocusStatistics> statistics;
  Notes notes;
  ASSERT_TRUE(candidate_loci("many.gen", text, InputOptions{}, candidates, statistics, notes).ok);
  std::vector<int> panel = result.ranking.order;
  std::sort(panel.begin(), panel.end());
  StudyData study = joined_design(candidates, panel).study;
  static EstimateWork work;
  prepare_estimates(study, work);
  RandomState state{9};
  EXPECT_EQ(count_detections(study, 6, work, state), result.ranking.forward.back());
}

}  // namespace mpdetect
