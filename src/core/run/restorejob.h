// The job of the restore: each file that the last run with copies changed gets its original bytes
// and permissions back, at the path the run took it from. First a look at every file (does it still
// hold what the run wrote?), then, for the files chosen, the writing, which requires each file to hold
// what the look saw.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/run/engine.h"
#include "core/run/journal.h"
#include "core/run/runstate.h"
#include "core/run/writegroup.h"

namespace zur {

class RestoreJob : public RunJob {
 public:
  // Looking only: each file is reported as Unchanged (it holds what the run wrote: ready),
  // Unchanged + AlreadyOriginal, Skipped + ChangedSinceRun, or a refusal. Seen() then holds what each
  // file held.
  static std::unique_ptr<RestoreJob> Check(const Journal& journal);
  // Writing the originals back over the files that `expected` names, each only if it still holds the
  // bytes of that fingerprint. The journal stays held by the caller while the job lives.
  static std::unique_ptr<RestoreJob> Write(HeldJournal& journal, const JournalKey& key,
                                           std::vector<std::optional<Fingerprint>> expected);
  ~RestoreJob() override;

  const std::vector<const JournalEntry*>& Entries() const { return entries_; }
  const std::vector<std::optional<Fingerprint>>& Seen() const { return seen_; }
  // Before writing: marks the restore as going and records in the journal that it begins (so that one
  // cut short is finished at the next start). False, with the reason, when either cannot be done:
  // nothing is restored then.
  bool Begin(RunState& records, std::string& why);
  // Every file chosen holds whole bytes (the restore's records are gone once it has ended).
  bool Resolved() const { return unresolved_ == 0; }

  std::unique_ptr<Prepared> Prepare(size_t item, Worker& worker) override;
  void Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) override;
  void Flush(Context& ctx) override;
  void Idle(Context& ctx) override;
  void Finish(Context& ctx, bool stopped) override;

 private:
  struct Looked;
  explicit RestoreJob(Journal journal);

  Journal journal_;
  std::vector<const JournalEntry*> entries_;
  std::vector<std::optional<Fingerprint>> seen_;  // (the look) what each file held
  bool writing_ = false;
  HeldJournal* held_ = nullptr;
  std::optional<JournalKey> key_;
  std::unique_ptr<JournalWriter> writer_;
  std::mutex journalLock_;  // workers add records while the run's thread records writes
  std::string tempPrefix_;
  std::unique_ptr<RunState::Mark> mark_;
  WriteGroup<Looked> group_;
  size_t unresolved_ = 0;
};

}  // namespace zur
