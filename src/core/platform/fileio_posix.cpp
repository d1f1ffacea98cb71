#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <algorithm>
#include <string>
#include <vector>

#include "core/platform/closer.h"
#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"

namespace zur::fs {
namespace {

FileStat FromStat(const struct stat& st) {
  FileStat s;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.mode = static_cast<uint32_t>(st.st_mode);
  s.uid = st.st_uid;
  s.gid = st.st_gid;
  s.links = static_cast<uint64_t>(st.st_nlink);
  s.size = st.st_size;
  s.mtimeSec = st.st_mtim.tv_sec;
  s.mtimeNsec = st.st_mtim.tv_nsec;
  s.ctimeSec = st.st_ctim.tv_sec;
  s.ctimeNsec = st.st_ctim.tv_nsec;
  return s;
}

Refusal RefusalOf(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return Refusal::Missing;
    case EACCES:
    case EPERM:
      return Refusal::NotReadable;
    case ENAMETOOLONG:
      return Refusal::TooLong;
    case EISDIR:
    case ENXIO:
    case ENODEV:
      return Refusal::NotRegular;
    default:
      return Refusal::Failed;
  }
}

bool ReadInto(int fd, ByteBuffer& into, size_t limit, size_t sizeHint, bool& whole) {
  into.clear();
  into.reserve(std::max<size_t>(1, std::min(limit, sizeHint + 1)));
  size_t got = 0;
  whole = true;
  for (;;) {
    if (got == limit) {
      // The limit is reached: the file is whole only when nothing follows.
      char probe;
      ssize_t more;
      do {
        more = ::read(fd, &probe, 1);
      } while (more < 0 && errno == EINTR);
      if (more < 0) return false;
      whole = more == 0;
      break;
    }
    if (got == into.capacity()) into.reserve(std::min(limit, got * 2 + 65536));
    const size_t room = std::min(into.capacity(), limit) - got;
    into.resize(into.capacity());  // no bytes are initialised
    ssize_t n = ::read(fd, into.data() + got, room);
    if (n < 0) {
      if (errno == EINTR) continue;
      into.resize(got);
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
    // The size the file had when opened has been read: no second call just to see its end.
    if (sizeHint > 0 && got == sizeHint && limit > sizeHint) break;
  }
  into.resize(got);
  return true;
}

bool WriteAllAt(int fd, const char* p, size_t n, off_t offset) {
  while (n > 0) {
    ssize_t w = ::pwrite(fd, p, n, offset);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) {
      errno = EIO;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
    offset += w;
  }
  return true;
}

constexpr uint32_t kSettableBits = 01777;  // permission bits without set-user-ID and set-group-ID
constexpr long kFuseMagic = 0x65735546;   // file systems in user space: syncfs may flush nothing

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The names of a file's extended attributes; false on an error (a file system without them has none).
bool AttributeNames(int fd, std::vector<std::string>& names) {
  names.clear();
  for (;;) {
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0) return errno == ENOTSUP;
    if (size == 0) return true;
    std::string list(static_cast<size_t>(size), '\0');
    const ssize_t got = ::flistxattr(fd, list.data(), list.size());
    if (got < 0 && errno == ERANGE) continue;  // grew meanwhile
    if (got < 0) return false;
    for (size_t at = 0; at < static_cast<size_t>(got);) {
      const size_t end = list.find('\0', at);
      if (end == std::string::npos) break;
      if (end > at) names.push_back(list.substr(at, end - at));
      at = end + 1;
    }
    return true;
  }
}

// Gives `to` exactly the extended attributes of `from` (access control lists included): those of
// `from` are copied, others that `to` got on its own (from the folder's default list) are removed.
bool CopyAttributes(int from, int to) {
  std::vector<std::string> names, own;
  if (!AttributeNames(from, names) || !AttributeNames(to, own)) return false;
  for (const std::string& name : names) {
    std::string value;
    for (;;) {
      const ssize_t size = ::fgetxattr(from, name.c_str(), nullptr, 0);
      if (size < 0) return false;
      value.resize(static_cast<size_t>(size));
      const ssize_t got = ::fgetxattr(from, name.c_str(), value.data(), value.size());
      if (got < 0 && errno == ERANGE) continue;
      if (got < 0) return false;
      value.resize(static_cast<size_t>(got));
      break;
    }
    if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) return false;
  }
  for (const std::string& name : own) {
    if (std::find(names.begin(), names.end(), name) == names.end() && ::fremovexattr(to, name.c_str()) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

OpenedFile::~OpenedFile() { Close(); }

OpenedFile::OpenedFile(OpenedFile&& o) noexcept { *this = std::move(o); }

OpenedFile& OpenedFile::operator=(OpenedFile&& o) noexcept {
  if (this != &o) {
    Close();
    fd_ = o.fd_;
    read_ = o.read_;
    writable_ = o.writable_;
    refusal_ = o.refusal_;
    error_ = o.error_;
    stat_ = o.stat_;
    path_ = std::move(o.path_);
    replaced_ = o.replaced_;
    readOnly_ = o.readOnly_;
    folder_ = std::move(o.folder_);
    o.fd_ = -1;
  }
  return *this;
}

void CloseFd(int fd) { ::close(fd); }

void OpenedFile::Close() {
  // The old file of a name that a new file took is freed by this close: done on the side.
  if (fd_ >= 0 && replaced_) {
    CloseInBackground(fd_);
  } else if (fd_ >= 0) {
    ::close(fd_);
  }
  fd_ = -1;
  replaced_ = false;
  readOnly_ = false;
  folder_.Reset();
}

std::string OpenedFile::Folder() const { return FolderOf(path_); }
std::string OpenedFile::Name() const { return NameOf(path_); }

Refusal ProbeRegular(const std::string& path, FileStat* out) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return RefusalOf(errno);
  if (!S_ISREG(st.st_mode)) return Refusal::NotRegular;
  if (out) *out = FromStat(st);
  return Refusal::None;
}

OpenedFile OpenedFile::Open(const std::string& path, bool write, const FileId* listed, bool followLink) {
  OpenedFile f;
  auto refuse = [&f](Refusal why, int error) {
    f.refusal_ = why;
    f.error_ = error;
    return std::move(f);
  };
  if (path.empty()) return refuse(Refusal::Missing, ENOENT);
  f.path_ = path;
  if (!listed) {
    // Looked at before opening: opening a pipe would wait for a writer, and a device may do something.
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return refuse(RefusalOf(errno), errno);
    if (S_ISLNK(st.st_mode) && !followLink) return refuse(Refusal::Replaced, ELOOP);
    if (S_ISLNK(st.st_mode)) {
      // A link is followed once, here, to the file it leads to; that file is what is read and written.
      char* real = ::realpath(path.c_str(), nullptr);
      if (!real) return refuse(RefusalOf(errno), errno);
      f.path_ = real;
      std::free(real);
      if (::lstat(f.path_.c_str(), &st) != 0) return refuse(RefusalOf(errno), errno);
    }
    if (!S_ISREG(st.st_mode)) return refuse(Refusal::NotRegular, 0);
  }
  // Never through a link at the file's own name: one put there since it was looked at is refused.
  const int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;
  int fd = -1;
  if (write) {
    fd = ::open(f.path_.c_str(), O_RDWR | flags);
    f.writable_ = fd >= 0;
  }
  if (fd < 0 && !(write && errno == ELOOP)) fd = ::open(f.path_.c_str(), O_RDONLY | flags);
  if (fd < 0) return refuse(errno == ELOOP ? Refusal::Replaced : RefusalOf(errno), errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      (listed && listed->Known() &&
       (static_cast<uint64_t>(st.st_dev) != listed->device || static_cast<uint64_t>(st.st_ino) != listed->inode))) {
    // The name was given to something else since it was listed (or looked at).
    ::close(fd);
    f.writable_ = false;
    return refuse(listed ? Refusal::Replaced : Refusal::NotRegular, 0);
  }
  f.fd_ = fd;
  f.stat_ = FromStat(st);
  return f;
}

OpenedFile OpenedFile::OpenBeneath(const std::string& root, const std::string& path, bool write) {
  OpenedFile f;
  f.path_ = path;
  auto refuse = [&f](Refusal why, int error) {
    f.refusal_ = why;
    f.error_ = error;
    f.folder_.Reset();
    return std::move(f);
  };
  if (root.empty() || root.back() != '/' || path.compare(0, root.size(), root) != 0 || path.size() <= root.size()) {
    return refuse(Refusal::Missing, ENOENT);
  }
  const std::string relative = path.substr(root.size());
  if (!StaysBelow(relative)) return refuse(Refusal::Replaced, EINVAL);
  UniqueFd folder(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.Ok()) return refuse(RefusalOf(errno), errno);
  size_t at = 0;
  for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', at)) {
    const std::string part = relative.substr(at, slash - at);
    UniqueFd next(::openat(folder.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // A link (or anything that is no folder) where the path had a folder.
    if (!next.Ok()) return refuse(errno == ELOOP || errno == ENOTDIR ? Refusal::Replaced : RefusalOf(errno), errno);
    folder = std::move(next);
    at = slash + 1;
  }
  const std::string name = relative.substr(at);
  const int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;
  int fd = -1;
  if (write) {
    fd = ::openat(folder.Get(), name.c_str(), O_RDWR | flags);
    f.writable_ = fd >= 0;
  }
  if (fd < 0 && !(write && errno == ELOOP)) fd = ::openat(folder.Get(), name.c_str(), O_RDONLY | flags);
  if (fd < 0) return refuse(errno == ELOOP ? Refusal::Replaced : RefusalOf(errno), errno);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    f.writable_ = false;
    return refuse(Refusal::NotRegular, 0);
  }
  f.fd_ = fd;
  f.stat_ = FromStat(st);
  f.folder_ = std::move(folder);
  return f;
}

bool OpenedFile::WriteDescriptor() {
  if (!readOnly_) return true;
  const int flags = O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;
  const int fd = folder_.Ok() ? ::openat(folder_.Get(), Name().c_str(), flags) : ::open(path_.c_str(), flags);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || static_cast<uint64_t>(st.st_dev) != stat_.device ||
      static_cast<uint64_t>(st.st_ino) != stat_.inode) {
    ::close(fd);
    errno = ESTALE;
    return false;
  }
  ::close(fd_);
  fd_ = fd;
  readOnly_ = false;
  return true;
}

bool OpenedFile::ReadAll(ByteBuffer& into) {
  bool whole = false;
  return ReadUpTo(into, static_cast<size_t>(-1), whole);
}

bool OpenedFile::ReadUpTo(ByteBuffer& into, size_t limit, bool& whole) {
  if (read_ && ::lseek(fd_, 0, SEEK_SET) < 0) {
    error_ = errno;
    return false;
  }
  read_ = true;
  if (!ReadInto(fd_, into, limit, static_cast<size_t>(stat_.size), whole)) {
    error_ = errno;
    return false;
  }
  return true;
}

bool OpenedFile::StillAsRead() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return false;
  const FileStat now = FromStat(st);
  return now.size == stat_.size && now.mtimeSec == stat_.mtimeSec && now.mtimeNsec == stat_.mtimeNsec &&
         now.ctimeSec == stat_.ctimeSec && now.ctimeNsec == stat_.ctimeNsec;
}

