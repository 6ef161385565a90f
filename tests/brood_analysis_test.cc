// Genotyped broods: judged as the simulation judges, mismatches found,
// mothers found by the rule, and detection probabilities that are curve's.
#include "plan/estimate/brood_analysis.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "frontend/command_line_words.h"
#include "plan/command/plan_command.h"
#include "plan/estimate/brood_simulation.h"
#include "simulation/random_source.h"
#include "test_support.h"

namespace mpdetect {

namespace {

std::string example(const std::string& name) {
  return example_file(name);
}

// The study and panel of the example population, mother drawn.
struct Source {
  Panel panel;
  StudyData study;
};

Source example_source() {
  PopulationData data;
  Source source;
  Notes notes;
  Design design;
  const std::string text = example("population.gen");
  EXPECT_TRUE(panel_of_input("population.gen", text, InputOptions{}, data, source.panel, notes).ok);
  EXPECT_TRUE(design_of_panel("population.gen", source.panel, equal_shares(2), MotherChoice{}, data,
                              false, design, notes)
                  .ok);
  source.study = design.study;
  return source;
}

// "o12" and the like, built by appending (GCC 12 misjudges a literal plus a
// number's text).
std::string numbered(const char* prefix, int n) {
  std::string name = prefix;
  name += std::to_string(n);
  return name;
}

BroodInputs inputs_of(const std::string& text) {
  BroodInputs inputs;
  inputs.name = "broods.gen";
  inputs.text = text;
  return inputs;
}

Status analysed(const BroodInputs& inputs, BroodsReport& report) {
  Notes notes;
  return analyse_broods(inputs, 7, 2, report, notes);
}

}  // namespace

// Broods drawn by sample_brood, written as Genepop and read back, get the
// verdict judge_brood gave them, and never need more sires than they had.
TEST(Broods, ReadBackBroodsGetTheSimulationsVerdict) {
  Source source = example_source();
  seed_random(99);
  std::mt19937 choose(5);
  const std::vector<std::vector<double>> shares = {{1.0}, {0.5, 0.5}, {0.8, 0.2}, {0.4, 0.3, 0.3}};
  std::vector<SimulatedBrood> broods;
  int revealed = 0, unrevealed_several = 0;
  for (int b = 0; b < 80; ++b) {
    const std::vector<double>& design = shares[choose() % shares.size()];
    // Sizes from 1, where nothing can show, to 40.
    const int size = 1 + static_cast<int>(choose() % 40);
    broods.push_back(simulate_brood(source.study, design, size, numbered("S", b)));
    revealed += broods.back().verdict;
    unrevealed_several += design.size() > 1 && broods.back().verdict == 0 ? 1 : 0;
  }
  ASSERT_GT(revealed, 20);
  ASSERT_GT(80 - revealed, 20);

  BroodsReport report;
  ASSERT_TRUE(analysed(inputs_of(broods_genepop("drawn", source.panel, broods)), report).ok);
  ASSERT_EQ(report.broods.size(), broods.size());
  for (size_t b = 0; b < broods.size(); ++b) {
    const BroodVerdict& judged = report.broods[b];
    EXPECT_EQ(brood_name(report, judged), broods[b].name);
    EXPECT_EQ(judged.revealed ? 1 : 0, broods[b].verdict) << broods[b].name;
    // The least number over all loci together lies between the per-locus
    // bound and the sires that made the brood.
    EXPECT_TRUE(judged.min_sires_exact) << broods[b].name;
    EXPECT_LE(judged.min_sires, broods[b].sires) << broods[b].name;
    EXPECT_GE(judged.min_sires, judged.min_sires_per_locus) << broods[b].name;
    EXPECT_GE(judged.min_sires_per_locus, 1);
    EXPECT_EQ(judged.min_sires_per_locus >= 2, judged.revealed) << "more than two paternal alleles";
    EXPECT_TRUE(judged.mismatches.empty());
    EXPECT_EQ(judged.offspring.size(), broods[b].offspring.size());
  }
}

// Offspring miscalled to carry neither of their mother's alleles are all
// listed, and nothing else is; a missing genotype is no mismatch.
TEST(Broods, MismatchesPlantedAreFoundAndNothingElse) {
  Source source = example_source();
  seed_random(3);
  std::mt19937 choose(11);
  std::vector<SimulatedBrood> broods;
  for (int b = 0; b < 20; ++b)
    broods.push_back(simulate_brood(source.study, {0.5, 0.5}, 10, numbered("B", b)));
  std::set<std::string> planted;
  for (int n = 0; n < 60; ++n) {
    SimulatedBrood& brood = broods[choose() % broods.size()];
    const int j = static_cast<int>(choose() % brood.offspring.size());
    const int i = static_cast<int>(choose() % source.study.locus_count);
    Genotype& genotype = brood.offspring[j][i];
    const Genotype& mother = brood.mother[i];
    if (n % 4 == 0) {
      genotype = Genotype{{-1, -1}};  // missing: not a mismatch
      planted.erase(brood.name + "/" + std::to_string(j) + "/" + std::to_string(i));
      continue;
    }
    std::vector<int32_t> others;
    for (int32_t a = 0; a < source.study.allele_count[i]; ++a) {
      if (a != mother.slot[0] && a != mother.slot[1]) others.push_back(a);
    }
    genotype = Genotype{{others[choose() % others.size()], others[choose() % others.size()]}};
    planted.insert(brood.name + "/" + std::to_string(j) + "/" + std::to_string(i));
  }
  BroodsReport report;
  ASSERT_TRUE(analysed(inputs_of(broods_genepop("drawn", source.panel, broods)), report).ok);
  std::set<std::string> found;
  for (const BroodVerdict& brood : report.broods) {
    for (const Mismatch& mismatch : brood.mismatches) {
      const auto at = std::find(brood.offspring.begin(), brood.offspring.end(), mismatch.offspring);
      found.insert(brood_name(report, brood) + "/" + std::to_string(at - brood.offspring.begin()) +
                   "/" + std::to_string(mismatch.locus));
    }
  }
  EXPECT_EQ(found, planted);
  EXPECT_GT(planted.size(), 30u);
}

// One brood on literal genotypes: paternal alleles, the least number of
// sires, the mother drawn at a locus, the ambiguous offspring.
TEST(Broods, OneBroodJudgedByTheRules) {
  const std::string text =
      "title\nA, B, C\n"
      "Pop\n"
      "M, 0102 0101 0000\n"
      "o1, 0103 0102 0102\n"
      "o2, 0204 0101 0303\n"
      "o3, 0105 0000 0404\n"
      "o4, 0102 0201 0506\n"
      "o5, 0606 0102 0101\n";  // carries neither of M's alleles at A
  PopulationData data;
  ASSERT_TRUE(read_population(text, InputFormat::GENEPOP, data).ok);
  const BroodVerdict brood = judge_genotyped_brood(data, 0, 0, {0, 1, 2});
  ASSERT_EQ(brood.loci.size(), 3u);
  // A: paternal 3, 4, 5, and o4 with her genotype got one of hers from its
  // sire, which none of the others shows: 4 alleles.
  EXPECT_EQ(brood.loci[0].paternal, 4);
  EXPECT_TRUE(brood.loci[0].reveals);
  EXPECT_EQ(brood.loci[0].typed, 5);
  // B: homozygous mother; o4's 2 and o5's 2 are one paternal allele, o1's 2.
  EXPECT_EQ(brood.loci[1].paternal, 2);
  EXPECT_FALSE(brood.loci[1].reveals);
  EXPECT_EQ(brood.loci[1].typed, 4);
  // C: the mother is untyped, so nothing is judged there.
  EXPECT_FALSE(brood.loci[2].judged);
  EXPECT_EQ(brood.loci[2].typed, 5);
  EXPECT_EQ(brood.loci_typed, 2);
  EXPECT_TRUE(brood.revealed);
  EXPECT_EQ(brood.min_sires, 2);
  ASSERT_EQ(brood.mismatches.size(), 1u);
  EXPECT_EQ(data.individuals[brood.mismatches[0].offspring].id, "o5");
  EXPECT_EQ(genotype_text(data, data.individuals[5], 0), "06/06");
  EXPECT_FALSE(mother_doubtful(brood));
  // Asked for two loci, the one locus that reveals is not enough.
  const BroodVerdict strict = judge_genotyped_brood(data, 0, 0, {0, 1, 2}, 2);
  EXPECT_FALSE(strict.revealed);
  EXPECT_EQ(strict.min_sires, 2) << "what the genotypes need does not change";
  // The judged offspring of A leave out o5; of B, o3 (untyped).
  EXPECT_EQ(brood.loci[0].offspring.word[0], 0b01111u);
  EXPECT_EQ(brood.loci[1].offspring.word[0], 0b11011u);
}

TEST(Broods, MothersFoundByTheRule) {
  const std::string text =
      "title\nA\n"
      "Pop\nf1, 0102\nk1, 0103\nk2, 0204\n"
      "Pop\nk3, 0101\nf2, 0102\nk4, 0105\n";
  PopulationData data;
  ASSERT_TRUE(read_population(text, InputFormat::GENEPOP, data).ok);
  struct Case {
    const char* rule;
    std::vector<int> mothers;  // empty: refused
    const char* refusal;
  };
  const Case cases[] = {
      {"first", {0, 3}, ""},
      {"f1,f2", {0, 4}, ""},
      {"f1", {0, -1}, ""},
      {"f.*", {0, 4}, ""},
      {"k[24]", {2, 5}, ""},
      {"x", {}, "no individual has the identifier \"x\""},
      {"f1,k1", {}, "--mothers names two individuals of sample 1"},
      {"k.", {}, "--mothers names two individuals of sample 1"},
      {"f(", {}, "not a regular expression"},
      // Counts that multiply past what a rule needs, refused before the
      // pattern is compiled (which would take gigabytes).
      {"(((a{1,100}){1,100}){1,100}){1,100}", {}, "repetition counts multiply to more than 2000"},
      {"((a{1,100}){1,100}){1,100}", {}, "repetition counts multiply to more than 2000"},
      {"(k{1,50}|f){1,50}", {}, "repetition counts multiply"},
      {"[a-z]{0,}(x{2500})", {}, "repetition counts multiply"},
      {"(x|y|z)*f{1,9}[1-9]{1,100}", {0, 4}, ""},
      {"k{1,40}[24]{1,40}", {2, 5}, ""},
  };
  // Too long a pattern is refused before it is looked at.
  {
    std::vector<int> mothers;
    const Status status = find_mothers(data, std::string(300, '.'), mothers);
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.message.find("the pattern is 300 characters long"), std::string::npos);
  }
  // One identifier for every brood's mother.
  PopulationData same;
  ASSERT_TRUE(read_population("t\nA\nPop\nM, 0102\nk, 0101\nPop\nk, 0101\nM, 0303\n",
                              InputFormat::GENEPOP, same)
                  .ok);
  std::vector<int> found;
  ASSERT_TRUE(find_mothers(same, "M", found).ok);
  EXPECT_EQ(found, (std::vector<int>{0, 3}));
  for (const Case& c : cases) {
    std::vector<int> mothers;
    const Status status = find_mothers(data, c.rule, mothers);
    if (c.mothers.empty()) {
      EXPECT_FALSE(status.ok) << c.rule;
      EXPECT_NE(command_line_text(status).find(c.refusal), std::string::npos) << status.message;
    } else {
      EXPECT_TRUE(status.ok) << c.rule << ": " << status.message;
      EXPECT_EQ(mothers, c.mothers) << c.rule;
    }
  }
  // A brood whose mother the rule does not find is judged from the
  // offspring alone, and said so: k3 1/1 and k4 1/5 with f2 1/2 are
  // explained by a pair, so it shows nothing.
  BroodInputs inputs = inputs_of(text);
  inputs.mothers = "f1";
  BroodsReport report;
  Notes notes;
  ASSERT_TRUE(analyse_broods(inputs, 7, 1, report, notes).ok);
  ASSERT_EQ(report.broods.size(), 2u);
  EXPECT_TRUE(report.broods[0].mother_sampled);
  EXPECT_EQ(report.broods[1].mother, -1);
  EXPECT_FALSE(report.broods[1].mother_sampled);
  EXPECT_EQ(report.broods[1].offspring.size(), 3u);
  EXPECT_FALSE(report.broods[1].revealed);
  EXPECT_EQ(report.broods[1].min_sires, 1);
  const std::vector<std::string> said = texts_of(notes);
  EXPECT_NE(std::find(said.begin(), said.end(),
                      "broods.gen: brood sample 2: --mothers f1 finds no mother among its 3 "
                      "individuals; judged from the offspring alone, as a brood whose mother "
                      "was not sampled"),
            said.end());
}

