// A population sample as the planner reads it: the loci, the samples, and
// each individual's genotype as allele labels; or, from a frequency table,
// the frequencies themselves. Readers take the file's text and give this
// record, or a message that names the line (and the locus and individual
// where there is one).
#pragma once

#include <string>
#include <vector>

#include "study/status.h"

// One individual's two allele labels at a locus; both empty when missing.
struct LabelPair {
  std::string allele[2];
};

struct Individual {
  std::string id;
  int sample;                       // index into PopulationData::samples
  int line;                         // where the record starts, counted from 1
  std::vector<LabelPair> genotype;  // one per locus
};

// One locus of a frequency table: labels with their frequencies, in file
// order.
struct TableLocus {
  std::vector<std::string> labels;
  std::vector<double> frequencies;
};

struct PopulationData {
  std::string format;  // "Genepop", "GenAlEx" or "frequency table"
  std::vector<std::string> loci;
  // Sample names: GenAlEx's population names; Genepop's samples have none
  // ("sample 1", "sample 2", ...).
  std::vector<std::string> samples;
  std::vector<Individual> individuals;
  // A frequency table has no individuals, one entry per locus here instead.
  std::vector<TableLocus> table;
};

Status read_genepop(const std::string& text, PopulationData& data);
Status read_genalex(const std::string& text, PopulationData& data);
Status read_frequency_table(const std::string& text, PopulationData& data);

enum class InputFormat { STUDY, GENEPOP, GENALEX, FREQUENCIES };

// The format the text is in, judged from its content: the frequency table's
// header, GenAlEx's first row of counts, a Genepop "Pop" line; otherwise a
// study file.
InputFormat detect_format(const std::string& text);

// The format's name as --format takes it: study, genepop, genalex,
// frequencies. False for any other name.
bool format_named(const std::string& name, InputFormat& format);

// Reads `text` as a population file of `format` (not STUDY).
Status read_population(const std::string& text, InputFormat format, PopulationData& data);
