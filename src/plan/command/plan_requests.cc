#include "plan/command/plan_requests.h"

#include <cmath>
#include <cstdint>

#include "plan/input/plan_text.h"
#include "plan/model/study_writer.h"
#include "plan/model/wide_study.h"
#include "simulation/genotyping_error.h"
#include "study/study_reader.h"

namespace mpdetect {

namespace {

// The values a request holds and the range each keeps.
struct ValueRule {
  Input input;
  double low;
  double high;
  bool whole;
  const char* words;  // what it takes, before the range
};

// A bound or a value as the user would type it: whole numbers in full.
std::string limit(double value) {
  return value == std::floor(value) && std::fabs(value) < 1e18
             ? std::to_string(static_cast<long long>(value))
             : short_number(value);
}

// The one table of ranges; SHARES are checked word by word below.
const ValueRule RULES[] = {
    {Input::SIRES, 1, PLAN_MAX_SIRES, true, "a number of sires"},
    {Input::FROM, 1, PLAN_MAX_OFFSPRING, true, "a brood size"},
    {Input::TO, 1, PLAN_MAX_OFFSPRING, true, "a brood size"},
    {Input::STEP, 1, PLAN_MAX_OFFSPRING, true, "a whole number"},
    {Input::MIN_LOCI, 1, MAX_LOCI, true, "a number of loci"},
    {Input::DROPOUT, 0, MAX_ERROR_RATE, false, "a rate"},
    {Input::FALSE_ALLELE, 0, MAX_ERROR_RATE, false, "a rate"},
    {Input::TRIALS, MIN_TRIALS, MOST_TRIALS, true, "a number of trials"},
    {Input::MAX_TRIALS, TRIAL_COUNT, MOST_TRIALS, true, "a number of trials"},
    {Input::BROOD_SIZE, 1, PLAN_MAX_OFFSPRING, true, "a brood size"},
    {Input::CHOOSE, 1, PLAN_MAX_LOCI, true, "a number of loci"},
    {Input::SCREEN, 0, 100000, true, "a number of candidates"},
    {Input::FALSE_DETECTION, 0.0001, 0.5, false, "a rate"},
    {Input::ERROR_ALLOWANCE, 0, MAX_ERROR_RATE, false, "a rate"},
    {Input::SEED, 0, UINT32_MAX, true, "a whole number"},
};

const ValueRule* rule_of(Input input) {
  for (const ValueRule& rule : RULES) {
    if (rule.input == input) return &rule;
  }
  return nullptr;
}

Status check_value(Input input, double value) {
  return value_fits(input, value) ? success() : value_refused(input, limit(value));
}

// Each list of shares: decimals, zero or more, 1 to PLAN_MAX_SIRES of them.
Status check_shares(const std::vector<std::string>& shares) {
  std::string typed;
  for (const std::string& share : shares) typed += (typed.empty() ? "" : ",") + share;
  for (const std::string& share : shares) {
    double value = 0;
    if (!share_value(share, value)) return value_refused(Input::SHARES, typed);
  }
  if (shares.empty() || shares.size() > static_cast<size_t>(PLAN_MAX_SIRES)) {
    return failure_about(Input::SHARES,
                         "takes 1 to " + std::to_string(PLAN_MAX_SIRES) + " shares, not " + typed,
                         Kind::OPTION);
  }
  return success();
}

// The options of one design; a command that estimates one design takes one
// variant of the sires (unless `several_shares`) and one mother (unless
// `several_mothers`).
Status check_input(const InputOptions& input, const char* command, bool several_shares,
                   bool several_mothers) {
  if ((!several_shares && input.shares.size() > 1) ||
      (!several_mothers && input.mothers.size() > 1)) {
    return failure_of(Kind::OPTION, std::string(command) +
                                        " takes one variant of the sires and one mother; curve "
                                        "compares several");
  }
  for (const std::vector<std::string>& shares : input.shares) {
    const Status read = check_shares(shares);
    if (!read.ok) return read;
  }
  for (const auto& [what, value] : {std::pair{Input::MIN_LOCI, double(input.min_loci)},
                                    {Input::DROPOUT, input.errors.dropout},
                                    {Input::FALSE_ALLELE, input.errors.false_allele},
                                    {Input::FALSE_DETECTION, input.false_detection},
                                    {Input::ERROR_ALLOWANCE, input.error_allowance}}) {
    const Status fits = check_value(what, value);
    if (!fits.ok) return fits;
  }
  if (input.verdict == Verdict::LIKELIHOOD && input.min_loci > 1) {
    return failure_about(Input::MIN_LOCI,
                         "belongs to the allele rule; the likelihood verdict weighs every locus "
                         "together",
                         Kind::OPTION);
  }
  return success();
}

}  // namespace

std::string what_input_takes(Input input) {
  if (input == Input::SHARES)
    return "shares as decimals, zero or more, separated by commas, semicolons or blanks";
  if (input == Input::TARGET) return "a probability above 0 and at most 1";
  const ValueRule* rule = rule_of(input);
  if (rule == nullptr) return "a value";
  if (input == Input::SCREEN)
    return std::string(rule->words) + " from 0 (every one) to " + limit(rule->high);
  return std::string(rule->words) + " from " + limit(rule->low) + " to " + limit(rule->high);
}

bool value_fits(Input input, double value) {
  if (input == Input::TARGET) return value > 0 && value <= 1;
  const ValueRule* rule = rule_of(input);
  return rule != nullptr && value >= rule->low && value <= rule->high &&
         (!rule->whole || std::floor(value) == value);
}

bool value_from_text(Input input, const std::string& text, double& value) {
  const ValueRule* rule = rule_of(input);
  if (rule != nullptr && rule->whole) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos)
      return false;
    value = static_cast<double>(std::stoll(text));
  } else if (!parse_number(text, value)) {
    return false;
  }
  return value_fits(input, value);
}

