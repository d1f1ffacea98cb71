// Opening, reading and replacing the content of the user's files.
//
// Only regular files are opened; anything else is refused before it is read, so a named pipe or a
// device never blocks or feeds the program. A path that is a symbolic link is followed to its file
// once, when it is opened; from then on the file is reached by its own folder and name, never through
// a link at its name.
//
// A file's content is replaced in one of two ways. The usual one writes the new bytes to a hidden file
// beside it, gives that file the owner, group, permissions and extended attributes of the old one and
// renames it over the old one: at every instant the name holds either the old file or the new one
// (`StagedFile`). Where a new file could not be what the old one is (it has other hard links, its folder
// may not be written, its owner, group or attributes cannot be given), it is rewritten in place
// (`OpenedFile::OverwriteInPlace`); the caller keeps the old bytes elsewhere first and records that the
// file is being written, so that a write cut short can be put right.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/platform/bytebuffer.h"
#include "core/platform/uniquefd.h"

namespace zur::fs {

// Why a file was left alone.
enum class Refusal {
  None,
  Missing,      // no such file (or a link that leads nowhere)
  NotRegular,   // a folder, pipe, device or socket
  NotReadable,  // no permission to read it
  NotWritable,  // it may be read but not written
  TooLong,      // the path is too long to open
  Replaced,     // the name no longer holds the file that was listed there (a link or another file)
  Failed,       // any other error of the system
};

// Which file a name held when a listing saw it.
struct FileId {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool Known() const { return inode != 0; }
  bool operator==(const FileId&) const = default;
};

struct FileStat {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint32_t mode = 0;  // permission bits and type
  uint32_t uid = 0;
  uint32_t gid = 0;
  uint64_t links = 0;
  int64_t size = 0;
  int64_t mtimeSec = 0;
  int64_t mtimeNsec = 0;
  int64_t ctimeSec = 0;
  int64_t ctimeNsec = 0;
  FileId Id() const { return {device, inode}; }
};

// A modification time.
struct FileTime {
  int64_t sec = 0;
  int64_t nsec = 0;
};

class OpenedFile {
 public:
  OpenedFile() = default;
  ~OpenedFile();
  OpenedFile(OpenedFile&& o) noexcept;
  OpenedFile& operator=(OpenedFile&& o) noexcept;
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;

  // Opens a regular file for reading, and for writing too when `write` is asked and allowed (then
  // Writable() is true). Never throws and never blocks; on failure Refused() says why.
  //
  // Without `listed`, a path that is a link is followed to the file it leads to (unless `followLink` is
  // false: then a link is refused as Replaced), and Path() names that file. With `listed` (a listing
  // has just seen a regular file there), the path is taken as it is: a link now at the name is refused
  // as Replaced, and so is another file when the listing told which file it saw (`listed` Known()).
  static OpenedFile Open(const std::string& path, bool write, const FileId* listed = nullptr, bool followLink = true);
  // Opens the file at `path` (which lies inside `root`, a folder ending in "/") without following a
  // link anywhere below `root`: each folder is opened from the one before it, so that a folder swapped
  // for a link since the path was recorded leads nowhere (Replaced). `root` itself is opened as named.
  static OpenedFile OpenBeneath(const std::string& root, const std::string& path, bool write);

  bool Ok() const { return fd_ >= 0; }
  Refusal Refused() const { return refusal_; }
  int Error() const { return error_; }  // the system's error number of a refusal or a failed read
  bool Writable() const { return writable_; }
  int Fd() const { return fd_; }
  const FileStat& Stat() const { return stat_; }
  // The file opened (the file a link led to), its folder ("" for the working folder) and its name.
  const std::string& Path() const { return path_; }
  std::string Folder() const;
  std::string Name() const;

  // The whole file into `into` (replacing what it held). False on a read error.
  bool ReadAll(ByteBuffer& into);
  // At most `limit` bytes; `whole` tells whether that was the whole file.
  bool ReadUpTo(ByteBuffer& into, size_t limit, bool& whole);
  // True when the file still has the size and times it had when opened (nobody wrote to it since).
  bool StillAsRead() const;

  // Writes `bytes` over the content in place and makes them durable. On a failure the bytes of
  // `previous` (what the file held) are written back at once; `damaged` tells that even this failed
  // and the file may hold a mix. Never throws.
  bool OverwriteInPlace(std::string_view bytes, std::string_view previous, std::string& error, bool& damaged);
  // Sets the permission bits (set-user-ID and set-group-ID only when `special`).
  bool SetMode(uint32_t mode, bool special = false);
  // Sets the modification time.
  bool SetModified(const FileTime& time);
  void Close();

 private:
  friend class StagedFile;
  bool PutBack(std::string_view previous);
  // Makes sure the descriptor may write (it is read-only after a rename's check); false with errno.
  bool WriteDescriptor();

  int fd_ = -1;
  bool readOnly_ = false;  // the descriptor was opened for reading only
  UniqueFd folder_;        // (OpenBeneath) the file's folder, as it was walked to
  bool replaced_ = false;  // a new file took its name: closing it frees it
  bool read_ = false;  // read from before (so reading again starts from the top)
  bool writable_ = false;
  Refusal refusal_ = Refusal::None;
  int error_ = 0;
  FileStat stat_;
  std::string path_;
};

// The new content of one opened file, written beside it before it takes the file's place.
class StagedFile {
 public:
  enum class Way { Rename, InPlace };