bool OpenedFile::PutBack(std::string_view previous) {
  return WriteAllAt(fd_, previous.data(), previous.size(), 0) &&
         ::ftruncate(fd_, static_cast<off_t>(previous.size())) == 0 && ::fdatasync(fd_) == 0;
}

bool OpenedFile::OverwriteInPlace(std::string_view bytes, std::string_view previous, std::string& error,
                                  bool& damaged) {
  damaged = false;
  struct stat st;
  if (!writable_ || !WriteDescriptor() || ::fstat(fd_, &st) != 0) {
    error = ErrorText(writable_ ? errno : EACCES);
    return false;
  }
  const size_t oldSize = static_cast<size_t>(st.st_size);
  const size_t newSize = bytes.size();
  // Once a byte may have changed, a failure writes the previous bytes back at once.
  auto fail = [&](int why) {
    error = ErrorText(why);
    damaged = !PutBack(previous);
    return false;
  };
  if (newSize > oldSize) {
    // Blocks for the longer text are taken before anything is written, so a full disk stops here.
    if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(newSize)) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
      error = ErrorText(errno);
      return false;
    }
    // The part beyond the old end goes first: where room cannot be reserved, a full disk shows here,
    // while the old bytes are still as they were.
    if (!WriteAllAt(fd_, bytes.data() + oldSize, newSize - oldSize, static_cast<off_t>(oldSize))) {
      const int why = errno;
      if (::ftruncate(fd_, static_cast<off_t>(oldSize)) == 0 && ::fdatasync(fd_) == 0) {
        error = ErrorText(why);
        return false;
      }
      return fail(why);
    }
  }
  if (!WriteAllAt(fd_, bytes.data(), std::min(oldSize, newSize), 0)) return fail(errno);
  if (newSize < oldSize && ::ftruncate(fd_, static_cast<off_t>(newSize)) != 0) return fail(errno);
  if (::fdatasync(fd_) != 0) return fail(errno);
  if (::fstat(fd_, &st) == 0) stat_ = FromStat(st);
  return true;
}

