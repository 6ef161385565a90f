// STRUCTURE: the identifier first, perhaps a population column (a whole
// number), then the alleles as whole numbers (-9 missing), separated by
// blanks or tabs; either one row per individual with two columns per locus,
// or two rows per individual (the same identifier) with one column per
// locus. An optional first row names the loci, one name each.
#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace {

constexpr long MISSING = -9;

// A data row: an identifier and whole numbers after it.
bool is_data_row(const std::vector<std::string_view>& words) {
  if (words.size() < 2) return false;
  long value = 0;
  for (size_t w = 1; w < words.size(); ++w) {
    if (!parse_integer(words[w], value)) return false;
  }
  return true;
}

// The shape of a file: which rows hold data, how many words each has, and
// whether the first row names the loci. Rows are split again where their
// words are wanted, so that no more than a row's words are held at once.
struct Shape {
  std::vector<std::string_view> lines;
  std::vector<int> rows;            // line index of each data row
  std::vector<std::string> header;  // empty: none
  size_t width = 0;                 // words per data row

  std::vector<std::string_view> words(size_t row) const { return word_views(lines[rows[row]]); }
};

bool shape_of(std::vector<std::string_view> lines, Shape& shape) {
  shape = Shape{};
  shape.lines = std::move(lines);
  bool first = true;
  for (size_t at = 0; at < shape.lines.size(); ++at) {
    const std::vector<std::string_view> words = word_views(shape.lines[at]);
    if (words.empty()) continue;
    if (first && !is_data_row(words)) {
      for (const std::string_view word : words) shape.header.emplace_back(word);
      first = false;
      continue;
    }
    first = false;
    if (!is_data_row(words)) return false;
    if (shape.width == 0) shape.width = words.size();
    if (words.size() != shape.width) return false;
    shape.rows.push_back(static_cast<int>(at));
  }
  return shape.rows.size() >= 2 && shape.width >= 3;
}

// Two rows per individual: every pair of rows shares its identifier.
bool two_rows(const Shape& shape) {
  if (shape.rows.size() % 2 != 0) return false;
  for (size_t r = 0; r < shape.rows.size(); r += 2) {
    if (shape.words(r)[0] != shape.words(r + 1)[0]) return false;
  }
  return true;
}

}  // namespace

bool looks_like_structure(const std::vector<std::string_view>& lines) {
  Shape shape;
  return shape_of(lines, shape);
}

Status read_structure(const std::string& text, PopulationData& data) {
  data = PopulationData{};
  data.format = "STRUCTURE";
  Shape shape;
  if (!shape_of(line_views(text), shape)) {
    return failure(
        "a STRUCTURE file has rows of an identifier and whole numbers, each row as long as the "
        "others, after an optional row of locus names");
  }
  const bool paired = two_rows(shape);
  const size_t per_locus = paired ? 1 : 2;
  // Whether the second column is a population: the header's count of loci
  // says so; without one, the width's parity (one row per individual) or a
  // value shared by both rows of every individual (two rows).
  size_t loci = 0;
  bool population = false;
  const size_t width = shape.width;
  if (!shape.header.empty()) {
    loci = shape.header.size();
    if (width == 1 + per_locus * loci) {
      population = false;
    } else if (width == 2 + per_locus * loci) {
      population = true;
    } else {
      return failure_at(shape.rows[0] + 1,
                        "line " + std::to_string(shape.rows[0] + 1) + ": the first row names " +
                            std::to_string(loci) + " loci, but the rows have " +
                            std::to_string(width) + " columns (an identifier, perhaps a " +
                            "population, and " + (paired ? "one" : "two") + " per locus)");
    }
  } else if (!paired) {
    population = (width - 1) % 2 != 0;
    loci = (width - (population ? 2 : 1)) / 2;
  } else {
    population = true;
    for (size_t r = 0; r < shape.rows.size() && population; r += 2)
      population = shape.words(r)[1] == shape.words(r + 1)[1];
    loci = width - (population ? 2 : 1);
  }
  if (loci == 0) return failure("the rows hold no alleles");
  for (size_t i = 0; i < loci; ++i) {
    data.loci.push_back(shape.header.empty() ? "locus " + std::to_string(i + 1) : shape.header[i]);
  }
  data.half_missing.assign(loci, HalfMissing{});
  const size_t first_allele = population ? 2 : 1;
  data.individuals.reserve(shape.rows.size() / (paired ? 2 : 1));
  for (size_t r = 0; r < shape.rows.size(); r += paired ? 2 : 1) {
    const std::vector<std::string_view> row = shape.words(r);
    const std::vector<std::string_view> second = paired ? shape.words(r + 1) : row;
    const int line = shape.rows[r] + 1;
    const std::string id(row[0]);
    const int sample = sample_named(data, population ? std::string(row[1]) : "sample 1");
    Individual individual{id, sample, line, std::vector<AlleleCodes>(loci)};
    for (size_t i = 0; i < loci; ++i) {
      LabelPair pair;
      int missing = 0;
      for (int slot = 0; slot < 2; ++slot) {
        const std::string_view code = paired
                                          ? (slot == 0 ? row : second)[first_allele + i]
                                          : row[first_allele + 2 * i + static_cast<size_t>(slot)];
        long value = 0;
        parse_integer(code, value);
        if (value < 0 && value != MISSING) {
          return failure_at(line,
                            "line " + std::to_string(line) + ": allele " + std::string(code) +
                                " at locus " + printable(data.loci[i]) + " of individual \"" +
                                printable(id) + "\" is negative (-9 is missing)",
                            data.loci[i], id);
        }
        missing += value == MISSING;
        pair.allele[slot] = std::string(code);
      }
      if (missing == 1) count_half_missing(data.half_missing[i], id, line);
      const Status coded = set_genotype(data, individual, i, missing ? LabelPair{} : pair, line);
      if (!coded.ok) return coded;
    }
    data.individuals.push_back(std::move(individual));
  }
  if (population) {
    data.notes.push_back(std::string("STRUCTURE file read with ") +
                         (paired ? "two rows" : "one row") +
                         " per individual and a population column (column 2)");
  } else {
    data.notes.push_back(std::string("STRUCTURE file read with ") +
                         (paired ? "two rows" : "one row") +
                         " per individual, no population column");
  }
  return success();
}
