#include "core/platform/privatefiles.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/platform/fileio.h"

namespace zur::fs {
namespace {

// A group that holds this user alone (the user's own group of the same name, with no other members).
bool OwnGroup(gid_t gid) {
  const uid_t me = ::geteuid();
  std::vector<char> buffer(16384);
  passwd pw{};
  passwd* user = nullptr;
  group gr{};
  group* found = nullptr;
  if (::getpwuid_r(me, &pw, buffer.data(), buffer.size() / 2, &user) != 0 || !user) return false;
  if (user->pw_gid != gid) return false;
  const std::string name = user->pw_name;
  if (::getgrgid_r(gid, &gr, buffer.data() + buffer.size() / 2, buffer.size() / 2, &found) != 0 || !found) return false;
  if (name != found->gr_name) return false;
  for (char** member = found->gr_mem; member && *member; ++member) {
    if (name != *member) return false;
  }
  return true;
}

bool NotSafe(std::string& why, const std::string& what) {
  why = what;
  return false;
}

}  // namespace

bool IsPrivateFile(int fd, std::string& why) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return NotSafe(why, ErrorText(errno));
  if (!S_ISREG(st.st_mode)) return NotSafe(why, "not a regular file");
  if (st.st_uid != ::geteuid()) return NotSafe(why, "belongs to another user");
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return NotSafe(why, "others may write it");
  return true;
}

bool IsSafeFolder(const std::string& folder, std::string& why) {
  struct stat st;
  if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0) return NotSafe(why, ErrorText(errno));
  if (!S_ISDIR(st.st_mode)) return NotSafe(why, "not a folder");
  if (st.st_mode & S_ISVTX) return true;
  if (st.st_uid != ::geteuid() && st.st_uid != 0) return NotSafe(why, "the folder belongs to another user");
  if (st.st_mode & S_IWOTH) return NotSafe(why, "others may write the folder");
  if ((st.st_mode & S_IWGRP) && !OwnGroup(st.st_gid)) return NotSafe(why, "a group may write the folder");
  return true;
}

bool MakePrivateFolder(const std::string& folder, std::string& why) {
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty()) return NotSafe(why, ErrorText(ENOENT));
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return NotSafe(why, path + ": " + ErrorText(errno));
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
      const std::string parent = path.substr(0, slash);
      struct stat up;
      if (::stat(parent.c_str(), &up) != 0) {
        // Missing parents are ordinary folders (0777 before the umask), as any other program makes them.
        for (size_t at = 1; at <= parent.size(); ++at) {
          if (at == parent.size() || parent[at] == '/') {
            const std::string p = parent.substr(0, at);
            if (::mkdir(p.c_str(), 0777) != 0 && errno != EEXIST) return NotSafe(why, p + ": " + ErrorText(errno));
          }
        }
      }
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return NotSafe(why, path + ": " + ErrorText(errno));
    if (::lstat(path.c_str(), &st) != 0) return NotSafe(why, path + ": " + ErrorText(errno));
  }
  if (!S_ISDIR(st.st_mode)) return NotSafe(why, path + ": not a folder");
  if (st.st_uid != ::geteuid()) return NotSafe(why, path + ": belongs to another user");
  if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), st.st_mode & 0700) != 0) {
    return NotSafe(why, path + ": " + ErrorText(errno));
  }
  return true;
}

}  // namespace zur::fs
