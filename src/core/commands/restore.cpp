#include "core/commands/restore.h"

#include <unistd.h>

#include <optional>
#include <vector>

#include "core/platform/filesystem.h"
#include "core/run/history.h"
#include "core/run/restorejob.h"
#include "core/run/rewritejob.h"
#include "core/run/runstate.h"

namespace zur {

RecoveryReport RecoverAtStart(const std::string& stateDir) { return RunState(stateDir).RecoverInterrupted(); }

RunKind LastRestorable(const std::string& stateDir) {
  RunState records(stateDir);
  std::string why;
  if (!records.Ready(why)) return RunKind::None;
  const HeldJournal last = HeldJournal::Open(records.LastJournal(), records.Key());
  return last.Ok() ? last.Read().header.kind : RunKind::None;
}

void ForgetLastRun(const std::string& stateDir) { RunState(stateDir).ClearLastJournal(); }

RestoreResult RunRestore(const RestoreRequest& request, RunDriver& driver, RestoreQuestions& ask, CommandSink& sink) {
  RestoreResult result;
  auto refuse = [&result](RestoreResult::Refused why, std::string detail) {
    result.refused = why;
    result.detail = std::move(detail);
    return result;
  };
  RunState records(request.stateDir);
  std::string why;
  if (!records.Ready(why)) return refuse(RestoreResult::Refused::Records, why);
  std::string journalPath = request.journal.empty() ? records.LastJournal() : request.journal;
  // The same journal however its folder was named.
  auto spelled = [](const std::string& path) { return fs::CanonicalFilePath(path).value_or(path); };
  const bool last = !journalPath.empty() && spelled(journalPath) == spelled(records.LastJournal());
  HeldJournal held;
  for (;;) {
    // The journal is held (locked) from the first look to the last write: no other window acts on it.
    held = HeldJournal::Open(journalPath, records.Key());
    switch (held.State()) {
      case HeldJournal::Status::Missing:
        return refuse(RestoreResult::Refused::Nothing, {});
      case HeldJournal::Status::Busy:
        return refuse(RestoreResult::Refused::Busy, journalPath);
      case HeldJournal::Status::Refused:
        return refuse(RestoreResult::Refused::Journal, journalPath + " (" + held.Why() + ")");
      case HeldJournal::Status::Ok:
        break;
    }
    // A restore (or the run) cut short is finished first.
    result.repaired = RecoverJournal(held, records.Key(), records.Folder());
    if (!result.repaired.resolved) return refuse(RestoreResult::Refused::Waiting, journalPath);
    if (!held.Read().ChangedFiles().empty()) break;
    // A run that changed nothing has nothing to undo: the run before it in its output folder is next.
    const JournalHeader header = held.Read().header;
    held = HeldJournal();
    if (!header.copies || !MarkUndone(journalPath)) return refuse(RestoreResult::Refused::Nothing, {});
    journalPath = NewestLiveJournal(header.output, RewriteJob::kJournalName);
    if (journalPath.empty()) {
      if (last) records.ClearLastJournal();
      return refuse(RestoreResult::Refused::Nothing, {});
    }
    if (last) records.SetLastJournal(journalPath);
  }
  result.kind = held.Read().header.kind;
  result.runId = held.Read().header.id;
  result.source = held.Read().header.source;
  result.files = held.Read().ChangedFiles().size();
  if (!ask.Confirm(result.kind)) return refuse(RestoreResult::Refused::Declined, {});
  // A damaged line may have named a file too: the files the journal can still tell of are undone,
  // and the run stays offered.
  result.damagedLines = held.Read().damagedLines;
  for (size_t line : result.damagedLines) {
    sink.File({kNoItem, Outcome::Failed, Why::JournalDamaged, journalPath + ":" + std::to_string(line)}, {}, {});
  }

  // First a look at every file: does it still hold what the run wrote?
  auto check = RestoreJob::Check(held.Read());
  const auto& entries = check->Entries();
  std::vector<RunEvent> looks(entries.size());
  size_t changedSince = 0;
  result.looked = driver.Drive(
      *check, entries.size(), nullptr,
      [&](const RunEvent& e) {
        if (e.item == kNoItem) return sink.File(e, {}, {});
        looks[e.item] = e;
        if (e.why == Why::ChangedSinceRun) ++changedSince;
      },
      [&] { sink.Pause(); });
  // Stopped while looking: nothing was undone, and the run says so.
  if (result.looked.stopped) {
    result.tally.stopped = true;
    return result;
  }
  const bool alsoChanged = changedSince > 0 && ask.AlsoChanged(changedSince);
  // Each chosen file is written only if it still holds what the look saw.
  std::vector<std::optional<Fingerprint>> expected(entries.size());
  std::vector<bool> chosen(entries.size(), false);
  for (size_t i = 0; i < entries.size(); ++i) {
    chosen[i] = looks[i].outcome == Outcome::Unchanged || (alsoChanged && looks[i].why == Why::ChangedSinceRun);
    if (chosen[i]) expected[i] = check->Seen()[i];
  }
  auto write = RestoreJob::Write(held, records.Key(), std::move(expected));
  if (!write->Begin(records, why)) return refuse(RestoreResult::Refused::Records, why);
  const auto& targets = write->Entries();
  result.tally = driver.Drive(
      *write, targets.size(), nullptr,
      [&](const RunEvent& e) {
        if (e.item == kNoItem) return sink.File(e, {}, {});
        const JournalEntry& entry = *targets[e.item];
        sink.File(chosen[e.item] ? e : looks[e.item], entry.shown.empty() ? entry.path : entry.shown, entry.copy);
      },
      [&] { sink.Pause(); });
  // Every file given back (or already as it was): the run is undone and is not offered again; the run
  // before it in the same output folder is offered next. A file left keeps the run offered, so that
  // the user can mend the cause and try again.
  if (result.tally.stopped || result.tally.Problems() > 0 || !result.damagedLines.empty()) return result;
  const JournalHeader header = held.Read().header;
  write.reset();
  held = HeldJournal();
  result.undone = true;
  if (header.copies) MarkUndone(journalPath);
  if (!last) return result;
  const std::string next = header.copies ? NewestLiveJournal(header.output, RewriteJob::kJournalName) : std::string();
  if (next.empty()) {
    records.ClearLastJournal();
  } else {
    records.SetLastJournal(next);
  }
  return result;
}

namespace {

// The run is answered for: its mark goes, and with it the originals a run without copies kept.
void Answered(const std::string& stateDir, const CutShortRun& run) {
  RunState records(stateDir);
  if (!run.copies) records.RemoveRunFiles(run.id);
  ::unlink(run.mark.c_str());
}

}  // namespace

RestoreResult UndoCutShortRun(const std::string& stateDir, const CutShortRun& run, RunDriver& driver,
                              RestoreQuestions& ask, CommandSink& sink) {
  RestoreResult result = RunRestore({stateDir, run.journal}, driver, ask, sink);
  if (result.undone || result.refused == RestoreResult::Refused::Nothing) Answered(stateDir, run);
  return result;
}

void KeepCutShortRun(const std::string& stateDir, const CutShortRun& run) { Answered(stateDir, run); }

}  // namespace zur
