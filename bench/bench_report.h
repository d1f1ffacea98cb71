// Timing and the "name: value unit" lines of the benchmarks.
#pragma once

#include <chrono>
#include <cstdio>

namespace zur::bench {

class Timer {
 public:
  double Seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

inline void Report(const char* name, double value, const char* unit) {
  std::printf("%s: %.3f %s\n", name, value, unit);
  std::fflush(stdout);
}

}  // namespace zur::bench
