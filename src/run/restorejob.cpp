#include "run/restorejob.h"

#include <cerrno>

#include "platform/fileio.h"
#include "run/filewrite.h"
#include "run/originals.h"
#include "run/runevents.h"

namespace zur {
namespace {

constexpr size_t kGroupWrites = 256;
constexpr size_t kGroupBytes = 32u << 20;
constexpr auto kGroupTime = std::chrono::milliseconds(250);

struct RestoreMarks : WriteMarks {
  explicit RestoreMarks(JournalWriter& j) : journal(j) {}
  bool WritingInPlace(uint64_t n) override { return journal.Writing(n); }
  bool Written(uint64_t n) override { return journal.Restored(n); }
  JournalWriter& journal;
};

}  // namespace

struct RestoreJob::Looked : RunJob::Prepared {
  RunEvent event;
  fs::OpenedFile file;
  ByteBuffer original;
  ByteBuffer current;  // what the file holds, put back if writing in place fails
  bool write = false;
};

RestoreJob::RestoreJob(Journal journal) : journal_(std::move(journal)) {
  entries_ = journal_.ChangedFiles();
  seen_.resize(entries_.size());
  groupStart_ = std::chrono::steady_clock::now();
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
  // The journal names the file itself: a link found at its name now is not followed.
  p->file = fs::OpenedFile::Open(e.path, writing_, nullptr, false);
  if (!p->file.Ok()) {
    p->event = RefusalEvent(item, p->file.Refused(), p->file.Error());
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
  if (!LoadOriginal(e, p->original)) {
    p->event = {item, Outcome::Failed, Why::NoCopy, e.copy.empty() ? e.data : e.copy};
    return p;
  }
  p->current = std::move(worker.buffer);
  p->write = true;
  p->heldBytes = p->original.size() + p->current.size();
  return p;
}

void RestoreJob::Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) {
  if (prepared->broken) {
    group_.push_back({item, nullptr, {item, Outcome::Failed, Why::Error, prepared->brokenWhy}});
  } else {
    std::unique_ptr<Looked> p(static_cast<Looked*>(prepared.release()));
    if (p->write) {
      ctx.Hold(p->heldBytes);
      groupBytes_ += p->heldBytes;
      ++groupWrites_;
      group_.push_back({item, std::move(p), {}});
    } else {
      group_.push_back({item, nullptr, std::move(p->event)});
    }
  }
  if (groupWrites_ == 0) {
    EmitGroup(ctx);
  } else if (groupWrites_ >= kGroupWrites || groupBytes_ >= kGroupBytes ||
             std::chrono::steady_clock::now() - groupStart_ >= kGroupTime) {
    Flush(ctx);
  }
}

void RestoreJob::EmitGroup(Context& ctx) {
  for (Pending& pending : group_) ctx.Emit(std::move(pending.event));
  group_.clear();
  groupWrites_ = groupBytes_ = 0;
  groupStart_ = std::chrono::steady_clock::now();
}

void RestoreJob::Flush(Context& ctx) {
  if (groupWrites_ == 0) {
    EmitGroup(ctx);
    return;
  }
  // The journal says which files are being put back before any of them is touched.
  std::string problem;
  for (Pending& pending : group_) {
    if (pending.write && !writer_->Restoring(entries_[pending.item]->n)) {
      problem = writer_->Path() + ": " + fs::ErrorText(errno);
      break;
    }
  }
  if (problem.empty() && !writer_->Sync()) problem = writer_->Path() + ": " + fs::ErrorText(errno);
  std::vector<FileWrite> writes;
  std::vector<Pending*> owners;
  for (Pending& pending : group_) {
    if (!pending.write) continue;
    if (!problem.empty()) {
      pending.event = {pending.item, Outcome::Failed, Why::Error, problem};
      continue;
    }
    Looked& p = *pending.write;
    const JournalEntry& e = *entries_[pending.item];
    FileWrite w;
    w.file = &p.file;
    w.bytes = p.original.view();
    w.n = e.n;
    w.mode = &e.mode;
    w.previous = [&p](ByteBuffer& into) {
      into.assign(p.current.view());
      return true;
    };
    w.event = {pending.item, Outcome::Done, Why::None, {}};
    writes.push_back(std::move(w));
    owners.push_back(&pending);
  }
  RestoreMarks marks(*writer_);
  WriteFiles(writes, ".zur-" + journal_.header.id + "-", marks);
  for (size_t i = 0; i < writes.size(); ++i) {
    Pending& pending = *owners[i];
    pending.event = std::move(writes[i].event);
    if (pending.event.why == Why::Damaged || pending.event.why == Why::NotDurable) {
      ++unresolved_;
      const JournalEntry& e = *entries_[pending.item];
      if (pending.event.why == Why::Damaged) pending.event.detail = e.copy.empty() ? e.data : e.copy;
    }
  }
  for (Pending& pending : group_) {
    if (!pending.write) continue;
    ctx.Release(pending.write->heldBytes);
    pending.write.reset();
  }
  EmitGroup(ctx);
}

void RestoreJob::Finish(Context& ctx, bool) {
  Flush(ctx);
  // A file left damaged keeps the restore open (and marked): the next start finishes it.
  if (writer_ && unresolved_ == 0 && writer_->RestoreEnd() && mark_) mark_->Remove();
  writer_.reset();
  mark_.reset();
}

}  // namespace zur
