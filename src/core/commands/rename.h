// Renaming files by replacing a text in their whole paths: the files directly in the source folder, or
// the listed files of the source tree (scanned while the renames go, and stoppable). A rename never
// replaces an existing file; one that fails is reported with the reason.
#pragma once

#include <string>

#include "core/commands/driver.h"
#include "core/files/scan.h"

namespace zur {

struct RenameRequest {
  enum class Files { Folder, Tree };
  Files files = Files::Folder;
  std::string source;     // folder value
  FileFilter filter;      // (Tree) the files to take
  std::string find;       // trimmed
  std::string replacement;
  Encoding cp = Encoding::Utf8;
  bool dryRun = false;  // nothing renamed: each file that would be is a Hit (with its new name)
  bool followOutside = false;  // (Tree) links that lead out of the source folder are followed
};

// Reports each file with its path and its new one (the path as the folders hold it with the text
// replaced in it; a file is moved only when that changes something).
// Refused, touching nothing, when the source folder is missing, a file, or cannot be read.
CommandResult RunRename(RenameRequest request, RunDriver& driver, CommandSink& sink);

}  // namespace zur
