// What a caught exception says, for a report line or a message: so that a failure caught with
// catch (...) is told, never swallowed.
#pragma once

#include <cstdio>
#include <exception>
#include <new>
#include <string>

namespace zur {

// Only inside a catch block.
inline std::string CurrentFailureText() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

// Tells a failure on standard error where no message may be shown (painting, closing); only inside a
// catch block.
inline void ReportOnStandardError(const char* what) {
  std::fprintf(stderr, "ZURBatchProcess: %s: %s\n", what, CurrentFailureText().c_str());
}

}  // namespace zur
