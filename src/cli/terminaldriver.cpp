#include "cli/terminaldriver.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

namespace zur::cli {
namespace {

std::atomic<bool> stopAsked{false};

void AskStop(int) { stopAsked = true; }

}  // namespace

TerminalDriver::TerminalDriver(bool progress) : progress_(progress && ::isatty(STDERR_FILENO)) {
  struct sigaction action {};
  action.sa_handler = AskStop;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

TerminalDriver::~TerminalDriver() {
  ::signal(SIGINT, SIG_DFL);
  ::signal(SIGTERM, SIG_DFL);
}

void TerminalDriver::ShowProgress(size_t done, size_t items, bool last) {
  if (!progress_) return;
  if (items > 0) {
    constexpr size_t kWidth = 30;
    const size_t filled = kWidth * std::min(done, items) / items;
    std::fprintf(stderr, "\r[%s%s] %zu/%zu", std::string(filled, '#').c_str(), std::string(kWidth - filled, ' ').c_str(),
                 done, items);
  } else {
    std::fprintf(stderr, "\r%zu", done);
  }
  shown_ = !last;
  if (last) std::fputs("\r\033[K", stderr);  // the line goes once the run has ended
  std::fflush(stderr);
}

RunTally TerminalDriver::Drive(RunJob& job, size_t items, RunFeed feed, const OnEvent& onEvent,
                               const std::function<void()>& pause) {
  RunTally tally;
  auto owned = feed ? std::make_unique<Run>(job, std::move(feed)) : std::make_unique<Run>(job, items);
  Run& run = *owned;
  size_t seen = 0;
  auto drain = [&] {
    for (const RunEvent& e : run.TakeEvents()) {
      tally.Count(e);
      ++seen;
      if (onEvent) {
        // The progress line goes before a file's line is written to the same terminal.
        if (shown_) {
          std::fputs("\r\033[K", stderr);
          shown_ = false;
        }
        onEvent(e);
      }
    }
    if (pause) pause();
  };
  run.Start();
  // A short run is not kept waiting: the pauses grow from a millisecond to the report interval.
  int wait = 1;
  while (!run.Finished()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    wait = std::min(wait * 2, 25);
    if (stopAsked) run.RequestStop();
    drain();
    ShowProgress(seen, items, false);
  }
  run.Wait();
  drain();
  ShowProgress(seen, items, true);
  tally.committed = run.Committed();
  tally.stopped = run.Stopped();
  return tally;
}

}  // namespace zur::cli