Status value_refused(Input input, const std::string& given) {
  return failure_about(input, "takes " + what_input_takes(input) + ", not " + given, Kind::OPTION);
}

Status check_request(const StudyRequest& request) {
  return check_input(request.input, "study", false, false);
}

Status check_request(const PanelRequest& request) {
  return check_input(request.input, "panel", false, false);
}

Status check_request(const CurveRequest& request) {
  if (request.designs.empty()) return failure("a curve needs at least one design");
  for (const InputOptions& design : request.designs) {
    const Status fits = check_input(design, "curve", true, true);
    if (!fits.ok) return fits;
  }
  const CurveRange& range = request.range;
  for (const auto& [what, value] :
       {std::pair{Input::FROM, double(range.from)},
        {Input::TO, double(range.to)},
        {Input::STEP, double(range.step)},
        {Input::TARGET, request.target},
        {Input::TRIALS, double(request.trials ? request.trials : MIN_TRIALS)},
        {Input::MAX_TRIALS, double(request.max_trials)}}) {
    const Status fits = check_value(what, value);
    if (!fits.ok) return fits;
  }
  if (range.from > range.to) {
    return failure_about(
        Input::FROM,
        std::to_string(range.from) + " is above the last brood size, " + std::to_string(range.to),
        Kind::OPTION);
  }
  return success();
}

Status check_request(const LociRequest& request) {
  const Status fits = check_input(request.input, "loci", false, false);
  if (!fits.ok) return fits;
  if (request.choose != 0) {
    const Status chosen = check_value(Input::CHOOSE, request.choose);
    if (!chosen.ok) return chosen;
  }
  const Status screen = check_value(Input::SCREEN, request.screen);
  return screen.ok ? check_value(Input::BROOD_SIZE, request.brood_size) : screen;
}

Status check_request(const BroodsRequest& request) {
  if (asks_observed_shares(request.input) && request.input.verdict != Verdict::LIKELIHOOD) {
    return failure_about(Input::SHARES,
                         "observed takes the shares of the families the likelihood verdict "
                         "finds: judge by the likelihood",
                         Kind::OPTION);
  }
  return check_input(without_observed_shares(request.input), "broods", true, false);
}

BroodsRequest broods_request(const std::string& name, const InputOptions& input,
                             const std::string& mothers, const std::string& population) {
  BroodsRequest request{name, input, mothers, population};
  request.input.verdict = brood_verdict(input);
  return request;
}

}  // namespace mpdetect
