// Opening, reading and rewriting the user's files.
//
// Only regular files are opened (links to them are followed); anything else is refused before it is
// opened, so a named pipe or a device never blocks or feeds the program. A file is rewritten in
// place, through the descriptor it was read from: it keeps its inode, owner, group, permissions and
// hard links, and the folder needs no write permission. The caller keeps the original bytes elsewhere
// first (a backup copy or the run journal), so a write cut short can always be put back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/bytebuffer.h"

namespace zur::fs {

// Why a file was left alone.
enum class Refusal {
  None,
  Missing,      // no such file (or a link that leads nowhere)
  NotRegular,   // a folder, pipe, device or socket
  NotReadable,  // no permission to read it
  NotWritable,  // it may be read but not written
  TooLong,      // the path is too long to open
  Failed,       // any other error of the system
};

struct FileStat {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint32_t mode = 0;  // permission bits and type
  uint32_t uid = 0;
  uint32_t gid = 0;
  int64_t size = 0;
  int64_t mtimeSec = 0;
  int64_t mtimeNsec = 0;
  int64_t ctimeSec = 0;
  int64_t ctimeNsec = 0;
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
  // Writable() is true). Never throws and never blocks; on failure Refused() says why. `knownRegular`
  // (a listing has just said so) saves the look before opening; what was opened is checked all the
  // same.
  static OpenedFile Open(const std::string& path, bool write, bool knownRegular = false);

  bool Ok() const { return fd_ >= 0; }
  Refusal Refused() const { return refusal_; }
  int Error() const { return error_; }  // the system's error number of a refusal
  bool Writable() const { return writable_; }
  int Fd() const { return fd_; }
  const FileStat& Stat() const { return stat_; }

  // The whole file into `into` (replacing what it held). False on a read error.
  bool ReadAll(ByteBuffer& into);
  // At most `limit` bytes; `whole` tells whether that was the whole file.
  bool ReadUpTo(ByteBuffer& into, size_t limit, bool& whole);
  // True when the file still has the size and times it had when opened (nobody wrote to it since).
  bool Unchanged() const;
  // Replaces the content with `bytes`: room is reserved first, so a full disk fails before any byte
  // changes, then the bytes are written and the file is cut to their size. On failure `error` says
  // why and the file may be half written: the caller puts the original back.
  bool WriteInPlace(std::string_view bytes, std::string& error);
  // Sets the permission bits.
  bool SetMode(uint32_t mode);
  void Close();

 private:
  int fd_ = -1;
  bool read_ = false;  // read from before (so reading again starts from the top)
  bool writable_ = false;
  Refusal refusal_ = Refusal::None;
  int error_ = 0;
  FileStat stat_;
};

// What kind of thing a path names, following links, without opening it.
Refusal ProbeRegular(const std::string& path, FileStat* st = nullptr);

// Writes a new file in an existing folder (replacing one of that name; a link of that name is
// replaced, not followed) with the given permission bits and modification time. Throws FileError.
void WriteNewFile(const std::string& path, std::string_view bytes, uint32_t mode, int64_t mtimeSec, int64_t mtimeNsec);

// Reads `size` bytes at `offset` of the file at `path` into `into`. Throws FileError.
void ReadRange(const std::string& path, uint64_t offset, uint64_t size, ByteBuffer& into);

// Flushes everything written to the file system that holds `path` to the disk. False on failure.
bool SyncFileSystemOf(const std::string& path);

// A short text of the system's error number, for report lines.
std::string ErrorText(int error);

}  // namespace zur::fs
