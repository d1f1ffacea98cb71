// Runs a command's job while the window stays usable: the run works on threads of its own, and the
// window turns its events into report lines, hints and progress as they come. While a run goes, a stop
// button beside the progress bar and the Esc key stop it between two files, and the cursor shows that
// the program is busy.
#pragma once

#include <QObject>
#include <functional>

#include "core/commands/driver.h"
#include "core/run/engine.h"
#include "window/form/runreport.h"

class QShortcut;

namespace zur {

class FormBase;

// The window's way of driving a command's run: the run works on threads of its own while the window's
// event loop goes on, and the events reach the command on the window's thread.
class CommandRunner : public QObject, public RunDriver {
 public:
  explicit CommandRunner(FormBase& form);

  RunTally Drive(RunJob& job, size_t items, RunFeed feed, const OnEvent& onEvent,
                 const std::function<void()>& pause) override;
  // Asks the running command to stop after the file it is at.
  void RequestStop();
  bool Running() const { return run_ != nullptr; }

  // The next `passes` runs go over a known number of files, one pass each (a restore looks at every
  // file, then writes): the bar shows the share of files done instead of stepping. 0 goes back to
  // stepping.
  void CountProgress(int passes) {
    passes_ = passes;
    pass_ = 0;
  }

  // How runs are made (tests choose the number of threads).
  RunOptions options;

 private:
  FormBase& f_;
  Run* run_ = nullptr;
  QShortcut* escape_ = nullptr;
  int passes_ = 0;
  int pass_ = 0;
};

}  // namespace zur
