#include "core/run/originals.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/files/paths.h"
#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"

namespace zur {

bool MakeFolders(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) errno = ENOTDIR;
    return S_ISDIR(st.st_mode);
  }
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(trimmed.substr(0, slash))) return false;
  if (::mkdir(trimmed.c_str(), 0777) == 0) return true;
  return errno == EEXIST && ::stat(trimmed.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

OriginalStore::OriginalStore(bool copies, std::string output, std::string dataBase, std::string source,
                             std::string runId)
    : copies_(copies),
      output_(std::move(output)),
      dataBase_(std::move(dataBase)),
      source_(std::move(source)),
      runId_(std::move(runId)),
      data_(kMaxWorkers) {}

void OriginalStore::KeepCopy(const std::string& below, std::string_view original, JournalEntry& e) {
  const fs::FileTime time{e.mtimeSec, e.mtimeNsec};
  auto at = [&](const std::string& relative, const std::string& model) {
    const fs::UniqueFd folder = fs::OpenFoldersBelow(output_, FolderPart(relative), model);
    fs::CreateNewFileAt(folder.Get(), FileNamePart(relative), original, e.mode, time, output_ + relative);
    e.copy = output_ + relative;
  };
  if (below.empty() || !fs::StaysBelow(below)) {
    throw fs::FileError("cannot keep a copy of " + e.path + " below " + output_, EINVAL);
  }
  try {
    return at(below, source_);
  } catch (const fs::FileError& error) {
    if (error.Error() != EEXIST) throw;
  }
  // The name is taken (a copy that an unfinished earlier run still needs, a file of the user's, a name
  // another user put there): the copy goes to a folder of this run's own, where nothing else is.
  at(std::string(kExtraFolder) + runId_ + "/" + below, {});
}

OriginalStore::~OriginalStore() { Close(); }

void OriginalStore::Close() {
  for (int* fd : {&outputFd_, &dataFolderFd_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  for (DataFile& d : data_) {
    if (d.fd >= 0) ::close(d.fd);
    d.fd = -1;
    d.size = 0;
    d.named = false;
  }
}

void OriginalStore::Keep(size_t worker, const std::string& below, std::string_view original, JournalEntry& e) {
  if (copies_) return KeepCopy(below, original, e);
  DataFile& d = data_[worker % kMaxWorkers];
  e.data = dataBase_ + std::to_string(worker % kMaxWorkers);
  if (d.fd < 0) {
    d.named = false;
    const int fd = ::open(e.data.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) throw fs::FileError(e.data + ": " + fs::ErrorText(errno));
    d.fd = fd;
  }
  e.dataOffset = d.size;
  size_t done = 0;
  while (done < original.size()) {
    const ssize_t n = ::pwrite(d.fd, original.data() + done, original.size() - done, static_cast<off_t>(d.size + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw fs::FileError(e.data + ": " + fs::ErrorText(n < 0 ? errno : EIO));
    done += static_cast<size_t>(n);
  }
  d.size += original.size();
}

void OriginalStore::AddTo(fs::SyncPoint& point) {
  if (copies_) {
    if (outputFd_ < 0) outputFd_ = ::open(output_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (outputFd_ >= 0) {
      point.FileSystemOf(outputFd_);
    } else {
      point.Failed(errno);
    }
    return;
  }
  bool fresh = false;
  for (DataFile& d : data_) {
    const int fd = d.fd;
    if (fd < 0) continue;
    point.File(fd);
    fresh = fresh || !d.named;
    d.named = true;
  }
  // The names of new data files in their folder, too.
  if (fresh) {
    if (dataFolderFd_ < 0) dataFolderFd_ = ::open(FolderPart(dataBase_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dataFolderFd_ >= 0) {
      point.File(dataFolderFd_);
    } else {
      point.Failed(errno);
    }
  }
}

bool LoadOriginal(const JournalEntry& e, ByteBuffer& into, const std::string& alternative) {
  auto load = [&](const std::string& path, uint64_t offset) {
    try {
      fs::ReadRange(path, offset, e.size, into);
    } catch (const fs::FileError&) {
      return false;  // the caller reports the original as missing
    }
    return into.size() == e.size && FingerprintOf(into.view()) == e.before;
  };
  if (e.copy.empty()) return load(e.data, e.dataOffset);
  // Only the original's own bytes count: a file of that name with other bytes is not it.
  return load(e.copy, 0) || (!alternative.empty() && load(alternative, 0));
}

}  // namespace zur
