// The run journal: what a run that rewrites files did, kept so that the run can be undone exactly and
// so that a run cut short (a crash, kill -9, a full disk, a power cut) is put right.
//
// A small text file of our own, one record a line, appended as the run goes (the format is described
// in docs/journal.md). Before a file is rewritten, its entry says where its original bytes are (a
// backup copy, or a stretch of a data file of the journal) and the fingerprints of the original and of
// what the run writes; after the new bytes are on the disk, a "done" record follows. Every line is
// signed with the user's key (journalkey.h), and a journal is acted on only while its lock is held, so
// two programs never act on one journal and one written by anyone else is refused.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/platform/fileio.h"
#include "core/replace/rules.h"
#include "core/run/fingerprint.h"
#include "core/run/journalkey.h"

namespace zur {

// Which batch a run was: how its report lines name files when it is undone (1 selected files, 2 a folder
// tree, as its journal writes it). None: no batch to undo.
enum class RunKind { None = 0, SelectedFiles = 1, FolderTree = 2 };

struct JournalHeader {
  std::string id;
  RunKind kind = RunKind::FolderTree;
  bool copies = false;  // the originals are backup copies (else data files of the journal)
  std::string source;   // the source folder the run worked on
  std::string output;   // the output folder that holds the copies
  // The rules that ran, in order (what an undo or a look back says of the run): texts in UTF-8.
  struct RuleText {
    size_t n = 0;  // its number among the command's rules (a rule row's number)
    std::string find, replacement;
    RuleOptions options;
  };
  std::vector<RuleText> rules{};
  // The rule table that ran after them (its file as the command named it), and how many pairs it held.
  std::string table{};
  size_t tablePairs = 0;
};

struct JournalEntry {
  uint64_t n = 0;
  std::string path;   // the file the run wrote (the file a link led to), absolute
  std::string shown;  // the file as the report lines showed it
  std::string copy;   // the backup copy, or empty
  std::string data;   // or: the data file and the stretch of it that holds the original bytes
  uint64_t dataOffset = 0;
  uint64_t size = 0;  // of the original
  uint32_t mode = 0;  // permission bits of the original
  int64_t mtimeSec = 0;
  int64_t mtimeNsec = 0;
  bool owned = false;  // the owner and group of the original are recorded (journals before had none)
  uint32_t uid = 0;
  uint32_t gid = 0;
  Fingerprint before;  // of the original bytes
  Fingerprint after;   // of what the run wrote
  fs::FileId written;  // (from its "done" record, when it says) the file that took the new bytes
};

struct Journal {
  JournalHeader header;
  std::vector<JournalEntry> entries;
  std::unordered_set<uint64_t> writing;  // files the run began to write in place
  std::unordered_set<uint64_t> done;     // files whose new bytes are on the disk
  std::string closed;                    // "done", "stopped", "crash", or empty while the run had not ended
  // How many files the run had to go through (once it knew: at once for listed files, at the scan's
  // end for a tree) and how many it had gone through at its last group of writes.
  std::optional<uint64_t> listed;
  uint64_t reached = 0;
  bool restoreOpen = false;              // a restore began and did not end
  std::unordered_set<uint64_t> restoring;       // files a restore was about to put back
  std::unordered_set<uint64_t> restoreWriting;  // of those, files it began to write in place
  std::unordered_set<uint64_t> restored;
  uint64_t length = 0;  // bytes of whole lines (what follows is a torn last line)
  LineMac last{};       // the signature of the last line that verified
  bool unterminated = false;  // the last line verified but its line break is missing (appends add it)
  // Lines (counted from 1) that are not whole and signed: what they said is unknown, so a run whose
  // journal has one is never taken for undone. The lines after them that verify are still read.
  std::vector<size_t> damagedLines;

