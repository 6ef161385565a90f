// Reads the study data file: white-space-separated numbers giving the loci
// with their allele frequencies, the sires with their shares, and the
// mother's genotype (or the untyped mark 99 and one more number).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "base/status.h"
#include "study/study_data.h"

namespace mpdetect {

// A total that the reader found doubtful: the frequencies of one locus, or
// the shares of the sires, adding up to less than 0.9999 or more than
// 1.0001. The study is read all the same, with the values as given.
struct StudyWarning {
  int locus;  // counted from 0; SHARES_WARNING for the shares
  double sum;
};
constexpr int SHARES_WARNING = -1;

// What became of a load: ok, or the refusal (its message one line without
// a line end, and its line); and the warnings in the order the file gave
// rise to them. Warnings found before a refusal are kept.
struct LoadStatus : Status {
  std::vector<StudyWarning> warnings;
};

// The fixed name of the data file: "c:mmdata.txt" on Windows, mmdata.txt in
// the current working directory elsewhere.
const char* data_file_name();

// Marks the mother untyped and puts her on the last allele of each locus in
// both slots, which is what a draw that picks no allele then leaves her with.
// REQUIRES: study.locus_count and allele_count set.
void make_mother_untyped(StudyData& study);

// How the reader takes a frequency or share: a finite decimal real, zero or
// more, rounded once to single precision and widened to double. False for
// anything else (a word the scanner would refuse included).
bool share_value(const std::string& word, double& stored);

// The total of the frequencies of `locus` (counted from 0), and of the
// sires' shares, as the reader sums them for its warnings.
double locus_total(const StudyData& study, int locus);
double shares_total(const StudyData& study);

// The doubtful totals of a study record, in the order a reader of its file
// would warn of them.
std::vector<StudyWarning> doubtful_totals(const StudyData& study);

// How a study file says that the mother was not genotyped: the mark and the
// number after it that the reader ignores ("99 0").
std::string untyped_mother_text();

// Whether a total of frequencies or shares draws a warning: below 0.9999 or
// above 1.0001 (or not a number).
bool doubtful_total(double sum);

// The program's line for a warning, ending in a line end.
std::string warning_text(const StudyWarning& warning);

// The lines of all the warnings of a load, in order.
std::string warnings_text(const LoadStatus& status);

// Fills `study` from the numbers in `in`. Refuses (ok false) a file the
// simulation cannot run safely: a count outside 1 to its limit, a mother
// allele index that is not an allele of its locus, a negative or non-finite
// frequency or share, text where a number is due, or a file that ends early.
// The message names the item and the line. Numbers after the last one the
// format calls for are ignored. An untyped mother starts out holding the
// last allele of each locus in both slots, which is what a draw that picks
// no allele then leaves her with.
LoadStatus read_study_data(StudyData& study, std::istream& in);

// Opens `path` and reads it as above; a file that cannot be opened gives the
// open-failure message and ok false.
LoadStatus load_study_data(StudyData& study, const char* path);

}  // namespace mpdetect
