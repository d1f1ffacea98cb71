// Where the settings live: beside a program whose folder may be written, else in the user's
// configuration folder.
#include <gtest/gtest.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/settings/settingsfolder.h"
#include "support/tempdir.h"

namespace zur {
namespace {

using testing::TempDir;

TEST(SettingsFolder, TheProgramFolderWhenWritableElseTheConfigurationFolder) {
  EXPECT_EQ(ChooseSettingsFolder("/home/u/zur/", true, "/home/u/cfg", "/home/u"), "/home/u/zur/");
  EXPECT_EQ(ChooseSettingsFolder("/usr/bin/", false, "/home/u/cfg", "/home/u"), "/home/u/cfg/zur-text-replace/");
  EXPECT_EQ(ChooseSettingsFolder("/usr/bin/", false, "/home/u/cfg/", "/home/u"), "/home/u/cfg/zur-text-replace/");
  // Unset, empty and relative values are no configuration folder: ~/.config stands in.
  for (const char* xdg : {static_cast<const char*>(nullptr), "", "cfg"}) {
    EXPECT_EQ(ChooseSettingsFolder("/usr/bin/", false, xdg, "/home/u"), "/home/u/.config/zur-text-replace/");
  }
  EXPECT_EQ(ChooseSettingsFolder("/usr/bin/", false, nullptr, "/"), "/.config/zur-text-replace/");
}

// Runs FindSettingsFolder in a child that may not write into `exeDir` (root drops to nobody, because
// root may write into any folder) and gives back its answer as "<folder>|<writable>".
std::string FindAsOrdinaryUser(const std::string& exeDir, const std::string& xdg, const std::string& home) {
  int ends[2];
  if (::pipe(ends) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ends[0]);
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(2);
    ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    const SettingsPlace place = FindSettingsFolder(exeDir, home);
    const std::string answer = place.folder + "|" + (place.writable ? "writable" : "not writable");
    _exit(::write(ends[1], answer.data(), answer.size()) == static_cast<ssize_t>(answer.size()) ? 0 : 3);
  }
  ::close(ends[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<size_t>(n));
  ::close(ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? answer : "child failed";
}

TEST(SettingsFolder, AReadOnlyProgramFolderSendsTheSettingsToTheConfigurationFolder) {
  TempDir dir;
  const std::string exeDir = dir / "prog/";
  std::filesystem::create_directories(exeDir);
  std::filesystem::create_directories(dir / "home");
  ::chmod((dir / "").c_str(), 0777);
  ::chmod((dir / "home").c_str(), 0777);
  ::chmod(exeDir.c_str(), 0555);

  // The configuration folder and its missing parents are created.
  EXPECT_EQ(FindAsOrdinaryUser(exeDir, dir / "cfg/deeper", dir / "home"), dir / "cfg/deeper/zur-text-replace/|writable");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "cfg/deeper/zur-text-replace"));
  // Without $XDG_CONFIG_HOME: ~/.config.
  EXPECT_EQ(FindAsOrdinaryUser(exeDir, "", dir / "home"), dir / "home/.config/zur-text-replace/|writable");
  // A configuration folder that cannot be made is reported, not passed off as usable.
  testing::WriteBytes(dir / "file", "x");
  ::chmod((dir / "file").c_str(), 0666);
  EXPECT_EQ(FindAsOrdinaryUser(exeDir, dir / "file/cfg", dir / "home"), dir / "file/cfg/zur-text-replace/|not writable");
  ::chmod(exeDir.c_str(), 0755);
}

TEST(SettingsFolder, AWritableProgramFolderKeepsTheSettings) {
  TempDir dir;
  ::setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
  const SettingsPlace place = FindSettingsFolder(dir.Folder(), dir / "home");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(place.folder, dir.Folder());
  EXPECT_TRUE(place.writable);
  EXPECT_FALSE(std::filesystem::exists(dir / "cfg"));
}

}  // namespace
}  // namespace zur