TEST(Broods, Refusals) {
  std::string big = "title\nA\nPop\nM, 0102\n";
  for (int j = 0; j < MAX_OFFSPRING + 1; ++j) big += numbered("o", j) + ", 0103\n";
  const std::string two = "title\nA, B\nPop\nM, 0000 0102\no, 0102 0102\n";
  // One locus more than a study holds, every one of them revealing.
  std::string wide = "title\n";
  std::string mother = "M,", first = "o1,", second = "o2,";
  for (int i = 0; i <= MAX_LOCI; ++i) {
    wide += numbered("L", i) + "\n";
    mother += " 0102";
    first += " 0103";
    second += " 0204";
  }
  wide += "Pop\n" + mother + "\n" + first + "\n" + second + "\n";
  struct Case {
    std::string text;
    std::string population;
    const char* refusal;
  } cases[] = {
      {big, "", "brood sample 1: 101 offspring; a brood is judged with at most 100"},
      {wide, "", "broods.gen: the study would have 26 loci; a study allows 25"},
      {wide, "title\nL0\nPop\nx, 0102\n", "broods.gen: the study would have 26 loci"},
      {"1\n2 0.5 0.5\n2\n0.5 0.5\n99 0\n", "", "not a study file"},
      {"locus,allele,frequency\nA,1,1\n", "", "not a frequency table"},
      {"title\nA, B\nPop\nM, 0000 0000\no, 0102 0102\n", "", "locus A is typed in no mother"},
      {two, "title\nA\nPop\nx, 0102\n", "population.gen: has no locus B of broods.gen"},
      {two, "1\n2 0.5 0.5\n2\n0.5 0.5\n99 0\n",
       "--population takes a population sample or a frequency table"},
  };
  for (const Case& c : cases) {
    BroodInputs inputs = inputs_of(c.text);
    if (!c.population.empty()) {
      inputs.population_name = "population.gen";
      inputs.population_text = c.population;
    }
    BroodsReport report;
    const Status status = analysed(inputs, report);
    EXPECT_FALSE(status.ok) << c.refusal;
    EXPECT_NE(command_line_text(status).find(c.refusal), std::string::npos) << status.message;
  }
}

