// The likelihood verdict's choice of loci: a locus's information against
// its exact expectation, the order it gives, and the panels estimated.
#include "plan/estimate/likelihood_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "frontend/command_line_words.h"
#include "plan/command/plan_command.h"
#include "plan/estimate/panel_choice.h"
#include "plan/input/plan_text.h"

namespace mpdetect {
namespace {

// Candidates from a frequency table: one design of one locus each, two
// equal sires, the mother drawn, judged by the likelihood verdict.
std::vector<Design> candidates_of(const std::string& table, std::vector<LocusStatistics>& stats) {
  InputOptions options;
  options.verdict = Verdict::LIKELIHOOD;
  options.any_size = true;
  std::vector<Design> candidates;
  Notes notes;
  const Status read = candidate_loci("loci.csv", table, options, candidates, stats, notes);
  EXPECT_TRUE(read.ok) << read.message;
  return candidates;
}

// log L(true families) - log L(one family) of one brood of one locus.
double ratio_of(const std::vector<double>& frequency, const ReadModel& model, Genotype mother,
                const std::vector<Genotype>& young, const std::vector<int>& sire_of) {
  BroodReads brood;
  brood.loci = 1;
  brood.offspring = static_cast<int>(young.size());
  brood.mother = {mother};
  brood.young = young;
  BroodTerms terms;
  prepare_brood_terms({frequency}, model, brood, terms);
  return split_log_likelihood(terms, sire_of, 2) -
         split_log_likelihood(terms, std::vector<int>(young.size(), 0), 1);
}

// The information of one locus exactly: every mother, pair of fathers,
// assignment of offspring to them and allele each inherits, weighted by
// its chance, with genotypes read as they are (no errors drawn).
double exact_information(const std::vector<double>& p, const std::vector<double>& share,
                         int offspring, const ReadModel& model) {
  const int alleles = static_cast<int>(p.size());
  double expected = 0;
  const auto genotypes = [&](auto&& each) {
    for (int a = 0; a < alleles; ++a)
      for (int b = 0; b < alleles; ++b) each(Genotype{{a, b}}, p[a] * p[b]);
  };
  genotypes([&](Genotype mother, double pm) {
    genotypes([&](Genotype first, double p1) {
      genotypes([&](Genotype second, double p2) {
        // Each offspring: its sire (2 ways) and the slot from each parent (4).
        const int ways = 8;
        int total = 1;
        for (int j = 0; j < offspring; ++j) total *= ways;
        for (int code = 0; code < total; ++code) {
          std::vector<Genotype> young;
          std::vector<int> sire_of;
          double chance = pm * p1 * p2;
          for (int j = 0, rest = code; j < offspring; ++j, rest /= ways) {
            const int sire = rest % 2, from_mother = rest / 2 % 2, from_father = rest / 4 % 2;
            const Genotype& father = sire == 0 ? first : second;
            sire_of.push_back(sire);
            young.push_back(Genotype{{mother.slot[from_mother], father.slot[from_father]}});
            chance *= share[static_cast<size_t>(sire)] * 0.25;
          }
          expected += chance * ratio_of(p, model, mother, young, sire_of);
        }
      });
    });
  });
  return expected;
}

}  // namespace

// The information estimated from broods of the design lies within four
// standard errors of the exact expectation, for loci of two and three
// alleles, two and three offspring, even and uneven sires.
TEST(LikelihoodChoice, InformationIsTheExpectedRatioOfTheTrueFamilies) {
  struct Case {
    const char* table;
    std::vector<double> frequency;
    const char* shares;  // empty: two equal sires
    std::vector<double> share;
    int offspring;
  };
  const Case cases[] = {
      {"locus,allele,frequency\nA,1,0.5\nA,2,0.5\n", {0.5, 0.5}, "", {0.5, 0.5}, 2},
      {"locus,allele,frequency\nA,1,0.7\nA,2,0.2\nA,3,0.1\n", {0.7, 0.2, 0.1}, "", {0.5, 0.5}, 3},
      {"locus,allele,frequency\nA,1,0.4\nA,2,0.3\nA,3,0.3\n",
       {0.4, 0.3, 0.3},
       "0.8,0.2",
       {0.8, 0.2},
       3},
  };
  for (const Case& c : cases) {
    InputOptions options;
    options.verdict = Verdict::LIKELIHOOD;
    options.any_size = true;
    if (*c.shares) options.shares = {split_cells(c.shares, ',')};
    std::vector<Design> candidates;
    std::vector<LocusStatistics> stats;
    Notes notes;
    ASSERT_TRUE(candidate_loci("one.csv", c.table, options, candidates, stats, notes).ok);
    const std::vector<LocusInformation> found =
        locus_information(candidates, c.offspring, 20000, 11, 2);
    const double exact =
        exact_information(c.frequency, c.share, c.offspring, ReadModel{0, DEFAULT_ERROR_ALLOWANCE});
    EXPECT_GT(exact, 0) << c.table;
    EXPECT_NEAR(found[0].mean, exact, 4 * found[0].error) << c.table;
    EXPECT_LT(found[0].error, 0.1 * exact) << "enough broods to tell";
  }
}

TEST(LikelihoodChoice, CheckpointsDoubleUpToThePanel) {
  EXPECT_EQ(checkpoint_loci(1), (std::vector<int>{1}));
  EXPECT_EQ(checkpoint_loci(5), (std::vector<int>{1, 2, 4, 5}));
  EXPECT_EQ(checkpoint_loci(8), (std::vector<int>{1, 2, 4, 8}));
}

// Loci of more and more even alleles carry more information, and the
// panel is the most informative ones, the same on one thread and two; its
// detection grows with the loci and one sire is called several at about
// the rate allowed.
TEST(LikelihoodChoice, ThePanelIsTheMostInformativeLoci) {
  const std::string table =
      "locus,allele,frequency\n"
      "rare,1,0.95\nrare,2,0.05\n"
      "even,1,0.5\neven,2,0.5\n"
      "six,1,0.2\nsix,2,0.2\nsix,3,0.15\nsix,4,0.15\nsix,5,0.15\nsix,6,0.15\n"
      "mid,1,0.8\nmid,2,0.2\n"
      "four,1,0.25\nfour,2,0.25\nfour,3,0.25\nfour,4,0.25\n";
  std::vector<LocusStatistics> stats;
  const std::vector<Design> candidates = candidates_of(table, stats);
  ASSERT_EQ(candidates.size(), 5u);
  const LikelihoodChoice one = choose_likelihood_panel(candidates, stats, 3, 8, 1000, 5, 1);
  const LikelihoodChoice two = choose_likelihood_panel(candidates, stats, 3, 8, 1000, 5, 2);
  EXPECT_EQ(one.chosen, (std::vector<int>{2, 4, 1}));  // six, four, even
  EXPECT_EQ(likelihood_choice_table(one), likelihood_choice_table(two));
  const std::vector<LocusInformation>& info = one.information;
  EXPECT_LT(info[0].mean, info[3].mean);
  EXPECT_LT(info[3].mean, info[1].mean);
  ASSERT_EQ(one.points.size(), 3u);  // 1, 2 and 3 loci
  EXPECT_LT(one.points[0].detections, one.points[2].detections);
  for (const LikelihoodPoint& point : one.points)
    EXPECT_LE(point.false_detections, 0.01 * 1000 + 4 * std::sqrt(0.01 * 1000));
  const std::string text = likelihood_choice_table(one);
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "step,locus,information,information_standard_error,loci,probability,standard_error,"
            "false_detection,he,pic");
  EXPECT_NE(text.find("\n3,even,"), std::string::npos) << text;
}

