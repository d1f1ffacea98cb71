#include "core/run/filewrite.h"

#include <unistd.h>

#include <cerrno>

namespace zur {
namespace {

void Leave(FileWrite& w, Outcome outcome, Why why, std::string detail = {}) {
  w.step = FileWrite::Step::Over;
  w.event.outcome = outcome;
  w.event.why = why;
  w.event.detail = std::move(detail);
  if (outcome != Outcome::Done) w.event.replaced = 0;  // nothing of the file was replaced after all
}

void Failed(FileWrite& w, const std::string& error) { Leave(w, Outcome::Failed, Why::Error, error); }

// One file at a time, behind its durable mark.
void WriteInPlace(FileWrite& w, WriteMarks& marks) {
  ByteBuffer previous;
  if (!w.previous || !w.previous(previous)) return Leave(w, Outcome::Failed, Why::NoCopy);
  if (!w.file->StillAsRead()) return Leave(w, Outcome::Skipped, Why::ChangedDuringRun);
  if (!marks.WritingInPlace(w.n)) return Failed(w, fs::ErrorText(errno));
  // Changed while the mark was made: the mark is taken back, so that recovery leaves the file alone.
  if (!w.file->StillAsRead()) {
    if (marks.Left(w.n)) return Leave(w, Outcome::Skipped, Why::ChangedDuringRun);
    return Leave(w, Outcome::Failed, Why::NotDurable, fs::ErrorText(errno));
  }
  std::string error;
  bool damaged = false;
  if (!w.file->OverwriteInPlace(w.bytes, previous.view(), error, damaged)) {
    return damaged ? Leave(w, Outcome::Failed, Why::Damaged, error) : Failed(w, error);
  }
  // New permission bits and time (a restore) are on the disk too before the file is recorded as written.
  const bool attributes = (!w.mode || w.file->SetMode(*w.mode, w.special)) && (!w.modified || w.file->SetModified(*w.modified));
  if ((w.mode || w.modified) && (!attributes || ::fsync(w.file->Fd()) != 0)) {
    return Leave(w, Outcome::Failed, Why::NotDurable, fs::ErrorText(errno));
  }
  Leave(w, Outcome::Done, Why::None);
}

// Every staged write of the group meets the same fate.
void FailStaged(const std::vector<FileWrite*>& group, Why why, const std::string& error) {
  for (FileWrite* w : group) {
    if (w->step != FileWrite::Step::Staged) continue;
    w->staged.Discard();
    Leave(*w, Outcome::Failed, why, error);
  }
}

}  // namespace

std::string TempNameFor(const std::string& prefix, uint64_t n) { return prefix + std::to_string(n) + ".tmp"; }

void StageWrite(FileWrite& w, const std::string& tempPrefix) {
  if (w.step != FileWrite::Step::Unstaged) return;
  if (!w.file->StillAsRead()) return Leave(w, Outcome::Skipped, Why::ChangedDuringRun);
  std::string error;
  if (!w.staged.Stage(*w.file, w.bytes, TempNameFor(tempPrefix, w.n), w.mode, error, w.modified, w.special)) {
    return Failed(w, error);
  }
  w.step = w.staged.How() == fs::StagedFile::Way::InPlace ? FileWrite::Step::InPlace : FileWrite::Step::Staged;
}

void WriteFiles(const std::vector<FileWrite*>& group, const std::string& tempPrefix, WriteMarks& marks,
                fs::SyncPoint& before) {
  // 1. The new content beside each file.
  for (FileWrite* w : group) StageWrite(*w, tempPrefix);
  // 2. On the disk, with what the journal needs, before any of them takes a file's place.
  for (FileWrite* w : group) {
    if (w->step == FileWrite::Step::Staged) before.FileSystemOf(w->staged.FolderFd());
  }
  if (!before.Reach()) {
    const std::string error = fs::ErrorText(errno);
    FailStaged(group, Why::Error, error);
    for (FileWrite* w : group) {
      if (w->step == FileWrite::Step::InPlace) Failed(*w, error);
      w->leftover = w->staged.Leftover();
    }
    return;
  }
  // Each new file's own word that the disk has it (cheap after the flush; where a file system flushes
  // nothing as a whole, this is the flush).
  for (FileWrite* w : group) {
    std::string error;
    if (w->step == FileWrite::Step::Staged && !w->staged.Confirm(error)) {
      w->staged.Discard();
      Failed(*w, error);
    }
  }
  // 3. Renamed over the files that are still as they were read.
  fs::SyncPoint renames;
  for (FileWrite* w : group) {
    if (w->step != FileWrite::Step::Staged) continue;
    std::string error;
    switch (w->staged.Replace(*w->file, error)) {
      case fs::StagedFile::Outcome::Replaced:
        w->renamed = true;
        Leave(*w, Outcome::Done, Why::None);
        renames.FileSystemOf(w->staged.FolderFd());
        break;
      case fs::StagedFile::Outcome::Changed:
        Leave(*w, Outcome::Skipped, Why::ChangedDuringRun);
        break;
      case fs::StagedFile::Outcome::Busy:
        // Its writer's next lines would go to the old file once the name is the new one's.
        Leave(*w, Outcome::Skipped, Why::OpenForWriting);
        break;
      case fs::StagedFile::Outcome::InPlace:
        w->step = FileWrite::Step::InPlace;
        break;
      case fs::StagedFile::Outcome::Failed:
        Failed(*w, error);
        break;
    }
  }
  // 4. The renames on the disk.
  const bool durable = renames.Reach();
  const std::string error = durable ? std::string() : fs::ErrorText(errno);
  for (FileWrite* w : group) {
    if (w->step != FileWrite::Step::Over || w->event.outcome != Outcome::Done) continue;
    if (!durable) {
      Leave(*w, Outcome::Failed, Why::NotDurable, error);
    } else if (!w->staged.ConfirmFolder()) {
      Leave(*w, Outcome::Failed, Why::NotDurable, fs::ErrorText(errno));
    }
  }
  // 5. The files that only take their new bytes in place.
  for (FileWrite* w : group) {
    if (w->step == FileWrite::Step::InPlace) WriteInPlace(*w, marks);
  }
  // 6. What is on the disk is recorded as written.
  for (FileWrite* w : group) {
    w->leftover = w->staged.Leftover();
    const fs::FileId written = w->renamed ? w->staged.NewId() : w->file->Stat().Id();
    if (w->event.outcome == Outcome::Done && !marks.Written(w->n, written)) {
      // The file holds its new bytes, but the journal could not say so: it keeps the original.
      Leave(*w, Outcome::Failed, Why::NotDurable, fs::ErrorText(errno));
    }
  }
}

}  // namespace zur
