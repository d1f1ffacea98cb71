#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <random>

#include "core/platform/filesystem.h"
#include "core/platform/pathsyntax.h"

namespace zur {
namespace native {
std::vector<std::string> DriveRoots() { return {"/"}; }
}  // namespace native

namespace fs {
namespace {

std::string ErrnoText(const char* what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

int AsciiLowerByte(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// Name order: ASCII letters without regard to case, then byte order. Each name's lower-cased key is
// made once, so the sort compares whole strings.
void SortByName(std::vector<DirEntry>& entries) {
  std::vector<std::pair<std::string, size_t>> keys;
  keys.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    std::string key = entries[i].name;
    for (char& c : key) c = static_cast<char>(AsciiLowerByte(static_cast<unsigned char>(c)));
    keys.emplace_back(std::move(key), i);
  }
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    const int order = a.first.compare(b.first);
    return order != 0 ? order < 0 : entries[a.second].name < entries[b.second].name;
  });
  std::vector<DirEntry> sorted;
  sorted.reserve(entries.size());
  for (const auto& k : keys) sorted.push_back(std::move(entries[k.second]));
  entries.swap(sorted);
}

// The file that a write to `path` must replace: the final target of a chain of links.
std::string WriteTarget(const std::string& path) {
  std::string target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    std::string link(PATH_MAX, '\0');
    ssize_t n = readlink(target.c_str(), link.data(), link.size());
    if (n < 0) return target;
    link.resize(static_cast<size_t>(n));
    if (!link.empty() && link[0] == '/') {
      target = link;
    } else {
      size_t slash = target.rfind('/');
      target = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + link;
    }
  }
  return target;
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

Kind Probe(const std::string& path) {
  if (path.empty()) return Kind::Missing;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::File;
  if (lstat(path.c_str(), &st) == 0) return Kind::File;  // a link that leads nowhere
  return Kind::Missing;
}

std::optional<FolderId> IdOfFolder(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return FolderId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool ListDirectory(const std::string& folder, std::vector<DirEntry>& out,
                   const std::function<bool(std::string_view)>& identify) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  std::vector<DirEntry> entries;
  int dfd = dirfd(dir);
  while (dirent* e = readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    DirEntry entry{e->d_name, false};
    if (e->d_type == DT_DIR) {
      entry.isFolder = true;
    } else if (e->d_type == DT_REG) {
      entry.isRegular = true;
      // The identity as a later open sees it (a listing's own inode numbers are not that on every
      // file system).
      struct stat st;
      if (identify && identify(entry.name)) {
        entry.isRegular = fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
        if (entry.isRegular) {
          entry.device = static_cast<uint64_t>(st.st_dev);
          entry.inode = static_cast<uint64_t>(st.st_ino);
        }
      }
    } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat st;
      entry.isFolder = fstatat(dfd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    entries.push_back(std::move(entry));
  }
  closedir(dir);
  SortByName(entries);
  out.insert(out.end(), std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
  return true;
}

std::string ReadFile(const std::string& path) {
  // Only a regular file: a pipe would wait for a writer, a device could be read forever.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) throw FileError(ErrnoText("cannot open", path));
  if (!S_ISREG(st.st_mode)) throw FileError("not a regular file: " + path);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) throw FileError(ErrnoText("cannot open", path));
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw FileError("not a readable file: " + path);
  }
  std::string data;
  data.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  for (;;) {
    if (got == data.size()) data.resize(data.size() + 65536);  // the file may have grown
    ssize_t n = ::read(fd, data.data() + got, data.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      throw FileError(ErrnoText("cannot read", path));
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  data.resize(got);
  return data;
}

FileReader::FileReader(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), path_(path) {
  if (fd_ < 0) throw FileError(ErrnoText("cannot open", path));
}

FileReader::~FileReader() { ::close(fd_); }

bool FileReader::Append(std::string& to, size_t n) {
  const size_t at = to.size();
  to.resize(at + n);
  ssize_t got;
  do {
    got = ::read(fd_, to.data() + at, n);
  } while (got < 0 && errno == EINTR);
  if (got < 0) {
    to.resize(at);
    throw FileError(ErrnoText("cannot read", path_));
  }
  to.resize(at + static_cast<size_t>(got));
  return got > 0;
}

void WriteFileSafely(const std::string& path, std::string_view bytes) {
  const std::string target = WriteTarget(path);
  struct stat old;
  const bool existed = stat(target.c_str(), &old) == 0;
  if (existed && S_ISDIR(old.st_mode)) throw FileError("is a folder: " + target);

  size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

  static thread_local std::mt19937_64 rng{std::random_device{}()};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%012llx.tmp", static_cast<unsigned long long>(rng() & 0xFFFFFFFFFFFFULL));
    temp = folder + "." + base + suffix;
    // 0666 before the umask: what a new file would get anyway.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw FileError(ErrnoText("cannot create a temporary file for", target));

  bool ok = WriteAll(fd, bytes);
  if (ok && existed) {
    ok = fchmod(fd, old.st_mode & 07777) == 0;
    if (ok && fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Only the owner's own files can be given away; keeping the old owner is best effort.
    }
  }
  if (ok) ok = fsync(fd) == 0;
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return;
  if (!ok) errno = saved;
  std::string message = ErrnoText("cannot write", target);
  ::unlink(temp.c_str());
  throw FileError(message);
}

std::string WorkingFolder() {
  char cwd[PATH_MAX];
  return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" : std::string();
}

std::string AbsolutePath(const std::string& path, const std::string& base) {
  if (!path.empty() && path[0] == '/') return path;
  return (base.empty() ? WorkingFolder() : base) + path;
}

bool MakeFolder(const std::string& path) {
  return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return false;
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
#endif
  // File systems without the no-replace flag: a hard link fails when the target exists.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  if (::unlink(from.c_str()) != 0) {
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

}  // namespace fs
}  // namespace zur
