// File-system services of the platform: existence tests, listings, whole-file reads, safe
// writes, folder creation and a rename that never replaces its target.
//
// Paths are byte strings in the system code page, used exactly as given.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zur::fs {

enum class Kind { Missing, File, Folder };

// What the path names, following links. A link that leads nowhere is a file (it exists as an entry).
Kind Probe(const std::string& path);

// Identity of a folder, used to notice a folder reached a second time through a link.
struct FolderId {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool operator==(const FolderId&) const = default;
};
std::optional<FolderId> IdOfFolder(const std::string& path);
// The size in bytes of the file at `path` (a link: of the file it leads to); nothing when it cannot be
// asked.
std::optional<uint64_t> SizeOf(const std::string& path);

struct DirEntry {
  std::string name;
  bool isFolder = false;  // also true for a link to a folder
  bool isRegular = false;  // a regular file itself (not a link), as the listing tells
  bool isLink = false;     // a symbolic link (isFolder tells whether it leads to a folder)
  uint64_t device = 0;     // (a regular file asked about) which file it is
  uint64_t inode = 0;
  bool asked = false;   // `identify` was asked about it
  bool chosen = false;  // and said yes
};

// Every entry of the folder except "." and "..", hidden ones included, in name order (ASCII
// letters compared without regard to case, then byte order), so listings are the same on every
// run. Regular files for which `identify` says yes also get their device and inode, as the folder
// holds them now. False when the folder cannot be opened.
bool ListDirectory(const std::string& folder, std::vector<DirEntry>& out,
                   const std::function<bool(std::string_view)>& identify = {});

class FileError : public std::runtime_error {
 public:
  explicit FileError(const std::string& what, int error = 0) : std::runtime_error(what), error_(error) {}
  // The system's error number, when one caused it (0 otherwise).
  int Error() const { return error_; }

 private:
  int error_;
};

// The whole content of a file. Throws FileError when it cannot be read.
std::string ReadFile(const std::string& path);

// Reads a file piece by piece. Throws FileError when the file cannot be opened or read.
class FileReader {
 public:
  explicit FileReader(const std::string& path);
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  // Appends up to `n` bytes to `to`; false at the end of the file.
  bool Append(std::string& to, size_t n);

 private:
  int fd_;
  std::string path_;
};

// Replaces the content of the file (creating it when missing) so that the old content stays whole
// on any failure: the bytes go to a temporary file in the same folder, which replaces the target
// only when complete. A new file gets `newMode` whatever the umask; an existing one keeps its
// permissions unless `forceMode` (then it gets `newMode` too); a link is written through to the file
// it points to. Throws FileError on failure.
void WriteFileSafely(const std::string& path, std::string_view bytes, uint32_t newMode = 0600, bool forceMode = false);

// The working folder, ending in "/" (empty when it cannot be told).
std::string WorkingFolder();
// `path` made absolute against `base` (a folder ending in "/"; the working folder when empty).
std::string AbsolutePath(const std::string& path, const std::string& base = {});

// The one spelling of an existing folder: absolute, without links, ".", ".." or doubled separators,
// ending in "/". Nothing when it does not exist, is no folder or cannot be resolved.
std::optional<std::string> CanonicalFolder(const std::string& path);
// A file's path in that spelling: its folder resolved as above, its own name kept (a link at the name
// stays that link). Nothing when the folder cannot be resolved or the name is empty, "." or "..".
std::optional<std::string> CanonicalFilePath(const std::string& path);
// The same spelling made from the text alone (for a path that may not exist): absolute against the
// working folder, no "//", no "." and no "x/.." parts; a trailing "/" is kept.
std::string LexicalPath(const std::string& path);
// True when `path` lies inside `folder` (both in one spelling; `folder` ends in "/").
bool PathInside(const std::string& path, const std::string& folder);

// Whether a link met in a folder tree may be followed to where it leads.
enum class LinkVerdict {
  Follow,
  Outside,       // it leads out of the tree (and the user did not ask to follow such links)
  ForeignOwner,  // (running as root) a link of another user's leads to a file of a third
};
// `link` is the link's path, `target` where it leads (in one spelling), `targetOwner` the owner of
// what is there, `root` the tree's folder (in one spelling, ending in "/"). Running as root, a link
// on the way that belongs to neither root nor the target's owner is never followed, whatever was asked
// (as the kernel's protected_symlinks rule has it for shared folders).
LinkVerdict JudgeLink(const std::string& link, const std::string& target, uint32_t targetOwner,
                      const std::string& root, bool followOutside);

// Creates one folder; its parent must exist. False on failure.
bool MakeFolder(const std::string& path);

// Renames or moves a file. Fails, leaving both files as they were, when the target exists or its
// folder is missing.
bool RenameNoReplace(const std::string& from, const std::string& to);

}  // namespace zur::fs
