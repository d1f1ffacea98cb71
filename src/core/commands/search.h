// The text search: every listed file of the source tree whose text holds the search text, in the
// file's own encoding.
#pragma once

#include <string>

#include "core/commands/driver.h"
#include "core/files/scan.h"
#include "core/replace/rules.h"

namespace zur {

struct SearchRequest {
  std::string source;    // folder value
  FileFilter filter;     // the files to take
  std::u16string text;   // trimmed; its inner line breaks match any line end
  Encoding cp = Encoding::Utf8;
  bool followOutside = false;  // links that lead out of the source folder are followed
  RuleOptions options;         // as a rule's: case, whole word, a regular expression
};

// Reports each hit (Outcome::Hit) with its path as the result list shows it and its stored path, and
// each file it could not read. Refused, reading nothing, when the source folder is missing, a file, or
// cannot be read.
CommandResult RunSearch(SearchRequest request, RunDriver& driver, CommandSink& sink);

}  // namespace zur
