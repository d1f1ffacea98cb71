// The job of a dry run of the text batches: each file read and the rules applied as the batch would,
// nothing written, no journal kept. A file the batch would write is reported as a Hit with the number
// of occurrences each rule would replace; every other file as the batch would report it.
#pragma once

#include <vector>

#include "core/replace/matcher.h"
#include "core/run/readingjob.h"

namespace zur {

class PreviewJob : public ReadingJob {
 public:
  // `mayUndo`: the rules could give a file back its own bytes (several rules, the placeholder, or a
  // rule that replaces a text by itself), so a change is confirmed against the original.
  PreviewJob(std::vector<RunItem> items, RuleSet rules, Encoding locale, bool mayUndo)
      : ReadingJob(std::move(items)), rules_(std::move(rules)), locale_(locale), mayUndo_(mayUndo) {}
  std::unique_ptr<Prepared> Prepare(size_t item, Worker& worker) override;

 private:
  RuleSet rules_;
  Encoding locale_;
  bool mayUndo_;
};

}  // namespace zur
