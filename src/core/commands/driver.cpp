#include "core/commands/driver.h"

#include <dirent.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"

namespace zur {

void RunTally::Count(const RunEvent& e) {
  switch (e.outcome) {
    case Outcome::Done:
      ++done;
      replaced += e.replaced;
      break;
    case Outcome::Unchanged:
      ++unchanged;
      break;
    case Outcome::Hit:
      ++hits;
      replaced += e.replaced;
      break;
    case Outcome::Skipped:
      ++skipped;
      break;
    case Outcome::Failed:
      ++failed;
      break;
  }
}

StartRefusal CheckSourceFolder(std::string& folder) {
  const std::string given = folder;
  // "x.txt/" is a file named as a folder, not a folder that is missing.
  std::string bare = given;
  while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
  switch (fs::Probe(bare)) {
    case fs::Kind::Missing:
      return {StartRefusal::Kind::SourceMissing, given};
    case fs::Kind::File:
      return {StartRefusal::Kind::SourceNotFolder, bare};
    case fs::Kind::Folder:
      break;
  }
  DIR* dir = ::opendir(given.c_str());
  if (!dir) return {StartRefusal::Kind::SourceUnreadable, given + ": " + fs::ErrorText(errno)};
  ::closedir(dir);
  auto canonical = fs::CanonicalFolder(given);
  if (!canonical) return {StartRefusal::Kind::SourceUnreadable, given + ": " + fs::ErrorText(errno)};
  folder = *canonical;
  return {};
}

RunTally WaitingDriver::Drive(RunJob& job, size_t items, RunFeed feed, const OnEvent& onEvent,
                              const std::function<void()>& pause) {
  RunTally tally;
  auto owned = feed ? std::make_unique<Run>(job, std::move(feed)) : std::make_unique<Run>(job, items);
  Run& run = *owned;
  auto drain = [&] {
    for (const RunEvent& e : run.TakeEvents()) {
      tally.Count(e);
      if (onEvent) onEvent(e);
    }
    if (pause) pause();
  };
  run.Start();
  while (!run.Finished()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    drain();
  }
  run.Wait();
  drain();
  tally.committed = run.Committed();
  tally.stopped = run.Stopped();
  return tally;
}

void TreeSeen::Report(CommandSink& sink, CommandResult& result) const {
  for (const ScanProblem& p : problems) sink.Folder(p);
  result.tally.skipped += problems.size();
  result.leftOut = leftOut;
}

StartRefusal CheckFilter(const FileFilter& filter) {
  if (auto bad = BadPattern(filter)) return {StartRefusal::Kind::Filter, *bad};
  return {};
}

RunFeed TreeFeed(TreeScan scan, std::function<void(ScanEntry&&)> add, TreeSeen& seen) {
  return [scan = std::move(scan), add = std::move(add), &seen](Run& run) {
    ItemAnnouncer announce(run);
    ScanFolderTree(
        scan.root, scan.filter,
        [&](ScanEntry&& file) {
          add(std::move(file));
          announce.One();
          return !run.StopRequested();
        },
        scan.leaveOut, scan.cp, &seen.problems, scan.identify, scan.followOutside, &seen.leftOut);
  };
}

}  // namespace zur
