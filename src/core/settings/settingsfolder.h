// Where the program keeps its settings files ("defualt.ini", the rule and search texts, "update.txt").
// The program's own folder when the program may write there, as for a program unpacked into the
// user's own folder; otherwise, as for a program installed under /usr or /usr/local, a folder of the
// program's name in the user's configuration folder.
#pragma once

#include <string>

namespace zur {

// The folder of the program's name under the user's configuration folder.
inline constexpr char kSettingsFolderName[] = "zur-text-replace";

// The rule itself, with the answers it depends on given by the caller:
// `exeDir` when `exeDirWritable`, else $XDG_CONFIG_HOME + kSettingsFolderName, where an unset, empty
// or relative $XDG_CONFIG_HOME (`xdgConfigHome`, may be null) stands for `homeDir` + "/.config".
// The result ends in "/".
std::string ChooseSettingsFolder(const std::string& exeDir, bool exeDirWritable, const char* xdgConfigHome,
                                 const std::string& homeDir);

struct SettingsPlace {
  std::string folder;  // ends in "/"
  bool writable = false;  // false: the folder could not be created or may not be written
};

// Applies the rule on this system: asks whether this process may write into `exeDir`, reads
// $XDG_CONFIG_HOME, and creates the configuration folder (mode 0700) with its missing parents.
SettingsPlace FindSettingsFolder(const std::string& exeDir, const std::string& homeDir);

// Whether this process may create and replace files in the folder.
bool FolderWritable(const std::string& folder);

}  // namespace zur
