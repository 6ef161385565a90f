#include "plan/plan_text.h"
#include "plan/population.h"

InputFormat detect_format(const std::string& text) {
  const std::vector<std::string> lines = split_lines(text);
  size_t first = 0;
  while (first < lines.size() && trim(lines[first]).empty()) ++first;
  if (first == lines.size()) return InputFormat::STUDY;
  const std::string head = lower(trim(lines[first]));
  if (head.rfind("locus,allele,frequency", 0) == 0 ||
      head.rfind("locus\tallele\tfrequency", 0) == 0)
    return InputFormat::FREQUENCIES;
  // GenAlEx's first row: the counts of loci, individuals and populations in
  // cells of their own. (A study file separates its numbers by blanks; one
  // written with tabs whose first three numbers are whole can be read with
  // --format study.)
  const char separator =
      lines[first].find(',') == std::string::npos && lines[first].find('\t') != std::string::npos
          ? '\t'
          : ',';
  const std::vector<std::string> cells = split_cells(lines[first], separator);
  long value = 0;
  if (cells.size() >= 3 && parse_integer(cells[0], value) && parse_integer(cells[1], value) &&
      parse_integer(cells[2], value)) {
    return InputFormat::GENALEX;
  }
  std::string name;
  for (const std::string& line : lines) {
    if (is_pop_line(line, name)) return InputFormat::GENEPOP;
  }
  return InputFormat::STUDY;
}

bool format_named(const std::string& name, InputFormat& format) {
  const std::pair<const char*, InputFormat> names[] = {{"study", InputFormat::STUDY},
                                                       {"genepop", InputFormat::GENEPOP},
                                                       {"genalex", InputFormat::GENALEX},
                                                       {"frequencies", InputFormat::FREQUENCIES}};
  for (const auto& [known, value] : names) {
    if (name == known) {
      format = value;
      return true;
    }
  }
  return false;
}

Status read_population(const std::string& text, InputFormat format, PopulationData& data) {
  Status status = check_plain_text(text);
  if (!status.ok) return status;
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
    case InputFormat::STUDY:
      return failure("a study file is no population file");
  }
  if (status.ok) note_doubts(data);
  return status;
}
