// Putting right a run cut short (a crash, kill -9, a power cut): its journal says which files it was
// writing and which it had written. Only those files are looked at; one that may be torn (a file the
// run was writing in place) gets its original bytes back. A file that the run did not reach, or that
// holds whole bytes, is left as it is, whoever wrote them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/run/journal.h"

namespace zur {

struct RecoveryNote {
  enum class What { PutBack, Waits, Refused };
  What what = What::PutBack;
  std::string shown;      // the file (or, for a refused journal, the journal)
  std::string original;   // where its original bytes are kept (Waits)
  std::string why;        // what stopped it (Waits, Refused)
  std::string keptAside;  // (PutBack) where the bytes it held before are kept
};

// A run that was cut short (killed, crashed, power lost) after it had changed files: the user says
// whether to undo them or keep them. Until then its originals and its mark stay.
struct CutShortRun {
  std::string journal;
  std::string mark;     // its "active-" mark in the records folder
  std::string id;       // when it started
  std::string source;   // the folder it worked on
  size_t changed = 0;   // files whose new bytes reached the disk
  std::optional<size_t> notReached;  // files it had not gone through (unknown when its scan had not ended)
  bool copies = false;
};

struct RecoveryReport {
  std::vector<RecoveryNote> notes;
  std::vector<CutShortRun> cutShort;
  bool resolved = true;  // every file of the journal holds whole bytes: its originals may go
  void Add(RecoveryReport&& more);
};

// Puts right the journal held by the caller: the run's files that may be torn, and a restore cut short.
// What such a file holds is kept in `asideFolder` before it gets its original back (it may hold the
// user's repair of a damaged file). Records what it found in the journal and closes a run that was
// cut short once every file is resolved. Safe to repeat.
RecoveryReport RecoverJournal(HeldJournal& held, const JournalKey& key, const std::string& asideFolder);

}  // namespace zur
