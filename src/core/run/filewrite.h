// The one way every command replaces the bytes of the user's files: the batches, the match commands,
// the pane's save, the restore and the repair after a run cut short.
//
// Files are written in groups, so that the disk is asked to flush once a group and not once a file:
//   1. each file that is still as it was read gets its new bytes in a hidden file beside it, with its
//      owner, group, permissions and extended attributes (StageWrite; worker threads may do this for
//      their own files, the journal already naming the hidden file);
//   2. the new files, the kept originals and the journal reach the disk together;
//   3. each new file is renamed over its file, if the name still holds the file that was read, with the
//      size and times it had then;
//   4. the folders reach the disk;
//   5. files that cannot be replaced by a new one (other hard links, a folder the user may not write, an
//      owner that cannot be given) are written in place, one at a time: the journal records that the
//      file is being written (durably) before its first byte changes, and a failed write puts the
//      previous bytes back at once;
//   6. each file whose new bytes are on the disk is recorded as written.
// At every instant a renamed file holds its old bytes or its new ones. A file that was not written
// keeps its bytes and is reported with the reason.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/bytebuffer.h"
#include "core/platform/fileio.h"
#include "core/run/engine.h"

namespace zur {

// What the journal of a group's writes says, and when.
class WriteMarks {
 public:
  virtual ~WriteMarks() = default;
  // The file of entry `n` is about to be written in place; true once that is on the disk.
  virtual bool WritingInPlace(uint64_t n) = 0;
  // The new bytes of entry `n` are on the disk, in the file `id` (a new file, or the file itself when
  // written in place).
  virtual bool Written(uint64_t n, const fs::FileId& id) = 0;
  // The file of entry `n` was marked as being written in place, and was left untouched after all (it
  // changed meanwhile); true once that is on the disk.
  virtual bool Left(uint64_t n) = 0;
};

struct FileWrite {
  enum class Step { Unstaged, Staged, InPlace, Over };

  fs::OpenedFile* file = nullptr;  // opened for writing, and read
  std::string_view bytes;          // what it becomes (needed until it is staged; in place, to the end)
  uint64_t n = 0;                  // its journal entry
  const uint32_t* mode = nullptr;  // permission bits to give it (a restore); else it keeps its own
  bool special = false;            // `mode` may carry set-user-ID and set-group-ID
  const fs::FileTime* modified = nullptr;  // the modification time to give it (a restore)
  // The bytes the file holds now, for putting them back when an in-place write fails.
  std::function<bool(ByteBuffer&)> previous;
  RunEvent event;  // in: the item; out: Done, or why the file was left as it was
  Step step = Step::Unstaged;
  fs::StagedFile staged;
  bool renamed = false;  // (out) the new file took the name (else it was written in place)
  // (out) A hidden new file could not be removed again: the journal must stay for the next start.
  bool leftover = false;
};

// The hidden name of a file's new content while it is written: `prefix` + the entry number.
std::string TempNameFor(const std::string& prefix, uint64_t n);

// Step 1 for one file: its new content beside it (or the decision to write it in place). A file that
// changed since it was read, or whose new content cannot be written, is left (Over, with its event).
void StageWrite(FileWrite& w, const std::string& tempPrefix);

// Writes the group (in its order), staging what is not staged yet, and fills in each write's event.
// `before` holds what else must reach the disk before any file changes (the originals, the journal).
void WriteFiles(const std::vector<FileWrite*>& group, const std::string& tempPrefix, WriteMarks& marks,
                fs::SyncPoint& before);

}  // namespace zur
