// Turns the signals that ask a program to end (SIGTERM from a desktop logout or `kill`, SIGINT from
// Ctrl+C, SIGHUP from a closed terminal) into a call on the user-interface thread, so that the program
// can end the normal way and save its settings. The signal handler only writes one byte into a pipe;
// a socket notifier on the other end makes the call from the event loop.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace zur {

class TerminationRequests : public QObject {
 public:
  // Installs the handlers; `onRequest` runs from the event loop after one or more signals came.
  // Only one object may exist at a time (Active() is false for a second one); its destruction gives
  // the signals back their default action.
  explicit TerminationRequests(std::function<void()> onRequest, QObject* parent = nullptr);
  ~TerminationRequests() override;
  bool Active() const { return notifier_ != nullptr; }

 private:
  void Drain();

  std::function<void()> onRequest_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace zur
