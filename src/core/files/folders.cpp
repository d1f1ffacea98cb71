#include "core/files/folders.h"

#include <limits.h>
#include <stdlib.h>

#include "core/files/paths.h"
#include "core/platform/filesystem.h"

namespace zur {

std::string PathBelow(const std::string& root, const std::string& path) {
  if (!root.empty() && path.size() > root.size() && path.compare(0, root.size(), root) == 0) {
    return path.substr(root.size());
  }
  return FileNamePart(path);
}

bool SameFolder(const std::string& a, const std::string& b) {
  auto x = fs::IdOfFolder(a);
  auto y = fs::IdOfFolder(b);
  return x && y && *x == *y;
}

bool FolderContains(const std::string& outer, const std::string& inner) {
  const auto target = fs::IdOfFolder(outer);
  if (!target) return false;
  char resolved[PATH_MAX];
  if (!::realpath(inner.c_str(), resolved)) return false;
  // The source folder and every folder above it, up to the root.
  std::string path = resolved;
  for (;;) {
    if (fs::IdOfFolder(path.empty() ? "/" : path) == target) return true;
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || path.empty()) return false;
    path.resize(slash);
  }
}

}  // namespace zur
