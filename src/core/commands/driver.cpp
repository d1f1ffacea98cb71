#include "core/commands/driver.h"

#include <chrono>
#include <memory>
#include <thread>

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

RunFeed TreeFeed(TreeScan scan, std::function<void(ScanEntry&&)> add, std::vector<ScanProblem>& problems) {
  return [scan = std::move(scan), add = std::move(add), &problems](Run& run) {
    ItemAnnouncer announce(run);
    ScanFolderTree(
        scan.root, scan.extensions,
        [&](ScanEntry&& file) {
          add(std::move(file));
          announce.One();
          return !run.StopRequested();
        },
        scan.leaveOut, scan.cp, &problems, scan.identify);
  };
}

}  // namespace zur
