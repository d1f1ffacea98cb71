// What the jobs that only read share (the search and the dry run): a file opened and read whole on a
// worker, and each file that counts reported once, however many names reach it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/platform/bytebuffer.h"
#include "core/platform/fileio.h"
#include "core/run/engine.h"
#include "core/run/filesmet.h"
#include "core/run/itemlist.h"
#include "core/run/rewritejob.h"

namespace zur {

struct ReadFile : RunJob::Prepared {
  RunEvent event;
  uint64_t device = 0, inode = 0;
  bool opened = false;
  bool writable = false;  // opened for writing too (asked with `write`)
};

// Opens the file (for writing too when `write`, which changes nothing) and reads it whole into
// `buffer`. False, with `read.event` saying why, when it cannot be opened or read.
bool OpenAndRead(ReadFile& read, size_t item, const std::string& path, bool write, const fs::FileId* listed,
                 ByteBuffer& buffer);

// A job that only reads: its items, given at the start or added while the run goes (from the run's
// feed), and a commit that emits each item's event, leaving out a Hit of a file already reported under
// another name. Prepare returns a ReadFile.
class ReadingJob : public RunJob {
 public:
  explicit ReadingJob(std::vector<RunItem> items) : items_(std::move(items)) {}
  const ItemList<RunItem>& Items() const { return items_; }
  void AddItem(RunItem item) { items_.Append(std::move(item)); }
  void Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) override;

 protected:
  ItemList<RunItem> items_;

 private:
  FilesMet seen_;  // files reported so far
};

}  // namespace zur
