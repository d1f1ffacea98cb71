// The run journal: what a run that rewrites files did, kept so that the run can be undone exactly and
// so that a run cut short (a crash, kill -9, a full disk) never leaves a file half written.
//
// A small text file of our own, one record a line, appended as the run goes (the format is described
// in docs/journal.md). Before a file is rewritten, its entry says where its original bytes are (a
// backup copy, or a stretch of a data file of the journal) and the fingerprints of the original and of
// what the run writes; after the write, a "done" record follows. A torn last line is ignored.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "run/fingerprint.h"

namespace zur {

// How the run's report lines name files when it is undone: 1 selected files, 2 a folder tree.
enum class RunKind { SelectedFiles = 1, FolderTree = 2 };

struct JournalHeader {
  std::string id;
  RunKind kind = RunKind::FolderTree;
  bool copies = false;  // the originals are backup copies (else data files of the journal)
  std::string source;   // the source folder the run worked on
  std::string output;   // the output folder that holds the copies
};

struct JournalEntry {
  uint64_t n = 0;
  std::string path;   // the file as the run took it, absolute
  std::string shown;  // the file as the report lines showed it
  std::string copy;   // the backup copy, or empty
  std::string data;   // or: the data file and the stretch of it that holds the original bytes
  uint64_t dataOffset = 0;
  uint64_t size = 0;  // of the original
  uint32_t mode = 0;  // permission bits of the original
  int64_t mtimeSec = 0;
  int64_t mtimeNsec = 0;
  Fingerprint before;  // of the original bytes
  Fingerprint after;   // of what the run wrote
};

struct Journal {
  JournalHeader header;
  std::vector<JournalEntry> entries;
  std::unordered_set<uint64_t> done;
  size_t entriesBeforeSync = 0;  // entries written before the last "sync" record: on the disk for sure
  std::string closed;            // "done", "stopped", "crash", or empty while the run had not ended
  bool restoreOpen = false;      // a restore began and did not end
  std::unordered_set<uint64_t> restoring;
  std::unordered_set<uint64_t> restored;

  // The last entry of each path, in the order the paths were first met.
  std::vector<const JournalEntry*> LatestEntries() const;
  bool Interrupted() const { return closed != "done"; }
};

std::optional<Journal> ReadJournal(const std::string& path);

// Percent-escapes the bytes of a field that would break the line format (codes 0-32, '%', 0x7F).
std::string EscapeField(std::string_view bytes);
std::optional<std::string> UnescapeField(std::string_view text);

class JournalWriter {
 public:
  ~JournalWriter();
  // A new journal (an existing one of the name is replaced only once the new one is complete, so the
  // old stays whole on any failure). `carried` entries of an earlier journal are written first.
  static std::unique_ptr<JournalWriter> Create(const std::string& path, const JournalHeader& header,
                                               const std::vector<JournalEntry>& carried = {});
  // Appends to an existing journal.
  static std::unique_ptr<JournalWriter> Append(const std::string& path);

  const std::string& Path() const { return path_; }
  bool Entry(const JournalEntry& e);
  bool Done(uint64_t n);
  // Flushes the journal to the disk and records that everything before is there.
  bool Sync();
  bool Closed(std::string_view reason);
  bool RestoreBegin();
  bool Restoring(uint64_t n);
  bool Restored(uint64_t n);
  bool RestoreEnd();
  bool Flush();

 private:
  JournalWriter(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  bool Line(const std::string& line);

  std::string path_;
  int fd_;
};

}  // namespace zur
