// How a command's run is driven and what it tells the one who asked for it.
//
// Every command is a plain request that a core service runs through the run loop. The service hands
// what happens to a sink (the window turns it into report lines and hints, a console program into
// lines on its output), and the run itself is driven by whoever asked: the window keeps itself usable
// meanwhile, a console program simply waits.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/files/scan.h"
#include "core/run/engine.h"
#include "core/run/refusal.h"

namespace zur {

// What a run amounted to, counted from its events.
struct RunTally {
  size_t done = 0;
  size_t unchanged = 0;
  size_t hits = 0;
  size_t skipped = 0;
  size_t failed = 0;
  size_t committed = 0;  // items the run got through
  size_t replaced = 0;   // occurrences replaced in the files written
  bool stopped = false;
  bool started = true;   // false when the run could not start (the result says why)
  size_t Problems() const { return skipped + failed; }
  void Count(const RunEvent& e);
};

// What a command that did start or did not came to.
struct CommandResult {
  StartRefusal refusal;  // set when the command did not start (nothing was touched)
  RunTally tally;
  // What the start had to leave undone without stopping the command, for the user to know.
  std::vector<std::string> notes;
  // (A batch with a rule table) the lines of the pairs that replaced nothing in the whole run.
  std::vector<size_t> unmatchedPairs;
  // (A batch with a rule table) what each pair that did replace replaced in all: (line, count), by line.
  std::vector<std::pair<size_t, uint64_t>> pairTotals;
  // (A tree command) the files its filter left out.
  LeftOut leftOut;
  // (A batch) the rules it ran, the table's included: what a look at its changes afterwards applies.
  RuleSet rules;
};

// The source folder of a command, checked once before anything is read: it must be a folder the user
// may read. `folder` becomes its one spelling (absolute, no links, ending in "/").
StartRefusal CheckSourceFolder(std::string& folder);

class RunDriver {
 public:
  using OnEvent = std::function<void(const RunEvent&)>;
  virtual ~RunDriver() = default;
  // Runs `job` over `items` items, or over the items `feed` announces while it goes, to its end (or
  // until it is stopped). `onEvent` gets every event, in order, on the caller's thread; `pause` runs
  // after each group of events (to show what they gathered in one go).
  virtual RunTally Drive(RunJob& job, size_t items, RunFeed feed, const OnEvent& onEvent,
                         const std::function<void()>& pause) = 0;
};

// The plain driver: the caller waits while the run goes, and gets the events as they come.
class WaitingDriver : public RunDriver {
 public:
  RunTally Drive(RunJob& job, size_t items, RunFeed feed, const OnEvent& onEvent,
                 const std::function<void()>& pause) override;
};

// Where a command reports each file it dealt with.
class CommandSink {
 public:
  virtual ~CommandSink() = default;
  // A file: what happened to it, its name as the report shows it, and a second name where there is one
  // (a rename's new name, a restore's copy, a search hit's stored path). An event of no item
  // (kNoItem) is a failure of the run itself, with its reason.
  virtual void File(const RunEvent& event, const std::string& shown, const std::string& second) = 0;
  // A folder of the tree that could not be opened.
  virtual void Folder(const ScanProblem& problem) = 0;
  // A group of reports has been handed over.
  virtual void Pause() {}
};

// What a tree's scan met besides the files it took: folders it could not open, and what the filter
// left out.
struct TreeSeen {
  std::vector<ScanProblem> problems;
  LeftOut leftOut;
  // Reports each problem to `sink` and adds what was seen to the command's result.
  void Report(CommandSink& sink, CommandResult& result) const;
};

// The files of a tree as a run's feed: `add` gets each file the scan finds while the run goes (on the
// run's own thread); the scan ends when the run is asked to stop. What else it meets is kept in `seen`.
struct TreeScan {
  std::string root;
  FileFilter filter;
  std::string leaveOut;   // a folder not to enter (the output folder inside the source tree)
  Encoding cp = Encoding::Utf8;
  bool identify = false;  // take each file's identity (for commands that write)
  bool followOutside = false;  // links that lead out of the tree are followed
};
RunFeed TreeFeed(TreeScan scan, std::function<void(ScanEntry&&)> add, TreeSeen& seen);

// A command's filter checked before anything is read: refused when a pattern cannot be one.
StartRefusal CheckFilter(const FileFilter& filter);

}  // namespace zur
