// Where backup copies go and where the restore puts them back.
//
// The selected-files batch keeps a copy under the output folder by file name. The whole-folder batch
// keeps the file's path below the source folder, so that two files of the same name in different
// sub-folders both keep their copy; a file directly in the source folder still lands directly in the
// output folder.
#pragma once

#include <string>

namespace zur {

class WorkText;

// The part of `path` below `root` (a folder value), or the bare file name when it is not below it.
std::string PathBelow(const std::string& root, const std::string& path);

// The copy of a file of the source tree: output folder + the file's path below the source folder.
std::string TreeCopyPath(const std::string& outputPath, const std::string& sourceRoot, const std::string& file);

// The file a copy of the output tree is put back over: source folder + the copy's path below the
// output folder.
std::string TreeRestoreTarget(const std::string& sourcePath, const std::string& outputRoot, const std::string& copy);

// Writes the lines as a copy, making the copy's folders first. Throws fs::FileError.
void SaveCopy(const WorkText& work, const std::string& copyPath);

// True when both paths name one existing folder (however they are spelled).
bool SameFolder(const std::string& a, const std::string& b);

// The progress bar's position after one step of a tenth of its range; a full bar starts again.
inline int ProgressAfterStep(int position, int minimum = 0, int maximum = 100) {
  const int step = (maximum - minimum) / 10;
  int next = position + step;
  if (next > maximum) next = minimum + (next - maximum);
  return next;
}

}  // namespace zur
