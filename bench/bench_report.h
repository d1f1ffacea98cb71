// Timing and the "name: value unit" lines of the benchmarks.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <string>
#include <vector>

namespace zur::bench {

class Timer {
 public:
  double Seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

inline void Report(const std::string& name, double value, const char* unit) {
  std::printf("%s: %.3f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Seconds a shell command takes, or a negative number when it failed. Exit status 1 is no failure:
// it is how grep and rg say that they found nothing.
inline double TimeCommand(const std::string& command) {
  Timer t;
  const int status = std::system(command.c_str());
  const double s = t.Seconds();
  return (WIFEXITED(status) && WEXITSTATUS(status) <= 1) ? s : -1;
}

inline bool Installed(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace zur::bench
