// The job of the text search: does each file hold the search text (or a match of its pattern), in
// the file's own encoding, as the batch would count it.
#pragma once

#include <vector>

#include <memory>

#include "core/replace/matcher.h"
#include "core/run/readingjob.h"

namespace zur {

class SearchJob : public ReadingJob {
 public:
  SearchJob(std::vector<RunItem> items, std::shared_ptr<const Matcher> text, Encoding locale)
      : ReadingJob(std::move(items)), text_(std::move(text)), locale_(locale) {}
  std::unique_ptr<Prepared> Prepare(size_t item, Worker& worker) override;

 private:
  std::shared_ptr<const Matcher> text_;
  Encoding locale_;
};

}  // namespace zur
