// Reads the study data file: white-space-separated numbers giving the loci
// with their allele frequencies, the sires with their shares, and the
// mother's genotype (or the untyped mark 99 and one more number).
#pragma once

#include <iosfwd>
#include <string>

#include "study/study_data.h"

// What became of a load. On refusal `message` holds the whole text to show
// the user, ending in a line end.
struct LoadStatus {
  bool ok;
  std::string message;
};

// What the reader writes last when it has read a file it accepts.
inline constexpr const char* DATA_FILE_READ_IN = "Data file read in.\n\n";

// The fixed name of the data file: "c:mmdata.txt" on Windows, mmdata.txt in
// the current working directory elsewhere.
const char* data_file_name();

// Fills `study` from the numbers in `in`, writing the doubtful-data warnings
// and, on success, "Data file read in." to `out` as it goes. Refuses (ok is
// false, nothing more written) a file the simulation cannot run safely: a
// count outside 1 to its limit, a mother allele index that is not an allele
// of its locus, a negative or non-finite frequency or share, text where a
// number is due, or a file that ends early. The message names the item and
// the line. Numbers after the last one the format calls for are ignored.
// An untyped mother starts out holding the last allele of each locus in both
// slots, which is what a draw that picks no allele then leaves her with.
LoadStatus read_study_data(StudyData& study, std::istream& in, std::ostream& out);

// Opens `path` and reads it as above; a file that cannot be opened gives the
// open-failure message and ok false, with nothing written to `out`.
LoadStatus load_study_data(StudyData& study, const char* path, std::ostream& out);
