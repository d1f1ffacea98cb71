// Where backup copies go, and which output folders are refused.
//
// The selected-files batch keeps a copy under the output folder by file name. The whole-folder batch
// keeps the file's path below the source folder, so that two files of the same name in different
// sub-folders both keep their copy; a file directly in the source folder still lands directly in the
// output folder.
#pragma once

#include <string>

namespace zur {

// The part of `path` below `root` (a folder value), or the bare file name when it is not below it.
std::string PathBelow(const std::string& root, const std::string& path);

// True when both paths name one existing folder (however they are spelled).
bool SameFolder(const std::string& a, const std::string& b);

// True when the folder `outer` is `inner` or one of the folders above it (links followed), so that
// copies written into `outer` could land on files of `inner`.
bool FolderContains(const std::string& outer, const std::string& inner);

}  // namespace zur