bool OpenedFile::SetMode(uint32_t mode, bool special) {
  return fd_ >= 0 && ::fchmod(fd_, mode & (special ? 07777 : kSettableBits)) == 0;
}

namespace {
bool SetModifiedOf(int fd, const FileTime& time) {
  const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(time.sec), static_cast<long>(time.nsec)}};
  return ::futimens(fd, times) == 0;
}
}  // namespace

bool OpenedFile::SetModified(const FileTime& time) { return fd_ >= 0 && SetModifiedOf(fd_, time); }

StagedFile::~StagedFile() {
  Discard();
  if (dirfd_ >= 0) ::close(dirfd_);
}

StagedFile::StagedFile(StagedFile&& o) noexcept { *this = std::move(o); }

StagedFile& StagedFile::operator=(StagedFile&& o) noexcept {
  if (this != &o) {
    Discard();
    if (dirfd_ >= 0) ::close(dirfd_);
    way_ = o.way_;
    dirfd_ = o.dirfd_;
    folderId_ = o.folderId_;
    newId_ = o.newId_;
    ownFlush_ = o.ownFlush_;
    leftover_ = o.leftover_;
    temp_ = std::move(o.temp_);
    o.dirfd_ = -1;
    o.temp_.clear();
  }
  return *this;
}

