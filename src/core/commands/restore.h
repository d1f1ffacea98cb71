// The restore: undoes the last run that made backup copies, exactly, from its journal. Every file that
// run changed gets its original bytes and permissions back at the path the run took it from. A file
// changed again since the run is not overwritten unless the user says so, once for all such files.
#pragma once

#include <string>
#include <vector>

#include "core/commands/driver.h"
#include "core/run/journal.h"
#include "core/run/recovery.h"

namespace zur {

struct RestoreRequest {
  std::string stateDir;  // the program's records of runs
  std::string journal;   // the run to undo; empty: the last run not undone yet
};

// What the restore asks the user.
class RestoreQuestions {
 public:
  virtual ~RestoreQuestions() = default;
  // Whether to revert to the original files at all (of a run of that kind).
  virtual bool Confirm(RunKind kind) = 0;
  // Whether `count` files changed again since the run should get their originals back as well.
  virtual bool AlsoChanged(size_t count) = 0;
};

struct RestoreResult {
  enum class Refused {
    None,
    Nothing,  // no run to undo, or it changed nothing
    Records,  // the program's records cannot be used (detail: why)
    Busy,     // the run is still going (detail: its journal)
    Journal,  // its journal is not one to act on (detail: the journal and why)
    Waiting,  // files of the run still wait to be put right (detail: its journal)
    Declined, // the user said no
  };
  Refused refused = Refused::None;
  std::string detail;
  RecoveryReport repaired;  // what a restore or run cut short needed first
  RunKind kind = RunKind::None;
  RunTally looked;  // the first look at every file
  RunTally tally;   // the writing
  // The run: its id (when it started), its source folder and the files it changed; `undone` once every
  // one of them is as it was before the run.
  std::string runId;
  std::string source;
  size_t files = 0;
  bool undone = false;
  std::vector<size_t> damagedLines;  // lines of its journal that could not be read (it stays offered)
};

// Runs the restore. Each file is reported to `sink` with the copy as its second name; a file left out
// after the first look is reported with what that look found.
RestoreResult RunRestore(const RestoreRequest& request, RunDriver& driver, RestoreQuestions& ask, CommandSink& sink);

// The user's answer about a run cut short (see RecoverAtStart): its changed files undone as the restore
// undoes them (then its originals go, unless they are copies), or kept (its originals go, unless they
// are copies, which stay for the restore). Either way it is not asked about again, except when files
// could not be undone.
RestoreResult UndoCutShortRun(const std::string& stateDir, const CutShortRun& run, RunDriver& driver,
                              RestoreQuestions& ask, CommandSink& sink);
void KeepCutShortRun(const std::string& stateDir, const CutShortRun& run);

// At start-up: puts right the runs and restores that a crash cut short.
RecoveryReport RecoverAtStart(const std::string& stateDir);
// The kind of the last run with copies, which a restore would undo (None when there is none).
RunKind LastRestorable(const std::string& stateDir);
// Forgets the last run with copies: the restore offers nothing then.
void ForgetLastRun(const std::string& stateDir);

}  // namespace zur
