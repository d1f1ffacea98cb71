#include "core/run/history.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <vector>

#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"
#include "core/files/paths.h"
#include "core/run/originals.h"

namespace zur {
namespace {

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }
bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string RunFolder(const JournalHeader& header) { return header.output + kHistoryFolder + header.id + "/"; }


bool IsRegular(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The id of a run: microseconds since 1970, a dash and the process number.
long long IdTime(const std::string& id) {
  const size_t dash = id.find('-');
  if (dash == 0 || dash == std::string::npos) return -1;
  long long micros = 0;
  for (size_t i = 0; i < dash; ++i) {
    if (id[i] < '0' || id[i] > '9' || micros > (1LL << 58)) return -1;
    micros = micros * 10 + (id[i] - '0');
  }
  return micros;
}

}  // namespace

std::string HistoryCopyPath(const JournalHeader& header, const std::string& copy) {
  if (header.output.empty() || !StartsWith(copy, header.output)) return {};
  return RunFolder(header) + copy.substr(header.output.size());
}

bool MoveRunAside(HeldJournal& held, const std::string& journalName, std::string& why) {
  const JournalHeader& header = held.Read().header;
  if (IdTime(header.id) < 0) {
    why = held.Path() + ": not a run's journal";
    return false;
  }
  const std::string folder = RunFolder(header);
  const std::string runBelow = std::string(kHistoryFolder) + header.id + "/";
  try {
    // Made for this user alone, never through a link or into a folder of someone else's.
    fs::OpenFoldersBelow(header.output, runBelow, {});
    for (const JournalEntry& e : held.Read().entries) {
      const std::string target = HistoryCopyPath(header, e.copy);
      if (target.empty() || !IsRegular(e.copy) || IsRegular(target)) continue;  // moved already, or not a copy
      fs::OpenFoldersBelow(header.output, runBelow + FolderPart(target.substr(folder.size())), {});
      if (!fs::RenameNoReplace(e.copy, target)) throw fs::FileError(e.copy + ": " + fs::ErrorText(errno), errno);
    }
  } catch (const fs::FileError& error) {
    why = error.what();
    return false;
  }
  // The copies are in their new place before the journal is: a journal in the history never names a
  // copy that is still where a newer run puts its own.
  if (!fs::SyncFolder(folder) || !fs::RenameNoReplace(held.Path(), folder + journalName) || !fs::SyncFolder(folder) ||
      !fs::SyncFolder(header.output)) {
    why = held.Path() + ": " + fs::ErrorText(errno);
    return false;
  }
  return true;
}

bool KeepRunInPlace(HeldJournal& held, const std::string& journalName, std::string& why) {
  const JournalHeader& header = held.Read().header;
  if (IdTime(header.id) < 0) {
    why = held.Path() + ": not a run's journal";
    return false;
  }
  if (!fs::RenameNoReplace(held.Path(), header.output + journalName + "." + header.id) || !fs::SyncFolder(header.output)) {
    why = held.Path() + ": " + fs::ErrorText(errno);
    return false;
  }
  return true;
}

std::string NewestLiveJournal(const std::string& output, const std::string& journalName) {
  if (IsRegular(output + journalName)) return output + journalName;
  std::vector<std::pair<long long, std::string>> runs;
  auto consider = [&](const std::string& id, const std::string& path) {
    const long long time = IdTime(id);
    if (time >= 0 && !EndsWith(id, kUndoneSuffix) && IsRegular(path)) runs.emplace_back(time, path);
  };
  // Runs kept in the output folder itself, where the history could not be used.
  const std::string sibling = journalName + ".";
  if (DIR* dir = ::opendir(output.c_str())) {
    while (const dirent* d = ::readdir(dir)) {
      const std::string name = d->d_name;
      if (StartsWith(name, sibling)) consider(name.substr(sibling.size()), output + name);
    }
    ::closedir(dir);
  }
  const std::string history = output + kHistoryFolder;
  if (DIR* dir = ::opendir(history.c_str())) {
    while (const dirent* d = ::readdir(dir)) {
      const std::string name = d->d_name;
      consider(name, history + name + "/" + journalName);
    }
    ::closedir(dir);
  }
  if (runs.empty()) return {};
  return std::max_element(runs.begin(), runs.end())->second;
}

bool MarkUndone(const std::string& path) {
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  return ::rename(path.c_str(), (path + kUndoneSuffix).c_str()) == 0 && fs::SyncFolder(folder);
}

std::string RunTime(const std::string& id) {
  const long long micros = IdTime(id);
  if (micros < 0) return {};
  const time_t seconds = static_cast<time_t>(micros / 1000000);
  tm local{};
  if (!::localtime_r(&seconds, &local)) return {};
  char text[32];
  return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) ? std::string(text) : std::string();
}

}  // namespace zur
