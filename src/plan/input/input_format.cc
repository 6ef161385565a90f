#include <sstream>

#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace mpdetect {

InputFormat detect_format(const std::string& text) {
  // Views, not copies: the format of a large file is judged without a
  // second copy of it.
  const std::vector<std::string_view> lines = line_views(text);
  size_t first = 0;
  while (first < lines.size() && trim(std::string(lines[first])).empty()) ++first;
  if (first == lines.size()) return InputFormat::STUDY;
  const std::string head(lines[first]);
  const CsvDialect dialect = csv_dialect(head);
  const std::vector<std::string> cells = split_row(head, dialect);
  size_t column = 0;
  if (frequency_header(cells, column)) return InputFormat::FREQUENCIES;
  if (looks_like_vcf(lines)) return InputFormat::VCF;
  // A pedigree's rows are strict enough (parents found among the
  // individuals) to come before every looser test below.
  if (looks_like_plink(lines)) return InputFormat::PLINK;
  // Their headers of counts are strict enough to come before the looser
  // tests: a GENETIX sample may be named "Pop 1", an FSTAT file written
  // with tabs would pass for GenAlEx's first rows.
  if (looks_like_fstat(lines)) return InputFormat::FSTAT;
  if (looks_like_genetix(lines)) return InputFormat::GENETIX;
  // GenAlEx's first row: the counts of loci, individuals and populations in
  // cells of their own, with names in the third row (rows of whole numbers
  // throughout are STRUCTURE's with numbered individuals). A study file
  // separates its numbers by blanks; one written with tabs whose first three
  // numbers are whole can be read with --format study.
  long value = 0;
  if (cells.size() >= 3 && parse_integer(cells[0], value) && parse_integer(cells[1], value) &&
      parse_integer(cells[2], value)) {
    bool names = first + 2 >= lines.size();
    for (const std::string& cell :
         names ? std::vector<std::string>{} : split_row(std::string(lines[first + 2]), dialect)) {
      names = names || (!cell.empty() && !parse_integer(cell, value));
    }
    if (names) return InputFormat::GENALEX;
  }
  // Before Genepop's: an individual may be named "pop".
  if (looks_like_allele_counts(lines)) return InputFormat::ALLELE_COUNTS;
  std::string name;
  for (const std::string_view line : lines) {
    if (is_pop_line(std::string(line), name)) return InputFormat::GENEPOP;
  }
  if (looks_like_structure(lines)) return InputFormat::STRUCTURE;
  return InputFormat::STUDY;
}

std::string unknown_format(const std::string& text) {
  const std::string known =
      "it is none of the formats the planner reads (Genepop, GenAlEx, STRUCTURE, FSTAT, GENETIX, "
      "VCF, PLINK, a table of allele counts, a frequency table or a study file): ";
  const std::vector<std::string> lines = split_lines(text);
  size_t first = 0;
  while (first < lines.size() && trim(lines[first]).empty()) ++first;
  if (first == lines.size()) return "the file is empty";
  const std::string& line = lines[first];
  if (text.rfind("PK\x03\x04", 0) == 0 || text.rfind("\xd0\xcf\x11\xe0", 0) == 0) {
    return known + "it looks like a spreadsheet workbook; save the sheet as CSV";
  }
  if (text.rfind("%PDF", 0) == 0) return known + "it looks like a PDF document";
  const std::string head = lower(trim(line));
  if (!head.empty() && head[0] == '<') return known + "it looks like HTML or XML";
  if (head.rfind("##fileformat=vcf", 0) == 0 || head.rfind("#chrom", 0) == 0)
    return known + "it looks like a VCF file, but its header is not written as VCF's";
  const CsvDialect dialect = csv_dialect(line);
  const std::vector<std::string> cells = split_row(line, dialect);
  const std::string shown = printable(line.substr(0, 60)) + (line.size() > 60 ? "..." : "");
  if (cells.size() >= 2) {
    const char* separated = dialect.separator == ';'    ? "semicolons"
                            : dialect.separator == '\t' ? "tabs"
                                                        : "commas";
    return known + "it looks like a table of " + std::to_string(cells.size()) +
           " columns separated by " + separated + " (its first row reads \"" + shown +
           "\"), but a frequency table's header is locus,allele,frequency and a GenAlEx "
           "file's first row holds the counts of loci, individuals and populations";
  }
  return known + "its first line reads \"" + shown + "\"";
}

bool starts_like_study(const std::string& text) {
  std::istringstream in(text);
  NumberScanner scanner = make_scanner(in);
  int64_t loci = 0;
  return next_word(scanner) && parse_whole_number(scanner.word, loci);
}

bool format_named(const std::string& name, InputFormat& format) {
  const std::pair<const char*, InputFormat> names[] = {{"study", InputFormat::STUDY},
                                                       {"genepop", InputFormat::GENEPOP},
                                                       {"genalex", InputFormat::GENALEX},
                                                       {"frequencies", InputFormat::FREQUENCIES},
                                                       {"structure", InputFormat::STRUCTURE},
                                                       {"fstat", InputFormat::FSTAT},
                                                       {"genetix", InputFormat::GENETIX},
                                                       {"counts", InputFormat::ALLELE_COUNTS},
                                                       {"vcf", InputFormat::VCF},
                                                       {"plink", InputFormat::PLINK}};
  for (const auto& [known, value] : names) {
    if (name == known) {
      format = value;
      return true;
    }
  }
  return false;
}

Status read_population(const std::string& text, InputFormat format, PopulationData& data,
                       const StructureLayout& structure, const std::string& plink_map) {
  Status status = check_plain_text(text);
  if (!status.ok) return status;
  if (!plink_map.empty()) {
    status = check_plain_text(plink_map);
    if (!status.ok) return failure("the .map file, " + status.message);
  }
  switch (format) {
    case InputFormat::GENEPOP:
      status = read_genepop(text, data);
      break;
    case InputFormat::GENALEX:
      status = read_genalex(text, data);
      break;
    case InputFormat::FREQUENCIES:
      status = read_frequency_table(text, data);
      break;
    case InputFormat::STRUCTURE:
      status = read_structure(text, data, structure);
      break;
    case InputFormat::FSTAT:
      status = read_fstat(text, data);
      break;
    case InputFormat::GENETIX:
      status = read_genetix(text, data);
      break;
    case InputFormat::ALLELE_COUNTS:
      status = read_allele_counts(text, data);
      break;
    case InputFormat::VCF:
      status = read_vcf(text, data);
      break;
    case InputFormat::PLINK:
      status = read_plink(text, plink_map, data);
      break;
    case InputFormat::STUDY:
      return failure("a study file is no population file");
  }
  data.label_codes.clear();
  data.label_codes.shrink_to_fit();
  data.sample_codes = {};
  if (status.ok) note_doubts(data);
  return status;
}

}  // namespace mpdetect
