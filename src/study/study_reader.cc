#include "study/study_reader.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "study/number_scanner.h"

namespace mpdetect {

const char* data_file_name() {
#ifdef _WIN32
  return "c:mmdata.txt";
#else
  return "mmdata.txt";
#endif
}

namespace {

Status accepted() {
  return success();
}

Status refused(const NumberScanner& scanner, const std::string& what);

// No word where one is due: the file ends, or runs on past any study's size.
Status ends_before(const NumberScanner& scanner, const std::string& item) {
  if (scanner.too_large) {
    return refused(scanner, "the file goes on for more than 1 MiB before " + item +
                                "; a study file is far smaller.");
  }
  return failure("Data file error: the file ends before " + item + ".");
}

Status refused(const NumberScanner& scanner, const std::string& what) {
  return failure_at(scanner.line,
                    "Data file error, line " + std::to_string(scanner.line) + ": " + what);
}

// Reads the next word as a whole number. `item` names what the number is,
// for the message.
Status read_whole(NumberScanner& scanner, const std::string& item, int64_t& value) {
  if (!next_word(scanner)) {
    return ends_before(scanner, item);
  }
  if (scanner.word_truncated) return refused(scanner, item + " is far too long to be a number.");
  if (!parse_whole_number(scanner.word, value)) {
    return refused(scanner, item + " should be a whole number, but reads \"" +
                                printable(scanner.word) + "\".");
  }
  return accepted();
}

// Reads a count that must lie from 1 to `limit`.
Status read_count(NumberScanner& scanner, const std::string& item, int limit, int32_t& count) {
  int64_t value = 0;
  Status status = read_whole(scanner, item, value);
  if (!status.ok) return status;
  if (value < 1 || value > limit) {
    return refused(scanner, item + " is " + printable(scanner.word) + "; it must be from 1 to " +
                                std::to_string(limit) + ".");
  }
  count = static_cast<int32_t>(value);
  return accepted();
}

// Reads a frequency or share: a finite decimal real, zero or more, stored as
// its nearest single-precision value widened to double.
Status read_share(NumberScanner& scanner, const std::string& item, double& stored) {
  if (!next_word(scanner)) {
    return ends_before(scanner, item);
  }
  if (scanner.word_truncated) return refused(scanner, item + " is far too long to be a number.");
  float value = 0;
  if (!parse_decimal_real(scanner.word, value)) {
    return refused(scanner,
                   item + " should be a number, but reads \"" + printable(scanner.word) + "\".");
  }
  if (!share_value(scanner.word, stored)) {
    return refused(scanner, item + " is " + printable(scanner.word) +
                                "; it must be a finite number, zero or more.");
  }
  return accepted();
}

// Reads one allele index of the mother's genotype at `locus`. The very first
// one may also be the untyped mark, which the caller handles.
Status read_mother_allele(NumberScanner& scanner, const StudyData& study, int locus, int slot,
                          bool may_be_mark, int32_t& allele) {
  const std::string item = std::string("the mother's ") + (slot == 0 ? "first" : "second") +
                           " allele at locus " + std::to_string(locus + 1);
  int64_t value = 0;
  Status status = read_whole(scanner, item, value);
  if (!status.ok) return status;
  if (may_be_mark && value == UNTYPED_MOTHER_MARK) {
    allele = UNTYPED_MOTHER_MARK;
    return accepted();
  }
  const int last = study.allele_count[locus] - 1;
  if (value < 0 || value > last) {
    return refused(scanner, item + " is " + printable(scanner.word) +
                                ", but the alleles of that locus are numbered 0 to " +
                                std::to_string(last) + ".");
  }
  allele = static_cast<int32_t>(value);
  return accepted();
}

}  // namespace

void make_mother_untyped(StudyData& study) {
  study.mother_known = false;
  for (int i = 0; i < study.locus_count; ++i) {
    const int32_t last = study.allele_count[i] - 1;
    study.mother[i] = Genotype{{last, last}};
  }
}

bool share_value(const std::string& word, double& stored) {
  float value = 0;
  if (word.size() > MAX_WORD_LENGTH || !parse_decimal_real(word, value) || !std::isfinite(value) ||
      value < 0) {
    return false;
  }
  stored = static_cast<double>(value);
  return true;
}

double locus_total(const StudyData& study, int locus) {
  double sum = 0;
  for (int s = 0; s < study.allele_count[locus]; ++s) sum += study.allele_frequency[locus][s];
  return sum;
}

double shares_total(const StudyData& study) {
  double sum = 0;
  for (int k = 0; k < study.sire_count; ++k) sum += study.skew[k];
  return sum;
}

std::vector<StudyWarning> doubtful_totals(const StudyData& study) {
  std::vector<StudyWarning> warnings;
  for (int i = 0; i < study.locus_count; ++i) {
    if (doubtful_total(locus_total(study, i)))
      warnings.push_back(StudyWarning{i, locus_total(study, i)});
  }
  if (doubtful_total(shares_total(study)))
    warnings.push_back(StudyWarning{SHARES_WARNING, shares_total(study)});
  return warnings;
}

std::string untyped_mother_text() {
  return std::to_string(UNTYPED_MOTHER_MARK) + " 0";
}

bool doubtful_total(double sum) {
  return !(sum >= 0.9999 && sum <= 1.0001);
}

std::string warning_text(const StudyWarning& warning) {
  return warning.locus == SHARES_WARNING
             ? "Warning: reproductive skew not equal to 1! Results may be inaccurate.\n"
             : "Warning: allele frequencies for each locus does not sum to 1! Results may be "
               "inaccurate.\n";
}

std::string warnings_text(const LoadStatus& status) {
  std::string text;
  for (const StudyWarning& warning : status.warnings) text += warning_text(warning);
  return text;
}

// Reads the whole study; each step's status replaces `status` but its
// warnings stay.
static Status read_study(StudyData& study, NumberScanner& scanner,
                         std::vector<StudyWarning>& warnings) {
  Status status = read_count(scanner, "the number of loci", MAX_LOCI, study.locus_count);
  if (!status.ok) return status;

  for (int i = 0; i < study.locus_count; ++i) {
    const std::string locus = "locus " + std::to_string(i + 1);
    status = read_count(scanner, "the number of alleles of " + locus, MAX_ALLELES,
                        study.allele_count[i]);
    if (!status.ok) return status;
    for (int s = 0; s < study.allele_count[i]; ++s) {
      status = read_share(scanner, "frequency " + std::to_string(s + 1) + " of " + locus,
                          study.allele_frequency[i][s]);
      if (!status.ok) return status;
    }
    if (doubtful_total(locus_total(study, i)))
      warnings.push_back(StudyWarning{i, locus_total(study, i)});
  }

  status = read_count(scanner, "the number of sires", MAX_SIRES, study.sire_count);
  if (!status.ok) return status;
  for (int k = 0; k < study.sire_count; ++k) {
    status = read_share(scanner, "the share of sire " + std::to_string(k + 1), study.skew[k]);
    if (!status.ok) return status;
  }
  if (doubtful_total(shares_total(study)))
    warnings.push_back(StudyWarning{SHARES_WARNING, shares_total(study)});

  status = read_mother_allele(scanner, study, 0, 0, true, study.mother[0].slot[0]);
  if (!status.ok) return status;
  if (study.mother[0].slot[0] == UNTYPED_MOTHER_MARK) {
    int64_t ignored = 0;
    status = read_whole(scanner, "the number after the untyped mark 99", ignored);
    if (!status.ok) return status;
    make_mother_untyped(study);
  } else {
    study.mother_known = true;
    status = read_mother_allele(scanner, study, 0, 1, false, study.mother[0].slot[1]);
    if (!status.ok) return status;
    for (int i = 1; i < study.locus_count; ++i) {
      for (int slot = 0; slot < 2; ++slot) {
        status = read_mother_allele(scanner, study, i, slot, false, study.mother[i].slot[slot]);
        if (!status.ok) return status;
      }
    }
  }

  return accepted();
}

LoadStatus read_study_data(StudyData& study, std::istream& in) {
  study = StudyData{};
  NumberScanner scanner = make_scanner(in);
  std::vector<StudyWarning> warnings;
  LoadStatus status{read_study(study, scanner, warnings), {}};
  status.warnings = std::move(warnings);
  return status;
}

LoadStatus load_study_data(StudyData& study, const char* path) {
  std::ifstream file(path);
  // A folder opens on some systems, and reads as nothing.
  std::error_code ignored;
  if (!file || std::filesystem::is_directory(path, ignored)) {
    return LoadStatus{
        failure("Cannot open file! Ensure that your data is in same directory as program file."),
        {}};
  }
  return read_study_data(study, file);
}

}  // namespace mpdetect
