#include "plan/command/request_fields.h"

#include "plan/input/plan_text.h"
#include "plan/model/study_writer.h"

namespace mpdetect {

namespace {

// The values that are numbers, by the place each has in a refusal.
struct NumberField {
  const char* name;
  Input input;
};
const NumberField NUMBERS[] = {
    {"min_loci", Input::MIN_LOCI},
    {"from", Input::FROM},
    {"to", Input::TO},
    {"step", Input::STEP},
    {"target", Input::TARGET},
    {"trials", Input::TRIALS},
    {"max_trials", Input::MAX_TRIALS},
    {"dropout", Input::DROPOUT},
    {"false_allele", Input::FALSE_ALLELE},
    {"size", Input::BROOD_SIZE},
    {"choose", Input::CHOOSE},
    {"screen", Input::SCREEN},
    {"false_detection", Input::FALSE_DETECTION},
    {"error_allowance", Input::ERROR_ALLOWANCE},
    {"seed", Input::SEED},
};

Status read_number(Input input, const std::string& text, double& value) {
  return value_from_text(input, text, value) ? success() : value_refused(input, text);
}

// Puts a number read for `input` where the run holds it.
void put_number(Input input, double value, InputOptions& options, FieldRun& run) {
  switch (input) {
    case Input::MIN_LOCI:
      options.min_loci = static_cast<int>(value);
      break;
    case Input::FROM:
      run.curve.range.from = static_cast<int>(value);
      break;
    case Input::TO:
      run.curve.range.to = static_cast<int>(value);
      break;
    case Input::STEP:
      run.curve.range.step = static_cast<int>(value);
      break;
    case Input::TARGET:
      run.curve.target = value;
      break;
    case Input::TRIALS:
      run.curve.trials = static_cast<int64_t>(value);
      break;
    case Input::MAX_TRIALS:
      run.curve.max_trials = static_cast<int64_t>(value);
      break;
    case Input::DROPOUT:
      options.errors.dropout = value;
      break;
    case Input::FALSE_ALLELE:
      options.errors.false_allele = value;
      break;
    case Input::BROOD_SIZE:
      run.brood_size = static_cast<int>(value);
      break;
    case Input::CHOOSE:
      run.choose = static_cast<int>(value);
      break;
    case Input::SCREEN:
      run.screen = static_cast<int>(value);
      break;
    case Input::FALSE_DETECTION:
      options.false_detection = value;
      break;
    case Input::ERROR_ALLOWANCE:
      options.error_allowance = value;
      break;
    default:
      run.seeded = true;
      run.seed = static_cast<uint32_t>(value);
      break;
  }
}

// One value that every design shares.
Status take_shared(const std::string& name, const std::string& value, InputOptions& options,
                   FieldRun& run) {
  for (const NumberField& number : NUMBERS) {
    if (name != number.name) continue;
    double read = 0;
    const Status status = read_number(number.input, value, read);
    if (status.ok) put_number(number.input, read, options, run);
    return status;
  }
  if (name == "format") {
    if (!format_named(value, options.format))
      return failure_of(Kind::OPTION, "no input format is named " + value);
    options.format_given = true;
  } else if (name == "structure") {
    const Status read = parse_structure_layout(value, options.structure);
    if (!read.ok) return named("the STRUCTURE layout", read);
  } else if (name == "pop") {
    options.pop = value;
  } else if (name == "loci") {
    options.loci = value;
  } else if (name == "verdict") {
    options.verdict_given = true;
    if (!verdict_named(value, options.verdict))
      return failure_about(Input::VERDICT, "takes alleles or likelihood, not " + value,
                           Kind::OPTION);
  } else if (name == "pool_rare") {
    options.pool_rare = value == "1";
  } else if (name == "as_is") {
    options.as_is = value == "1";
  } else if (name == "mothers") {
    run.mothers = value;
  } else if (name == "population") {
    run.population = value;
  } else {
    return failure("no value of a request is named " + name);
  }
  return success();
}

// One of a design's own values.
Status take_own(const std::string& name, const std::string& value, InputOptions& options) {
  if (name == "sires") {
    double sires = 0;
    const Status read = read_number(Input::SIRES, value, sires);
    if (!read.ok) return read;
    options.shares.push_back(equal_shares(static_cast<int>(sires)));
  } else if (name == "shares") {
    options.shares.push_back(share_words(value));
  } else if (name == "mother") {
    options.mothers.push_back(value);
  } else {
    return failure("no value of a design is named " + name);
  }
  return success();
}

std::string first_name(const FieldRun& run) {
  return run.curve.names.empty() ? std::string("input") : run.curve.names.front();
}

}  // namespace

Status run_of_fields(const RequestFields& fields, FieldRun& run) {
  run = FieldRun{};
  run.command = fields.command;
  if (fields.designs.empty()) return failure("no design");
  InputOptions shared;
  for (const auto& [name, value] : fields.shared) {
    const Status taken = take_shared(name, value, shared, run);
    if (!taken.ok) return taken;
  }
  run.curve.names = fields.names;
  run.curve.designs.clear();
  for (const NamedValues& own : fields.designs) {
    InputOptions options = shared;
    for (const auto& [name, value] : own) {
      const Status taken = take_own(name, value, options);
      if (!taken.ok) return taken;
    }
    run.curve.designs.push_back(options);
  }
  if (run.command == "study") return check_request(study_request(run));
  if (run.command == "panel") return check_request(panel_request(run, false));
  if (run.command == "curve") return check_request(run.curve);
  if (run.command == "loci") return check_request(loci_request(run));
  if (run.command == "broods") return check_request(broods_request(run));
  return failure("no command is named " + run.command);
}

StudyRequest study_request(const FieldRun& run) {
  return StudyRequest{first_name(run), run.curve.designs.front()};
}

PanelRequest panel_request(const FieldRun& run, bool table) {
  return PanelRequest{first_name(run), run.curve.designs.front(), table};
}

LociRequest loci_request(const FieldRun& run) {
  return LociRequest{first_name(run), run.curve.designs.front(), run.brood_size, run.choose,
                     run.screen};
}

BroodsRequest broods_request(const FieldRun& run) {
  return broods_request(first_name(run), run.curve.designs.front(), run.mothers, run.population);
}

}  // namespace mpdetect