  // The files the run changed: for each path the entry of the highest number whose new bytes reached
  // the disk ("done"), in the order of the paths' first entry numbers (a run numbers its files in the
  // order it met them). (Entries of a run taken over keep the first run's copy and original, so the
  // last one holds the original and the newest bytes.)
  std::vector<const JournalEntry*> ChangedFiles() const;
  bool Interrupted() const { return closed != "done"; }
};

// Opens the file an entry names without following a link on the way from the run's source folder
// (or from the root, for a file outside it), so that a folder swapped for a link since the run leads
// nowhere. The file is not checked against what the journal says of it (see FileIsTheRuns).
fs::OpenedFile OpenEntryFile(const JournalHeader& header, const JournalEntry& entry, bool write);
// Whether the opened file is the one the run wrote: the very file its "done" record names, or, where
// it has been replaced since (an editor that saves by renaming), a file with the original's owner and
// group. Entries of journals that recorded neither are taken as they are.
bool FileIsTheRuns(const JournalEntry& entry, const fs::FileStat& now);

// Reads a journal's text; nullopt, with the reason, when it is not a journal signed with `key`.
std::optional<Journal> ParseJournal(std::string_view text, const JournalKey& key, std::string& why);

// A journal opened to be acted on: its lock is held (no other program acts on it meanwhile), and it is
// a file of this user's alone, in a folder others cannot change, signed with this user's key.
class HeldJournal {
 public:
  enum class Status { Ok, Missing, Busy, Refused };

  // Opens, locks and checks the journal at `path`, without waiting for a lock held elsewhere.
  static HeldJournal Open(const std::string& path, const JournalKey& key);
  HeldJournal() = default;
  ~HeldJournal();
  HeldJournal(HeldJournal&& o) noexcept;
  HeldJournal& operator=(HeldJournal&& o) noexcept;
  HeldJournal(const HeldJournal&) = delete;
  HeldJournal& operator=(const HeldJournal&) = delete;

  Status State() const { return status_; }
  bool Ok() const { return status_ == Status::Ok; }
  const std::string& Why() const { return why_; }  // what was wrong with a refused journal
  const std::string& Path() const { return path_; }
  Journal& Read() { return journal_; }
  const Journal& Read() const { return journal_; }
  // Reads the journal again (after records were added to it); false when it no longer reads.
  bool Reread(const JournalKey& key);

 private:
  friend class JournalWriter;
  Status status_ = Status::Missing;
  std::string why_;
  std::string path_;
  int fd_ = -1;
  Journal journal_;
};

// Percent-escapes the bytes of a field that would break the line format (codes 0-32, '%', 0x7F).
std::string EscapeField(std::string_view bytes);
std::optional<std::string> UnescapeField(std::string_view text);

class JournalWriter {
 public:
  ~JournalWriter();
  // A new journal at `path`, locked for the writer's life, with `carried` entries of an earlier journal
  // first. It takes the place of a journal at that path only when `replace` is set (the caller holds
  // that journal's lock); otherwise it fails when one is there. Nothing is left behind on failure.
  static std::unique_ptr<JournalWriter> Create(const std::string& path, const JournalHeader& header,
                                               const std::vector<JournalEntry>& carried, const JournalKey& key,
                                               bool replace, std::string& why);
  // Goes on with a journal the caller holds (the lock stays held while either lives); a torn last line
  // (bytes after the last line break that do not verify) is cut off first, nothing else ever is.
  static std::unique_ptr<JournalWriter> Continue(HeldJournal& held, const JournalKey& key);

  const std::string& Path() const { return path_; }
  int Fd() const { return fd_; }
  // Each appends one record and says whether it was written (Sync and the records that must be on
  // the disk before a file changes also make the journal durable).
  bool Entry(const JournalEntry& e);
  bool Writing(uint64_t n);  // durable
  bool Left(uint64_t n);     // durable: takes a "writing" back
  bool Done(uint64_t n, const fs::FileId& written = {});
  bool Listed(uint64_t count);
  bool Reached(uint64_t count);
  bool Closed(std::string_view reason);  // durable
  bool RestoreBegin();                   // durable
  bool Restoring(uint64_t n);
  bool Restored(uint64_t n);
  bool RestoreEnd();  // durable
  // Makes everything written so far durable.
  bool Sync();

 private:
  JournalWriter(std::string path, int fd, const JournalKey& key, uint64_t offset, LineMac last)
      : path_(std::move(path)), fd_(fd), key_(key), offset_(offset), last_(last) {}
  bool Line(std::string_view record);

  std::string path_;
  int fd_;
  JournalKey key_;
  uint64_t offset_;
  LineMac last_;
  bool broken_ = false;  // a write failed: nothing more is appended after a torn line
};

}  // namespace zur
