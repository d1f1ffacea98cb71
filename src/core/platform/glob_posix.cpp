#include "core/platform/glob.h"

#include <fnmatch.h>

namespace zur::fs {

bool GlobMatches(const std::string& pattern, const std::string& text, bool path) {
  return ::fnmatch(pattern.c_str(), text.c_str(), path ? FNM_PATHNAME : 0) == 0;
}

}  // namespace zur::fs
