#include "page_words.h"

#include <cctype>

namespace {

// Whole phrases that say what to type, first: they become what to do.
struct Phrase {
  const char* command_line;
  const char* page;
};
const Phrase PHRASES[] = {
    {" (run it as it stands with --as-is)",
     " (tick \"Run totals that look like percentages or counts as they stand\" to run it "
     "anyway)"},
    {"; leave it out with --loci", "; untick it under Loci"},
    {" samples pooled (choose one with --pop)", " samples pooled (choose one under Sample)"},
    {" (set them with --sires or --shares)", " (set them in each design)"},
    {" (fewer --sires, --shares or --mother variants)", " (fewer designs)"},
    {" (--mother drawn writes her as drawn)", " (choose the mother drawn to write her so)"},
    {"; --mother takes only drawn (or untyped) and unsampled with it",
     "; its mother can only be drawn or not sampled"},
    {": --pop and --pool-rare apply to population files",
     ": the sample and the pooling of rare alleles apply to population files"},
    {" (--sires 2 or more, or two shares above 0)", " (2 sires or more, or two shares above 0)"},
    {", or choose a panel of K of them with --choose K", ""},
    {" with --loci", " under Loci"},
};

// Every other option by the field that sets it.
struct Field {
  const char* option;
  const char* field;
};
const Field FIELDS[] = {
    {"loci", "Loci"},
    {"pop", "Sample"},
    {"pool-rare", "\"Pool the rarest alleles\""},
    {"sires", "Sires"},
    {"shares", "Shares"},
    {"mother", "Mother"},
    {"min-loci", "Loci that must each reveal"},
    {"dropout", "Allelic dropout rate"},
    {"false-allele", "False allele rate"},
    {"as-is", "\"Run totals as they stand\""},
    {"from", "Brood sizes from"},
    {"to", "Brood sizes to"},
    {"step", "Brood sizes in steps of"},
    {"target", "Target probability"},
    {"seed", "Seed"},
    {"format", "Format"},
};

}  // namespace

std::string page_words(const std::string& message) {
  std::string text = message;
  for (const Phrase& phrase : PHRASES) {
    const std::string from = phrase.command_line;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
      text.replace(at, from.size(), phrase.page);
      at += std::string(phrase.page).size();
    }
  }
  // An option begins a word and is followed by a lower-case letter; a
  // "--" within a name from the user's files stays as it is.
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const bool starts_word = at == 0 || text[at - 1] == ' ' || text[at - 1] == '(';
    if (!starts_word || text.compare(at, 2, "--") != 0 || at + 2 >= text.size() ||
        !std::islower(static_cast<unsigned char>(text[at + 2]))) {
      out += text[at++];
      continue;
    }
    size_t end = at + 2;
    while (end < text.size() &&
           (std::islower(static_cast<unsigned char>(text[end])) || text[end] == '-'))
      ++end;
    const std::string option = text.substr(at + 2, end - at - 2);
    std::string field = option;
    for (const Field& known : FIELDS) {
      if (option == known.option) field = known.field;
    }
    out += field;
    at = end;
  }
  return out;
}
