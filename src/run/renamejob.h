// The job of the name replacement: each file moved to its new path, never over another file.
#pragma once

#include <string>
#include <vector>

#include "run/engine.h"

namespace zur {

struct RenameItem {
  std::string from;  // the file's path
  std::string to;    // its new path (the same when the replacement changed nothing)
};

class RenameJob : public RunJob {
 public:
  explicit RenameJob(std::vector<RenameItem> items) : items_(std::move(items)) {}
  const std::vector<RenameItem>& Items() const { return items_; }

  std::unique_ptr<Prepared> Prepare(size_t, Worker&) override { return std::make_unique<Prepared>(); }
  void Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) override;

 private:
  std::vector<RenameItem> items_;
};

}  // namespace zur