bool StagedFile::Discard() {
  const bool gone = temp_.empty() || dirfd_ < 0 || ::unlinkat(dirfd_, temp_.c_str(), 0) == 0 || errno == ENOENT;
  if (!gone) leftover_ = true;
  temp_.clear();
  return gone;
}

bool StagedFile::Confirm(std::string& error) {
  const int fd = ::openat(dirfd_, temp_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  const bool ok = fd >= 0 && ::fdatasync(fd) == 0;
  if (!ok) error = ErrorText(errno);
  if (fd >= 0) ::close(fd);
  return ok;
}

bool StagedFile::ConfirmFolder() { return !ownFlush_ || ::fsync(dirfd_) == 0; }

bool StagedFile::Stage(const OpenedFile& file, std::string_view bytes, const std::string& tempName,
                       const uint32_t* mode, std::string& error, const FileTime* modified, bool special) {
  Discard();
  way_ = Way::Rename;
  const FileStat& st = file.Stat();
  // A new file would part the file from its other names.
  if (st.links > 1) {
    way_ = Way::InPlace;
    return true;
  }
  if (dirfd_ < 0) {
    // The folder the file was walked to, where there is one: it is not looked up by its name again.
    const std::string folder = file.Folder();
    dirfd_ = file.folder_.Ok() ? ::fcntl(file.folder_.Get(), F_DUPFD_CLOEXEC, 0)
                               : ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat dst;
    if (dirfd_ < 0 || ::fstat(dirfd_, &dst) != 0) {
      // A folder that cannot be read cannot be made durable after a rename either.
      if (errno == EACCES || errno == EPERM) {
        way_ = Way::InPlace;
        return true;
      }
      error = ErrorText(errno);
      return false;
    }
    folderId_ = {static_cast<uint64_t>(dst.st_dev), static_cast<uint64_t>(dst.st_ino)};
    struct statfs fsinfo;
    ownFlush_ = ::fstatfs(dirfd_, &fsinfo) == 0 && fsinfo.f_type == kFuseMagic;
  }
  const int fd = ::openat(dirfd_, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM) {  // a folder the user may not write
      way_ = Way::InPlace;
      return true;
    }
    error = ErrorText(errno);
    return false;
  }
  temp_ = tempName;
  if (!WriteAllAt(fd, bytes.data(), bytes.size(), 0)) {
    error = ErrorText(errno);
    ::close(fd);
    Discard();
    return false;
  }
  // The new file becomes what the old one is, or it is not used.
  const uint32_t want = mode ? (*mode & (special ? 07777 : kSettableBits)) : (st.mode & 07777);
  struct stat now;
  bool same = ::fstat(fd, &now) == 0;
  newId_ = {static_cast<uint64_t>(now.st_dev), static_cast<uint64_t>(now.st_ino)};
  if (same && (now.st_uid != st.uid || now.st_gid != st.gid)) same = ::fchown(fd, st.uid, st.gid) == 0;
  same = same && CopyAttributes(file.Fd(), fd) && ::fchmod(fd, want) == 0 && ::fstat(fd, &now) == 0 &&
         now.st_uid == st.uid && now.st_gid == st.gid && (now.st_mode & 07777) == want &&
         (!modified || SetModifiedOf(fd, *modified));
  if (!same) {
    ::close(fd);
    Discard();
    way_ = Way::InPlace;
    return true;
  }
  if (::close(fd) != 0) {
    error = ErrorText(errno);
    Discard();
    return false;
  }
  return true;
}

