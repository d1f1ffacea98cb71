#include "replace/backup.h"

#include "fileset/paths.h"
#include "platform/filesystem.h"
#include "replace/worktext.h"

namespace zur {

std::string PathBelow(const std::string& root, const std::string& path) {
  if (!root.empty() && path.size() > root.size() && path.compare(0, root.size(), root) == 0) {
    return path.substr(root.size());
  }
  return FileNamePart(path);
}

std::string TreeCopyPath(const std::string& outputPath, const std::string& sourceRoot, const std::string& file) {
  return outputPath + PathBelow(sourceRoot, file);
}

std::string TreeRestoreTarget(const std::string& sourcePath, const std::string& outputRoot, const std::string& copy) {
  return sourcePath + PathBelow(outputRoot, copy);
}

void SaveCopy(const WorkText& work, const std::string& copyPath) {
  const std::string folder = FolderPart(copyPath);
  if (!folder.empty() && !FolderExists(folder) && CreateFolderPath(folder) != CreateOutcome::Done) {
    throw fs::FileError("cannot make the folder of " + copyPath);
  }
  work.SaveToFile(copyPath);
}

bool SameFolder(const std::string& a, const std::string& b) {
  auto x = fs::IdOfFolder(a);
  auto y = fs::IdOfFolder(b);
  return x && y && *x == *y;
}

}  // namespace zur
