// The program's own record of runs, in a private folder beside the settings ("runs/"): which runs are
// going (so that a run cut short is put right at the next start), which run last made backup copies
// (what the restore undoes, also after a restart), and the key that signs the journals.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/run/journal.h"
#include "core/run/recovery.h"

namespace zur {

class RunState {
 public:
  explicit RunState(std::string folder) : folder_(std::move(folder)) {}
  const std::string& Folder() const { return folder_; }

  // Makes the folder (this user's only) and loads the key; false, with the reason, when either fails.
  bool Ready(std::string& why);
  // Valid after Ready().
  const JournalKey& Key() const { return *key_; }
  // A name for a new run, unique in the folder.
  std::string NewId() const;
  // Where a run that makes no copies keeps its journal and the original bytes.
  std::string JournalPathFor(const std::string& id) const { return folder_ + id + ".journal"; }
  std::string DataBaseFor(const std::string& id) const { return folder_ + id + ".data"; }

  // The mark that a run is going: "active-<id>", naming its journal. The run holds its lock for its
  // whole life; the next start puts right the runs whose marks are there and not locked.
  class Mark {
   public:
    ~Mark();
    // The run has ended and everything of it is resolved: the mark goes.
    void Remove();

   private:
    friend class RunState;
    Mark(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    std::string path_;
    int fd_;
  };
  std::unique_ptr<Mark> MarkActive(const std::string& id, const std::string& journal, std::string& why) const;
  // Removes the journal and data files of a run that made no copies.
  void RemoveRunFiles(const std::string& id) const;

  std::string LastJournal() const;
  void SetLastJournal(const std::string& journal) const;
  void ClearLastJournal() const;

  // Puts right every run that was going when a program of this folder last ended and is not going now.
  RecoveryReport RecoverInterrupted();

 private:
  std::string folder_;
  std::optional<JournalKey> key_;
};

}  // namespace zur
