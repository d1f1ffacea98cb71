// Drives a command's run from a terminal: the run works on threads of its own, its events reach the
// command on the main thread, a progress line goes to standard error when that is a terminal, and
// Ctrl+C (SIGINT, also SIGTERM) stops the run between two files, as the window's stop button does.
#pragma once

#include "core/commands/driver.h"

namespace zur::cli {

class TerminalDriver : public RunDriver {
 public:
  explicit TerminalDriver(bool progress);
  ~TerminalDriver() override;
  RunTally Drive(RunJob& job, size_t items, RunFeed feed, const OnEvent& onEvent,
                 const std::function<void()>& pause) override;

 private:
  void ShowProgress(size_t done, size_t items, bool last);
  bool progress_;
  bool shown_ = false;  // a progress line stands on the terminal
};

}  // namespace zur::cli
