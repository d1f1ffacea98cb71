// Shell wildcard patterns ("*", "?", "[a-z]") matched the way the system's own shell tools match them.
#pragma once

#include <string>

namespace zur::fs {

// Whether `text` matches `pattern`. With `path`, "*", "?" and brackets never match a "/", so that a
// pattern of several folder parts matches part by part.
bool GlobMatches(const std::string& pattern, const std::string& text, bool path);

}  // namespace zur::fs
