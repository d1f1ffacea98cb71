#include "core/settings/settingsfolder.h"

#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/platform/filesystem.h"

namespace zur {
namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// Creates the folder and every missing parent, each new level readable by its owner only.
bool MakeFolders(const std::string& folder) {
  for (size_t at = folder.find('/', 1); at != std::string::npos; at = folder.find('/', at + 1)) {
    const std::string level = folder.substr(0, at);
    if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return fs::Probe(folder) == fs::Kind::Folder;
}

}  // namespace

std::string ChooseSettingsFolder(const std::string& exeDir, bool exeDirWritable, const char* xdgConfigHome,
                                 const std::string& homeDir) {
  if (exeDirWritable) return WithSlash(exeDir);
  // A relative value is no valid configuration folder and is ignored, like an unset one.
  const std::string config = xdgConfigHome && xdgConfigHome[0] == '/' ? xdgConfigHome : WithSlash(homeDir) + ".config";
  return WithSlash(config) + kSettingsFolderName + "/";
}

bool FolderWritable(const std::string& folder) {
  return !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

SettingsPlace FindSettingsFolder(const std::string& exeDir, const std::string& homeDir) {
  SettingsPlace place;
  place.folder = ChooseSettingsFolder(exeDir, FolderWritable(exeDir), ::getenv("XDG_CONFIG_HOME"), homeDir);
  place.writable = MakeFolders(place.folder) && FolderWritable(place.folder);
  return place;
}

}  // namespace zur
