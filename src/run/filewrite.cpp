#include "run/filewrite.h"

#include <unistd.h>

#include <cerrno>
#include <map>

namespace zur {
namespace {

void Leave(FileWrite& w, Outcome outcome, Why why, std::string detail = {}) {
  w.event.outcome = outcome;
  w.event.why = why;
  w.event.detail = std::move(detail);
}

void Failed(FileWrite& w, const std::string& error) { Leave(w, Outcome::Failed, Why::Error, error); }

// One file at a time, behind its durable mark.
void WriteInPlace(FileWrite& w, WriteMarks& marks) {
  ByteBuffer previous;
  if (!w.previous || !w.previous(previous)) return Leave(w, Outcome::Failed, Why::NoCopy);
  if (!marks.WritingInPlace(w.n)) return Failed(w, fs::ErrorText(errno));
  if (!w.file->StillAsRead()) return Leave(w, Outcome::Skipped, Why::ChangedDuringRun);
  std::string error;
  bool damaged = false;
  if (!w.file->OverwriteInPlace(w.bytes, previous.view(), error, damaged)) {
    return damaged ? Leave(w, Outcome::Failed, Why::Damaged, error) : Failed(w, error);
  }
  if (w.mode && !w.file->SetMode(*w.mode)) return Failed(w, fs::ErrorText(errno));
  Leave(w, Outcome::Done, Why::None);
}

}  // namespace

std::string TempNameFor(const std::string& prefix, uint64_t n) { return prefix + std::to_string(n) + ".tmp"; }

void WriteFiles(std::vector<FileWrite>& group, const std::string& tempPrefix, WriteMarks& marks) {
  std::vector<fs::StagedFile> staged(group.size());
  std::vector<bool> inPlace(group.size(), false), renamed(group.size(), false), pending(group.size(), false);
  // 1. The new content beside each file.
  std::map<uint64_t, int> fileSystems;  // a folder descriptor for each file system written to
  for (size_t i = 0; i < group.size(); ++i) {
    FileWrite& w = group[i];
    if (!w.file->StillAsRead()) {
      Leave(w, Outcome::Skipped, Why::ChangedDuringRun);
      continue;
    }
    std::string error;
    if (!staged[i].Stage(*w.file, w.bytes, TempNameFor(tempPrefix, w.n), w.mode, error)) {
      Failed(w, error);
      continue;
    }
    if (staged[i].How() == fs::StagedFile::Way::InPlace) {
      inPlace[i] = true;
      continue;
    }
    pending[i] = true;
    fileSystems.emplace(staged[i].FolderId().device, staged[i].FolderFd());
  }
  // 2. On the disk before any of them takes a file's place.
  for (const auto& [device, fd] : fileSystems) {
    if (fs::SyncFileSystemOf(fd)) continue;
    const std::string error = fs::ErrorText(errno);
    for (size_t i = 0; i < group.size(); ++i) {
      if (pending[i] && staged[i].FolderId().device == device) {
        staged[i].Discard();
        pending[i] = false;
        Failed(group[i], error);
      }
    }
  }
  // 3. Renamed over the files that are still as they were read.
  std::map<std::pair<uint64_t, uint64_t>, int> folders;
  for (size_t i = 0; i < group.size(); ++i) {
    if (!pending[i]) continue;
    FileWrite& w = group[i];
    std::string error;
    bool changed = false;
    if (staged[i].Replace(*w.file, error, changed)) {
      renamed[i] = true;
      folders.emplace(std::make_pair(staged[i].FolderId().device, staged[i].FolderId().inode), staged[i].FolderFd());
    } else if (changed) {
      Leave(w, Outcome::Skipped, Why::ChangedDuringRun);
    } else if (staged[i].How() == fs::StagedFile::Way::InPlace) {
      inPlace[i] = true;
    } else {
      Failed(w, error);
    }
  }
  // 4. The renames on the disk.
  for (const auto& [id, fd] : folders) {
    if (::fsync(fd) == 0) continue;
    const std::string error = fs::ErrorText(errno);
    for (size_t i = 0; i < group.size(); ++i) {
      if (renamed[i] && staged[i].FolderId().device == id.first && staged[i].FolderId().inode == id.second) {
        renamed[i] = false;
        Leave(group[i], Outcome::Failed, Why::NotDurable, error);
      }
    }
  }
  for (size_t i = 0; i < group.size(); ++i) {
    if (renamed[i]) Leave(group[i], Outcome::Done, Why::None);
  }
  // 5. The files that only take their new bytes in place.
  for (size_t i = 0; i < group.size(); ++i) {
    if (inPlace[i]) WriteInPlace(group[i], marks);
  }
  // 6. What is on the disk is recorded as written.
  for (FileWrite& w : group) {
    if (w.event.outcome == Outcome::Done && !marks.Written(w.n)) {
      // The file holds its new bytes, but the journal could not say so: it keeps the original.
      Leave(w, Outcome::Failed, Why::NotDurable, fs::ErrorText(errno));
    }
  }
}

}  // namespace zur
