// GENETIX (.gtx): the number of loci and the number of samples, a row each;
// per locus its name and a row of its allele count and alleles (3 digits
// each); then per sample its name, a row with its number of individuals,
// and a row per individual: the identifier (GENETIX keeps 10 characters,
// which may hold blanks) and a genotype of 6 digits per locus, 000 for a
// missing allele.
#include "plan/input/plan_text.h"
#include "plan/input/population.h"
#include "study/number_scanner.h"

namespace mpdetect {

namespace {

constexpr size_t ALLELE_DIGITS = 3;

std::string where(int line) {
  return "line " + std::to_string(line);
}

// The non-empty lines, by index, so that a row's neighbours are at hand.
std::vector<size_t> filled_lines(const std::vector<std::string_view>& lines) {
  std::vector<size_t> filled;
  for (size_t at = 0; at < lines.size(); ++at) {
    if (!word_views(lines[at]).empty()) filled.push_back(at);
  }
  return filled;
}

// A row of one whole number from 1.
bool count_row(std::string_view line, long& count) {
  const std::vector<std::string_view> words = word_views(line);
  return words.size() == 1 && parse_integer(words[0], count) && count >= 1;
}

// A locus's row of alleles: their count, then as many whole numbers.
bool allele_row(std::string_view line) {
  const std::vector<std::string_view> words = word_views(line);
  long count = 0, value = 0;
  if (words.empty() || !parse_integer(words[0], count) || count < 0 ||
      static_cast<size_t>(count) + 1 != words.size())
    return false;
  for (size_t w = 1; w < words.size(); ++w) {
    if (!parse_integer(words[w], value)) return false;
  }
  return true;
}

}  // namespace

bool looks_like_genetix(const std::vector<std::string_view>& lines) {
  const std::vector<size_t> rows = filled_lines(lines);
  long loci = 0, samples = 0;
  if (rows.size() < 6 || !count_row(lines[rows[0]], loci) || !count_row(lines[rows[1]], samples))
    return false;
  long value = 0;
  return !parse_integer(trim(std::string(lines[rows[2]])), value) && allele_row(lines[rows[3]]);
}

Status read_genetix(const std::string& text, PopulationData& data) {
  data = PopulationData{};
  data.format = "GENETIX";
  const std::vector<std::string_view> lines = line_views(text);
  const std::vector<size_t> rows = filled_lines(lines);
  long loci = 0, samples = 0;
  if (rows.size() < 2 || !count_row(lines[rows[0]], loci) || !count_row(lines[rows[1]], samples)) {
    return failure(
        "a GENETIX file begins with the number of loci and the number of samples, a row each");
  }
  size_t next = 2;  // the next row of `rows` to read
  const auto line_of = [&](size_t row) { return static_cast<int>(rows[row]) + 1; };
  for (long i = 0; i < loci; ++i) {
    if (next + 1 >= rows.size()) {
      return failure("the file says " + std::to_string(loci) + " loci, but names " +
                     std::to_string(i));
    }
    data.loci.push_back(trim(std::string(lines[rows[next]])));
    if (!allele_row(lines[rows[next + 1]])) {
      return failure_at(line_of(next + 1),
                        where(line_of(next + 1)) + ": after the name of locus " +
                            printable(data.loci.back()) +
                            " comes its number of alleles and the alleles, whole numbers",
                        data.loci.back());
    }
    next += 2;
  }
  const size_t width = data.loci.size();
  data.half_missing.assign(width, HalfMissing{});
  for (long s = 0; s < samples; ++s) {
    if (next + 1 >= rows.size()) {
      return failure("the file says " + std::to_string(samples) + " samples, but has " +
                     std::to_string(s));
    }
    const std::string name = trim(std::string(lines[rows[next]]));
    long count = 0;
    if (!count_row(lines[rows[next + 1]], count)) {
      return failure_at(line_of(next + 1), where(line_of(next + 1)) +
                                               ": after the name of sample \"" + printable(name) +
                                               "\" comes its number of individuals");
    }
    const int sample = sample_named(data, name);
    next += 2;
    for (long n = 0; n < count; ++n, ++next) {
      if (next >= rows.size()) {
        return failure("sample \"" + printable(name) + "\" has " + std::to_string(n) +
                       " individuals, where the file says " + std::to_string(count));
      }
      const int line = line_of(next);
      const std::vector<std::string_view> words = word_views(lines[rows[next]]);
      if (words.size() < width + 1) {
        return failure_at(line, where(line) + ": an individual of sample \"" + printable(name) +
                                    "\" has " + std::to_string(words.size()) +
                                    " columns; the file has " + std::to_string(width) +
                                    " loci (the identifier, then a genotype per locus)");
      }
      // An identifier with blanks spans the words before the genotypes.
      const size_t genotypes = words.size() - width;
      const std::string_view row = lines[rows[next]];
      const size_t end = static_cast<size_t>(words[genotypes - 1].data() - row.data()) +
                         words[genotypes - 1].size();
      const std::string id = trim(std::string(row.substr(0, end)));
      Individual individual{id, sample, line, std::vector<AlleleCodes>(width)};
      for (size_t i = 0; i < width; ++i) {
        const std::string_view code = words[genotypes + i];
        LabelPair pair;
        int missing = 0;
        if (code.size() != 2 * ALLELE_DIGITS || !split_digits(code, ALLELE_DIGITS, pair, missing)) {
          return failure_at(line,
                            where(line) + ": genotype \"" + printable(std::string(code)) +
                                "\" at locus " + printable(data.loci[i]) + " of individual \"" +
                                printable(id) + "\" is not 6 digits",
                            data.loci[i], id);
        }
        if (missing == 1) count_half_missing(data.half_missing[i], id, line);
        const Status coded = set_genotype(data, individual, i, pair, line);
        if (!coded.ok) return coded;
      }
      data.individuals.push_back(std::move(individual));
    }
  }
  if (next < rows.size()) {
    const int line = line_of(next);
    return failure_at(line, where(line) + ": the file goes on after the " +
                                std::to_string(samples) + " samples it says it has");
  }
  if (data.individuals.empty()) return failure("the file has no individuals");
  return success();
}

}  // namespace mpdetect
