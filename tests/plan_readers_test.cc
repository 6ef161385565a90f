// The population readers on literal text: every form a real file takes, and
// malformed files refused with the line, locus and individual named.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "frontend/command_line_words.h"
#include "plan/command/plan_command.h"
#include "plan/input/groups.h"
#include "plan/input/panel.h"
#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "test_support.h"

namespace mpdetect {

namespace {

using Reader = Status (*)(const std::string&, PopulationData&);

PopulationData read_ok(Reader reader, const std::string& text) {
  PopulationData data;
  const Status result = reader(text, data);
  EXPECT_TRUE(result.ok) << result.message << "\n" << text;
  return data;
}

using Refusal = std::pair<const char*, const char*>;  // the text and the message

void expect_refusals(Reader reader, std::initializer_list<Refusal> cases) {
  for (const auto& [text, message] : cases) {
    PopulationData data;
    const Status result = reader(text, data);
    EXPECT_FALSE(result.ok) << text;
    EXPECT_EQ(result.message, message) << text;
  }
}

std::string pair_of(const PopulationData& data, size_t individual, size_t locus) {
  const LabelPair pair = labels_at(data, data.individuals.at(individual), locus);
  return pair.allele[0] + "/" + pair.allele[1];
}

}  // namespace

TEST(GenepopReader, FormsRealFilesTake) {
  // An empty title line, names on one line with commas and one a line,
  // CRLF line ends, a wrapped record, 2- and 3-digit loci mixed, missing
  // genotypes (one allele missing counts as missing), trailing blanks and
  // blank lines at the end.
  const PopulationData data = read_ok(read_genepop,
                                      "\r\n"
                                      "A1, B2\r\n"
                                      "C3\r\n"
                                      "pop \r\n"
                                      "x1 ,  0410 142150\t0000  \r\n"
                                      "x 2, 0400 000000\r\n"
                                      "   0101\r\n"
                                      " Pop\r\n"
                                      ",0909 150150 0102\r\n"
                                      "\r\n\r\n");
  EXPECT_EQ(data.loci, (std::vector<std::string>{"A1", "B2", "C3"}));
  ASSERT_EQ(data.individuals.size(), 3u);
  EXPECT_EQ(data.samples, (std::vector<std::string>{"sample 1", "sample 2"}));
  EXPECT_EQ(data.individuals[0].id, "x1");
  EXPECT_EQ(pair_of(data, 0, 0), "04/10") << "labels as the file writes them";
  EXPECT_EQ(pair_of(data, 0, 1), "142/150");
  EXPECT_EQ(pair_of(data, 0, 2), "/");
  EXPECT_EQ(data.individuals[1].id, "x 2");
  EXPECT_EQ(pair_of(data, 1, 0), "/") << "one missing allele makes the genotype missing";
  EXPECT_EQ(pair_of(data, 1, 2), "01/01");
  EXPECT_EQ(data.individuals[2].id, "");
  EXPECT_EQ(data.individuals[2].sample, 1);
  EXPECT_EQ(data.individuals[2].line, 9);
}

TEST(GenepopReader, Refusals) {
  expect_refusals(
      read_genepop,
      {
          {"t\nL1\nPop\na, 04\n",
           "line 4: genotype \"04\" at locus L1 of individual \"a\" is haploid; the planner needs "
           "diploid genotypes (4 or 6 digits)"},
          {"t\nL1,L2\nPop\na, 0101 01x1\n",
           "line 4: genotype \"01x1\" at locus L2 of individual \"a\" is not a Genepop genotype (4 "
           "or "
           "6 digits)"},
          {"t\nL1\nPop\na, 01011\n",
           "line 4: genotype \"01011\" at locus L1 of individual \"a\" is not a Genepop genotype "
           "(4 or "
           "6 digits)"},
          {"t\nL1\nPop\na, 0101\nb, 001001\n",
           "line 5: genotype \"001001\" at locus L1 of individual \"b\" has 6 digits; that locus "
           "uses "
           "4"},
          {"t\nL1,L2\nPop\na, 0101\nPop\n",
           "line 4: individual \"a\" has 1 genotypes; the file has 2 loci"},
          {"t\nL1,L2\nPop\na, 0101\nb, 0101 0101\n",
           "line 4: individual \"a\" has 1 genotypes; the file has 2 loci"},
          {"t\nL1\nPop\na, 0101 0202\n", "line 4: individual \"a\" has more than 1 genotypes"},
          {"t\nL1\nPop\n0101\n",
           "line 4: \"0101\" is no individual (an identifier, a comma, then the genotypes)"},
          {"t\nL1\nL2\n",
           "no line reads \"Pop\" (alone or with a sample's name): this is no Genepop file"},
          {"t\nPop\na, 0101\n", "no locus names before the first \"Pop\" line"},
          {"t\nL1\nPop\n", "the file has no individuals"},
      });
}

TEST(GenAlExReader, FormsRealFilesTake) {
  // Trailing empty cells and an extra column, -1 and 0 as missing, quoted
  // cells, two populations.
  const PopulationData data = read_ok(read_genalex,
                                      "2,3,2,2,1,,\n"
                                      "Title,,,North,South,,\n"
                                      "Sample,Pop,Loc A,,\"Loc, B\",,notes\n"
                                      "s1,North,142,150,88,90,first\n"
                                      "s2,North,142,142,0,90,\n"
                                      "s3,South,150,-1,90,90,,,\n"
                                      ",,,,,,\n");
  EXPECT_EQ(data.loci, (std::vector<std::string>{"Loc A", "Loc, B"}));
  EXPECT_EQ(data.samples, (std::vector<std::string>{"North", "South"}));
  ASSERT_EQ(data.individuals.size(), 3u);
  EXPECT_EQ(pair_of(data, 0, 1), "88/90");
  EXPECT_EQ(pair_of(data, 1, 1), "/");
  EXPECT_EQ(pair_of(data, 2, 0), "/");
  EXPECT_EQ(data.individuals[2].sample, 1);

  const PopulationData tabs =
      read_ok(read_genalex, "1\t1\t1\t1\nT\t\t\tP\nS\tPop\tL\t\ni\tP\t3\t4\n");
  EXPECT_EQ(pair_of(tabs, 0, 0), "3/4");
}

TEST(GenAlExReader, Refusals) {
  expect_refusals(
      read_genalex,
      {
          {"2,1,1,1\nT,,,P\nS,Pop,L1,,,\ni,P,1,2,3,4\n", "line 3: no name for locus 2 in column 5"},
          {"x,1,1\nT\nS,Pop,L1\n",
           "line 1: the first cell should be the number of loci, but reads "
           "\"x\""},
          {"1,1,1,1\nT,,,P\nS,Pop,L1,\ni,P,1\n",
           "line 4: individual \"i\" has 0 genotypes; the file has 1 loci"},
          {"1,1,1,1\nT,,,P\nS,Pop,L1,\ni,P,1,14a\n",
           "line 4: allele \"14a\" at locus L1 of individual \"i\" is not a whole number (0 or -1 "
           "for "
           "missing)"},
      });
}

TEST(FrequencyTableReader, ReadsAndRefuses) {
  const PopulationData data =
      read_ok(read_frequency_table, "Locus,Allele,Frequency\r\nA,150,0.25\nA,142,0.75\nB,x,1\n\n");
  EXPECT_EQ(data.loci, (std::vector<std::string>{"A", "B"}));
  ASSERT_EQ(data.table.size(), 2u);
  EXPECT_EQ(data.table[0].labels, (std::vector<std::string>{"150", "142"}));
  EXPECT_EQ(data.table[0].frequencies, (std::vector<double>{0.25, 0.75}));

  expect_refusals(
      read_frequency_table,
      {
          {"locus,allele\nA,1\n",
           "line 1: a frequency table starts with the header "
           "locus,allele,frequency"},
          {"locus,allele,frequency\nA,1,-0.5\n",
           "line 2: the frequency of allele 1 at locus A should be a number from 0 to 1, but reads "
           "\"-0.5\""},
          {"locus,allele,frequency\nA,1,0.5\nA,1,0.5\n",
           "line 3: allele 1 of locus A is listed twice"},
          {"locus,allele,frequency\n", "the table has no rows"},
      });
}

TEST(InputFormat, RecognisedFromTheContent) {
  const std::pair<const char*, InputFormat> cases[] = {
      {"3\n4 0.4 0.3 0.2 0.1\n", InputFormat::STUDY},
      {"3 4 0.4 0.3 0.2 0.1 2 0.5 0.5 99 0", InputFormat::STUDY},
      {"Title\nL1, L2\nPop\na, 0101 0202\n", InputFormat::GENEPOP},
      {"Title\nL1\n  POP\n", InputFormat::GENEPOP},
      {"2,3,1,3\nT,,,P\n", InputFormat::GENALEX},
      {"2\t3\t1\t3\nT\t\t\tP\n", InputFormat::GENALEX},
      {"\nlocus,allele,frequency\nA,1,1\n", InputFormat::FREQUENCIES},
  };
  for (const auto& [text, format] : cases) EXPECT_EQ(detect_format(text), format) << text;
}

TEST(Panel, FrequenciesFromTypedAllelesInLabelOrder) {
  PopulationData data;
  ASSERT_TRUE(
      read_genepop("t\nL1,L2\nPop\na, 0910 0101\nb, 1010 0000\nPop\nc, 0209 0102\n", data).ok);
  const Panel pooled = panel_of(data, -1, {0, 1});
  // Labels by number, not as text: 02 < 09 < 10.
  EXPECT_EQ(pooled.loci[0].labels, (std::vector<std::string>{"02", "09", "10"}));
  EXPECT_EQ(pooled.loci[0].frequency, (std::vector<double>{1.0 / 6, 2.0 / 6, 3.0 / 6}));
  EXPECT_EQ(pooled.loci[0].typed, 3);
  EXPECT_EQ(pooled.loci[0].heterozygous, 2);
  EXPECT_EQ(pooled.loci[1].typed, 2) << "the missing genotype is left out";
  EXPECT_EQ(pooled.loci[1].frequency, (std::vector<double>{0.75, 0.25}));

  int sample = -1;
  std::vector<Note> notes;
  ASSERT_TRUE(choose_sample(data, "c", sample, notes).ok);
  EXPECT_EQ(sample, 1);
  ASSERT_TRUE(choose_sample(data, "1", sample, notes).ok);
  EXPECT_EQ(sample, 0);
  EXPECT_FALSE(choose_sample(data, "3", sample, notes).ok);
  const Panel first = panel_of(data, 0, {1, 0});
  EXPECT_EQ(first.loci[0].name, "L2");
  EXPECT_EQ(first.loci[1].labels, (std::vector<std::string>{"09", "10"}));

  std::vector<int> chosen;
  EXPECT_FALSE(choose_loci(data.loci, "L1,L3", chosen).ok);
  EXPECT_FALSE(choose_loci(data.loci, "L1,L1", chosen).ok);
}

TEST(Panel, PoolingKeepsTheCommonAllelesAndTheTotal) {
  LocusPanel locus{"L", 0, {"1", "2", "3", "4", "5"}, {0.4, 0.05, 0.3, 0.05, 0.2}, -1, -1, {}};
  pool_rarest(locus, 3);
  EXPECT_EQ(locus.labels, (std::vector<std::string>{"1", "3", "pooled"}));
  EXPECT_EQ(locus.pooled, (std::vector<std::string>{"2", "4", "5"}));
  EXPECT_DOUBLE_EQ(locus.frequency[2], 0.3);
  EXPECT_EQ(allele_index(locus, "4"), 2);
  EXPECT_EQ(allele_index(locus, "3"), 1);
  EXPECT_EQ(allele_index(locus, "7"), -1);
}

// A label keeps the text the file writes ("09"); the same number written
// otherwise is the same allele, in the file and when a mother is given.
TEST(Panel, LabelsAsWrittenFoundAsNumbers) {
  const struct {
    const char* label;
    const char* key;
  } keys[] = {{"09", "9"}, {"009", "9"},   {"9", "9"}, {"000", "0"}, {"-09", "-9"},
              {"-0", "0"}, {"a09", "a09"}, {"", ""},   {"-", "-"},   {"+7", "7"}};
  for (const auto& k : keys) EXPECT_EQ(allele_key(k.label), k.key) << k.label;

  PopulationData data;
  ASSERT_TRUE(read_genepop("t\nL1\nPop\na, 0913\nb, 1309\n", data).ok);
  EXPECT_EQ(data.labels[0], (std::vector<std::string>{"09", "13"}));
  ASSERT_TRUE(read_structure("a 009 13\nb 9 013\n", data).ok);
  EXPECT_EQ(data.labels[0], (std::vector<std::string>{"009", "13"}))
      << "one allele however its number is written, labelled as first written";

  const LocusPanel locus{"L", 0, {"09", "13", "x1"}, {0.5, 0.4, 0.1}, -1, -1, {}};
  EXPECT_EQ(allele_index(locus, "09"), 0);
  EXPECT_EQ(allele_index(locus, "9"), 0);
  EXPECT_EQ(allele_index(locus, "013"), 1);
  EXPECT_EQ(allele_index(locus, "x1"), 2);
  EXPECT_EQ(allele_index(locus, "X1"), -1);
  const LocusPanel twice{"L", 0, {"09", "9"}, {0.5, 0.5}, -1, -1, {}};
  EXPECT_EQ(allele_index(twice, "9"), 1) << "as written comes first";
  EXPECT_EQ(allele_index(twice, "009"), -1) << "two labels of one number: ambiguous";
}

// Sample names after "Pop", as exported files have them, become the
// samples' names and choose them with --pop; a name that is also a number
// is taken as the name, and a note says so.
TEST(GenepopReader, SampleNamesAfterPop) {
  const std::string text =
      "t\nL1\nPop Nancy1\na, 0101\nb, 0102\npop,  2\nc, 0202\nPOP,\nd, 0303\nPop 1\ne, 0404\n";
  EXPECT_EQ(detect_format("t\nL1\nPop Nancy1\na, 0101\n"), InputFormat::GENEPOP);
  EXPECT_EQ(detect_format("t\nL1\nPop,\na, 0101\n"), InputFormat::GENEPOP);
  const PopulationData data = read_ok(read_genepop, text);
  EXPECT_EQ(data.samples, (std::vector<std::string>{"Nancy1", "2", "sample 3", "1"}));
  std::vector<Note> notes;
  int sample = -1;
  ASSERT_TRUE(choose_sample(data, "Nancy1", sample, notes).ok);
  EXPECT_EQ(sample, 0);
  ASSERT_TRUE(choose_sample(data, "2", sample, notes).ok);
  EXPECT_EQ(sample, 1);
  EXPECT_TRUE(notes.empty()) << "the sample named 2 is also the second";
  ASSERT_TRUE(choose_sample(data, "1", sample, notes).ok);
  EXPECT_EQ(sample, 3) << "the name first";
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(command_line_text(notes[0]),
            "--pop 1: the sample named 1 (sample 4 of the file), not the 1st in the file");
  ASSERT_TRUE(choose_sample(data, "3", sample, notes).ok);
  EXPECT_EQ(sample, 2) << "no sample is named 3: the position";
  // An individual whose identifier starts with "pop" is no Pop line.
  const PopulationData popular = read_ok(read_genepop, "t\nL1\nPop\npop 1, 0101\npopx, 0202\n");
  EXPECT_EQ(popular.individuals.size(), 2u);
  EXPECT_EQ(popular.individuals[0].id, "pop 1");
}

// What a reader accepts but a user must hear of, in every population
// format: identifiers used twice, missing-data codes read as alleles,
// genotypes with one allele missing.
TEST(PopulationReaders, DoubtsAreNoted) {
  struct Row {
    const char* text;
    std::vector<std::string> notes;
  };
  const Row rows[] = {
      {"t\nL1, L2\nPop\na, 0400 0101\nb, 0102 0001\nc, 0000 0101\nd, 0101 0202\n",
       {"locus L1: 1 genotype with one allele missing, read as missing (the first: individual "
        "\"a\", line 4)",
        "locus L2: 1 genotype with one allele missing, read as missing (the first: individual "
        "\"b\", line 5)"}},
      {"t\nL1\nPop\nx, 0101\nx, 0102\nPop\nx, 0202\ny, 0101\n",
       {"warning: identifier \"x\" is used by 3 individuals (lines 4, 5, 7); a mother or sample "
        "cannot be chosen by it"}},
      {"t\nfca8\nPop\na, 999999\nb, 120999\nc, 120122\n",
       {"warning: locus fca8: allele 999 (3 times) looks like a missing-data code; it is read as "
        "an allele"}},
      {"1,3,1,3\nt,,p\nid,pop,A,\na,p,0,120\nb,p,120,122\nc,p,999,120\n",
       {"warning: locus A: allele 999 (1 times) looks like a missing-data code; it is read as an "
        "allele",
        "locus A: 1 genotype with one allele missing, read as missing (the first: individual "
        "\"a\", line 4)"}},
      {"locus,allele,frequency\nA,999,0.1\nA,120,0.9\n",
       {"warning: locus A: allele 999 looks like a missing-data code; it is read as an allele"}},
  };
  for (const Row& row : rows) {
    PopulationData data;
    const Status read = read_population(row.text, detect_format(row.text), data);
    ASSERT_TRUE(read.ok) << read.message << "\n" << row.text;
    EXPECT_EQ(texts_of(data.notes), row.notes) << row.text;
  }
}

TEST(PopulationReaders, RefusedWithTheLineAndWhoAndEscaped) {
  struct Row {
    std::string text;
    InputFormat format;
    const char* message;
    int line;
    const char* individual;
  };
  const Row rows[] = {
      {std::string("t\nL1\nPop\na, 01\0001\n", sizeof "t\nL1\nPop\na, 01\0001\n" - 1),
       InputFormat::GENEPOP,
       "line 4: the file holds the control byte \\x00; a population file is plain text", 4, ""},
      {"t\nL1\nPop\na\x01, 0101\n", InputFormat::GENEPOP,
       "line 4: the file holds the control byte \\x01; a population file is plain text", 4, ""},
      {"t\nL1\nPop\nM\xe9nil, 0101 0101\n", InputFormat::GENEPOP,
       "line 4: individual \"M\\xE9nil\" has more than 1 genotypes", 4, "M\xe9nil"},
      {"1,1,1,1\nt,,p\nid,pop,A,\na,p,120,122,7\n", InputFormat::GENALEX,
       "line 4: individual \"a\" has a cell too many: column 5 reads \"7\", past the last column "
       "(4) of the header",
       4, "a"},
      {"1,99,1,99\nt,,p\nid,pop,A,\na,p,120,122\n", InputFormat::GENALEX,
       "line 1: cell 2 says 99 individuals, but the file has 1", 1, ""},
      {"1,2,1,3\nt,,p\nid,pop,A,\na,p,120,122\nb,p,120,120\n", InputFormat::GENALEX,
       "line 1: cell 4 says 3 individuals in population p, but the file has 2", 1, ""},
      {"locus,allele,frequency\nA,1,0.5,0.2\n", InputFormat::FREQUENCIES,
       "line 2: a row holds a locus, an allele and its frequency, and nothing more", 0, ""},
  };
  for (const Row& row : rows) {
    PopulationData data;
    const Status read = read_population(row.text, row.format, data);
    EXPECT_FALSE(read.ok) << row.text;
    EXPECT_EQ(read.message, row.message);
    EXPECT_EQ(read.line, row.line) << row.message;
    EXPECT_EQ(read.individual, row.individual) << row.message;
  }
  // Empty cells past the last column are a spreadsheet's, and columns the
  // header names are the file's own.
  read_ok(read_genalex, "1,1,1,1\nt,,p\nid,pop,A,\na,p,120,122,,,\n");
  read_ok(read_genalex, "1,1,1,1\nt,,p\nid,pop,A,,lat\na,p,120,122,45.2\n");
}

// STRUCTURE files in the forms labs write them: one or two rows per
// individual, with or without a population column and a row of names, -9
// for missing; recognised from the content.
TEST(StructureReader, FormsRealFilesTake) {
  struct Row {
    const char* text;
    std::vector<std::string> loci;
    std::vector<std::string> samples;
    std::string second_at_locus_2;  // individual 2's genotype at locus 2
  };
  const Row rows[] = {
      {"L1 L2\na 1 120 122 200 -9\nb 1 120 120 202 204\nc 2 122 122 200 200\n",
       {"L1", "L2"},
       {"1", "2"},
       "202/204"},
      {"a 120 122 200 204\nb 120 120 202 204\n", {"locus 1", "locus 2"}, {"sample 1"}, "202/204"},
      {"a 3 120 200\na 3 122 204\nb 4 120 202\nb 4 120 206\n",
       {"locus 1", "locus 2"},
       {"3", "4"},
       "202/206"},
      {"L1\tL2\n1\t120\t200\n1\t122\t-9\n2\t124\t202\n2\t120\t204\n",
       {"L1", "L2"},
       {"sample 1"},
       "202/204"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(detect_format(row.text), InputFormat::STRUCTURE) << row.text;
    PopulationData data;
    const Status read = read_population(row.text, InputFormat::STRUCTURE, data);
    ASSERT_TRUE(read.ok) << read.message << "\n" << row.text;
    EXPECT_EQ(data.loci, row.loci) << row.text;
    EXPECT_EQ(data.samples, row.samples) << row.text;
    EXPECT_EQ(pair_of(data, 1, 1), row.second_at_locus_2) << row.text;
  }
  const PopulationData first = read_ok(read_structure, rows[0].text);
  EXPECT_EQ(pair_of(first, 0, 1), "/") << "one allele -9 is a missing genotype";
  EXPECT_EQ(first.half_missing[1].count, 1);
  expect_refusals(read_structure,
                  {{"L1 L2 L3\na 1 120 122 200 204\nb 1 120 120 202 204\n",
                    "line 2: the first row names 3 loci, but the rows have 6 columns (an "
                    "identifier, the columns before the loci, and two per locus)"},
                   {"a 120 -5\nb 120 122\n",
                    "line 1: allele -5 at locus 1 of individual \"a\" is negative (-9 is "
                    "missing)"}});
}

// CSV files as spreadsheets and R write them: commas, tabs or semicolons
// (with decimal commas), cells quoted, R's column of row names.
TEST(FrequencyTableReader, DialectsOfCsv) {
  const char* const tables[] = {
      "locus,allele,frequency\nA,120,0.25\nA,122,0.75\n",
      "locus\tallele\tfrequency\nA\t120\t0.25\nA\t122\t0.75\n",
      "locus;allele;frequency\nA;120;0,25\nA;122;0,75\n",
      "\"\",\"locus\",\"allele\",\"frequency\"\n\"1\",\"A\",\"120\",0.25\n\"2\",\"A\",\"122\",0."
      "75\n",
      "\"locus\";\"allele\";\"frequency\"\n\"A\";\"120\";0,25\n\"A\";\"122\";0,75\n",
  };
  for (const char* text : tables) {
    EXPECT_EQ(detect_format(text), InputFormat::FREQUENCIES) << text;
    const PopulationData data = read_ok(read_frequency_table, text);
    ASSERT_EQ(data.table.size(), 1u) << text;
    EXPECT_EQ(data.table[0].labels, (std::vector<std::string>{"120", "122"})) << text;
    EXPECT_EQ(data.table[0].frequencies, (std::vector<double>{0.25, 0.75})) << text;
  }
  const std::string genalex = "1;2;1;2\nt;;p\nid;pop;A;\na;p;120;122\nb;p;122;122\n";
  EXPECT_EQ(detect_format(genalex), InputFormat::GENALEX);
  const PopulationData data = read_ok(read_genalex, genalex);
  EXPECT_EQ(pair_of(data, 0, 0), "120/122");
}

// A text in none of the formats is refused with what it looks like.
TEST(InputFormat, NoneOfTheFormatsSaysWhatItLooksLike) {
  const std::string known =
      "it is none of the formats the planner reads (Genepop, GenAlEx, STRUCTURE, FSTAT, GENETIX, "
      "VCF, PLINK, a table of allele counts, a frequency table or a study file): ";
  const std::pair<std::string, std::string> rows[] = {
      {"id;pop;x\n1;2;3\n",
       known + "it looks like a table of 3 columns separated by semicolons (its first row reads "
               "\"id;pop;x\"), but a frequency table's header is locus,allele,frequency and a "
               "GenAlEx file's first row holds the counts of loci, individuals and populations"},
      {"<html><body>x</body></html>\n", known + "it looks like HTML or XML"},
      {std::string("PK\x03\x04rest", 8),
       known + "it looks like a spreadsheet workbook; save the sheet as CSV"},
      {"hello there\n", known + "its first line reads \"hello there\""},
  };
  for (const auto& [text, message] : rows) {
    EXPECT_EQ(detect_format(text), InputFormat::STUDY) << text;
    EXPECT_FALSE(starts_like_study(text)) << text;
    EXPECT_EQ(unknown_format(text), message);
  }
  EXPECT_TRUE(starts_like_study("3\n4 0.4 0.3 0.2 0.1\n"));
}

// A locus holds at most MAX_LABELS distinct alleles, so that a genotype
// stays four bytes; one more is refused with its line.
TEST(PopulationReaders, AlleleLabelsPastTheLimitAreRefused) {
  std::string text = "1,16385,1,16385\nt,,p\nid,pop,A,\n";
  for (size_t n = 0; n < 16385; ++n)
    text.append("i")
        .append(std::to_string(n))
        .append(",p,")
        .append(std::to_string(2 * n + 1))
        .append(",")
        .append(std::to_string(2 * n + 2))
        .append("\n");
  PopulationData data;
  const Status read = read_population(text, InputFormat::GENALEX, data);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.message,
            "line 16387: locus A has more than 32767 distinct alleles; no marker has");
  EXPECT_EQ(read.line, 16387);

  // A frequency table holds the same limit, and says where it is passed.
  std::string table = "locus,allele,frequency\nB,1,0.5\n";
  for (size_t n = 1; n <= MAX_LABELS + 1; ++n)
    table.append("A,").append(std::to_string(n)).append(",0.00003\n");
  const Status wide = read_population(table, InputFormat::FREQUENCIES, data);
  EXPECT_FALSE(wide.ok);
  EXPECT_EQ(wide.message, "line 32770: locus A has more than 32767 alleles; no marker has");
  EXPECT_EQ(wide.line, 32770);
  EXPECT_EQ(wide.locus, "A");
}

// Samples and loci are found by name however many there are, and the
// first of each keeps its place: rows of loci that come back after others,
// samples that come back after others.
TEST(PopulationReaders, NamesFoundAgainKeepTheirPlace) {
  const PopulationData table =
      read_ok(read_frequency_table, "locus,allele,frequency\nA,1,0.5\nB,1,1\nA,2,0.5\nC,7,1\n");
  EXPECT_EQ(table.loci, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(table.table[0].labels, (std::vector<std::string>{"1", "2"}));
  PopulationData data;
  ASSERT_TRUE(read_population("1,4,3,2,1,1\nt,,q,p,r\nid,pop,A,\na,q,1,2\nb,p,1,1\nc,q,2,2\n"
                              "d,r,1,2\n",
                              InputFormat::GENALEX, data)
                  .ok);
  EXPECT_EQ(data.samples, (std::vector<std::string>{"q", "p", "r"}));
  std::vector<int> samples;
  for (const Individual& individual : data.individuals) samples.push_back(individual.sample);
  EXPECT_EQ(samples, (std::vector<int>{0, 1, 0, 2}));
}

// The page reads the core's tables through csv_records: every cell that
// csv_cell writes, commas, quotes and line ends in it, comes back as it was.
TEST(CsvRecords, ReadBackWhatCsvCellWrites) {
  const std::vector<std::vector<std::string>> table = {
      {"design", "brood_size", "probability"},     {"a.gen: 8 loci; 2 sires 0.5/0.5", "1", "0.000"},
      {"title \"quoted\", with a comma", "2", ""}, {"two\nlines", "3", "0.5"},
      {"windows\r\nline end", "4", "1"},           {"a lone\rcarriage return", "\r", "\r5"},
  };
  std::string text;
  for (const auto& row : table) {
    for (size_t n = 0; n < row.size(); ++n) text.append(n ? "," : "").append(csv_cell(row[n]));
    text += "\n";
  }
  EXPECT_EQ(csv_records(text), table);
  EXPECT_EQ(csv_records("a,b\r\n\r\nc,d"),
            (std::vector<std::vector<std::string>>{{"a", "b"}, {"c", "d"}}));
  EXPECT_TRUE(csv_records("").empty());
}

// FSTAT and GENETIX files as their programs write them: recognised from
// the content, codes split by the digits the file says, zeros missing.
TEST(FstatAndGenetixReaders, FormsRealFilesTake) {
  const std::string fstat = "2 2 18 2\nfca8\nfca23\n 1 0913 1010\n 1 913 0\n 2 1300 0101\n";
  EXPECT_EQ(detect_format(fstat), InputFormat::FSTAT);
  const PopulationData dat = read_ok(read_fstat, fstat);
  EXPECT_EQ(dat.format, "FSTAT");
  EXPECT_EQ(dat.loci, (std::vector<std::string>{"fca8", "fca23"}));
  EXPECT_EQ(dat.samples, (std::vector<std::string>{"sample 1", "sample 2"}));
  ASSERT_EQ(dat.individuals.size(), 3u);
  EXPECT_EQ(dat.individuals[1].id, "2") << "named by their order";
  EXPECT_EQ(pair_of(dat, 0, 0), "09/13");
  EXPECT_EQ(pair_of(dat, 1, 0), "09/13") << "913 is 0913 with its zero dropped";
  EXPECT_EQ(pair_of(dat, 1, 1), "/");
  EXPECT_EQ(pair_of(dat, 2, 0), "/") << "one allele 00 is a missing genotype";
  EXPECT_EQ(dat.half_missing[0].count, 1);

  const std::string gtx =
      "  2\n  2\nfca8\n  3 117 121 123\nfca23\n  2 130 132\n"
      "P01\n  2\nN215       117121 130132\nN 2 16     000000 132132\n"
      "P02\n  1\nN300       123123 000130\n";
  EXPECT_EQ(detect_format(gtx), InputFormat::GENETIX);
  const PopulationData genetix = read_ok(read_genetix, gtx);
  EXPECT_EQ(genetix.loci, (std::vector<std::string>{"fca8", "fca23"}));
  EXPECT_EQ(genetix.samples, (std::vector<std::string>{"P01", "P02"}));
  ASSERT_EQ(genetix.individuals.size(), 3u);
  EXPECT_EQ(genetix.individuals[1].id, "N 2 16") << "an identifier may hold blanks";
  EXPECT_EQ(genetix.individuals[2].sample, 1);
  EXPECT_EQ(pair_of(genetix, 0, 0), "117/121");
  EXPECT_EQ(pair_of(genetix, 1, 0), "/");
  EXPECT_EQ(pair_of(genetix, 2, 1), "/");
  EXPECT_EQ(genetix.half_missing[1].count, 1);

  expect_refusals(read_fstat,
                  {{"1 2 9 2\nA\n", "the first row says 2 loci, but the file names 1"},
                   {"1 1 9 4\nA\n1 0101\n",
                    "an FSTAT file begins with four whole numbers: the samples, the loci, the "
                    "highest allele and the digits per allele (1 to 3)"},
                   {"1 2 9 2\nA\nB\n1 0101\n",
                    "line 4: individual 1 has 2 columns; the file has 2 loci (a sample's "
                    "number, then a genotype per locus)"},
                   {"1 1 9 2\nA\n1 01012\n",
                    "line 3: genotype \"01012\" at locus A of individual 1 is not 4 digits (the "
                    "first row says 2 to an allele)"},
                   {"1 1 9 2\nA\n", "the file has no individuals"}});
  expect_refusals(read_genetix,
                  {{"2\n1\nA\n1 100\n", "the file says 2 loci, but names 1"},
                   {"1\n1\nA\nx\n",
                    "line 4: after the name of locus A comes its number of alleles and the "
                    "alleles, whole numbers"},
                   {"1\n1\nA\n1 100\nP\n2\nx 100100\n",
                    "sample \"P\" has 1 individuals, where the file says 2"},
                   {"1\n1\nA\n1 100\nP\n1\nx 1001\n",
                    "line 7: genotype \"1001\" at locus A of individual \"x\" is not 6 digits"},
                   {"1\n1\nA\n1 100\nP\n1\nx 100100\ny 100100\n",
                    "line 8: the file goes on after the 1 samples it says it has"}});
}

// A STRUCTURE file's columns before the loci, inferred from their values
// when the user does not say: a population column, a constant PopFlag,
// in one or two rows per individual; a row of marker names gives the
// count of loci. A column of one value in everyone left as a locus warns.
TEST(StructureReader, ColumnsBeforeTheLociInferred) {
  auto file = [](bool two_rows, const char* names, int flag_columns, bool scattered_first) {
    std::string text = names;
    for (int n = 0; n < 20; ++n) {
      const std::string id = std::string("c") + std::to_string(n);
      const std::string pre =
          std::string(" ") + std::to_string(1 + n / 7) + (flag_columns ? " 1" : "");
      // Alleles scattered through the file, as a locus's are.
      const int a = 120 + 2 * ((n * 7 + (scattered_first ? 3 : 0)) % 5);
      const int b = 130 + 2 * ((n * 3) % 4);
      if (two_rows) {
        text += id + pre + " " + std::to_string(a) + " " + std::to_string(b) + "\n";
        text += id + pre + " " + std::to_string(a + 2) + " " + std::to_string(b) + "\n";
      } else {
        text += id + pre + " " + std::to_string(a) + " " + std::to_string(a + 2) + " " +
                std::to_string(b) + " " + std::to_string(b + 2) + "\n";
      }
    }
    return text;
  };
  struct Row {
    std::string text;
    std::vector<std::string> loci;
    size_t samples;
    const char* read;  // how the note says it was read
  };
  const Row rows[] = {
      {file(true, "", 1, false),
       {"locus 1", "locus 2"},
       3,
       "two rows per individual, columns 2-3 not loci (read as PopData, PopFlag), the "
       "population in column 2, 2 loci from column 4"},
      {file(false, "", 1, false),
       {"locus 1", "locus 2"},
       3,
       "one row per individual, columns 2-3 not loci (read as PopData, PopFlag), the "
       "population in column 2, 2 loci from column 4"},
      {file(false, "", 0, true),
       {"locus 1", "locus 2"},
       3,
       "one row per individual, column 2 not loci (read as PopData), the population in column "
       "2, 2 loci from column 3"},
      {file(false, "A B\n", 1, false),
       {"A", "B"},
       3,
       "one row per individual, columns 2-3 not loci (read as PopData, PopFlag), the "
       "population in column 2, 2 loci from column 4"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(detect_format(row.text), InputFormat::STRUCTURE) << row.text;
    PopulationData data;
    ASSERT_TRUE(read_structure(row.text, data).ok) << row.text;
    EXPECT_EQ(data.loci, row.loci) << row.text;
    EXPECT_EQ(data.samples.size(), row.samples) << row.text;
    ASSERT_FALSE(data.notes.empty());
    EXPECT_NE(data.notes[0].text.find(row.read), std::string::npos) << data.notes[0].text;
    for (const Note& note : data.notes)
      EXPECT_EQ(note.text.find("warning"), std::string::npos) << note.text;
  }

  // Told otherwise: the flag column is a locus after all, and warns.
  StructureLayout layout;
  ASSERT_TRUE(parse_structure_layout("popdata=1, POPFLAG=0 LOCDATA=0,PHENOTYPE=0", layout).ok);
  PopulationData data;
  ASSERT_TRUE(read_structure(file(true, "", 1, false), data, layout).ok);
  EXPECT_EQ(data.loci.size(), 3u);
  ASSERT_GE(data.notes.size(), 2u);
  EXPECT_EQ(data.notes[1].text,
            "warning: locus 1 (column 3) has one allele, 1, in every individual: most likely a "
            "column that is not a locus; give the file's layout as STRUCTURE's parameters name "
            "it (POPDATA=1, POPFLAG=1, ...)");
  // Marker names, map distances and no identifiers, as the user says.
  StructureLayout bare;
  ASSERT_TRUE(parse_structure_layout("MARKERNAMES=1,RECESSIVEALLELES=0,MAPDISTANCES=1,LABEL=0,"
                                     "ONEROWPERIND=1,POPDATA=0,MISSING=0",
                                     bare)
                  .ok);
  ASSERT_TRUE(read_structure("A B\n-1 0.5\n120 122 0 0\n124 124 130 132\n", data, bare).ok);
  EXPECT_EQ(data.loci, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(data.individuals[1].id, "2");
  EXPECT_EQ(pair_of(data, 0, 1), "/") << "MISSING=0";

  const std::pair<const char*, const char*> refused[] = {
      {"POPDATA",
       "STRUCTURE layout \"POPDATA\": a setting is a name, =, and a whole number "
       "(POPDATA=1)"},
      {"POPDATA=2", "STRUCTURE layout: POPDATA=2 is a flag, 0 or 1"},
      {"PLOIDY=4", "STRUCTURE layout: PLOIDY=4; the planner reads diploid genotypes"},
      {"NUMINDS=4",
       "STRUCTURE layout \"NUMINDS=4\": the settings are MARKERNAMES, RECESSIVEALLELES, "
       "MAPDISTANCES, ONEROWPERIND, LABEL, POPDATA, POPFLAG, LOCDATA, PHENOTYPE, EXTRACOLS, "
       "NUMLOCI, MISSING and PLOIDY"},
  };
  for (const auto& [text, message] : refused) {
    StructureLayout any;
    EXPECT_EQ(parse_structure_layout(text, any).message, message);
  }
  // Names said to be there where no row holds them: refused, not read
  // past the rows.
  StructureLayout named;
  ASSERT_TRUE(parse_structure_layout("MARKERNAMES=1", named).ok);
  EXPECT_EQ(read_structure("a 120 122\nb 120 124\n", data, named).message,
            "MARKERNAMES=1, but no row before the individuals names the loci");
  StructureLayout wrong;
  ASSERT_TRUE(parse_structure_layout("NUMLOCI=3,POPDATA=1", wrong).ok);
  EXPECT_EQ(read_structure("a 1 120 122 130 132\nb 1 120 122 130 132\n", data, wrong).message,
            "line 1: NUMLOCI says 3 loci and 1 column before them, but the rows have 6 columns "
            "(an identifier, the columns before the loci, and two per locus)");
}

}  // namespace mpdetect

namespace mpdetect {

// VCF as variant callers write it: recognised from its header, each
// sample an individual, each site a locus named by its ID (CHROM:POS for
// "."), its alleles by their bases; GT found among the FORMAT keys,
// phased or not, "." missing.
TEST(VcfReader, FormsRealFilesTake) {
  const std::string vcf =
      "##fileformat=VCFv4.2\n##source=caller\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tm1\to1\to2\n"
      "1\t100\trs1\tA\tG\t50\tPASS\t.\tGT:DP\t0/1:9\t1|1:8\t./.:0\n"
      "1\t250\t.\tC\tT,G\t50\tPASS\t.\tDP:GT\t7:0|2\t5:2/1\t4:.\n";
  EXPECT_EQ(detect_format(vcf), InputFormat::VCF);
  const PopulationData data = read_ok(read_vcf, vcf);
  EXPECT_EQ(data.format, "VCF");
  EXPECT_EQ(data.loci, (std::vector<std::string>{"rs1", "1:250"}));
  EXPECT_EQ(data.samples, (std::vector<std::string>{"all samples"}));
  ASSERT_EQ(data.individuals.size(), 3u);
  EXPECT_EQ(data.individuals[2].id, "o2");
  EXPECT_EQ(pair_of(data, 0, 0), "A/G");
  EXPECT_EQ(pair_of(data, 1, 0), "G/G");
  EXPECT_EQ(pair_of(data, 2, 0), "/");
  EXPECT_EQ(pair_of(data, 0, 1), "C/G") << "GT second among the keys";
  EXPECT_EQ(pair_of(data, 1, 1), "G/T");
  EXPECT_EQ(pair_of(data, 2, 1), "/");

  const std::string head =
      "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tm1\n";
  const std::pair<std::string, std::string> refusals[] = {
      {"##fileformat=VCFv4.2\n#CHROM\tPOS\tID\n", "line 2: no sample follows the FORMAT column"},
      {head + "1\t1\tx\tA\tG\t.\t.\t.\tGT\n", "line 3: the site has 9 columns; the #CHROM line 10"},
      {head + "1\t1\tx\tA\tG\t.\t.\t.\tDP\t3\n", "line 3: site x has no GT in its FORMAT"},
      {head + "1\t1\tx\tA\tG\t.\t.\t.\tGT\t0/2\n",
       "line 3: \"0/2\" at site x of sample \"m1\" is no diploid genotype of its 2 alleles"},
      {head + "1\t1\tx\tA\tG\t.\t.\t.\tGT\t1\n",
       "line 3: \"1\" at site x of sample \"m1\" is no diploid genotype of its 2 alleles"},
      {head, "the file has no site"}};
  for (const auto& [text, message] : refusals) {
    PopulationData refused;
    const Status status = read_vcf(text, refused);
    EXPECT_FALSE(status.ok) << text;
    EXPECT_EQ(status.message, message) << text;
  }
}

// A table of allele counts as SNP panels are kept: recognised from the
// content (with or without a group column, R's row names too), each count
// read as the genotype it stands for, labels in order of first appearance.
TEST(AlleleCountReader, FormsRealTablesTake) {
  const std::string grouped =
      "individual,group,snp1,snp2,snp3\nA1,north,0,1,NA\nA2,north,2,1,0\nB1,south,1,,2\n";
  EXPECT_EQ(detect_format(grouped), InputFormat::ALLELE_COUNTS);
  const PopulationData data = read_ok(read_allele_counts, grouped);
  EXPECT_EQ(data.format, "allele-count");
  EXPECT_EQ(data.loci, (std::vector<std::string>{"snp1", "snp2", "snp3"}));
  EXPECT_EQ(data.samples, (std::vector<std::string>{"north", "south"}));
  ASSERT_EQ(data.individuals.size(), 3u);
  EXPECT_EQ(data.individuals[2].sample, 1);
  EXPECT_EQ(pair_of(data, 0, 0), "1/1");
  EXPECT_EQ(pair_of(data, 1, 0), "2/2");
  EXPECT_EQ(pair_of(data, 2, 0), "1/2");
  EXPECT_EQ(pair_of(data, 0, 1), "1/2");
  EXPECT_EQ(pair_of(data, 0, 2), "/") << "NA is missing";
  EXPECT_EQ(pair_of(data, 2, 1), "/") << "an empty cell is missing";
  EXPECT_EQ(pair_of(data, 1, 2), "1/1");
  EXPECT_EQ(data.labels[0], (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(data.labels[2], (std::vector<std::string>{"1", "2"}));

  // As R's write.csv writes a genlight's matrix: quoted row names under an
  // empty header cell, no group, tabs or commas alike.
  const std::string exported = "\"\"\t\"l1\"\t\"l2\"\n\"i1\"\t2\t0\n\"i2\"\t2\tNA\n";
  EXPECT_EQ(detect_format(exported), InputFormat::ALLELE_COUNTS);
  const PopulationData matrix = read_ok(read_allele_counts, exported);
  EXPECT_EQ(matrix.samples, (std::vector<std::string>{"sample 1"}));
  EXPECT_EQ(matrix.individuals[1].id, "i2");
  EXPECT_EQ(pair_of(matrix, 0, 0), "2/2");
  EXPECT_EQ(matrix.labels[0], (std::vector<std::string>{"2"})) << "allele 1 never seen";

  // Not counts: a value other than 0, 1, 2 or NA; a first row of counts
  // (no header); STRUCTURE's marker names over rows of a label, a
  // population and SNP alleles, which hold more cells than the header.
  EXPECT_NE(detect_format("id,a,b\nx,0,3\n"), InputFormat::ALLELE_COUNTS);
  EXPECT_NE(detect_format("x,0,1\ny,1,2\n"), InputFormat::ALLELE_COUNTS);
  EXPECT_NE(detect_format("s1\ts2\nind1\t1\t0\t1\nind1\t1\t1\t1\n"), InputFormat::ALLELE_COUNTS);

  expect_refusals(
      read_allele_counts,
      {{"id,group\nx,p\n",
        "line 1: the header names no locus after the identifier "
        "and the group"},
       {"id,a,,b\nx,0,1,2\n", "line 1: no name for the locus in column 3"},
       {"id,a,b\nx,0,1\ny,0\n", "line 3: individual \"y\" has 2 cells; the header has 3"},
       {"id,a,b\nx,0,1\ny,0,1.5\n",
        "line 3: \"1.5\" at locus b of individual \"y\" is no count of the second "
        "allele (0, 1 or 2; NA missing)"},
       {"id,a\n\n", "the file has no individuals"}});
  PopulationData refused;
  const Status status = read_allele_counts("id,a,b\nx,0,1\ny,0,7\n", refused);
  EXPECT_EQ(status.line, 3);
  EXPECT_EQ(status.locus, "b");
  EXPECT_EQ(status.individual, "y");
}

// A table of counts gives the study file and the panel's statistics that
// the same genotypes written as a Genepop file give: the same alleles in
// the same order, with the same frequencies.
TEST(AlleleCountReader, ReadAsTheSameGenotypesInGenepop) {
  std::mt19937 random(4);
  std::string counts = "id,group,m1,m2,m3,m4\n";
  std::string genepop = "counts\nm1\nm2\nm3\nm4\nPop\n";
  const char* const genotype[] = {"0101", "0102", "0202"};
  for (int n = 0; n < 40; ++n) {
    std::string id = "i";  // appended: GCC 12 misjudges a literal plus a number's text
    id += std::to_string(n);
    counts += id + ",all";
    genepop += id + ",";
    for (int locus = 0; locus < 4; ++locus) {
      // The first individual heterozygous, so that both list allele 1 first.
      const int count = n == 0 ? 1 : static_cast<int>(random() % 3);
      counts += ',';
      counts += std::to_string(count);
      genepop += std::string(" ") + genotype[count];
    }
    counts += "\n";
    genepop += "\n";
  }
  const StudyResult study_counts = run_study_command(StudyRequest{"snps", {}}, counts);
  const StudyResult study_genepop = run_study_command(StudyRequest{"snps", {}}, genepop);
  ASSERT_TRUE(study_counts.status.ok) << study_counts.status.message;
  ASSERT_TRUE(study_genepop.status.ok) << study_genepop.status.message;
  EXPECT_EQ(study_counts.output, study_genepop.output);
  const PanelResult panel_counts = run_panel_command(PanelRequest{"snps", {}, false}, counts);
  const PanelResult panel_genepop = run_panel_command(PanelRequest{"snps", {}, false}, genepop);
  ASSERT_TRUE(panel_counts.status.ok) << panel_counts.status.message;
  EXPECT_EQ(panel_counts.output, panel_genepop.output);
  EXPECT_NE(panel_counts.output.find("\nm4,"), std::string::npos) << panel_counts.output;

  // A curve of SNPs alone says why every estimate is 0.
  CurveRequest curve;
  curve.names = {"snps"};
  curve.range = CurveRange{2, 10, 8};
  const CurveResult run = run_curve_command(curve, {counts}, 3, 1);
  ASSERT_TRUE(run.status.ok) << run.status.message;
  const auto said = std::find_if(run.notes.begin(), run.notes.end(), [](const Note& note) {
    return note.kind == Kind::WARNING && note.text.find("at most two alleles") != std::string::npos;
  });
  ASSERT_NE(said, run.notes.end());
  EXPECT_EQ(said->text,
            "snps: warning: 4 of its 4 loci have at most two alleles, so never more than two "
            "paternal alleles: they never reveal a second father by this rule; every estimate "
            "is 0; the likelihood verdict uses them");
  for (const CurvePoint& point : run.curves[0].points) EXPECT_EQ(point.detections, 0);

  // The likelihood verdict reads the same loci, says nothing of them, and
  // sees the second father in most broods of 10.
  curve.designs.front().verdict = Verdict::LIKELIHOOD;
  curve.trials = 1000;
  const CurveResult weighed = run_curve_command(curve, {counts}, 3, 1);
  ASSERT_TRUE(weighed.status.ok) << weighed.status.message;
  for (const Note& note : weighed.notes)
    EXPECT_EQ(note.text.find("at most two alleles"), std::string::npos) << note.text;
  EXPECT_GT(weighed.curves[0].points.back().detections, 0);
}

}  // namespace mpdetect

namespace mpdetect {

// PLINK's text pedigree as labs export it: blanks or tabs, "0" missing, a
// family per sample and the mother's field kept; the .map names the loci
// (CHROM:POS where the identifier is "."), or the loci are named by place.
TEST(PlinkReader, FormsRealFilesTake) {
  const std::string ped =
      "fam1 m1 0 0 2 -9 A G 1 1\n"
      "fam1\to1\t0\tm1\t0\t-9\tG G\t1 2\n"
      "fam2 o2 0 0 1 1.5 0 0 0 2\n";
  EXPECT_EQ(detect_format(ped), InputFormat::PLINK);
  PopulationData data;
  ASSERT_TRUE(read_population(ped, InputFormat::PLINK, data, {}, "1 rs7 0 100\n2\t.\t250\n").ok);
  EXPECT_EQ(data.format, "PLINK");
  EXPECT_EQ(data.loci, (std::vector<std::string>{"rs7", "2:250"}));
  EXPECT_EQ(data.samples, (std::vector<std::string>{"fam1", "fam2"}));
  ASSERT_EQ(data.individuals.size(), 3u);
  EXPECT_EQ(data.individuals[1].maternal, "m1");
  EXPECT_EQ(data.individuals[0].maternal, "");
  EXPECT_EQ(pair_of(data, 0, 0), "A/G");
  EXPECT_EQ(pair_of(data, 1, 1), "1/2");
  EXPECT_EQ(pair_of(data, 2, 0), "/");
  EXPECT_EQ(pair_of(data, 2, 1), "/") << "one allele missing is missing";
  EXPECT_EQ(data.half_missing[1].count, 1);

  PopulationData unnamed = read_ok(
      [](const std::string& text, PopulationData& d) { return read_plink(text, "", d); }, ped);
  EXPECT_EQ(unnamed.loci, (std::vector<std::string>{"locus 1", "locus 2"}));
  ASSERT_FALSE(unnamed.notes.empty());
  EXPECT_NE(unnamed.notes[0].text.find("no .map file"), std::string::npos);

  // Rows of numbers whose third and fourth columns are alleles are
  // STRUCTURE's, not a pedigree.
  EXPECT_EQ(detect_format("a 1 120 122 1 5 130 132\nb 1 120 124 2 5 130 130\n"),
            InputFormat::STRUCTURE);

  const std::pair<std::string, std::string> refusals[] = {
      {"f a 0 0 1 1 A\n", "line 1: a row holds 6 pedigree fields and two alleles per locus"},
      {"f a 0 0 1 1 A G\nf b 0 0 1 1 A G C C\n", "line 2: the row has 10 fields; line 1 8"},
      {"\n", "the file has no individual"},
  };
  for (const auto& [text, message] : refusals) {
    PopulationData refused;
    const Status status = read_plink(text, "", refused);
    EXPECT_FALSE(status.ok) << text;
    EXPECT_NE(status.message.find(message), std::string::npos) << status.message;
  }
  PopulationData refused;
  EXPECT_EQ(read_plink(ped, "1 rs7 0 100\n", refused).message,
            "the .map file names 1 loci, but the rows hold 2");
  EXPECT_EQ(read_plink(ped, "1 rs7\n", refused).message,
            "the .map file, line 1: a row holds a chromosome, an identifier, perhaps the position "
            "in centimorgans, and the base-pair position");
}

// A groups file makes a VCF's samples: in the order it names the groups,
// each in its rows' order, after an optional header; the rest left out and
// counted, and a file that contradicts itself refused with its line.
TEST(Groups, PlaceEachIndividual) {
  const std::string vcf =
      "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\tc\td\n"
      "1\t100\trs1\tA\tG\t.\t.\t.\tGT\t0/0\t0/1\t1/1\t0/1\n";
  PopulationData data;
  ASSERT_TRUE(read_population(vcf, InputFormat::VCF, data).ok);
  ASSERT_TRUE(apply_groups("groups.csv", "individual,group\nc,B2\nb,B1\na,B2\nzz,B1\n", data).ok);
  EXPECT_EQ(data.samples, (std::vector<std::string>{"B2", "B1"}));
  ASSERT_EQ(data.individuals.size(), 3u);
  EXPECT_EQ(data.individuals[0].id, "c");
  EXPECT_EQ(data.individuals[1].id, "b");
  EXPECT_EQ(data.individuals[1].sample, 1);
  EXPECT_EQ(data.individuals[2].id, "a");
  EXPECT_EQ(data.individuals[2].sample, 0);
  EXPECT_EQ(pair_of(data, 0, 0), "G/G") << "genotypes travel with their individual";
  std::string notes;
  for (const Note& note : data.notes) notes += note.text + "\n";
  EXPECT_NE(notes.find("1 individual of the file it does not list left out"), std::string::npos);
  EXPECT_NE(notes.find("(the first \"zz\") passed over"), std::string::npos);

  const std::pair<std::string, std::string> refusals[] = {
      {"a,B1\na,B2\n", "groups.csv, line 2: individual \"a\" is in group \"B1\" on line 1 already"},
      {"a;B1;x\n", "groups.csv, line 1: a row holds an individual's identifier and its group"},
      {"a,\n", "groups.csv, line 1: a row holds an individual's identifier and its group"},
      {"x,B1\n", "groups.csv: places none of the file's individuals in a group"},
  };
  for (const auto& [text, message] : refusals) {
    PopulationData again;
    ASSERT_TRUE(read_population(vcf, InputFormat::VCF, again).ok);
    EXPECT_EQ(apply_groups("groups.csv", text, again).message, message) << text;
  }
  PopulationData twice;
  ASSERT_TRUE(read_population("t\nA\nPop\nx, 0102\nx, 0101\n", InputFormat::GENEPOP, twice).ok);
  EXPECT_NE(apply_groups("g", "x,B\n", twice).message.find("cannot tell them apart"),
            std::string::npos);
}

}  // namespace mpdetect
