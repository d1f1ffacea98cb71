#include "run/restorejob.h"

#include "platform/fileio.h"
#include "run/runevents.h"
#include "run/runstate.h"

namespace zur {
namespace {

struct Looked : RunJob::Prepared {
  RunEvent event;
  fs::OpenedFile file;
  ByteBuffer original;
  bool write = false;
};

}  // namespace

RestoreJob::RestoreJob(Journal journal) : journal_(std::move(journal)) { entries_ = journal_.LatestEntries(); }

std::unique_ptr<RestoreJob> RestoreJob::Check(Journal journal) {
  return std::unique_ptr<RestoreJob>(new RestoreJob(std::move(journal)));
}

std::unique_ptr<RestoreJob> RestoreJob::Write(Journal journal, std::string journalPath, std::vector<bool> chosen) {
  auto job = std::unique_ptr<RestoreJob>(new RestoreJob(std::move(journal)));
  job->writing_ = true;
  job->journalPath_ = std::move(journalPath);
  job->chosen_ = std::move(chosen);
  return job;
}

bool RestoreJob::Begin() {
  writer_ = JournalWriter::Append(journalPath_);
  return writer_ && writer_->RestoreBegin();
}

std::unique_ptr<RunJob::Prepared> RestoreJob::Prepare(size_t item, Worker& worker) {
  auto p = std::make_unique<Looked>();
  const JournalEntry& e = *entries_[item];
  if (writing_ && (item >= chosen_.size() || !chosen_[item])) {
    p->event = {item, Outcome::Skipped, Why::ChangedSinceRun, {}};
    return p;
  }
  p->file = fs::OpenedFile::Open(e.path, writing_);
  if (!p->file.Ok()) {
    p->event = RefusalEvent(item, p->file.Refused(), p->file.Error());
    return p;
  }
  if (!p->file.ReadAll(worker.buffer)) {
    p->event = {item, Outcome::Failed, Why::Error, fs::ErrorText(p->file.Error())};
    return p;
  }
  const Fingerprint now = FingerprintOf(worker.buffer.view());
  if (now == e.before) {
    p->event = {item, Outcome::Unchanged, Why::AlreadyOriginal, {}};
    return p;
  }
  if (!writing_) {
    p->event = now == e.after ? RunEvent{item, Outcome::Unchanged, Why::None, {}}
                              : RunEvent{item, Outcome::Skipped, Why::ChangedSinceRun, {}};
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
  p->write = true;
  p->heldBytes = p->original.size();
  return p;
}

void RestoreJob::Commit(size_t item, std::unique_ptr<Prepared> prepared, Context& ctx) {
  if (prepared->broken) {
    ctx.Emit({item, Outcome::Failed, Why::Error, {}});
    return;
  }
  auto& p = static_cast<Looked&>(*prepared);
  if (!p.write) {
    ctx.Emit(std::move(p.event));
    return;
  }
  const JournalEntry& e = *entries_[item];
  if (!p.file.Unchanged()) {
    ctx.Emit({item, Outcome::Skipped, Why::ChangedDuringRun, {}});
    return;
  }
  // The journal says which file is being put back before it is touched.
  if (!writer_ || !writer_->Restoring(e.n) || !writer_->Flush()) {
    ctx.Emit({item, Outcome::Failed, Why::Error, journalPath_});
    return;
  }
  std::string error;
  if (!p.file.WriteInPlace(p.original.view(), error)) {
    ctx.Emit({item, Outcome::Failed, Why::Error, error});
    return;
  }
  p.file.SetMode(e.mode);
  writer_->Restored(e.n);
  ctx.Emit({item, Outcome::Done, Why::None, {}});
}

void RestoreJob::Finish(Context&, bool) {
  if (writer_) writer_->RestoreEnd();
  writer_.reset();
}

}  // namespace zur