// A brood typed at every locus: its detection probability is curve's at its
// size, with its mother's labels, the population's frequencies and the same
// seed; with one offspring untyped at a locus it can only be lower.
TEST(Broods, DetectionProbabilityIsCurvesForTheSameDesign) {
  const std::string broods = example("broods.gen");
  const std::string population = example("population.gen");
  BroodsRequest options;
  options.name = "broods.gen";
  options.population = "population.gen";
  options.input.shares = {{"0.7", "0.3"}, {"0.5", "0.5"}};
  const BroodsResult result = run_broods_command(options, broods, population, 4242, 2);
  ASSERT_TRUE(result.status.ok) << result.status.message;
  const BroodsReport& report = result.broods;
  int compared = 0;
  for (size_t b = 0; b < report.broods.size() && compared < 3; ++b) {
    const BroodVerdict& brood = report.broods[b];
    bool typed_everywhere = brood.mismatches.empty() && brood.offspring.size() < 12;
    std::string mother;
    for (const BroodLocus& locus : brood.loci) {
      typed_everywhere = typed_everywhere && locus.judged &&
                         locus.typed == static_cast<int>(brood.offspring.size());
      const LabelPair pair = labels_at(report.data, report.data.individuals[brood.mother],
                                       static_cast<size_t>(locus.locus));
      mother += (mother.empty() ? "" : ",") + pair.allele[0] + "/" + pair.allele[1];
    }
    if (!typed_everywhere) continue;
    for (size_t d = 0; d < 2; ++d) {
      CurveRequest curve;
      curve.names = {"population.gen"};
      curve.designs[0].shares = {options.input.shares[d]};
      curve.designs[0].mothers = {mother};
      const int size = static_cast<int>(brood.offspring.size());
      curve.range = CurveRange{size, size, 1};
      const CurveResult expected = run_curve_command(curve, {population}, 4242, 1);
      ASSERT_TRUE(expected.status.ok) << expected.status.message;
      EXPECT_EQ(report.detections[d][b], expected.curves.front().points.front().detections)
          << brood_name(report, brood);
    }
    ++compared;
  }
  EXPECT_EQ(compared, 3);
}

