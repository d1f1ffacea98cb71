#include "core/run/restorejob.h"

#include <cerrno>

#include "core/platform/closer.h"
#include "core/platform/fileio.h"
#include "core/run/filewrite.h"
#include "core/run/history.h"
#include "core/run/journalmarks.h"
#include "core/run/originals.h"
#include "core/run/runevents.h"

namespace zur {
struct RestoreJob::Looked : RunJob::Prepared {
  RunEvent event;
  fs::OpenedFile file;
  ByteBuffer original;
  ByteBuffer current;  // what the file holds, put back if writing in place fails
  bool write = false;
  FileWrite out;       // the original on its way back
  fs::FileTime modified;  // the original's modification time
};

RestoreJob::RestoreJob(Journal journal) : journal_(std::move(journal)), tempPrefix_(".zur-" + journal_.header.id + "-") {
  entries_ = journal_.ChangedFiles();
  seen_.resize(entries_.size());
}

RestoreJob::~RestoreJob() = default;

std::unique_ptr<RestoreJob> RestoreJob::Check(const Journal& journal) {
  return std::unique_ptr<RestoreJob>(new RestoreJob(journal));
}

std::unique_ptr<RestoreJob> RestoreJob::Write(HeldJournal& journal, const JournalKey& key,
                                              std::vector<std::optional<Fingerprint>> expected) {
  auto job = std::unique_ptr<RestoreJob>(new RestoreJob(journal.Read()));
  job->writing_ = true;
  job->held_ = &journal;
  job->key_ = key;
  job->seen_ = std::move(expected);
  job->seen_.resize(job->entries_.size());
  return job;
}

bool RestoreJob::Begin(RunState& records, std::string& why) {
  group_.FitTo(fs::RaiseOpenFileLimit());  // a group of files and their folders are held open at once
  mark_ = records.MarkActive(records.NewId(), held_->Path(), why);
  if (!mark_) return false;
  writer_ = JournalWriter::Continue(*held_, *key_);
  if (writer_ && writer_->RestoreBegin()) return true;
  why = held_->Path() + ": " + fs::ErrorText(errno);
  mark_->Remove();
  return false;
}

std::unique_ptr<RunJob::Prepared> RestoreJob::Prepare(size_t item, Worker& worker) {
  auto p = std::make_unique<Looked>();
  const JournalEntry& e = *entries_[item];
  if (writing_ && !seen_[item]) {
    p->event = {item, Outcome::Skipped, Why::ChangedSinceRun, {}};
    return p;
  }
  // The journal names the file itself: no link found on its way now is followed, and it must be the
  // file the run wrote.
  p->file = OpenEntryFile(journal_.header, e, writing_);
  if (!p->file.Ok()) {
    p->event = RefusalEvent(item, p->file.Refused(), p->file.Error());
    return p;
  }
  if (!FileIsTheRuns(e, p->file.Stat())) {
    p->event = {item, Outcome::Skipped, Why::Replaced, {}};
    return p;
  }
  if (!p->file.ReadAll(worker.buffer)) {
    p->event = {item, Outcome::Failed, Why::Error, fs::ErrorText(p->file.Error())};
    return p;
  }
  const Fingerprint now = FingerprintOf(worker.buffer.view());
  if (!writing_) seen_[item] = now;
  if (now == e.before) {
    p->event = {item, Outcome::Unchanged, Why::AlreadyOriginal, {}};
    return p;
  }
  if (!writing_) {
    p->event = now == e.after ? RunEvent{item, Outcome::Unchanged, Why::None, {}}
                              : RunEvent{item, Outcome::Skipped, Why::ChangedSinceRun, {}};
    return p;
  }
  // Changed again since the look (while the question was open): the other program's bytes stay.
  if (now != *seen_[item]) {
    p->event = {item, Outcome::Skipped, Why::ChangedDuringRun, {}};
    return p;
  }
  if (!p->file.Writable()) {
    p->event = {item, Outcome::Skipped, Why::NotWritable, {}};
    return p;
  }
  if (!LoadOriginal(e, p->original, HistoryCopyPath(journal_.header, e.copy))) {
    p->event = {item, Outcome::Failed, Why::NoCopy, e.copy.empty() ? e.data : e.copy};
    return p;
  }
  p->current = std::move(worker.buffer);
  // The journal names the file as being restored before its original is written beside it.
  {
    std::lock_guard<std::mutex> guard(journalLock_);
    if (!writer_->Restoring(e.n)) {
      p->event = {item, Outcome::Failed, Why::Error, writer_->Path() + ": " + fs::ErrorText(errno)};
      return p;
    }
  }
  FileWrite& w = p->out;
  w.file = &p->file;
  w.bytes = p->original.view();
  w.n = e.n;
  w.mode = &e.mode;
  // Set-user-ID and set-group-ID come back only to a file that still has the owner and group it had.
  w.special = e.owned && p->file.Stat().uid == e.uid && p->file.Stat().gid == e.gid;
  p->modified = {e.mtimeSec, e.mtimeNsec};
  w.modified = &p->modified;
  Looked* raw = p.get();
  w.previous = [raw](ByteBuffer& into) {
    into.assign(raw->current.view());
    return true;
  };
  w.event = {item, Outcome::Done, Why::None, {}};
  StageWrite(w, tempPrefix_);
  if (w.step == FileWrite::Step::Over) {
    p->event = std::move(w.event);
    return p;
  }
  p->write = true;
  p->heldBytes = p->original.size() + p->current.size();
  return p;
}

void RestoreJob::Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) {
  if (prepared->broken) {
    group_.AddEvent({item, Outcome::Failed, Why::Error, prepared->brokenWhy});
  } else {
    std::unique_ptr<Looked> p(static_cast<Looked*>(prepared.release()));
    if (p->write) {
      group_.AddWrite(item, std::move(p), ctx);
    } else {
      group_.AddEvent(std::move(p->event));
    }
  }
  if (!group_.HasWrites()) {
    group_.Emit(ctx);
  } else if (group_.Full()) {
    Flush(ctx);
  }
}

// A group waits for the disk's flush with others; only one kept back too long is written while
// workers are busy.
void RestoreJob::Idle(Context& ctx) {
  if (group_.Old()) Flush(ctx);
}

void RestoreJob::Flush(Context& ctx) {
  if (group_.HasWrites()) {
    // The journal's "restoring" records reach the disk with the originals' new copies, before any
    // file changes.
    fs::SyncPoint before;
    before.File(writer_->Fd());
    JournalMarks marks(*writer_, journalLock_, JournalMarks::Of::Restore);
    WriteFiles(group_.Writes(), tempPrefix_, marks, before);
  }
  group_.Emit(ctx, [this](RunEvent& event, Looked& p) {
    if (p.out.leftover) ++unresolved_;  // a hidden new file stays: the next start removes it
    if (event.why != Why::Damaged && event.why != Why::NotDurable) return;
    ++unresolved_;
    const JournalEntry& e = *entries_[event.item];
    if (event.why == Why::Damaged) event.detail = e.copy.empty() ? e.data : e.copy;
  });
}

void RestoreJob::Finish(Context& ctx, bool) {
  Flush(ctx);
  fs::WaitForBackgroundCloses();
  // A file left damaged keeps the restore open (and marked): the next start finishes it.
  if (writer_ && unresolved_ == 0 && writer_->RestoreEnd() && mark_) mark_->Remove();
  writer_.reset();
  mark_.reset();
}

}  // namespace zur