namespace {

// Lease breaks are told by a signal whose default would end the program; the lease is held only
// for the moment of a rename, so the signal needs no answer.
void IgnoreLeaseSignal() {
  static std::once_flag once;
  std::call_once(once, [] { std::signal(SIGIO, SIG_IGN); });
}

enum class Writers { None, Some, Unknown };

// Whether another program holds the file open for writing, asked by taking a read lease on a
// read-only descriptor, which the kernel refuses while anyone has the file open for writing. The lease
// stays held (no one can open the file for writing meanwhile) until ReleaseLease.
Writers HoldReadLease(int fd) {
  IgnoreLeaseSignal();
  if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) return Writers::None;
  return errno == EAGAIN ? Writers::Some : Writers::Unknown;
}

void ReleaseLease(int fd) { ::fcntl(fd, F_SETLEASE, F_UNLCK); }

}  // namespace

StagedFile::Outcome StagedFile::Replace(OpenedFile& file, std::string& error) {
  if (temp_.empty()) {
    error = ErrorText(EINVAL);
    return Outcome::Failed;
  }
  const std::string name = file.Name();
  auto give = [&](Outcome outcome, int why = 0) {
    if (why) error = ErrorText(why);
    Discard();
    return outcome;
  };
  struct stat now;
  if (::fstatat(dirfd_, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? give(Outcome::Changed) : give(Outcome::Failed, errno);
  }
  if (static_cast<uint64_t>(now.st_dev) != file.Stat().device || static_cast<uint64_t>(now.st_ino) != file.Stat().inode ||
      !file.StillAsRead()) {
    return give(Outcome::Changed);
  }
  // The file's own descriptor becomes read-only (the lease asks that no one, this program included,
  // hold the file open for writing); an in-place write later opens it for writing again.
  if (!file.readOnly_) {
    const int ro = ::openat(dirfd_, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    struct stat st;
    if (ro < 0 || ::fstat(ro, &st) != 0 || static_cast<uint64_t>(st.st_ino) != file.Stat().inode ||
        static_cast<uint64_t>(st.st_dev) != file.Stat().device) {
      const int why = ro < 0 ? errno : 0;
      if (ro >= 0) ::close(ro);
      return why ? give(Outcome::Failed, why) : give(Outcome::Changed);
    }
    ::close(file.fd_);
    file.fd_ = ro;
    file.readOnly_ = true;
  }
  switch (HoldReadLease(file.fd_)) {
    case Writers::Some:
      return give(Outcome::Busy);
    case Writers::Unknown:
      // No lease here (a file system without them): the file is written in place instead.
      way_ = Way::InPlace;
      return give(Outcome::InPlace);
    case Writers::None:
      break;
  }
  const bool renamed = ::renameat(dirfd_, temp_.c_str(), dirfd_, name.c_str()) == 0;
  const int why = errno;
  ReleaseLease(file.fd_);
  if (!renamed) {
    // A name that is a mount point of its own cannot be renamed over: the file is written in place.
    if (why == EBUSY || why == EXDEV) {
      way_ = Way::InPlace;
      return give(Outcome::InPlace, why);
    }
    return give(Outcome::Failed, why);
  }
  temp_.clear();
  file.replaced_ = true;
  return Outcome::Replaced;
}

void WriteNewFile(const std::string& path, std::string_view bytes, uint32_t mode, int64_t mtimeSec,
                  int64_t mtimeNsec) {
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY;
  int fd = ::open(path.c_str(), flags, 0600);
  if (fd < 0 && errno == ELOOP) {
    ::unlink(path.c_str());  // a link where the copy goes: replaced, never written through
    fd = ::open(path.c_str(), flags, 0600);
  }
  if (fd < 0) throw FileError("cannot write " + path + ": " + ErrorText(errno));
  bool ok = WriteAllAt(fd, bytes.data(), bytes.size(), 0);
  int saved = errno;
  if (ok) {
    struct stat st;
    // A file of another kind (a pipe of that name) is not a copy.
    ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::fchmod(fd, mode & kSettableBits) == 0;
    saved = ok ? 0 : (errno ? errno : EINVAL);
    if (ok) {
      const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(mtimeSec), static_cast<long>(mtimeNsec)}};
      ok = ::futimens(fd, times) == 0;
      saved = errno;
    }
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (!ok) throw FileError("cannot write " + path + ": " + ErrorText(saved));
}

void ReadRange(const std::string& path, uint64_t offset, uint64_t size, ByteBuffer& into) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
  if (fd < 0) throw FileError("cannot open " + path + ": " + ErrorText(errno));
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw FileError("not a regular file: " + path);
  }
  into.resize(static_cast<size_t>(size));
  size_t got = 0;
  while (got < size) {
    ssize_t n = ::pread(fd, into.data() + got, static_cast<size_t>(size) - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int saved = n < 0 ? errno : EIO;
      ::close(fd);
      throw FileError("cannot read " + path + ": " + ErrorText(saved));
    }
    got += static_cast<size_t>(n);
  }
  ::close(fd);
}

