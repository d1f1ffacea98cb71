// Where a run keeps the original bytes of the files it rewrites, and how it gets them back: a backup
// copy in the output folder (with the original's permissions and modification time), or, for a run
// without copies, a stretch of a data file of its own beside its journal (one data file a worker).
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/bytebuffer.h"
#include "core/platform/fileio.h"
#include "core/run/journal.h"

namespace zur {

class OriginalStore {
 public:
  static constexpr size_t kMaxWorkers = 16;

  // `copies`: originals are backup copies in `output` (their folders no more open than those of `source`
  // at the same place); else stretches of the data files `dataBase` + the worker's number. `runId`
  // names the folder for copies whose own name is taken.
  OriginalStore(bool copies, std::string output, std::string dataBase, std::string source = {}, std::string runId = {});
  ~OriginalStore();
  OriginalStore(const OriginalStore&) = delete;
  OriginalStore& operator=(const OriginalStore&) = delete;

  // Keeps `original`, the bytes of a file with the permissions and time of `e` (on worker `worker`'s
  // thread), and fills in where: a new copy at `below` under the output folder, or a stretch of the
  // worker's data file. A copy is always a new file below the output folder (never over anything, never
  // through a link); when its name is taken, it goes below ".zur-extra/<run>/" there instead. Throws
  // fs::FileError; nothing half written stays behind.
  void Keep(size_t worker, const std::string& below, std::string_view original, JournalEntry& e);
  // Everything kept so far reaches the disk at `point`.
  void AddTo(fs::SyncPoint& point);
  // Closes the data files.
  void Close();

 private:
  struct DataFile {
    std::atomic<int> fd{-1};          // made by its worker; made durable by the run's thread
    uint64_t size = 0;                // its worker's only
    std::atomic<bool> named{false};   // its name in the folder is on the disk
  };
  void KeepCopy(const std::string& below, std::string_view original, JournalEntry& e);

  bool copies_;
  std::string output_;
  std::string dataBase_;
  std::string source_;
  std::string runId_;
  std::vector<DataFile> data_;
  int outputFd_ = -1;  // (copies) the output folder
  int dataFolderFd_ = -1;  // the folder of the data files, when one of them is new
};

// The original bytes of an entry, from its copy (or, when that is gone or other bytes, from
// `alternative`: where the copy went with its run into the history) or its data file (a link at their
// name is not followed); false when they are gone or do not match the entry's fingerprint.
bool LoadOriginal(const JournalEntry& entry, ByteBuffer& into, const std::string& alternative = {});

// The folder below an output folder for copies whose own name was taken.
inline constexpr char kExtraFolder[] = ".zur-extra/";

// Makes a folder and its missing parents; true when it exists afterwards (also when another thread
// made it meanwhile).
bool MakeFolders(const std::string& path);

}  // namespace zur
