// The runs with copies kept in one output folder, newest first. The newest run has its copies and its
// journal in the output folder itself (output folder + the path below the source folder). When a newer
// run with copies comes, the finished one moves, copies and journal, into a folder of its own below
// ".zur-history/", so that its copies are never written over and it can be undone after the newer one.
// A run undone keeps its journal under another name, so that it is not undone twice.
#pragma once

#include <string>

#include "core/run/journal.h"

namespace zur {

inline constexpr char kHistoryFolder[] = ".zur-history/";
inline constexpr char kUndoneSuffix[] = ".undone";

// Where the run's copy `copy` sits once the run has moved into the history (empty for a copy that is
// not below the run's output folder).
std::string HistoryCopyPath(const JournalHeader& header, const std::string& copy);

// Moves the finished run whose journal is held (at `journalName` in its output folder) into the
// history: its copies first, then its journal (the lock goes with it). A move cut short is finished by
// the next one: each copy is either still in its place or already in the history, and found in either.
// False, with why, when something could not be moved.
bool MoveRunAside(HeldJournal& held, const std::string& journalName, std::string& why);

// Where the history cannot be used (a ".zur-history" that is no folder of this user's): the finished
// run stays in the output folder, its journal under its own name ("<journal>.<run>"), its copies where
// they are (a newer run puts its own copies elsewhere when their names are taken). False, with why,
// when the journal could not be renamed.
bool KeepRunInPlace(HeldJournal& held, const std::string& journalName, std::string& why);

// The newest run of the output folder that can still be undone: the journal in the folder itself, else
// the newest one kept beside it or in its history; empty when there is none.
std::string NewestLiveJournal(const std::string& output, const std::string& journalName);

// Keeps the journal at `path` under its undone name. False when it could not be renamed.
bool MarkUndone(const std::string& path);

// A run's id as the local time it started, "YYYY-MM-DD HH:MM:SS" (empty for an id that is no time).
std::string RunTime(const std::string& id);

}  // namespace zur
