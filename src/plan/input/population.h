// A population sample as the planner reads it: the loci, the samples, and
// each individual's genotype as codes of allele labels; or, from a
// frequency table, the frequencies themselves. Readers take the file's text and give this
// record, or a message that names the line (and the locus and individual
// where there is one).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/status.h"

namespace mpdetect {

// One individual's two allele labels at a locus; both empty when missing.
struct LabelPair {
  std::string allele[2];
};

// The same as the record keeps it: each allele's index among its locus's
// labels (PopulationData::labels), so that a genotype takes 4 bytes
// whatever its labels; MISSING_CODE in both slots when missing. A locus
// holds at most MAX_LABELS distinct labels (a study takes 30).
constexpr int16_t MISSING_CODE = -1;
constexpr size_t MAX_LABELS = 32767;
struct AlleleCodes {
  int16_t allele[2] = {MISSING_CODE, MISSING_CODE};
};

struct Individual {
  std::string id;
  int sample;                         // index into PopulationData::samples
  int line;                           // where the record starts, counted from 1
  std::vector<AlleleCodes> genotype;  // one per locus
  // Whom the file says the individual was born to (a pedigree's mother
  // column); empty where it says nothing.
  std::string maternal = {};
};

// One locus of a frequency table: labels with their frequencies, in file
// order.
struct TableLocus {
  std::vector<std::string> labels;
  std::vector<double> frequencies;
};

// Genotypes of one locus with one allele missing, which are read as
// missing there.
struct HalfMissing {
  int count = 0;
  std::string first;  // the first of them: "individual \"a3\" (line 7)"
};

struct PopulationData {
  // "Genepop", "GenAlEx", "STRUCTURE", "FSTAT", "GENETIX", "allele-count",
  // "VCF", "PLINK" or "frequency table"
  std::string format;
  std::vector<std::string> loci;
  // Sample names: GenAlEx's population names; Genepop's samples have none
  // ("sample 1", "sample 2", ...).
  std::vector<std::string> samples;
  std::vector<Individual> individuals;
  // Per locus, every allele label the individuals carry, in order of first
  // appearance; AlleleCodes index into these.
  std::vector<std::vector<std::string>> labels;
  // While reading: each locus's codes by allele_key (emptied once read).
  std::vector<std::unordered_map<std::string, int16_t>> label_codes;
  // While reading: each sample's index by its name (sample_named's), so
  // that finding a sample takes no longer with 100000 of them.
  std::unordered_map<std::string, int> sample_codes;
  // A frequency table has no individuals, one entry per locus here instead.
  std::vector<TableLocus> table;
  std::vector<HalfMissing> half_missing;  // per locus, when the reader counts them
  // What reading found doubtful, one line each without a line end, for the
  // user: identifiers used twice, missing-data codes read as alleles,
  // genotypes with one allele missing, a sample chosen by a name.
  std::vector<Note> notes;
};

// What a STRUCTURE file holds besides its genotypes, as STRUCTURE's own
// parameter file names it (mainparams): the rows before the individuals
// (MARKERNAMES, RECESSIVEALLELES, MAPDISTANCES), ONEROWPERIND, and the
// columns before the genotypes, in this order: LABEL, POPDATA, POPFLAG,
// LOCDATA, PHENOTYPE, EXTRACOLS of them; MISSING and NUMLOCI. UNKNOWN
// where not given: the reader then infers it from the file and says how.
struct StructureLayout {
  static constexpr long UNKNOWN = -1;
  long markernames = UNKNOWN, recessivealleles = UNKNOWN, mapdistances = UNKNOWN;
  long onerowperind = UNKNOWN;
  long label = UNKNOWN, popdata = UNKNOWN, popflag = UNKNOWN, locdata = UNKNOWN;
  long phenotype = UNKNOWN, extracols = UNKNOWN;
  long numloci = UNKNOWN;
  bool missing_given = false;
  long missing = -9;
};

// Reads "NAME=VALUE" settings separated by commas or blanks (names in any
// case: POPDATA=1, onerowperind=0, MISSING=-9) into `layout`. Refuses a
// name STRUCTURE does not have here, a value that is no whole number, a
// flag other than 0 or 1, and PLOIDY other than 2.
Status parse_structure_layout(const std::string& text, StructureLayout& layout);

Status read_genepop(const std::string& text, PopulationData& data);
Status read_genalex(const std::string& text, PopulationData& data);
Status read_frequency_table(const std::string& text, PopulationData& data);
Status read_structure(const std::string& text, PopulationData& data);
Status read_structure(const std::string& text, PopulationData& data, const StructureLayout& layout);
Status read_fstat(const std::string& text, PopulationData& data);
Status read_genetix(const std::string& text, PopulationData& data);
Status read_allele_counts(const std::string& text, PopulationData& data);
Status read_vcf(const std::string& text, PopulationData& data);
// A PLINK .ped text with the text of its .map (empty when there is none:
// the loci are then named by their place, and a note says so). Refuses a
// .map whose loci are not the rows' in number.
Status read_plink(const std::string& ped, const std::string& map, PopulationData& data);

// Whether the lines are a VCF file's: its first non-empty line is
// "##fileformat=VCF..." or the "#CHROM" line.
bool looks_like_vcf(const std::vector<std::string_view>& lines);

// Whether the lines are a PLINK .ped file's: rows of as many fields,
// six pedigree fields (a sex of 0, 1, 2 or -9, a numeric phenotype) and two
// per locus, whose parents are "0" or individuals of the file.
bool looks_like_plink(const std::vector<std::string_view>& lines);

// Whether the lines are an FSTAT file's: a first row of four whole numbers
// (samples, loci, highest allele, digits per allele from 1 to 3), a row per
// locus name, then rows of a sample number and a genotype per locus.
bool looks_like_fstat(const std::vector<std::string_view>& lines);

// Whether the lines are a GENETIX file's: the count of loci and of samples
// on rows of their own, then each locus's name and a row of its allele
// count and alleles.
bool looks_like_genetix(const std::vector<std::string_view>& lines);

// Splits a genotype written as digits, `width` to an allele, into its two
// labels as written; a code shorter than two alleles is read with the
// zeros before it that a program dropped (FSTAT's 913 is 0913). An allele
// of zeros is missing: `missing` counts them (0, 1 or 2), and the pair is
// left empty when any is. False when `code` is no such genotype.
bool split_digits(std::string_view code, size_t width, LabelPair& pair, int& missing);

// Whether the lines are a STRUCTURE file's: rows of an identifier and whole
// numbers, all as long, at least two, after up to three rows of names and
// numbers of another length (marker names, recessive alleles, map
// distances).
bool looks_like_structure(const std::vector<std::string_view>& lines);

// Whether a Genepop line opens a sample: "Pop", in any case, alone or
// followed by the sample's name ("Pop Nancy1", "Pop, Nancy1", "POP,"). A
// line that goes on with a comma after the name is an individual whose
// identifier starts with "pop" instead. `name` gets the name, empty when
// there is none.
bool is_pop_line(const std::string& line, std::string& name);

// Whether the lines are a table of allele counts: a header row, then rows
// of as many cells, each an identifier (and a group, where the header's
// second cell names one) and per locus 0, 1, 2, NA or nothing; a header of
// counts alone is a row of data, not a header.
bool looks_like_allele_counts(const std::vector<std::string_view>& lines);

enum class InputFormat {
  STUDY,
  GENEPOP,
  GENALEX,
  FREQUENCIES,
  STRUCTURE,
  FSTAT,
  GENETIX,
  ALLELE_COUNTS,
  VCF,
  PLINK
};

// The format the text is in, judged from its content: the frequency table's
// header, FSTAT's and GENETIX's headers, GenAlEx's first row of counts, a
// Genepop "Pop" line, STRUCTURE's rows of whole numbers; otherwise a study
// file.
InputFormat detect_format(const std::string& text);

// Whether a text begins as a study file does: with a whole number (the
// number of loci).
bool starts_like_study(const std::string& text);

// What a text in none of the formats looks like (a table of other columns,
// a workbook, HTML, ...), as one line for its refusal.
std::string unknown_format(const std::string& text);

// The format's name as the user gives it: study, genepop, genalex,
// frequencies, structure, fstat, genetix, counts, vcf, plink. False for any other
// name.
bool format_named(const std::string& name, InputFormat& format);

// Whether the cells of a first row are a frequency table's header
// (locus, allele, frequency; after an unnamed column of row names, as R's
// write.csv has it: `first` is then 1).
bool frequency_header(const std::vector<std::string>& cells, size_t& first);

// Stores `pair` (both empty: missing) as the genotype of `individual` at
// `locus`, adding labels not seen before to data.labels. Refuses a label
// past MAX_LABELS at one locus, naming the line.
// REQUIRES: locus < data.loci.size(); individual.genotype has a slot per locus.
Status set_genotype(PopulationData& data, Individual& individual, size_t locus,
                    const LabelPair& pair, int line);

// The key an allele label is known by: a label of digits (perhaps signed)
// stands for its number, so "09", "009" and "9" are one allele; any other
// label for its text. A label keeps the text it was first written with.
std::string allele_key(const std::string& label);

// Counts a genotype with one allele missing of individual `id`, at `line`.
void count_half_missing(HalfMissing& half, const std::string& id, int line);

// The index of the sample named `name`, added as the last when new. Takes
// the same time however many samples there are.
// REQUIRES: every sample of `data` was added by sample_named.
int sample_named(PopulationData& data, const std::string& name);

// The labels of an individual's genotype at `locus` (both empty: missing).
LabelPair labels_at(const PopulationData& data, const Individual& individual, size_t locus);

// Refuses a text that holds a NUL or another control byte (tabs and line
// ends are text), naming the line and showing the byte escaped.
Status check_plain_text(const std::string& text);

// Adds to data.notes what a user should know of an accepted file:
// identifiers used by more than one individual, allele labels that look
// like missing-data codes (0, -9, 999, 999999), and the genotypes with one
// allele missing that were read as missing.
void note_doubts(PopulationData& data);

// Each individual's name, made unique: its identifier where no other
// individual has it; otherwise with its sample, "5 (Nancy3)", and where
// the identifier repeats within the sample too, its place among those,
// "5 (sample 5, 2)". How lists offer individuals to choose from.
std::vector<std::string> unique_names(const PopulationData& data);

// The individuals whose identifier is `id`, in file order; when none has
// it, the one whose unique name (unique_names) it is.
std::vector<const Individual*> individuals_named(const PopulationData& data, const std::string& id);

// Reads `text` as a population file of `format` (not STUDY): plain text
// checked first, doubts noted after. `structure` is a STRUCTURE file's
// layout as far as the user gave it; `plink_map` the .map text beside a
// PLINK .ped (empty: none).
Status read_population(const std::string& text, InputFormat format, PopulationData& data,
                       const StructureLayout& structure = {}, const std::string& plink_map = "");

}  // namespace mpdetect
