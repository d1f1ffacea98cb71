#include "core/run/runstate.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/files/paths.h"
#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"
#include "core/platform/privatefiles.h"

namespace zur {
namespace {

constexpr char kActivePrefix[] = "active-";
constexpr char kLastFile[] = "last";

// The record files hold one escaped path on one line.
std::optional<std::string> PathIn(std::string_view text) {
  const size_t end = text.find('\n');
  if (end == std::string::npos) return std::nullopt;
  return UnescapeField(text.substr(0, end));
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(dir)) names.emplace_back(e->d_name);
    ::closedir(dir);
  }
  return names;
}

bool StartsWith(const std::string& s, std::string_view p) { return s.compare(0, p.size(), p) == 0; }

std::string ReadAllFrom(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}


}  // namespace

bool RunState::Ready(std::string& why) {
  if (key_) return true;
  if (!fs::MakePrivateFolder(folder_, why)) return false;
  key_ = JournalKey::Load(folder_, why);
  return key_.has_value();
}

std::string RunState::NewId() const {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const long long micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
  return std::to_string(micros) + "-" + std::to_string(::getpid());
}

RunState::Mark::~Mark() {
  if (fd_ >= 0) ::close(fd_);
}

void RunState::Mark::Remove() {
  if (fd_ < 0) return;
  ::unlink(path_.c_str());  // while the lock is still held
  ::close(fd_);
  fd_ = -1;
}

std::unique_ptr<RunState::Mark> RunState::MarkActive(const std::string& id, const std::string& journal,
                                                     std::string& why) const {
  // Written and locked under a name of its own first, so that no one finds the mark before it is
  // whole and held.
  const std::string path = folder_ + kActivePrefix + id;
  const std::string temp = folder_ + "." + kActivePrefix + id + ".new";
  const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    why = temp + ": " + fs::ErrorText(errno);
    return nullptr;
  }
  const std::string line = EscapeField(journal) + "\n";
  auto written = [&] {
    const ssize_t n = ::write(fd, line.data(), line.size());
    if (n >= 0 && n != static_cast<ssize_t>(line.size())) errno = EIO;
    return n == static_cast<ssize_t>(line.size());
  };
  const bool ok = fs::TryLockExclusive(fd) && written() && ::fdatasync(fd) == 0 && fs::RenameNoReplace(temp, path) &&
                  fs::SyncFolder(folder_);
  if (!ok) {
    why = path + ": " + fs::ErrorText(errno);
    ::unlink(temp.c_str());
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<Mark>(new Mark(path, fd));
}

void RunState::RemoveRunFiles(const std::string& id) const {
  for (const std::string& name : NamesIn(folder_)) {
    if (StartsWith(name, id + ".") || StartsWith(name, "." + id + ".")) ::unlink((folder_ + name).c_str());
  }
}

std::string RunState::LastJournal() const {
  const int fd = ::open((folder_ + kLastFile).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return {};
  std::string why;
  const std::string text = fs::IsPrivateFile(fd, why) ? ReadAllFrom(fd) : std::string();
  ::close(fd);
  return PathIn(text).value_or(std::string());
}

void RunState::SetLastJournal(const std::string& journal) const {
  // A missing record only means the restore offers nothing; the run itself is not harmed.
  try {
    fs::WriteFileSafely(folder_ + kLastFile, EscapeField(journal) + "\n", 0600, true);
  } catch (const fs::FileError&) {
    ::unlink((folder_ + kLastFile).c_str());
  }
}

void RunState::ClearLastJournal() const { ::unlink((folder_ + kLastFile).c_str()); }

RecoveryReport RunState::RecoverInterrupted() {
  RecoveryReport report;
  std::string why;
  if (!Ready(why)) {
    report.resolved = false;
    report.notes.push_back({RecoveryNote::What::Refused, folder_, {}, why, {}});
    return report;
  }
  for (const std::string& name : NamesIn(folder_)) {
    if (!StartsWith(name, kActivePrefix)) continue;
    const std::string id = name.substr(std::strlen(kActivePrefix));
    const std::string markPath = folder_ + name;
    const int fd = ::open(markPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    // A run that is still going holds its mark's lock: it is left alone.
    struct stat held, named;
    if (!fs::IsPrivateFile(fd, why) || !fs::TryLockExclusive(fd) || ::fstat(fd, &held) != 0 ||
        ::lstat(markPath.c_str(), &named) != 0 || held.st_ino != named.st_ino) {
      ::close(fd);
      continue;
    }
    const auto journalPath = PathIn(ReadAllFrom(fd));
    HeldJournal journal = journalPath ? HeldJournal::Open(*journalPath, *key_) : HeldJournal();
    bool finished = false;
    switch (journal.State()) {
      case HeldJournal::Status::Busy:
        break;  // taken over by a run that is going
      case HeldJournal::Status::Missing:
        // Gone with its folder: perhaps on a drive that is not mounted now. Its mark stays.
        if (journalPath && fs::Probe(FolderPart(*journalPath)) != fs::Kind::Folder) {
          report.resolved = false;
          report.notes.push_back({RecoveryNote::What::Waits, *journalPath, *journalPath, fs::ErrorText(ENOENT), {}});
        } else {
          finished = true;
        }
        break;
      case HeldJournal::Status::Refused:
        report.resolved = false;
        report.notes.push_back({RecoveryNote::What::Refused, *journalPath, {}, journal.Why(), {}});
        break;
      case HeldJournal::Status::Ok: {
        // The run itself (not a restore) was cut short: not closed yet, or closed by an earlier start
        // whose question was never answered.
        const bool killed = journal.Read().closed.empty() || journal.Read().closed == "crash";
        RecoveryReport one = RecoverJournal(journal, *key_, folder_);
        finished = one.resolved;
        report.Add(std::move(one));
        if (finished && killed && journal.Reread(*key_) && !journal.Read().ChangedFiles().empty()) {
          // The user decides: undo the files it changed, or keep them. Its originals wait for that.
          const Journal& j = journal.Read();
          CutShortRun run{*journalPath, markPath, j.header.id, j.header.source, j.ChangedFiles().size(), {},
                          j.header.copies};
          // Gone through: at least the files it changed (its count is written only with each group).
          const uint64_t reached = std::max<uint64_t>(j.reached, run.changed);
          if (j.listed) run.notReached = *j.listed > reached ? *j.listed - reached : 0;
          report.cutShort.push_back(std::move(run));
          finished = false;
        }
        break;
      }
    }
    if (finished) {
      // A run without copies kept its journal and originals here only for this.
      if (!journalPath || *journalPath == JournalPathFor(id)) RemoveRunFiles(id);
      ::unlink(markPath.c_str());
    }
    ::close(fd);
  }
  // A restore of a run cut short that was itself cut short leaves a mark of its own for the same run:
  // the run is asked about once, under its own mark; the restore's mark has nothing left to say.
  std::vector<CutShortRun> once;
  for (CutShortRun& run : report.cutShort) {
    const std::string own = folder_ + kActivePrefix + run.id;
    bool merged = false;
    for (CutShortRun& kept : once) {
      if (kept.journal != run.journal) continue;
      merged = true;
      if (run.mark == own) std::swap(kept, run);
      ::unlink(run.mark.c_str());
    }
    if (!merged) once.push_back(std::move(run));
  }
  report.cutShort = std::move(once);
  return report;
}

}  // namespace zur
