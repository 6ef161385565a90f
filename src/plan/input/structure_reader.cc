// STRUCTURE: up to three rows before the individuals (marker names,
// recessive alleles, map distances), then the individuals, either one row
// each with two columns per locus or two rows each (the same identifier)
// with one column per locus. Each row opens with the columns STRUCTURE's
// parameters name, in this order: the identifier (LABEL), the population
// (POPDATA), POPFLAG, LOCDATA, PHENOTYPE and EXTRACOLS more; then whole
// numbers, -9 (MISSING) for a missing allele. What the user does not give
// is inferred from the file, and a note says how it was read.
#include <algorithm>
#include <unordered_set>

#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace mpdetect {

namespace {

// Below this many individuals the values say too little to tell a column
// of populations or flags from a locus: such a file is read by its shape
// alone (one column before the loci when the widths call for one).
constexpr size_t INFERRED_FROM = 10;
// The columns that may stand between the identifier and the loci when the
// user has not said: POPDATA, POPFLAG, LOCDATA, PHENOTYPE.
constexpr size_t MOST_INFERRED = 4;
const char* const COLUMN_ROLES[] = {"PopData", "PopFlag", "LocData", "Phenotype"};

bool whole_numbers(const std::vector<std::string_view>& words, size_t from) {
  long value = 0;
  for (size_t w = from; w < words.size(); ++w) {
    if (!parse_integer(words[w], value)) return false;
  }
  return true;
}

// A data row: an identifier and whole numbers after it.
bool is_data_row(const std::vector<std::string_view>& words) {
  return words.size() >= 2 && whole_numbers(words, 1);
}

// The shape of a file: the rows before the individuals, the individuals'
// rows and their width. Rows are split again where their words are wanted,
// so that no more than a row's words are held at once.
struct Shape {
  std::vector<std::string_view> lines;
  std::vector<int> top;   // line index of each row before the individuals
  std::vector<int> rows;  // line index of each individual's row
  size_t width = 0;       // words per individual's row