// A brood with offspring untyped at a locus is estimated with them left out
// there: never higher than with every offspring judged.
TEST(Broods, UntypedOffspringLowerTheDetectionProbability) {
  std::string text = "title\nA, B\nPop\nM, 0102 0102\n";
  for (int j = 0; j < 6; ++j) text += numbered("o", j) + ", 0103 0304\n";
  std::string gaps = "title\nA, B\nPop\nM, 0102 0102\n";
  for (int j = 0; j < 6; ++j)
    gaps += numbered("o", j) + (j < 3 ? ", 0000 0000\n" : ", 0103 0304\n");
  const std::string population =
      "title\nA, B\nPop\n"
      "p1, 0102 0102\np2, 0304 0304\np3, 0506 0506\np4, 0708 0708\np5, 0103 0105\n";
  BroodsReport full, missing;
  BroodInputs inputs = inputs_of(text);
  inputs.population_name = "population.gen";
  inputs.population_text = population;
  ASSERT_TRUE(analysed(inputs, full).ok);
  inputs.text = gaps;
  ASSERT_TRUE(analysed(inputs, missing).ok);
  EXPECT_EQ(missing.broods[0].loci[0].typed, 3);
  EXPECT_LT(missing.detections[0][0], full.detections[0][0]);
  EXPECT_GT(missing.detections[0][0], 0);
}

