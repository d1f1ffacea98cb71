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
#include "core/run/originals.h"

namespace zur {
namespace {

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

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
  try {
    MakeFoldersBelow(header.output, std::string(kHistoryFolder) + header.id + "/");
  } catch (const fs::FileError& error) {
    why = error.what();
    return false;
  }
  ::chmod((header.output + kHistoryFolder).c_str(), 0700);  // the runs' originals are nobody else's business
  for (const JournalEntry& e : held.Read().entries) {
    const std::string target = HistoryCopyPath(header, e.copy);
    if (target.empty() || !IsRegular(e.copy) || IsRegular(target)) continue;  // moved already, or not a copy
    try {
      MakeFoldersBelow(folder, target.substr(folder.size()));
    } catch (const fs::FileError& error) {
      why = error.what();
      return false;
    }
    if (!fs::RenameNoReplace(e.copy, target)) {
      why = e.copy + ": " + fs::ErrorText(errno);
      return false;
    }
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

std::string NewestLiveJournal(const std::string& output, const std::string& journalName) {
  if (IsRegular(output + journalName)) return output + journalName;
  const std::string history = output + kHistoryFolder;
  DIR* dir = ::opendir(history.c_str());
  if (!dir) return {};
  std::vector<std::pair<long long, std::string>> runs;
  while (const dirent* d = ::readdir(dir)) {
    const std::string name = d->d_name;
    const long long time = IdTime(name);
    if (time >= 0 && IsRegular(history + name + "/" + journalName)) runs.emplace_back(time, name);
  }
  ::closedir(dir);
  if (runs.empty()) return {};
  const auto newest = std::max_element(runs.begin(), runs.end());
  return history + newest->second + "/" + journalName;
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
