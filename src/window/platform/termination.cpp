#include "window/platform/termination.h"

#include <QSocketNotifier>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace zur {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int pipeEnds[2] = {-1, -1};

// Runs inside the signal: nothing but an async-signal-safe write.
void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  (void)!::write(pipeEnds[1], &byte, 1);
  errno = saved;
}

void SetHandler(void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : kSignals) ::sigaction(sig, &action, nullptr);
}

}  // namespace

TerminationRequests::TerminationRequests(std::function<void()> onRequest, QObject* parent)
    : QObject(parent), onRequest_(std::move(onRequest)) {
  if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
  SetHandler(OnSignal);
}

TerminationRequests::~TerminationRequests() {
  if (!notifier_) return;
  SetHandler(SIG_DFL);
  delete notifier_;
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

void TerminationRequests::Drain() {
  char bytes[16];
  bool received = false;
  while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) received = true;
  if (received && onRequest_) onRequest_();
}

}  // namespace zur
