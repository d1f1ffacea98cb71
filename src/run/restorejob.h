// The job of the restore: each file that the last run with copies changed gets its original bytes
// and permissions back, at the path the run took it from. First a look at every file (does it still
// hold what the run wrote?), then, for the files chosen, the writing.
#pragma once

#include <memory>
#include <vector>

#include "run/engine.h"
#include "run/journal.h"

namespace zur {

class RestoreJob : public RunJob {
 public:
  // Looking only: each file is reported as Unchanged (it holds what the run wrote: ready),
  // Unchanged + AlreadyOriginal, Skipped + ChangedSinceRun, or a refusal.
  static std::unique_ptr<RestoreJob> Check(Journal journal);
  // Writing the originals back over the entries marked in `chosen`.
  static std::unique_ptr<RestoreJob> Write(Journal journal, std::string journalPath, std::vector<bool> chosen);

  const std::vector<const JournalEntry*>& Entries() const { return entries_; }
  const Journal& TheJournal() const { return journal_; }
  // Before writing: records in the journal that a restore begins (so that one cut short is finished
  // at the next start). False when the journal cannot be written: nothing is restored then.
  bool Begin();

  std::unique_ptr<Prepared> Prepare(size_t item, Worker& worker) override;
  void Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) override;
  void Finish(Context& ctx, bool stopped) override;

 private:
  explicit RestoreJob(Journal journal);

  Journal journal_;
  std::vector<const JournalEntry*> entries_;
  bool writing_ = false;
  std::string journalPath_;
  std::vector<bool> chosen_;
  std::unique_ptr<JournalWriter> writer_;
};

}  // namespace zur
