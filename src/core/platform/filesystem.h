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

struct DirEntry {
  std::string name;
  bool isFolder = false;  // also true for a link to a folder
  bool isRegular = false;  // a regular file itself (not a link), as the listing tells
  uint64_t device = 0;     // (a regular file asked about) which file it is
  uint64_t inode = 0;
};

// Every entry of the folder except "." and "..", hidden ones included, in name order (ASCII
// letters compared without regard to case, then byte order), so listings are the same on every
// run. Regular files for which `identify` says yes also get their device and inode, as the folder
// holds them now. False when the folder cannot be opened.
bool ListDirectory(const std::string& folder, std::vector<DirEntry>& out,
                   const std::function<bool(std::string_view)>& identify = {});

class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
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
// only when complete. An existing file keeps its permissions; a link is written through to the file
// it points to. Throws FileError on failure.
void WriteFileSafely(const std::string& path, std::string_view bytes);

// The working folder, ending in "/" (empty when it cannot be told).
std::string WorkingFolder();
// `path` made absolute against `base` (a folder ending in "/"; the working folder when empty).
std::string AbsolutePath(const std::string& path, const std::string& base = {});

// Creates one folder; its parent must exist. False on failure.
bool MakeFolder(const std::string& path);

// Renames or moves a file. Fails, leaving both files as they were, when the target exists or its
// folder is missing.
bool RenameNoReplace(const std::string& from, const std::string& to);

}  // namespace zur::fs