TEST(Broods, TablesAndSummary) {
  const std::string text =
      "title\nA\n"
      "Pop Nest \"one\"\nM1, 0102\na, 0103\nb, 0204\nc, 0105\nd, 0909\n"
      "Pop\nM2, 0102\ne, 0101\n";
  BroodInputs inputs = inputs_of(text);
  inputs.options.shares = {{"0.5", "0.5"}, {"0.9", "0.1"}};
  BroodsReport report;
  Notes notes;
  const Status status = analyse_broods(inputs, 1, 1, report, notes);
  ASSERT_TRUE(status.ok) << status.message;
  const std::string table = brood_table(report);
  EXPECT_EQ(table.substr(0, table.find('\n')),
            "design,brood,mother,offspring,loci_typed,revealed,revealing_loci,min_sires,"
            "min_sires_per_locus,mismatches,detection_probability");
  EXPECT_NE(table.find("2 sires 0.5/0.5,\"Nest \"\"one\"\"\",M1,4,1,1,A,2,2,1,"), std::string::npos)
      << table;
  EXPECT_NE(table.find("2 sires 0.9/0.1,sample 2,M2,1,1,0,,1,1,0,0.000"), std::string::npos)
      << table;
  EXPECT_EQ(mismatch_table(report),
            "brood,offspring,locus,mother_genotype,offspring_genotype\n"
            "\"Nest \"\"one\"\"\",d,A,01/02,09/09\n");
  EXPECT_EQ(share_table(report).substr(0, 70),
            "design,broods,revealed,observed_share,estimated_share,ci_low,ci_high\n2");
  const Notes lines = share_lines(report);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].text, "1 of 2 broods show multiple paternity (observed share 0.500)");
  // Two designs: how far apart they put the share.
  EXPECT_EQ(lines[3].text.rfind("over the 2 designs the share ranges from ", 0), 0u)
      << lines[3].text;
  // The frequencies come from the mothers, said so.
  EXPECT_NE(std::find_if(notes.begin(), notes.end(),
                         [](const Note& note) {
                           return note.text.find("allele frequencies from the 2 mothers alone") !=
                                  std::string::npos;
                         }),
            notes.end());
}

