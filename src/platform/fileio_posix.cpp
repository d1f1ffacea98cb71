#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <algorithm>

#include "platform/filesystem.h"
#include "platform/fileio.h"

namespace zur::fs {
namespace {

FileStat FromStat(const struct stat& st) {
  FileStat s;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.mode = static_cast<uint32_t>(st.st_mode);
  s.uid = st.st_uid;
  s.gid = st.st_gid;
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
    p += w;
    n -= static_cast<size_t>(w);
    offset += w;
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
    o.fd_ = -1;
  }
  return *this;
}

void OpenedFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

Refusal ProbeRegular(const std::string& path, FileStat* out) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return RefusalOf(errno);
  if (!S_ISREG(st.st_mode)) return Refusal::NotRegular;
  if (out) *out = FromStat(st);
  return Refusal::None;
}

OpenedFile OpenedFile::Open(const std::string& path, bool write, bool knownRegular) {
  OpenedFile f;
  // Looked at before opening: opening a pipe would wait for a writer, and a device may do something.
  if (path.empty()) {
    f.refusal_ = Refusal::Missing;
    return f;
  }
  struct stat st;
  if (knownRegular) {
    st.st_mode = S_IFREG;
  } else if (::stat(path.c_str(), &st) != 0) {
    f.error_ = errno;
    f.refusal_ = RefusalOf(errno);
    return f;
  }
  if (!S_ISREG(st.st_mode)) {
    f.refusal_ = Refusal::NotRegular;
    return f;
  }
  const int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int fd = -1;
  if (write) {
    fd = ::open(path.c_str(), O_RDWR | flags);
    f.writable_ = fd >= 0;
  }
  if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | flags);
  if (fd < 0) {
    f.error_ = errno;
    f.refusal_ = RefusalOf(errno);
    return f;
  }
  // The path may have been replaced by something else since it was looked at.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    f.refusal_ = Refusal::NotRegular;
    return f;
  }
  f.fd_ = fd;
  f.stat_ = FromStat(st);
  return f;
}

bool OpenedFile::ReadAll(ByteBuffer& into) {
  bool whole = false;
  if (read_ && ::lseek(fd_, 0, SEEK_SET) < 0) return false;
  read_ = true;
  if (!ReadInto(fd_, into, static_cast<size_t>(-1), static_cast<size_t>(stat_.size), whole)) {
    error_ = errno;
    return false;
  }
  return true;
}

bool OpenedFile::ReadUpTo(ByteBuffer& into, size_t limit, bool& whole) {
  if (read_ && ::lseek(fd_, 0, SEEK_SET) < 0) return false;
  read_ = true;
  if (!ReadInto(fd_, into, limit, static_cast<size_t>(stat_.size), whole)) {
    error_ = errno;
    return false;
  }
  return true;
}

bool OpenedFile::Unchanged() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return false;
  const FileStat now = FromStat(st);
  return now.size == stat_.size && now.mtimeSec == stat_.mtimeSec && now.mtimeNsec == stat_.mtimeNsec &&
         now.ctimeSec == stat_.ctimeSec && now.ctimeNsec == stat_.ctimeNsec;
}

bool OpenedFile::WriteInPlace(std::string_view bytes, std::string& error) {
  if (!writable_) {
    error = ErrorText(EACCES);
    return false;
  }
  const off_t oldSize = static_cast<off_t>(stat_.size);
  const off_t newSize = static_cast<off_t>(bytes.size());
  if (newSize > oldSize) {
    // Blocks for the longer text are taken before anything is written; a full disk stops here.
    if (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, newSize) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) {
      error = ErrorText(errno);
      return false;
    }
  }
  const bool written = WriteAllAt(fd_, bytes.data(), bytes.size(), 0);
  const int saved = errno;
  // Cut to size also after a failed write, so that writing the original back gives it whole.
  struct stat st;
  const bool sized = ::fstat(fd_, &st) == 0 && (st.st_size == newSize || ::ftruncate(fd_, newSize) == 0);
  if (!written || !sized) {
    error = ErrorText(written ? errno : saved);
    return false;
  }
  if (::fstat(fd_, &st) == 0) stat_ = FromStat(st);
  return true;
}

bool OpenedFile::SetMode(uint32_t mode) { return fd_ >= 0 && ::fchmod(fd_, mode & 07777) == 0; }

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
    ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::fchmod(fd, mode & 07777) == 0;
    saved = ok ? 0 : (errno ? errno : EINVAL);
    if (ok) {
      const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(mtimeSec), static_cast<long>(mtimeNsec)}};
      ::futimens(fd, times);
    }
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (!ok) throw FileError("cannot write " + path + ": " + ErrorText(saved));
}

void ReadRange(const std::string& path, uint64_t offset, uint64_t size, ByteBuffer& into) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) throw FileError("cannot open " + path + ": " + ErrorText(errno));
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

bool SyncFileSystemOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  const bool ok = ::syncfs(fd) == 0;
  ::close(fd);
  return ok;
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace zur::fs
