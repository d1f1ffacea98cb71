// The job of the name replacement: each file moved to its new path, never over another file.
#pragma once

#include <string>
#include <vector>

#include "core/run/engine.h"
#include "core/run/itemlist.h"

namespace zur {

struct RenameItem {
  std::string from;  // the file's path
  std::string to;    // its new path (the same when the replacement changed nothing)
  std::string shown;    // the file as the report shows it
  std::string renamed;  // and its new name, shown the same way
  size_t replaced = 0;  // occurrences of the find text the new name replaced
};

class RenameJob : public RunJob {
 public:
  RenameJob() = default;
  explicit RenameJob(std::vector<RenameItem> items) : items_(std::move(items)) {}
  // A dry run checks each rename as the real one does and reports it as a Hit instead of making it.
  explicit RenameJob(bool dryRun) : dryRun_(dryRun) {}
  const ItemList<RenameItem>& Items() const { return items_; }
  // Adds an item while the run goes (from the run's feed).
  void AddItem(RenameItem item) { items_.Append(std::move(item)); }

  std::unique_ptr<Prepared> Prepare(size_t, Worker&) override { return std::make_unique<Prepared>(); }
  void Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) override;

 private:
  ItemList<RenameItem> items_;
  bool dryRun_ = false;
};

}  // namespace zur
