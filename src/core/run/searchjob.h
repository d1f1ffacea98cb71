// The job of the text search: does each file hold the search text, in the file's own encoding.
#pragma once

#include <vector>

#include "core/replace/rules.h"
#include "core/run/engine.h"
#include "core/run/filesmet.h"
#include "core/run/itemlist.h"
#include "core/run/rewritejob.h"

namespace zur {

class SearchJob : public RunJob {
 public:
  SearchJob(std::vector<RunItem> items, PreparedText text, Encoding locale)
      : items_(std::move(items)), text_(std::move(text)), locale_(locale) {}

  const ItemList<RunItem>& Items() const { return items_; }
  // Adds an item while the run goes (from the run's feed).
  void AddItem(RunItem item) { items_.Append(std::move(item)); }
  std::unique_ptr<Prepared> Prepare(size_t item, Worker& worker) override;
  void Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) override;

 private:
  ItemList<RunItem> items_;
  PreparedText text_;
  Encoding locale_;
  FilesMet seen_;  // files found so far
};

}  // namespace zur
