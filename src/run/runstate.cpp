#include "run/runstate.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/fileio.h"
#include "platform/filesystem.h"

namespace zur {
namespace {

constexpr char kActivePrefix[] = "active-";
constexpr char kLastFile[] = "last";

// The record files hold one escaped path on one line.
std::optional<std::string> ReadPathFile(const std::string& file) {
  try {
    std::string text = fs::ReadFile(file);
    const size_t end = text.find('\n');
    if (end == std::string::npos) return std::nullopt;
    return UnescapeField(std::string_view(text).substr(0, end));
  } catch (...) {
    return std::nullopt;
  }
}

bool WritePathFile(const std::string& file, const std::string& path) {
  try {
    fs::WriteFileSafely(file, EscapeField(path) + "\n");
    return true;
  } catch (...) {
    return false;
  }
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

// A run's name ends with the process number of the program that runs it; a run of a program that is
// still going (a second window of this program) is not put right under its feet.
bool OwnerAlive(const std::string& id) {
  const size_t dash = id.rfind('-');
  if (dash == std::string::npos) return false;
  const long pid = std::strtol(id.c_str() + dash + 1, nullptr, 10);
  if (pid <= 0 || pid == ::getpid()) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(trimmed.substr(0, slash))) return false;
  if (::mkdir(trimmed.c_str(), 0777) == 0) return true;
  return errno == EEXIST && ::stat(trimmed.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool LoadOriginal(const JournalEntry& e, ByteBuffer& into) {
  try {
    if (!e.copy.empty()) {
      fs::OpenedFile copy = fs::OpenedFile::Open(e.copy, false);
      if (!copy.Ok() || !copy.ReadAll(into)) return false;
    } else {
      fs::ReadRange(e.data, e.dataOffset, e.size, into);
    }
  } catch (...) {
    return false;
  }
  return into.size() == e.size && FingerprintOf(into.view()) == e.before;
}

std::vector<RecoveryNote> RecoverJournal(const std::string& journalPath) {
  std::vector<RecoveryNote> notes;
  auto journal = ReadJournal(journalPath);
  if (!journal) return notes;
  auto writer = JournalWriter::Append(journalPath);
  ByteBuffer current, original;
  // Writes the original back over a file that holds neither the original nor what the run wrote.
  auto putBack = [&](const JournalEntry& e, bool always) {
    fs::OpenedFile file = fs::OpenedFile::Open(e.path, true);
    if (!file.Ok() || !file.ReadAll(current)) return;
    const Fingerprint now = FingerprintOf(current.view());
    if (now == e.before) return;
    if (!always && now == e.after) {
      if (writer) writer->Done(e.n);
      return;
    }
    RecoveryNote note{e.shown.empty() ? e.path : e.shown, false};
    std::string error;
    if (LoadOriginal(e, original) && file.WriteInPlace(original.view(), error)) note.putBack = true;
    notes.push_back(std::move(note));
  };
  if (journal->closed.empty()) {
    for (size_t i = 0; i < journal->entries.size(); ++i) {
      const JournalEntry& e = journal->entries[i];
      if (i < journal->entriesBeforeSync && journal->done.count(e.n)) continue;
      putBack(e, false);
    }
    if (writer) writer->Closed("crash");
  }
  if (journal->restoreOpen) {
    for (const JournalEntry& e : journal->entries) {
      if (journal->restoring.count(e.n) && !journal->restored.count(e.n)) {
        putBack(e, true);
        if (writer) writer->Restored(e.n);
      }
    }
    if (writer) writer->RestoreEnd();
  }
  return notes;
}

bool RunState::Ready() const { return MakeFolders(folder_); }

std::string RunState::NewId() const {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const long long micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
  return std::to_string(micros) + "-" + std::to_string(::getpid());
}

std::string RunState::DataPathFor(const std::string& id, size_t worker) const {
  return folder_ + id + ".data" + std::to_string(worker);
}

bool RunState::MarkActive(const std::string& id, const std::string& journal) const {
  return Ready() && WritePathFile(folder_ + kActivePrefix + id, journal);
}

void RunState::ClearActive(const std::string& id) const { ::unlink((folder_ + kActivePrefix + id).c_str()); }

void RunState::RemoveRunFiles(const std::string& id) const {
  for (const std::string& name : NamesIn(folder_)) {
    if (StartsWith(name, id + ".")) ::unlink((folder_ + name).c_str());
  }
}

std::string RunState::LastJournal() const { return ReadPathFile(folder_ + kLastFile).value_or(std::string()); }

void RunState::SetLastJournal(const std::string& journal) const {
  if (Ready()) WritePathFile(folder_ + kLastFile, journal);
}

void RunState::ClearLastJournal() const { ::unlink((folder_ + kLastFile).c_str()); }

std::vector<RecoveryNote> RunState::RecoverInterrupted() const {
  std::vector<RecoveryNote> notes;
  for (const std::string& name : NamesIn(folder_)) {
    if (!StartsWith(name, kActivePrefix)) continue;
    const std::string id = name.substr(std::strlen(kActivePrefix));
    if (OwnerAlive(id)) continue;
    if (auto journal = ReadPathFile(folder_ + name)) {
      auto more = RecoverJournal(*journal);
      notes.insert(notes.end(), more.begin(), more.end());
      // A run without copies kept its journal here only for this.
      if (*journal == JournalPathFor(id)) RemoveRunFiles(id);
    }
    ClearActive(id);
  }
  return notes;
}

}  // namespace zur
