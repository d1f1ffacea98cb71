// Runs part of a test as another user (nobody) in a child process: tests run as root in CI, and the
// cases about ownership and permissions need someone who is not.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace zur::testing {

// The child's exit status (99 when it did not exit normally).
inline int AsNobody(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::getuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(90);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

inline bool CanBecomeNobody() { return ::geteuid() == 0; }

}  // namespace zur::testing
