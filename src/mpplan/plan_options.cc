#include "mpplan/plan_options.h"

#include <algorithm>

#include "plan/input/plan_text.h"
#include "plan/model/study_writer.h"

namespace mpdetect {

namespace {

const char* const COMMANDS[] = {"study", "panel", "curve", "loci", "broods"};

// Which subcommands take an option: s(tudy), p(anel), c(urve), l(oci),
// b(roods).
struct OptionRule {
  const char* name;
  bool takes_value;
  const char* commands;
  const char* help;
};

const OptionRule OPTIONS[] = {
    {"--format", true, "spclb",
     "FORMAT  read the input as study, genepop, genalex, structure, fstat, genetix, vcf, plink, "
     "counts or frequencies "
     "(default: "
     "from its content); panel also takes csv or table for its output"},
    {"--structure", true, "spclb",
     "SETTINGS  a STRUCTURE file's rows and columns as its parameters name them "
     "(POPDATA=1,POPFLAG=1,ONEROWPERIND=0,...; default: inferred from the file)"},
    {"--groups", true, "spclb",
     "FILE  the samples (broods: of the brood file) as a CSV of individual,group; individuals "
     "it does not list are left out (a VCF names none)"},
    {"--pop", true, "spclb",
     "SAMPLE  one sample: its position, its name or an individual's id (broods: of the "
     "--population file)"},
    {"--loci", true, "spclb", "A,B,...  only these loci, in this order"},
    {"--pool-rare", false, "spclb", "  pool a locus's rarest alleles into one to fit a study"},
    {"--sires", true, "sclb", "N  N sires with equal shares"},
    {"--shares", true, "sclb",
     "A,B,...  the sires' shares (curve, broods: repeat for more designs; broods by the "
     "likelihood: also observed, the shares its families show)"},
    {"--mother", true, "scl",
     "WHO  drawn (from the population, genotyped with the brood; also untyped), unsampled "
     "(never genotyped: judged from the offspring alone), an individual's id, or labels locus "
     "by locus (135/143,136/146,...)"},
    {"--min-loci", true, "clb",
     "K  several fathers revealed only where K loci each reveal them (default 1)"},
    {"--dropout", true, "cb",
     "D  the chance that a heterozygous genotype is read as a homozygote (default 0)"},
    {"--false-allele", true, "cb",
     "E  the chance that an allele call is read as another allele of the locus (default 0)"},
    {"--verdict", true, "clb",
     "RULE  alleles (several fathers where a locus shows more paternal alleles than one "
     "father has; the default, but for broods read with --dropout or --false-allele) or likelihood "
     "(two fathers against one, calibrated to --false-detection; loci: chooses the most "
     "informative loci); curve: repeat to compare both"},
    {"--false-detection", true, "clb",
     "A  the share of single-sire broods the likelihood verdict may call several, and with "
     "errors the most a size reaching the target may show (default 0.01)"},
    {"--error-allowance", true, "clb",
     "E  the likelihood verdict reads each allele call as false at this rate where the design "
     "has no errors (default 0.01; 0: none)"},
    {"--as-is", false, "spclb", "  run totals that look like percentages or counts unchanged"},
    {"--output", true, "spclb", "FILE  write the result to FILE (also -o)"},
    {"--legend", true, "s", "FILE  write the allele legend to FILE"},
    {"--from", true, "c", "N  first brood size (default 1)"},
    {"--to", true, "c", "N  last brood size (default 100)"},
    {"--step", true, "c", "N  step between brood sizes (default 1)"},
    {"--target", true, "c", "P  probability to reach, above 0 and at most 1 (default 0.95)"},
    {"--trials", true, "c",
     "N  trials per estimate (default 50000, as the dialogue's; others need not match it; "
     "likelihood: broods of each set, default 16/A, at least 1000)"},
    {"--max-trials", true, "c",
     "N  trials an estimate whose interval holds the target may go on to (default 1000000; "
     "50000: none)"},
    {"--size", true, "clb", "curve, broods: WxH image size (default 800x600); loci: N brood size"},
    {"--plot-size", true, "l", "WxH  image size (default 800x600)"},
    {"--choose", true, "l", "K  choose a panel of K loci from any number of candidates, forward"},
    {"--screen", true, "l",
     "W  with --choose, each step tries the W loci best alone (default 20; 0: every one)"},
    {"--seed", true, "clb", "N  seed the generator with N instead of the clock"},
    {"--plot", true, "clb", "FILE  draw the figure, PNG, SVG or PDF by the extension"},
    {"--title", true, "clb", "TEXT  the figure's title"},
    {"--mothers", true, "b",
     "WHO  first (each brood's first individual; the default, unless a PLINK pedigree names "
     "mothers), maternal (as the pedigree names them), identifiers A,B,..., or a "
     "regular expression the mothers' identifiers match"},
    {"--population", true, "b",
     "FILE  allele frequencies from this population sample (default: from the mothers alone)"},
    {"--families", true, "b",
     "FILE  with --verdict likelihood, write each offspring's father by its brood's best split "
     "(brood,offspring,father,support)"},
    {"--fathers", true, "b",
     "FILE  with --verdict likelihood, write each brood's fathers: their offspring, share and "
     "genotype at each locus where the offspring make it likely (brood,father,offspring,share,"
     "...)"},
    {"--mismatches", true, "b",
     "FILE  list the offspring that carry neither allele of their mother"},
    {"--summary", true, "b", "FILE  write the corrected share of each design as CSV"},
};

const OptionRule* find_option(const std::string& name) {
  for (const OptionRule& rule : OPTIONS) {
    if (name == rule.name) return &rule;
  }
  return nullptr;
}

char command_letter(const std::string& command) {
  return command == "study"   ? 's'
         : command == "panel" ? 'p'
         : command == "curve" ? 'c'
         : command == "loci"  ? 'l'
                              : 'b';
}

// Digits only, at most 18, within [low, high]: checked as text before it
// becomes a number, so nothing wraps into range.
bool whole_number(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  value = std::stoll(text);
  return value >= low && value <= high;
}

bool image_size(const std::string& text, PlanOptions& options) {
  const size_t x = text.find('x');
  long long width = 0, height = 0;
  if (x == std::string::npos || !whole_number(text.substr(0, x), 100, 10000, width) ||
      !whole_number(text.substr(x + 1), 100, 10000, height)) {
    return false;
  }
  options.width = static_cast<int>(width);
  options.height = static_cast<int>(height);
  return true;
}

// Each option that sets a value of a request, by the place it has in the
// core's refusals.
struct ValueOption {
  const char* name;
  Input input;
};
const ValueOption VALUES[] = {
    {"--pop", Input::POP},
    {"--loci", Input::LOCI},
    {"--mother", Input::MOTHER},
    {"--mothers", Input::MOTHERS},
    {"--population", Input::POPULATION},
    {"--min-loci", Input::MIN_LOCI},
    {"--sires", Input::SIRES},
    {"--shares", Input::SHARES},
    {"--from", Input::FROM},
    {"--to", Input::TO},
    {"--step", Input::STEP},
    {"--target", Input::TARGET},
    {"--dropout", Input::DROPOUT},
    {"--false-allele", Input::FALSE_ALLELE},
    {"--trials", Input::TRIALS},
    {"--max-trials", Input::MAX_TRIALS},
    {"--choose", Input::CHOOSE},
    {"--screen", Input::SCREEN},
    {"--seed", Input::SEED},
    {"--verdict", Input::VERDICT},
    {"--false-detection", Input::FALSE_DETECTION},
    {"--error-allowance", Input::ERROR_ALLOWANCE},
};

Input input_of(const std::string& name, const std::string& command) {
  if (name == "--size" && command == "loci") return Input::BROOD_SIZE;
  for (const ValueOption& option : VALUES) {
    if (name == option.name) return option.input;
  }
  return Input::NONE;
}

bool take_value(const std::string& name, const std::string& value, PlanOptions& options,
                Status& error) {
  auto refuse = [&](const std::string& what) {
    error = failure_of(Kind::OPTION, name + " takes " + what + ", not " + value);
    return false;
  };
  const Input input = input_of(name, options.command);
  double given = 0;
  // The values that are numbers (the others are names, lists or patterns).
  const bool counted = input == Input::MIN_LOCI ||
                       (input >= Input::SIRES && input != Input::SHARES && input != Input::SEED);
  if (counted && !value_from_text(input, value, given)) {
    error = value_refused(input, value);
    return false;
  }
  if (name == "--format") {
    if (value == "csv")
      options.layout = PlanOptions::CSV;
    else if (value == "table")
      options.layout = PlanOptions::TABLE;
    else if (format_named(value, options.input.format))
      options.input.format_given = true;
    else
      return refuse(
          "study, genepop, genalex, structure, fstat, genetix, vcf, plink, counts or frequencies "
          "(panel: "
          "also csv or table)");
  } else if (name == "--structure") {
    const Status read = parse_structure_layout(value, options.input.structure);
    if (!read.ok) {
      error = failure_of(Kind::OPTION, name + ": " + read.message);
      return false;
    }
  } else if (name == "--pop") {
    options.input.pop = value;
  } else if (name == "--loci") {
    options.input.loci = value;
  } else if (name == "--sires") {
    options.input.shares.push_back(equal_shares(static_cast<int>(given)));
  } else if (name == "--shares") {
    // Checked with the request, by the core's rule for shares.
    options.input.shares.push_back(share_words(value));
  } else if (name == "--mother") {
    options.input.mothers.push_back(value);
  } else if (name == "--output") {
    options.output = value;
  } else if (name == "--legend") {
    options.legend = value;
  } else if (name == "--from" || name == "--to") {
    (name == "--from" ? options.range.from : options.range.to) = static_cast<int>(given);
  } else if (name == "--step") {
    options.range.step = static_cast<int>(given);
  } else if (name == "--target") {
    options.target = given;
  } else if (name == "--min-loci") {
    options.input.min_loci = static_cast<int>(given);
  } else if (name == "--dropout" || name == "--false-allele") {
    (name == "--dropout" ? options.input.errors.dropout : options.input.errors.false_allele) =
        given;
  } else if (name == "--verdict") {
    Verdict verdict = Verdict::ALLELES;
    if (!verdict_named(value, verdict)) return refuse("alleles or likelihood");
    if (options.verdicts.empty()) options.input.verdict = verdict;
    options.input.verdict_given = true;
    if (std::find(options.verdicts.begin(), options.verdicts.end(), verdict) ==
        options.verdicts.end())
      options.verdicts.push_back(verdict);
  } else if (name == "--false-detection") {
    options.input.false_detection = given;
  } else if (name == "--error-allowance") {
    options.input.error_allowance = given;
  } else if (name == "--trials") {
    options.trials = static_cast<int64_t>(given);
  } else if (name == "--max-trials") {
    options.max_trials = static_cast<int64_t>(given);
  } else if (name == "--choose") {
    options.choose = static_cast<int>(given);
  } else if (name == "--screen") {
    options.screen = static_cast<int>(given);
  } else if (name == "--size" && options.command == "loci") {
    options.brood_size = static_cast<int>(given);
  } else if (name == "--size" || name == "--plot-size") {
    if (!image_size(value, options))
      return refuse("WIDTHxHEIGHT in pixels, each from 100 to 10000");
  } else if (name == "--seed") {
    if (!value_from_text(Input::SEED, value, given)) {
      error = value_refused(Input::SEED, value);
      return false;
    }
    options.seeded = true;
    options.seed = static_cast<uint32_t>(given);
  } else if (name == "--plot") {
    options.plot = value;
  } else if (name == "--title") {
    options.title = value;
  } else if (name == "--mothers") {
    options.mothers = value;
  } else if (name == "--groups") {
    options.input.groups_name = value;
  } else if (name == "--population") {
    options.population = value;
  } else if (name == "--families") {
    options.families = value;
  } else if (name == "--fathers") {
    options.fathers = value;
  } else if (name == "--mismatches") {
    options.mismatches = value;
  } else if (name == "--summary") {
    options.summary = value;
  }
  return true;
}

}  // namespace

const char* plan_version() {
  return "mpplan 1.0\n";
}

std::string option_tables() {
  std::string text =
      "# Options of mpplan\n\n"
      "Generated from the planner's own table of options (the one `--help` prints);\n"
      "`scripts/option-tables.sh` writes it again, and a test fails when it is not\n"
      "current.\n\n"
      "| option | value | study | panel | curve | loci | broods | what it does |\n"
      "| --- | --- | --- | --- | --- | --- | --- | --- |\n";
  for (const OptionRule& rule : OPTIONS) {
    const std::string help = rule.help;
    const size_t gap = help.find("  ");
    const std::string value = gap == std::string::npos ? "" : help.substr(0, gap);
    std::string meaning = gap == std::string::npos ? help : help.substr(gap + 2);
    for (size_t at = meaning.find('|'); at != std::string::npos; at = meaning.find('|', at + 2))
      meaning.replace(at, 1, "\\|");
    text +=
        "| `" + std::string(rule.name) + "` | " + (value.empty() ? "" : "`" + value + "`") + " |";
    for (const char* command : COMMANDS) {
      const bool takes =
          std::string(rule.commands).find(command_letter(command)) != std::string::npos;
      text += takes ? " yes |" : " |";
    }
    text += " " + meaning + " |\n";
  }
  return text +
         "| `--help` | | yes | yes | yes | yes | yes | show the command's usage and options |\n";
}

std::string plan_usage(const std::string& command) {
  if (command.empty()) {
    return "Usage: mpplan COMMAND [options] [FILE ...]\n"
           "Plans a study of multiple paternity from a population sample or a study file.\n"
           "  study INPUT     write a study file (and its allele legend) from a Genepop or\n"
           "                  GenAlEx file or a frequency table\n"
           "  panel INPUT     the panel's standard statistics (heterozygosity, PIC, exclusion)\n"
           "  curve [STUDY..] probability of detection against brood size for one or more\n"
           "                  designs, with the smallest size reaching a target\n"
           "  loci STUDY --size N   which loci matter at brood size N\n"
           "  broods BROODS   judge genotyped broods, and correct the share showing multiple\n"
           "                  paternity for what each brood could reveal\n"
           "Run mpplan COMMAND --help for a command's options; mpplan --version.\n";
  }
  const char letter = command_letter(command);
  std::string text;
  if (command == "study") {
    text =
        "Usage: mpplan study INPUT [options]\n"
        "Writes the study file the dialogue reads (standard output or --output) from a\n"
        "population file, and its allele legend (index and label, locus by locus) as CSV.\n";
  } else if (command == "panel") {
    text =
        "Usage: mpplan panel INPUT [options]\n"
        "The panel's standard statistics per locus and combined, as CSV (a table on a\n"
        "terminal). Exclusion probabilities say whether a given male can be ruled out as\n"
        "a father; the probability of detecting multiple paternity is curve's.\n";
  } else if (command == "curve") {
    text =
        "Usage: mpplan curve [STUDY ...] [options]\n"
        "Estimates the probability of detecting multiple paternity for a range of brood\n"
        "sizes, for each study file (default mmdata.txt) or population file and each\n"
        "variant of the options, from one seed. The table goes to standard output.\n";
  } else if (command == "broods") {
    text =
        "Usage: mpplan broods BROODS [options]\n"
        "Judges each brood (one sample per brood, its mother and her offspring) as the\n"
        "simulation judges, estimates the probability that the design could reveal\n"
        "multiple paternity in it, and estimates the share of broods with more than one\n"
        "sire from both. One row per brood to standard output; the share to standard\n"
        "error. --format applies to BROODS; the --population file's is read from it.\n";
  } else {
    text =
        "Usage: mpplan loci STUDY --size N [options]\n"
        "The estimate at brood size N with each locus alone, without each locus, and\n"
        "adding loci one at a time, the best first; every candidate from one seed.\n";
  }
  text += "Options:\n";
  for (const OptionRule& rule : OPTIONS) {
    if (std::string(rule.commands).find(letter) == std::string::npos) continue;
    text += "  " + std::string(rule.name) + " " + rule.help + "\n";
  }
  return text + "  --help  show this text\n";
}

namespace {

bool parse_words(int argc, const char* const* argv, PlanOptions& options, Status& error) {
  int a = 1;
  if (a < argc) {
    const std::string first = argv[a];
    for (const char* command : COMMANDS) {
      if (first == command) {
        options.command = first;
        ++a;
      }
    }
  }
  bool only_inputs = false;
  for (; a < argc; ++a) {
    std::string word = argv[a];
    if (only_inputs || word == "-" || word.empty() || word[0] != '-') {
      options.inputs.push_back(word);
      continue;
    }
    if (word == "--") {
      only_inputs = true;
      continue;
    }
    if (word == "--help" || word == "-h") {
      options.help = true;
      continue;
    }
    if (word == "--version") {
      options.version = true;
      continue;
    }
    if (word == "-o") word = "--output";
    const OptionRule* rule = find_option(word);
    if (rule == nullptr) {
      error = failure_of(Kind::OPTION, "unknown option " + word + " (see --help)");
      return false;
    }
    if (options.command.empty()) {
      error = failure_of(
          Kind::OPTION,
          word + " needs a command first: study, panel, curve, loci or broods (see --help)");
      return false;
    }
    if (std::string(rule->commands).find(command_letter(options.command)) == std::string::npos) {
      error = failure_of(Kind::OPTION, options.command + " does not take " + word +
                                           " (see mpplan " + options.command + " --help)");
      return false;
    }
    if (!rule->takes_value) {
      if (word == "--pool-rare") options.input.pool_rare = true;
      if (word == "--as-is") options.input.as_is = true;
      continue;
    }
    if (a + 1 >= argc) {
      error = failure_of(Kind::OPTION, word + " needs a value");
      return false;
    }
    const std::string value = argv[++a];
    if (value.empty()) {
      error = failure_of(Kind::OPTION, word + " needs a value");
      return false;
    }
    if (!take_value(word, value, options, error)) return false;
  }
  if (options.help || options.version) return true;
  if (options.command.empty()) {
    error = failure_of(Kind::OPTION,
                       options.inputs.empty()
                           ? "give a command: study, panel, curve, loci or broods (see --help)"
                           : "unknown command " + options.inputs[0] + " (see --help)");
    return false;
  }
  const bool one_input = options.command != "curve";
  if (one_input && options.inputs.size() != 1) {
    error = failure_of(Kind::OPTION, options.command + " takes one input file, not " +
                                         std::to_string(options.inputs.size()));
    return false;
  }
  if (options.command == "broods" && options.population == "-" && options.inputs[0] == "-") {
    error = failure_of(Kind::OPTION,
                       "the broods and --population cannot both come from standard input");
    return false;
  }
  if (options.command == "loci" && options.brood_size == 0) {
    error = failure_of(Kind::OPTION, "loci needs --size N, the brood size");
    return false;
  }
  return true;
}

}  // namespace

Status parse_plan_options(int argc, const char* const* argv, PlanOptions& options) {
  Status error;
  if (!parse_words(argc, argv, options, error)) return error;
  if (options.help || options.version) return success();
  for (const auto& [option, path] :
       {std::pair<const char*, const std::string&>{"--families", options.families},
        {"--fathers", options.fathers}}) {
    if (!path.empty() && broods_request_of(options).input.verdict != Verdict::LIKELIHOOD)
      return failure_of(Kind::OPTION, std::string(option) +
                                          " takes the fathers the likelihood verdict finds: "
                                          "add --verdict likelihood");
  }
  if (options.command == "loci" && options.verdicts.size() > 1)
    return failure_of(Kind::OPTION, "loci chooses by one verdict: give --verdict once");
  if (options.command == "loci" && !options.plot.empty() &&
      options.input.verdict == Verdict::LIKELIHOOD)
    return failure_of(Kind::OPTION,
                      "loci --verdict likelihood draws no figure: its table gives the verdict's "
                      "detection with the first 1, 2, 4, ... loci chosen");
  // The values by the core's rules, before any work.
  const std::string& command = options.command;
  const bool table = options.layout == PlanOptions::TABLE;
  return command == "study"   ? check_request(study_request_of(options))
         : command == "panel" ? check_request(panel_request_of(options, table))
         : command == "curve" ? check_request(curve_request_of(options))
         : command == "loci"  ? check_request(loci_request_of(options))
                              : check_request(broods_request_of(options));
}

StudyRequest study_request_of(const PlanOptions& options) {
  return StudyRequest{options.inputs.empty() ? "" : options.inputs[0], options.input};
}

PanelRequest panel_request_of(const PlanOptions& options, bool table) {
  return PanelRequest{options.inputs.empty() ? "" : options.inputs[0], options.input, table};
}

CurveRequest curve_request_of(const PlanOptions& options) {
  CurveRequest request;
  request.names = options.inputs;
  request.designs = {options.input};
  // Each verdict asked for judges every design.
  for (size_t n = 1; n < options.verdicts.size(); ++n) {
    request.designs.push_back(options.input);
    request.designs.back().verdict = options.verdicts[n];
  }
  request.range = options.range;
  request.target = options.target;
  request.max_trials = options.max_trials;
  request.trials = options.trials;
  return request;
}

LociRequest loci_request_of(const PlanOptions& options) {
  return LociRequest{options.inputs.empty() ? "" : options.inputs[0], options.input,
                     options.brood_size, options.choose, options.screen};
}

BroodsRequest broods_request_of(const PlanOptions& options) {
  return broods_request(options.inputs.empty() ? "" : options.inputs[0], options.input,
                        options.mothers, options.population);
}

}  // namespace mpdetect
