// What a batch would change in one file, as a unified diff of its lines: the file read as the batch
// reads it, the rules applied in memory, nothing written. The dry run's reports lead here.
#pragma once

#include <string>

#include "core/platform/fileio.h"
#include "core/replace/matcher.h"
#include "core/text/encoding.h"
#include "core/text/linediff.h"

namespace zur {

// Files larger than this are not compared (both texts are held whole, twice decoded).
inline constexpr size_t kDiffFileLimit = 64u << 20;

struct BatchDiff {
  enum class Result { Shown, Unchanged, NotText, TooLarge, Refused };
  Result result = Result::Refused;
  fs::Refusal refusal = fs::Refusal::Failed;  // for Refused: why
  int error = 0;
  TextKind kind;  // the file's encoding, decoded for the diff
  LineDiff diff;  // for Shown
};

// The rules are a request's (checked when it started).
BatchDiff DiffBatchFile(const std::string& path, const RuleSet& rules, Encoding locale);

}  // namespace zur
