// The program's own record of runs, in a folder beside the settings ("runs/"): which runs are going,
// so that a run cut short (a crash, kill -9) is put right at the next start, and which run last made
// backup copies, which is what the restore undoes (also after a restart).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/bytebuffer.h"
#include "run/journal.h"

namespace zur {

// A file that a run cut short had left half written, and what was done about it.
struct RecoveryNote {
  std::string shown;
  bool putBack = false;  // false: the original could not be written back
};

// Puts back the files that a run cut short left half written (each gets its original bytes again),
// finishes a restore cut short, and marks the journal as ended. Files the run had finished keep what
// it wrote. Safe to repeat.
std::vector<RecoveryNote> RecoverJournal(const std::string& journalPath);

// The original bytes of an entry, from its copy or its data file; false when they are gone or do not
// match the entry's fingerprint.
bool LoadOriginal(const JournalEntry& entry, ByteBuffer& into);

// Makes a folder and its missing parents; true when it exists afterwards (also when another thread
// made it meanwhile).
bool MakeFolders(const std::string& path);

class RunState {
 public:
  explicit RunState(std::string folder) : folder_(std::move(folder)) {}
  const std::string& Folder() const { return folder_; }

  // Makes the folder; false when it cannot be made.
  bool Ready() const;
  // A name for a new run, unique in the folder.
  std::string NewId() const;
  // Where a run that makes no copies keeps its journal and the original bytes.
  std::string JournalPathFor(const std::string& id) const { return folder_ + id + ".journal"; }
  std::string DataPathFor(const std::string& id, size_t worker) const;

  bool MarkActive(const std::string& id, const std::string& journal) const;
  void ClearActive(const std::string& id) const;
  // Removes the journal and data files of a run that made no copies.
  void RemoveRunFiles(const std::string& id) const;

  std::string LastJournal() const;
  void SetLastJournal(const std::string& journal) const;
  void ClearLastJournal() const;

  // Puts right every run that was going when the program last ended.
  std::vector<RecoveryNote> RecoverInterrupted() const;

 private:
  std::string folder_;
};

}  // namespace zur
