// The job of the text search: does each file hold the search text, in the file's own encoding.
#pragma once

#include <vector>

#include "core/replace/rules.h"
#include "core/run/readingjob.h"

namespace zur {

class SearchJob : public ReadingJob {
 public:
  SearchJob(std::vector<RunItem> items, PreparedText text, Encoding locale)
      : ReadingJob(std::move(items)), text_(std::move(text)), locale_(locale) {}
  std::unique_ptr<Prepared> Prepare(size_t item, Worker& worker) override;

 private:
  PreparedText text_;
  Encoding locale_;
};

}  // namespace zur