// Broods of one offspring could never show a second father: the share is
// said to be unbounded, not estimated. A design with one sire is refused.
TEST(Broods, WhatTheBroodsCannotSay) {
  const std::string text =
      "title\nA\nPop\nM1, 0102\na, 0103\nPop\nM2, 0304\nb, 0305\nPop\nM3, 0506\nc, 0107\n";
  BroodsReport report;
  ASSERT_TRUE(analysed(inputs_of(text), report).ok);
  ASSERT_EQ(report.shares.size(), 1u);
  EXPECT_FALSE(report.shares[0].bounded);
  EXPECT_EQ(report.detections[0], (std::vector<int>{0, 0, 0}));
  EXPECT_NE(share_lines(report)[1].text.find("the broods cannot bound the share"),
            std::string::npos);

  BroodInputs one = inputs_of(text);
  one.options.shares = {{"0.5", "0.5"}, {"1", "0"}};
  const Status refused = analysed(one, report);
  EXPECT_NE(refused.message.find("under 2 sires 1/0 no brood could reveal multiple paternity"),
            std::string::npos)
      << refused.message;
}

// A brood given another brood's mother mismatches at most loci and is
// warned of; a brood with one miscalled offspring is not.
TEST(Broods, TheWrongMotherIsWarnedOf) {
  Source source = example_source();
  seed_random(8);
  std::vector<SimulatedBrood> broods;
  for (int b = 0; b < 2; ++b)
    broods.push_back(simulate_brood(source.study, {0.5, 0.5}, 20, numbered("B", b)));
  for (int i = 0; i < source.study.locus_count; ++i) broods[1].mother[i] = broods[0].mother[i];
  broods[1].mother[0] = Genotype{{0, 0}};  // keep a judged locus or two apart
  BroodsReport report;
  Notes notes;
  ASSERT_TRUE(
      analyse_broods(inputs_of(broods_genepop("drawn", source.panel, broods)), 1, 1, report, notes)
          .ok);
  EXPECT_FALSE(mother_doubtful(report.broods[0]));
  EXPECT_TRUE(mother_doubtful(report.broods[1]));
  int warned = 0;
  for (const Note& note : notes) {
    warned += note.text.find(
                  "warning: broods.gen: brood B1: offspring carry neither allele of "
                  "\"B1-M\"") == 0 &&
                      note.text.find("she may not be their mother") != std::string::npos &&
                      note.kind == Kind::WARNING
                  ? 1
                  : 0;
  }
  EXPECT_EQ(warned, 1);
}

// Without its mother a brood is judged from the offspring alone, and its
// detection probability is curve's with --mother unsampled for the same
// size, loci and seed.
TEST(Broods, WithoutTheMotherAsCurveUnsampled) {
  const std::string population = example("population.gen");
  // Offspring 1/1, 2/2 and 3/3 at A: no pair of parents explains them.
  std::string text = "title\nMpa01, Mpa02\nPop\n";
  const char* const genotypes[] = {"142142 201201", "144144 201203", "146146 203203",
                                   "142144 201201", "146142 203201"};
  for (int j = 0; j < 5; ++j) text += numbered("o", j) + ", " + genotypes[j] + "\n";
  BroodInputs inputs = inputs_of(text);
  inputs.mothers = "M.*";
  inputs.population_name = "population.gen";
  inputs.population_text = population;
  BroodsReport report;
  ASSERT_TRUE(analysed(inputs, report).ok);
  ASSERT_EQ(report.broods.size(), 1u);
  const BroodVerdict& brood = report.broods[0];
  EXPECT_FALSE(brood.mother_sampled);
  EXPECT_TRUE(brood.loci[0].reveals);
  EXPECT_FALSE(brood.loci[1].reveals);
  EXPECT_EQ(brood.min_sires, 2);
  EXPECT_TRUE(brood.mismatches.empty());
  EXPECT_NE(brood_table(report).find("\nsample 1,,5,2,1,Mpa01,2,2,0,"), std::string::npos)
      << brood_table(report);

  CurveRequest curve;
  curve.names = {"population.gen"};
  curve.designs[0].mothers = {"unsampled"};
  curve.designs[0].loci = "Mpa01,Mpa02";
  curve.range = CurveRange{5, 5, 1};
  const CurveResult expected = run_curve_command(curve, {population}, 7, 1);
  ASSERT_TRUE(expected.status.ok) << expected.status.message;
  EXPECT_EQ(report.detections[0][0], expected.curves[0].points[0].detections);
  EXPECT_GT(report.detections[0][0], 0);
  EXPECT_NE(expected.curves[0].label.find("mother not sampled"), std::string::npos);
}