// The command refuses what the choice cannot do, before any work.
TEST(LikelihoodChoice, TheCommandRefusesWhatItCannotChooseBy) {
  const std::string table = "locus,allele,frequency\nA,1,0.5\nA,2,0.5\nB,1,0.5\nB,2,0.5\n";
  LociRequest request;
  request.name = "loci.csv";
  request.input.verdict = Verdict::LIKELIHOOD;
  request.brood_size = 10;
  EXPECT_EQ(command_line_text(run_loci_command(request, table, 1, 1).status),
            "--choose K is needed: the likelihood verdict weighs loci together, not one by one, "
            "and chooses the K loci it gains most from");
  request.choose = 2;
  request.input.shares = {{"1"}};
  EXPECT_NE(run_loci_command(request, table, 1, 1).status.message.find("gives one sire"),
            std::string::npos);
  request.input.shares.clear();
  request.brood_size = LIKELIHOOD_MAX_OFFSPRING + 1;
  EXPECT_FALSE(run_loci_command(request, table, 1, 1).status.ok);
  request.brood_size = 6;
  const LociResult chosen = run_loci_command(request, table, 1, 1);
  ASSERT_TRUE(chosen.status.ok) << chosen.status.message;
  EXPECT_EQ(std::count(chosen.output.begin(), chosen.output.end(), '\n'), 3);
}

}  // namespace mpdetect