  std::vector<std::string_view> words(size_t row) const { return word_views(lines[rows[row]]); }
  std::vector<std::string_view> top_words(size_t row) const { return word_views(lines[top[row]]); }
};

// The rows before the individuals are `top_given` when the user said how
// many, otherwise the leading rows (at most three) whose width is not the
// last row's. With `strict`, every individual's row must be an identifier
// and whole numbers, as STRUCTURE files are recognised by.
bool shape_of(std::vector<std::string_view> lines, long top_given, bool strict, Shape& shape) {
  shape = Shape{};
  shape.lines = std::move(lines);
  std::vector<int> filled;
  for (size_t at = 0; at < shape.lines.size(); ++at) {
    if (!word_views(shape.lines[at]).empty()) filled.push_back(static_cast<int>(at));
  }
  if (filled.empty()) return false;
  shape.width = word_views(shape.lines[filled.back()]).size();
  size_t top = 0;
  if (top_given >= 0) {
    top = static_cast<size_t>(top_given);
  } else {
    while (top < 3 && top < filled.size() &&
           word_views(shape.lines[filled[top]]).size() != shape.width)
      ++top;
  }
  if (top > filled.size()) return false;
  shape.top.assign(filled.begin(), filled.begin() + static_cast<long>(top));
  for (size_t r = top; r < filled.size(); ++r) {
    const std::vector<std::string_view> words = word_views(shape.lines[filled[r]]);
    if (words.size() != shape.width || (strict && !is_data_row(words))) return false;
    shape.rows.push_back(filled[r]);
  }
  // Without the user's word, a top row is names or numbers only where
  // STRUCTURE puts them: names first, then rows of numbers.
  if (strict) {
    for (size_t t = 1; t < shape.top.size(); ++t) {
      double value = 0;
      for (const std::string_view word : shape.top_words(t)) {
        if (!parse_number(std::string(word), value)) return false;
      }
    }
  }
  return shape.rows.size() >= 2 && shape.width >= 2;
}

// Two rows per individual: every pair of rows shares its identifier.
bool two_rows(const Shape& shape) {
  if (shape.rows.size() % 2 != 0) return false;
  for (size_t r = 0; r < shape.rows.size(); r += 2) {
    if (shape.words(r)[0] != shape.words(r + 1)[0]) return false;
  }
  return true;
}

// Whether column `c` holds each of its values in one run of consecutive
// individuals, with fewer values than half the individuals: a population,
// a flag or a location, as files sorted by population have them. A locus's
// alleles are scattered through the file.
bool grouped(const Shape& shape, size_t c, size_t step) {
  std::unordered_set<std::string_view> seen;
  std::string_view last;
  size_t individuals = 0;
  for (size_t r = 0; r < shape.rows.size(); r += step, ++individuals) {
    const std::string_view value = shape.words(r)[c];
    if (individuals > 0 && value == last) continue;
    if (!seen.insert(value).second) return false;
    last = value;
  }
  return seen.size() * 2 < individuals;
}

// Whether column `c` is the same in both rows of every individual.
bool same_in_both_rows(const Shape& shape, size_t c) {
  for (size_t r = 0; r < shape.rows.size(); r += 2) {
    if (shape.words(r)[c] != shape.words(r + 1)[c]) return false;
  }
  return true;
}

// The columns between the identifier and the loci, inferred: those the
// values show are not loci (the same in both rows of every individual, or
// each value in one run of individuals), as many as the width allows.
size_t inferred_columns(const Shape& shape, size_t first, bool paired) {
  const size_t individuals = shape.rows.size() / (paired ? 2 : 1);
  const size_t available = shape.width - first;
  const size_t per_locus = paired ? 1 : 2;
  if (individuals < INFERRED_FROM) {
    if (!paired) return available % 2;
    return available > 1 && same_in_both_rows(shape, first) ? 1 : 0;
  }
  size_t columns = 0;
  while (columns < MOST_INFERRED && available - columns > per_locus) {
    const size_t c = first + columns;
    if (!(paired ? same_in_both_rows(shape, c) : grouped(shape, c, 1))) break;
    ++columns;
  }
  if ((available - columns) % per_locus != 0) {
    // One more column that is not a locus (a phenotype, say) rather than
    // a locus with one allele column.
    if (available - columns > per_locus) {
      ++columns;
    } else if (columns > 0) {
      --columns;
    }
  }
  return columns;
}

std::string column_range(size_t first, size_t count) {
  return count == 1 ? "column " + std::to_string(first + 1)
                    : "columns " + std::to_string(first + 1) + "-" + std::to_string(first + count);
}

std::string count_of(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

long given(long value, long otherwise) {
  return value == StructureLayout::UNKNOWN ? otherwise : value;
}

}  // namespace

Status parse_structure_layout(const std::string& text, StructureLayout& layout) {
  std::string spaced = text;
  std::replace(spaced.begin(), spaced.end(), ',', ' ');
  for (const std::string& setting : split_words(spaced)) {
    const size_t equals = setting.find('=');
    const std::string name = lower(setting.substr(0, equals));
    long value = 0;
    if (equals == std::string::npos || !parse_integer(setting.substr(equals + 1), value)) {
      return failure("STRUCTURE layout \"" + printable(setting) +
                     "\": a setting is a name, =, and a whole number (POPDATA=1)");
    }
    const std::pair<const char*, long*> flags[] = {{"markernames", &layout.markernames},
                                                   {"recessivealleles", &layout.recessivealleles},
                                                   {"mapdistances", &layout.mapdistances},
                                                   {"onerowperind", &layout.onerowperind},
                                                   {"label", &layout.label},
                                                   {"popdata", &layout.popdata},
                                                   {"popflag", &layout.popflag},
                                                   {"locdata", &layout.locdata},
                                                   {"phenotype", &layout.phenotype}};
    bool known = false;
    for (const auto& [flag, field] : flags) {
      if (name != flag) continue;
      if (value != 0 && value != 1)
        return failure("STRUCTURE layout: " + setting + " is a flag, 0 or 1");
      *field = value;
      known = true;
    }
    if (name == "extracols" || name == "numloci") {
      if (value < 0) return failure("STRUCTURE layout: " + setting + " is a count, 0 or more");
      (name == "extracols" ? layout.extracols : layout.numloci) = value;
      known = true;
    } else if (name == "missing") {
      layout.missing = value;
      layout.missing_given = true;
      known = true;
    } else if (name == "ploidy") {
      if (value != 2)
        return failure("STRUCTURE layout: " + setting + "; the planner reads diploid genotypes");
      known = true;
    }
    if (!known) {
      return failure("STRUCTURE layout \"" + printable(setting) +
                     "\": the settings are MARKERNAMES, RECESSIVEALLELES, MAPDISTANCES, "
                     "ONEROWPERIND, LABEL, POPDATA, POPFLAG, LOCDATA, PHENOTYPE, EXTRACOLS, "
                     "NUMLOCI, MISSING and PLOIDY");
    }
  }
  return success();
}

bool looks_like_structure(const std::vector<std::string_view>& lines) {
  Shape shape;
  return shape_of(lines, -1, true, shape);
}

Status read_structure(const std::string& text, PopulationData& data) {
  return read_structure(text, data, StructureLayout{});
}

Status read_structure(const std::string& text, PopulationData& data,
                      const StructureLayout& layout) {
  data = PopulationData{};
  data.format = "STRUCTURE";
  const bool rows_given =
      layout.markernames >= 0 && layout.recessivealleles >= 0 && layout.mapdistances >= 0;
  const long top_given =
      rows_given ? layout.markernames + layout.recessivealleles + layout.mapdistances : -1;
  const bool label = layout.label != 0;
  Shape shape;
  if (!shape_of(line_views(text), top_given, label && !rows_given, shape)) {
    return failure(
        "a STRUCTURE file has rows of an identifier and whole numbers, each row as long as the "
        "others, after up to three rows of marker names, recessive alleles and map distances");
  }
  const bool paired =
      layout.onerowperind >= 0 ? layout.onerowperind == 0 : label && two_rows(shape);
  if (paired && shape.rows.size() % 2 != 0) {
    return failure("two rows per individual, but the file has " +
                   std::to_string(shape.rows.size()) + " rows of individuals");
  }
  const size_t per_locus = paired ? 1 : 2;
  const size_t first = label ? 1 : 0;  // the first column after the identifier
  const size_t available = shape.width - first;

  // The loci's count: the user's, or a row of names or numbers, one a locus.
  if (layout.markernames == 1 && shape.top.empty()) {
    return failure("MARKERNAMES=1, but no row before the individuals names the loci");
  }
  const bool names = layout.markernames == 1 || (layout.markernames < 0 && !shape.top.empty() &&
                                                 !whole_numbers(shape.top_words(0), 0));
  long loci = layout.numloci;
  if (loci < 0 && !shape.top.empty()) loci = static_cast<long>(shape.top_words(0).size());
  const bool columns_given = layout.popdata >= 0 || layout.popflag >= 0 || layout.locdata >= 0 ||
                             layout.phenotype >= 0 || layout.extracols >= 0;
  long columns = given(layout.popdata, 0) + given(layout.popflag, 0) + given(layout.locdata, 0) +
                 given(layout.phenotype, 0) + given(layout.extracols, 0);
  const std::string row_words = std::string("an identifier, the columns before the loci, and ") +
                                (paired ? "one" : "two") + " per locus";
  bool inferred = false;
  if (loci >= 0) {
    const long needed = static_cast<long>(available) - static_cast<long>(per_locus) * loci;
    if (needed < 0 || (columns_given && needed != columns)) {
      const std::string loci_text = count_of(static_cast<size_t>(loci), "locus", "loci");
      const std::string said = layout.numloci >= 0 ? "NUMLOCI says " + loci_text
                               : names             ? "the first row names " + loci_text
                                       : "the first row has a number for each of " + loci_text;
      return failure_at(
          shape.rows[0] + 1,
          "line " + std::to_string(shape.rows[0] + 1) + ": " + said +
              (columns_given ? " and " + count_of(columns, "column", "columns") + " before them"
                             : std::string()) +
              ", but the rows have " + std::to_string(shape.width) + " columns (" + row_words +
              ")");
    }
    inferred = !columns_given && needed > 0;
    columns = needed;
  } else if (columns_given) {
    if (columns > static_cast<long>(available) ||
        (available - static_cast<size_t>(columns)) % per_locus != 0) {
      return failure_at(shape.rows[0] + 1, "line " + std::to_string(shape.rows[0] + 1) + ": " +
                                               std::to_string(shape.width) +
                                               " columns do not make whole loci (" + row_words +
                                               ")");
    }
  } else {
    columns = static_cast<long>(inferred_columns(shape, first, paired));
    inferred = columns > 0;
  }
  loci = (static_cast<long>(available) - columns) / static_cast<long>(per_locus);
  if (loci <= 0) return failure("the rows hold no alleles");
  const size_t count = static_cast<size_t>(loci);
  if (names && shape.top_words(0).size() != count) {
    return failure_at(shape.top[0] + 1, "line " + std::to_string(shape.top[0] + 1) +
                                            ": the row of marker names names " +
                                            std::to_string(shape.top_words(0).size()) +
                                            " loci, but the rows hold " + std::to_string(count));
  }
  for (size_t i = 0; i < count; ++i) {
    data.loci.push_back(names ? std::string(shape.top_words(0)[i])
                              : "locus " + std::to_string(i + 1));
  }
  // The population is the first column after the identifier when the user
  // says POPDATA=1, or leaves it unsaid and a column stands there.
  const bool population = columns > 0 && layout.popdata != 0;
  const size_t first_allele = first + static_cast<size_t>(columns);
  data.half_missing.assign(count, HalfMissing{});
  data.individuals.reserve(shape.rows.size() / per_locus);
  for (size_t r = 0; r < shape.rows.size(); r += paired ? 2 : 1) {
    const std::vector<std::string_view> row = shape.words(r);
    const std::vector<std::string_view> second = paired ? shape.words(r + 1) : row;
    const int line = shape.rows[r] + 1;
    const std::string id =
        label ? std::string(row[0]) : std::to_string(data.individuals.size() + 1);
    const int sample = sample_named(data, population ? std::string(row[first]) : "sample 1");
    Individual individual{id, sample, line, std::vector<AlleleCodes>(count)};
    for (size_t i = 0; i < count; ++i) {
      LabelPair pair;
      int missing = 0;
      for (int slot = 0; slot < 2; ++slot) {
        const std::string_view code = paired
                                          ? (slot == 0 ? row : second)[first_allele + i]
                                          : row[first_allele + 2 * i + static_cast<size_t>(slot)];
        long value = 0;
        const bool number = parse_integer(code, value);
        if (!number || (value < 0 && value != layout.missing)) {
          return failure_at(line,
                            "line " + std::to_string(line + (slot && paired ? 1 : 0)) +
                                ": allele " + printable(std::string(code)) + " at " +
                                locus_phrase(printable(data.loci[i])) + " of individual \"" +
                                printable(id) + "\" is " +
                                (number ? "negative" : "not a whole number") + " (" +
                                std::to_string(layout.missing) + " is missing)",
                            data.loci[i], id);
        }
        missing += value == layout.missing;
        pair.allele[slot] = std::string(code);
      }
      if (missing == 1) count_half_missing(data.half_missing[i], id, line);
      const Status coded = set_genotype(data, individual, i, missing ? LabelPair{} : pair, line);
      if (!coded.ok) return coded;
    }
    data.individuals.push_back(std::move(individual));
  }

  // How the file was read, so that a user can see a column taken amiss.
  std::string read = std::string("STRUCTURE file read with ") + (paired ? "two rows" : "one row") +
                     " per individual";
  if (!label) read += ", no identifiers (individuals numbered)";
  if (columns > 0) {
    read += ", " + column_range(first, static_cast<size_t>(columns)) + " not loci";
    if (inferred) {
      std::string roles;
      for (size_t c = 0; c < static_cast<size_t>(columns) && c < MOST_INFERRED; ++c)
        roles += std::string(c ? ", " : "") + COLUMN_ROLES[c];
      read += " (read as " + roles + ")";
    }
    if (population) read += ", the population in column " + std::to_string(first + 1);
  } else {
    read += ", no population column";
  }
  read +=
      ", " + count_of(count, "locus", "loci") + " from column " + std::to_string(first_allele + 1);
  if (shape.top.size() > (names ? 1u : 0u)) {
    read += "; " + count_of(shape.top.size() - (names ? 1 : 0), "row", "rows") +
            " of recessive alleles or map distances left unused";
  }
  if (inferred) {
    read +=
        "; inferred from the file: if a column is taken amiss, give the file's layout as "
        "STRUCTURE's parameters name it (POPDATA=1, POPFLAG=1, ...)";
  }
  data.notes.push_back(read);
  // A locus of one allele typed in everyone is most likely a column that
  // is not a locus (a flag, a location) read as one.
  for (size_t i = 0; i < count; ++i) {
    bool everyone = true;
    for (const Individual& individual : data.individuals)
      everyone = everyone && individual.genotype[i].allele[0] != MISSING_CODE;
    if (everyone && data.labels[i].size() == 1 && data.individuals.size() >= 2) {
      data.notes.push_back(Note("warning: " + locus_phrase(printable(data.loci[i])) + " (column " +
                                    std::to_string(first_allele + 1 + i * per_locus) +
                                    ") has one allele, " + data.labels[i][0] +
                                    ", in every individual: most likely a column that is not a "
                                    "locus; give the file's layout as STRUCTURE's parameters "
                                    "name it (POPDATA=1, POPFLAG=1, ...)",
                                Kind::WARNING));
    }
  }
  return success();
}

}  // namespace mpdetect