// A brood whose loci each need two fathers but together three: min_sires
// is the least over the loci together, min_sires_per_locus the bound of
// each alone. The console program's verdict stays the per-locus rule's.
TEST(Broods, LeastFathersOverTheLociTogether) {
  const std::string text =
      "brood\nA, B\nPop\nM, 0101 0101\no1, 0102 0102\no2, 0103 0103\no3, 0104 0104\n"
      "o4, 0105 0105\no5, 0102 0104\no6, 0103 0105\no7, 0102 0105\n";
  BroodsReport report;
  const Status status = analysed(inputs_of(text), report);
  ASSERT_TRUE(status.ok) << status.message;
  ASSERT_EQ(report.broods.size(), 1u);
  EXPECT_EQ(report.broods[0].min_sires, 3);
  EXPECT_EQ(report.broods[0].min_sires_per_locus, 2);
  EXPECT_TRUE(report.broods[0].min_sires_exact);
  EXPECT_TRUE(report.broods[0].revealed) << "four paternal alleles at a locus";
  EXPECT_NE(brood_table(report).find("\nsample 1,M,7,2,1,A;B,3,2,0,"), std::string::npos)
      << brood_table(report);
}

}  // namespace mpdetect

namespace mpdetect {

namespace {

// The broods of `data` written as a PLINK pedigree, each mother last but
// named in her offspring's maternal field, and as a VCF with a groups file
// that lists each mother first: the forms labs keep SNP broods in.
struct LabForms {
  std::string ped, map, vcf, groups;
};

LabForms lab_forms(const PopulationData& data, const std::vector<int>& mother) {
  LabForms forms;
  for (const std::string& locus : data.loci) forms.map += "1 " + locus + " 0 1\n";
  forms.groups = "individual,group\n";
  for (size_t s = 0; s < data.samples.size(); ++s) {
    const Individual& her = data.individuals[static_cast<size_t>(mother[s])];
    std::string rows;
    forms.groups += her.id + "," + data.samples[s] + "\n";
    for (const Individual& one : data.individuals) {
      if (one.sample != static_cast<int>(s)) continue;
      const bool is_mother = &one == &her;
      if (!is_mother) forms.groups += one.id + "," + data.samples[s] + "\n";
      std::string row =
          data.samples[s] + " " + one.id + " 0 " + (is_mother ? "0" : her.id) + " 0 -9";
      for (size_t l = 0; l < data.loci.size(); ++l) {
        const LabelPair pair = labels_at(data, one, l);
        row += pair.allele[0].empty() ? " 0 0" : " " + pair.allele[0] + " " + pair.allele[1];
      }
      if (is_mother)
        rows += row + "\n";
      else
        rows = row + "\n" + rows;
    }
    forms.ped += rows;
  }
  forms.vcf = "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  for (const Individual& one : data.individuals) forms.vcf += "\t" + one.id;
  forms.vcf += "\n";
  for (size_t l = 0; l < data.loci.size(); ++l) {
    const std::vector<std::string>& labels = data.labels[l];
    forms.vcf += "1\t";
    forms.vcf += std::to_string(l + 1);
    forms.vcf += "\t" + data.loci[l] + "\t" + labels[0] + "\t";
    for (size_t a = 1; a < labels.size(); ++a) {
      if (a > 1) forms.vcf += ",";
      forms.vcf += labels[a];
    }
    forms.vcf += labels.size() == 1 ? ".\t.\t.\t.\tGT" : "\t.\t.\t.\tGT";
    for (const Individual& one : data.individuals) {
      const AlleleCodes codes = one.genotype[l];
      forms.vcf += "\t";
      if (codes.allele[0] == MISSING_CODE) {
        forms.vcf += "./.";
        continue;
      }
      forms.vcf += std::to_string(codes.allele[0]);
      forms.vcf += "/";
      forms.vcf += std::to_string(codes.allele[1]);
    }
    forms.vcf += "\n";
  }
  return forms;
}

}  // namespace

// The example broods read as a PLINK pedigree (mothers from the maternal
// field, not the rows' order) and as a VCF regrouped by a groups file get
// the verdicts and bounds they get as Genepop, and the VCF, whose alleles
// come in the same order, the same detection counts.
TEST(Broods, PedigreeAndVcfBroodsJudgedAsGenepop) {
  BroodsReport genepop;
  ASSERT_TRUE(analysed(inputs_of(example("broods.gen")), genepop).ok);
  std::vector<int> mother(genepop.data.samples.size(), -1);
  for (const BroodVerdict& brood : genepop.broods) mother[brood.sample] = brood.mother;
  const LabForms forms = lab_forms(genepop.data, mother);

  BroodInputs ped = inputs_of(forms.ped);
  ped.name = "broods.ped";
  ped.options.plink_maps[ped.name] = forms.map;
  BroodInputs vcf = inputs_of(forms.vcf);
  vcf.name = "broods.vcf";
  vcf.options.groups_name = "groups.csv";
  vcf.options.groups_text = forms.groups;
  for (const BroodInputs& inputs : {ped, vcf}) {
    BroodsReport report;
    const Status status = analysed(inputs, report);
    ASSERT_TRUE(status.ok) << inputs.name << ": " << status.message;
    EXPECT_EQ(report.data.loci, genepop.data.loci) << inputs.name;
    ASSERT_EQ(report.broods.size(), genepop.broods.size()) << inputs.name;
    for (size_t b = 0; b < report.broods.size(); ++b) {
      const BroodVerdict& judged = report.broods[b];
      const BroodVerdict& expected = genepop.broods[b];
      EXPECT_EQ(report.data.individuals[judged.mother].id,
                genepop.data.individuals[expected.mother].id)
          << inputs.name;
      EXPECT_EQ(judged.revealed, expected.revealed) << inputs.name << " brood " << b;
      EXPECT_EQ(judged.min_sires, expected.min_sires) << inputs.name << " brood " << b;
      EXPECT_EQ(judged.mismatches.size(), expected.mismatches.size()) << inputs.name;
    }
    // The pedigree meets the alleles in another order, which draws the same
    // design's broods differently: its estimates agree within their noise.
    ASSERT_EQ(report.detections.size(), genepop.detections.size());
    for (size_t b = 0; b < report.detections[0].size(); ++b) {
      const int difference = report.detections[0][b] - genepop.detections[0][b];
      if (inputs.name == "broods.vcf")
        EXPECT_EQ(difference, 0) << b;
      else
        EXPECT_LE(std::abs(difference), 200) << b;
    }
  }

  // A maternal field that names no individual of the family is refused.
  BroodInputs stray = inputs_of("f1 m 0 0 2 -9 1 2\nf1 o 0 m 0 -9 1 3\nf2 p 0 m 0 -9 1 1\n");
  BroodsReport report;
  const Status status = analysed(stray, report);
  EXPECT_FALSE(status.ok);
  EXPECT_NE(status.message.find("has the mother \"m\", who is no individual of f2"),
            std::string::npos)
      << status.message;
}

}  // namespace mpdetect