bool SyncFileSystemOf(int fd) { return ::syncfs(fd) == 0; }

namespace {

uint64_t DeviceOf(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_dev) : 0;
}

}  // namespace

void SyncPoint::FileSystemOf(int fd) {
  const uint64_t device = DeviceOf(fd);
  for (const auto& s : systems_) {
    if (s.first == device) return;
  }
  systems_.emplace_back(device, fd);
}

void SyncPoint::File(int fd) { files_.emplace_back(DeviceOf(fd), fd); }

bool SyncPoint::Reach() {
  bool ok = error_ == 0;
  int why = error_;
  // Single files first (the journal names what the file systems then hold).
  for (const auto& [device, fd] : files_) {
    bool covered = false;
    for (const auto& s : systems_) covered = covered || s.first == device;
    if (!covered && ::fdatasync(fd) != 0 && ok) {
      ok = false;
      why = errno;
    }
  }
  for (const auto& [device, fd] : systems_) {
    if (::syncfs(fd) != 0 && ok) {
      ok = false;
      why = errno;
    }
  }
  Clear();
  errno = why;
  return ok;
}

void SyncPoint::Clear() {
  systems_.clear();
  files_.clear();
  error_ = 0;
}

size_t RaiseOpenFileLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = std::min<rlim_t>(limit.rlim_max, 1 << 16);
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  return limit.rlim_cur == RLIM_INFINITY ? (1u << 16) : static_cast<size_t>(limit.rlim_cur);
}