  StagedFile() = default;
  ~StagedFile();  // a new file that did not take the old one's place is removed
  StagedFile(StagedFile&& o) noexcept;
  StagedFile& operator=(StagedFile&& o) noexcept;
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Writes `bytes` into a new file named `tempName` in the file's folder and gives it the file's owner,
  // group, extended attributes and permission bits (`mode` instead of the file's own when given, with
  // set-user-ID and set-group-ID left out). Returns false with `error` when the new file could not be
  // written (nothing is left behind). When the new file could not be made what the old one is, Way() is
  // InPlace, nothing is left behind, and the caller writes in place. `modified`, when given, becomes
  // the new file's modification time.
  bool Stage(const OpenedFile& file, std::string_view bytes, const std::string& tempName, const uint32_t* mode,
             std::string& error, const FileTime* modified = nullptr, bool special = false);
  Way How() const { return way_; }
  // A descriptor of the folder, for making what was written there durable (syncfs, fsync).
  int FolderFd() const { return dirfd_; }
  FileId FolderId() const { return folderId_; }
  // The new file itself, once written.
  FileId NewId() const { return newId_; }
  enum class Outcome {
    Replaced,  // the new file has the name now
    Changed,   // the name no longer holds the file as it was read: nothing happened
    Busy,      // another program holds the file open for writing: nothing happened
    InPlace,   // the name cannot be renamed over here: the caller writes in place
    Failed,    // see the error
  };
  // After its file system was flushed: asks for the new file's own bytes once more, which is cheap then
  // and says whether the disk took them (a file system that flushes nothing as a whole does it here).
  bool Confirm(std::string& error);
  // Moves the new file over the old one. Just before, the name must still hold the file that was read,
  // with the size and times it had then, and no other program may hold it open for writing (its lines
  // would go to the old file once the name is the new one's). Where that cannot be known (a file
  // system without leases), the caller writes in place, so that such lines still reach the file.
  Outcome Replace(OpenedFile& file, std::string& error);
  // Makes the folder's new entry durable where flushing the file system as a whole does not.
  bool ConfirmFolder();
  // Removes the new file (the write is given up). False when it could not be removed: it is left in the
  // folder under its name, and Leftover() says so from then on.
  bool Discard();
  bool Leftover() const { return leftover_; }

 private:
  Way way_ = Way::Rename;
  int dirfd_ = -1;
  FileId folderId_;
  FileId newId_;
  bool ownFlush_ = false;  // the file system does not flush as a whole (FUSE)
  bool leftover_ = false;  // a new file that could not be removed
  std::string temp_;       // the new file's name in the folder, while it exists
};

// What must reach the disk together, at one point of a run: whole file systems (each flushed once) and
// single files (each flushed, unless its file system is flushed whole anyway). Descriptors stay the
// caller's.
class SyncPoint {
 public:
  void FileSystemOf(int fd);
  void File(int fd);
  // Something that should have been flushed could not even be opened: Reach fails with `error`.
  void Failed(int error) { error_ = error; }
  // Flushes all; false, with errno set, when one of them failed.
  bool Reach();
  void Clear();

 private:
  std::vector<std::pair<uint64_t, int>> systems_;  // device, a descriptor on it
  std::vector<std::pair<uint64_t, int>> files_;
  int error_ = 0;
};

// Lets this process keep as many files open as the system allows it (a run holds a group of files
// and their folders open at once), and says how many that is.
size_t RaiseOpenFileLimit();

// Flushes a file and its folder to the disk; false, with errno set, on failure.
bool SyncFileAndFolder(const std::string& path);
// Flushes a folder's entries to the disk; false, with errno set, on failure.
bool SyncFolder(const std::string& folder);

// What kind of thing a path names, following links, without opening it.
Refusal ProbeRegular(const std::string& path, FileStat* st = nullptr);

// Writes a new file in an existing folder (replacing one of that name; a link of that name is
// replaced, not followed) with the given permission bits and modification time. Throws FileError.
void WriteNewFile(const std::string& path, std::string_view bytes, uint32_t mode, int64_t mtimeSec, int64_t mtimeNsec);

// Creates the file `name` in the open folder `folder`, never over anything of that name (FileError with
// EEXIST then), with the permission bits and modification time given. What was written of a file that
// could not be completed (a full disk) is removed again. `shown` names it in the error.
void CreateNewFileAt(int folder, const std::string& name, std::string_view bytes, uint32_t mode, const FileTime& time,
                     const std::string& shown);

// Opens the folder `root` and walks the folders of `relative` ("a/b/" or "") below it, making the
// missing ones, never through a link and never into a folder of another user. A new folder gets the
// permission bits of the folder at the same place below `model` (none more open than that one), or 0700
// when `model` is empty or has none there. Returns the last folder. Throws FileError.
UniqueFd OpenFoldersBelow(const std::string& root, const std::string& relative, const std::string& model);

// True when a relative path has no empty, "." or ".." part and does not start with "/": composed with
// a folder it stays below that folder.
bool StaysBelow(std::string_view relative);

// Reads `size` bytes at `offset` of the file at `path` into `into`; a link at the file's name is not
// followed. Throws FileError.
void ReadRange(const std::string& path, uint64_t offset, uint64_t size, ByteBuffer& into);

// Flushes everything written to the file system that holds `path` (or the open file `fd`) to the
// disk. False, with errno set, on failure.
bool SyncFileSystemOf(const std::string& path);
bool SyncFileSystemOf(int fd);

// Removes `name` from the folder of `folderPath` if it is there; a link is removed, never followed.
void RemoveFromFolder(const std::string& folderPath, const std::string& name);

// Takes an exclusive lock (flock) on an open file without waiting; false when another open file holds
// it (or locks are not possible there).
bool TryLockExclusive(int fd);

// A short text of the system's error number, for report lines.
std::string ErrorText(int error);

}  // namespace zur::fs
