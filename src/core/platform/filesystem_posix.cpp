#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
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

std::optional<uint64_t> SizeOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
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
      entry.asked = static_cast<bool>(identify);
      entry.chosen = entry.asked && identify(entry.name);
      if (entry.chosen) {
        entry.isRegular = fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
        if (entry.isRegular) {
          entry.device = static_cast<uint64_t>(st.st_dev);
          entry.inode = static_cast<uint64_t>(st.st_ino);
        }
      }
    } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat st;
      entry.isLink = e->d_type == DT_LNK ||
                     (fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode));
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

void WriteFileSafely(const std::string& path, std::string_view bytes, uint32_t newMode, bool forceMode) {
  const std::string target = WriteTarget(path);
  struct stat old;
  const bool existed = stat(target.c_str(), &old) == 0;
  if (existed && S_ISDIR(old.st_mode)) throw FileError("is a folder: " + target, EISDIR);

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
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw FileError(ErrnoText("cannot create a temporary file for", target), errno);

  bool ok = WriteAll(fd, bytes);
  // The mode is set outright, so that the umask never opens a file of the program's to others.
  const mode_t mode = existed && !forceMode ? (old.st_mode & 07777) : (newMode & 07777);
  if (ok) ok = fchmod(fd, mode) == 0;
  if (ok && existed && fchown(fd, old.st_uid, old.st_gid) != 0) {
    // Only the owner's own files can be given away; keeping the old owner is best effort.
  }
  if (ok) ok = fsync(fd) == 0;
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return;
  if (!ok) errno = saved;
  saved = errno;
  std::string message = ErrnoText("cannot write", target);
  ::unlink(temp.c_str());
  throw FileError(message, saved);
}

std::optional<std::string> CanonicalFolder(const std::string& path) {
  if (path.empty()) return std::nullopt;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return std::nullopt;
  std::string folder = real;
  std::free(real);
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

std::optional<std::string> CanonicalFilePath(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const size_t slash = trimmed.rfind('/');
  const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  const std::string folderPart = slash == std::string::npos ? std::string(".") : trimmed.substr(0, slash + 1);
  auto folder = CanonicalFolder(folderPart);
  if (!folder) return std::nullopt;
  return *folder + name;
}

std::string LexicalPath(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= absolute.size()) {
    size_t slash = absolute.find('/', at);
    if (slash == std::string::npos) slash = absolute.size();
    const std::string part = absolute.substr(at, slash - at);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = slash + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  const bool folder = !path.empty() && (path.back() == '/' || path.ends_with("/.") || path.ends_with("/..") ||
                                        path == "." || path == "..");
  if (out.empty() || folder) out += "/";
  return out;
}

namespace {

// Whether resolving `path` meets a link of a user who is neither root nor `owner`.
bool ForeignLinkOnWay(const std::string& path, uint32_t owner) {
  std::vector<std::string> rest;  // parts still to walk, last first
  auto push = [&rest](const std::string& text) {
    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= text.size()) {
      size_t slash = text.find('/', at);
      if (slash == std::string::npos) slash = text.size();
      if (slash > at) parts.push_back(text.substr(at, slash - at));
      at = slash + 1;
    }
    rest.insert(rest.end(), parts.rbegin(), parts.rend());
  };
  std::string done;  // the resolved part, "" for the root
  push(path[0] == '/' ? path : AbsolutePath(path));
  for (int links = 0; !rest.empty();) {
    const std::string part = rest.back();
    rest.pop_back();
    if (part == ".") continue;
    if (part == "..") {
      done.resize(done.rfind('/') == std::string::npos ? 0 : done.rfind('/'));
      continue;
    }
    const std::string next = done + "/" + part;
    struct stat st;
    if (::lstat(next.c_str(), &st) != 0) return false;  // leads nowhere: nothing is followed
    if (!S_ISLNK(st.st_mode)) {
      done = next;
      continue;
    }
    if (st.st_uid != 0 && st.st_uid != owner) return true;
    if (++links > 40) return false;
    std::string to(PATH_MAX, '\0');
    const ssize_t n = ::readlink(next.c_str(), to.data(), to.size());
    if (n <= 0) return false;
    to.resize(static_cast<size_t>(n));
    if (to[0] == '/') done.clear();
    push(to);
  }
  return false;
}

}  // namespace

LinkVerdict JudgeLink(const std::string& link, const std::string& target, uint32_t targetOwner,
                      const std::string& root, bool followOutside) {
  if (::geteuid() == 0 && ForeignLinkOnWay(link, targetOwner)) return LinkVerdict::ForeignOwner;
  const bool inside = PathInside(target, root) || target + "/" == root;
  return inside || followOutside ? LinkVerdict::Follow : LinkVerdict::Outside;
}

bool PathInside(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0;
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
