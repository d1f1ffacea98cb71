// What the jobs that only read share (the search and the dry run): a file opened and read whole on a
// worker, and each file that counts reported once, however many names reach it.
#pragma once

#include <cstdint>
#include <string>

#include "core/platform/bytebuffer.h"
#include "core/platform/fileio.h"
#include "core/run/engine.h"
#include "core/run/filesmet.h"

namespace zur {

struct ReadFile : RunJob::Prepared {
  RunEvent event;
  uint64_t device = 0, inode = 0;
  bool opened = false;
  bool writable = false;  // opened for writing too (asked with `write`)
};

// Opens the file (for writing too when `write`, which changes nothing) and reads it whole into
// `buffer`. False, with `read.event` saying why, when it cannot be opened or read.
bool OpenAndRead(ReadFile& read, size_t item, const std::string& path, bool write, const fs::FileId* listed,
                 ByteBuffer& buffer);

// Emits the item's event; a Hit of a file already reported under another name is left out.
void EmitOnce(FilesMet& seen, size_t item, RunJob::Prepared& prepared, RunJob::Context& ctx);

}  // namespace zur
