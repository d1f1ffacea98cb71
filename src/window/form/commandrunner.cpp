#include "window/form/commandrunner.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <algorithm>

#include "window/form/formbase.h"

namespace zur {

CommandRunner::CommandRunner(FormBase& form) : f_(form) {
  connect(f_.View().BtnStop, &QPushButton::clicked, this, [this] { RequestStop(); });
  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), &f_);
  escape_->setContext(Qt::WindowShortcut);
  escape_->setEnabled(false);
  connect(escape_, &QShortcut::activated, this, [this] { RequestStop(); });
}

void CommandRunner::RequestStop() {
  if (run_) run_->RequestStop();
}

RunTally CommandRunner::Drive(RunJob& job, size_t items, RunFeed feed, const OnEvent& onEvent,
                              const std::function<void()>& afterEvents) {
  RunTally tally;
  QEventLoop loop;
  RunOptions runOptions = options;
  // The window's loop ends as soon as the run has (not at the next tick).
  runOptions.onFinished = [&loop] { QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection); };
  std::unique_ptr<Run> owned = feed ? std::make_unique<Run>(job, std::move(feed), runOptions)
                                    : std::make_unique<Run>(job, items, runOptions);
  Run& run = *owned;
  run_ = &run;
  QPushButton* stop = f_.View().BtnStop;
  stop->show();
  escape_->setEnabled(true);
  QApplication::setOverrideCursor(Qt::BusyCursor);

  // Counted: this pass's share of the bar, filled as its files are done.
  const bool counted = pass_ < passes_ && items > 0 && !feed;
  const int pass = pass_++;
  size_t seen = 0;
  auto drain = [&] {
    for (const RunEvent& e : run.TakeEvents()) {
      tally.Count(e);
      if (counted) {
        ++seen;
        f_.ProgressAt(static_cast<int>((pass * 100 + 100 * std::min(seen, items) / items) / static_cast<size_t>(passes_)));
      } else {
        f_.ProgressStep();
        f_.ProgressStep();
        f_.ProgressStep();
      }
      if (onEvent) onEvent(e);
    }
    if (afterEvents) afterEvents();
    f_.ShowPending();
  };
  QTimer tick;
  tick.setInterval(25);
  connect(&tick, &QTimer::timeout, &loop, [&] { drain(); });
  run.Start();
  tick.start();
  loop.exec();
  // The loop also ends when the program is told to end (its exit button): the run stops then.
  if (!run.Finished()) run.RequestStop();
  run.Wait();
  drain();

  tally.committed = run.Committed();
  tally.stopped = run.Stopped();
  QApplication::restoreOverrideCursor();
  escape_->setEnabled(false);
  stop->hide();
  run_ = nullptr;
  return tally;
}

}  // namespace zur