bool SyncFolder(const std::string& folder) {
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool ok = dir >= 0 && ::fsync(dir) == 0;
  const int why = errno;
  if (dir >= 0) ::close(dir);
  errno = why;
  return ok;
}

bool SyncFileAndFolder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  bool ok = fd >= 0 && ::fsync(fd) == 0;
  int why = errno;
  if (fd >= 0) ::close(fd);
  errno = why;
  if (!ok) return false;
  const size_t slash = path.rfind('/');
  return SyncFolder(slash == std::string::npos ? "." : path.substr(0, slash + 1));
}

bool SyncFileSystemOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  const bool ok = ::syncfs(fd) == 0;
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return ok;
}

void RemoveFromFolder(const std::string& folderPath, const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return;
  ::unlink((folderPath + name).c_str());
}

bool TryLockExclusive(int fd) {
  int r;
  do {
    r = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  return r == 0;
}

bool StaysBelow(std::string_view relative) {
  if (relative.empty()) return true;
  if (relative.front() == '/') return false;
  size_t at = 0;
  while (at < relative.size()) {
    size_t slash = relative.find('/', at);
    if (slash == std::string_view::npos) slash = relative.size();
    const std::string_view part = relative.substr(at, slash - at);
    if (part.empty() || part == "." || part == "..") return false;
    at = slash + 1;
  }
  return true;
}

void CreateNewFileAt(int folder, const std::string& name, std::string_view bytes, uint32_t mode, const FileTime& time,
                     const std::string& shown) {
  const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
  if (fd < 0) throw FileError("cannot write " + shown + ": " + ErrorText(errno), errno);
  bool ok = WriteAllAt(fd, bytes.data(), bytes.size(), 0) && ::fchmod(fd, mode & kSettableBits) == 0 &&
            SetModifiedOf(fd, time);
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok) return;
  // Nothing half written stays behind under the copy's name.
  ::unlinkat(folder, name.c_str(), 0);
  throw FileError("cannot write " + shown + ": " + ErrorText(saved) + " (what was written of it is removed)", saved);
}

UniqueFd OpenFoldersBelow(const std::string& root, const std::string& relative, const std::string& model) {
  if (!StaysBelow(relative)) throw FileError(root + relative + ": " + ErrorText(EINVAL), EINVAL);
  UniqueFd folder(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.Ok()) throw FileError(root + ": " + ErrorText(errno), errno);
  std::string walked = root;
  size_t at = 0;
  for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', at)) {
    const std::string part = relative.substr(at, slash - at);
    walked += part + "/";
    // The folder at the same place below the model: a folder of copies is no more open than it.
    mode_t mode = 0700;
    struct stat like;
    if (!model.empty() && ::stat((model + relative.substr(0, slash)).c_str(), &like) == 0 && S_ISDIR(like.st_mode)) {
      mode = like.st_mode & 0777;
    }
    if (::mkdirat(folder.Get(), part.c_str(), mode) != 0 && errno != EEXIST) {
      throw FileError(walked + ": " + ErrorText(errno), errno);
    }
    UniqueFd next(::openat(folder.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!next.Ok() || ::fstat(next.Get(), &st) != 0) {
      const int why = errno == ELOOP ? ENOTDIR : errno;
      throw FileError(walked + ": " + ErrorText(why), why);
    }
    if (st.st_uid != ::geteuid()) throw FileError(walked + ": the folder belongs to another user", EPERM);
    // A folder of ours that is more open than its model is closed down to it.
    if ((st.st_mode & 0777 & ~mode) != 0 && ::fchmod(next.Get(), st.st_mode & mode & 0777) != 0) {
      throw FileError(walked + ": " + ErrorText(errno), errno);
    }
    folder = std::move(next);
    at = slash + 1;
  }
  return folder;
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace zur::fs
