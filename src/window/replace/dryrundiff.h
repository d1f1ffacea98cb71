// The dry run's report leads to the changes: clicking a file it lists shows in the output pane, read-only,
// what the dry run's rules would change in that file, line by line.
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "core/replace/matcher.h"
#include "core/text/encoding.h"

namespace zur {

class FormBase;

// The rules of one dry run, fixed when it started (later edits of the rule rows do not change what its
// report shows).
struct DryRunRules {
  RuleSet rules;
  Encoding cp = Encoding::Utf8;
};

// Shows what `rules` would change in the file at `path` (named `shown` in the report), or says why not.
void ShowDryRunDiff(FormBase& f, const DryRunRules& rules, const std::string& path, const QString& shown);

}  // namespace zur
