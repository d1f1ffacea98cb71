// Runs a command's job while the window stays usable: the run works on threads of its own, and the
// window turns its events into report lines, hints and progress as they come. While a run goes, a stop
// button beside the progress bar and the Esc key stop it between two files, and the cursor shows that
// the program is busy.
#pragma once

#include <QObject>
#include <functional>

#include "app/runreport.h"
#include "run/engine.h"

class QShortcut;

namespace zur {

class TMainForm;

class CommandRunner : public QObject {
 public:
  explicit CommandRunner(TMainForm& form);

  // Runs `job` over `items` items and returns when the run has ended. `onEvent` gets every event, in
  // order, on the window's thread; `afterEvents` runs after each group of events (to show what they
  // gathered in one go).
  RunTally Execute(RunJob& job, size_t items, const std::function<void(const RunEvent&)>& onEvent,
                   const std::function<void()>& afterEvents = {});
  // The same for a run whose items come from `feed` while it goes (on the run's thread).
  RunTally Execute(RunJob& job, RunFeed feed, const std::function<void(const RunEvent&)>& onEvent,
                   const std::function<void()>& afterEvents = {});
  // Asks the running command to stop after the file it is at.
  void RequestStop();
  bool Running() const { return run_ != nullptr; }

  // How runs are made: tests choose the number of threads, or make a run vanish after some files as
  // a killed program would.
  RunOptions options;

 private:
  RunTally Drive(RunJob& job, size_t items, RunFeed feed, const std::function<void(const RunEvent&)>& onEvent,
                 const std::function<void()>& afterEvents);

  TMainForm& f_;
  Run* run_ = nullptr;
  QShortcut* escape_ = nullptr;
};

}  // namespace zur
