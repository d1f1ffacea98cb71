// The job of a dry run of the text batches: each file read and the rules applied as the batch would,
// nothing written, no journal kept. A file the batch would write is reported as a Hit with the number
// of occurrences each rule would replace; every other file as the batch would report it.
#pragma once

#include <vector>

#include "core/replace/substitute.h"
#include "core/run/engine.h"
#include "core/run/filesmet.h"
#include "core/run/itemlist.h"
#include "core/run/rewritejob.h"

namespace zur {

class PreviewJob : public RunJob {
 public:
  PreviewJob(std::vector<RunItem> items, PreparedRules rules, bool keyed, Encoding locale)
      : items_(std::move(items)), rules_(std::move(rules)), keyed_(keyed), locale_(locale) {}

  const ItemList<RunItem>& Items() const { return items_; }
  void AddItem(RunItem item) { items_.Append(std::move(item)); }
  std::unique_ptr<Prepared> Prepare(size_t item, Worker& worker) override;
  void Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) override;

 private:
  ItemList<RunItem> items_;
  PreparedRules rules_;
  bool keyed_;
  Encoding locale_;
  FilesMet seen_;  // a file reached by two names counts once, as the batch writes it once
};

}  // namespace zur
