// Events for files that could not be opened.
#pragma once

#include <string>

#include "core/platform/fileio.h"
#include "core/replace/matcher.h"
#include "core/run/engine.h"

namespace zur {

inline RunEvent RefusalEvent(size_t item, fs::Refusal refusal, int error) {
  switch (refusal) {
    case fs::Refusal::Missing:
      return {item, Outcome::Skipped, Why::Missing, {}};
    case fs::Refusal::NotRegular:
      return {item, Outcome::Skipped, Why::NotRegular, {}};
    case fs::Refusal::NotReadable:
      return {item, Outcome::Skipped, Why::NotReadable, {}};
    case fs::Refusal::NotWritable:
      return {item, Outcome::Skipped, Why::NotWritable, {}};
    case fs::Refusal::TooLong:
      return {item, Outcome::Skipped, Why::TooLong, {}};
    case fs::Refusal::Replaced:
      return {item, Outcome::Skipped, Why::Replaced, {}};
    case fs::Refusal::None:
    case fs::Refusal::Failed:
      break;
  }
  return {item, Outcome::Failed, Why::Error, error ? fs::ErrorText(error) : std::string()};
}

// A file a rule had to leave as it was (`applied.problem` is set); the detail is the rule's number.
inline RunEvent RuleProblemEvent(size_t item, const Applied& applied) {
  const std::string rule = std::to_string(applied.rule + 1);
  switch (applied.problem) {
    case RuleProblem::NotEncodable:
      return {item, Outcome::Skipped, Why::NotEncodable, rule};
    case RuleProblem::TooCostly:
      return {item, Outcome::Skipped, Why::PatternTooCostly, rule};
    case RuleProblem::None:
    case RuleProblem::Failed:
      break;
  }
  return {item, Outcome::Failed, Why::Error, "rule " + rule + ": the pattern could not be matched"};
}

}  // namespace zur
