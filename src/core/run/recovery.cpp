#include "core/run/recovery.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/files/paths.h"
#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"
#include "core/run/filewrite.h"
#include "core/run/history.h"
#include "core/run/originals.h"

namespace zur {
namespace {

// The journal already says that these files are being written; what is found is recorded by the caller.
struct AlreadyMarked : WriteMarks {
  explicit AlreadyMarked(JournalWriter& j) : journal(j) {}
  bool WritingInPlace(uint64_t) override { return true; }
  bool Written(uint64_t, const fs::FileId&) override { return true; }
  bool Left(uint64_t n) override { return journal.Left(n); }
  JournalWriter& journal;
};

enum class Found { Before, After, Other, Gone, Unseen };

struct Look {
  Found found = Found::Unseen;
  fs::OpenedFile file;
  ByteBuffer bytes;
  std::string why;
};

// What the file of an entry holds now. Its name is not followed if it has become a link.
Look LookAt(const JournalHeader& header, const JournalEntry& e) {
  Look look;
  look.file = OpenEntryFile(header, e, true);
  if (!look.file.Ok()) {
    struct stat st;
    // A file removed from a folder that is still there is gone; a folder that is gone may be on a drive
    // that is not mounted now.
    const bool gone = look.file.Refused() == fs::Refusal::Missing && ::stat(FolderPart(e.path).c_str(), &st) == 0;
    look.found = gone ? Found::Gone : Found::Unseen;
    look.why = look.file.Error() ? fs::ErrorText(look.file.Error()) : "not a regular file";
    return look;
  }
  // Another file in its place (a folder swapped for a link leads elsewhere): nothing of it is touched.
  if (!FileIsTheRuns(e, look.file.Stat())) {
    look.why = "the file was replaced by another since the run";
    look.file.Close();
    return look;
  }
  if (!look.file.ReadAll(look.bytes)) {
    look.why = fs::ErrorText(look.file.Error());
    return look;
  }
  const Fingerprint now = FingerprintOf(look.bytes.view());
  look.found = now == e.before ? Found::Before : now == e.after ? Found::After : Found::Other;
  return look;
}

std::string OriginalOf(const JournalEntry& e) { return e.copy.empty() ? e.data : e.copy; }

// Gives a file that may be torn its original bytes back, after keeping what it holds at `aside`; true
// when it holds them.
bool PutBack(const JournalEntry& e, const std::string& historyCopy, Look& look, const std::string& tempPrefix,
             const std::string& aside, JournalWriter& journal, std::string& why) {
  ByteBuffer original;
  if (!LoadOriginal(e, original, historyCopy)) {
    why = "the original is missing or damaged";
    return false;
  }
  try {
    fs::WriteNewFile(aside, look.bytes.view(), 0600, look.file.Stat().mtimeSec, look.file.Stat().mtimeNsec);
  } catch (const fs::FileError& error) {
    why = error.what();
    return false;
  }
  // What it held is on the disk before it is given its original.
  if (!fs::SyncFileAndFolder(aside)) {
    why = aside + ": " + fs::ErrorText(errno);
    return false;
  }
  FileWrite w;
  w.file = &look.file;
  w.bytes = original.view();
  w.n = e.n;
  // The original's time comes back with its bytes.
  const fs::FileTime modified{e.mtimeSec, e.mtimeNsec};
  w.modified = &modified;
  w.previous = [&look](ByteBuffer& into) {
    into.assign(look.bytes.view());
    return true;
  };
  AlreadyMarked marks(journal);
  fs::SyncPoint nothingMore;
  WriteFiles({&w}, tempPrefix, marks, nothingMore);
  if (w.event.outcome == Outcome::Done) return true;
  why = w.event.detail.empty() ? "the file changed meanwhile" : w.event.detail;
  return false;
}

}  // namespace

void RecoveryReport::Add(RecoveryReport&& more) {
  resolved = resolved && more.resolved;
  for (RecoveryNote& n : more.notes) notes.push_back(std::move(n));
  for (CutShortRun& r : more.cutShort) cutShort.push_back(std::move(r));
}

RecoveryReport RecoverJournal(HeldJournal& held, const JournalKey& key, const std::string& asideFolder) {
  RecoveryReport report;
  const Journal& j = held.Read();
  const bool runOpen = j.closed.empty();
  if (!runOpen && !j.restoreOpen) return report;
  auto writer = JournalWriter::Continue(held, key);
  if (!writer) {
    report.resolved = false;
    report.notes.push_back({RecoveryNote::What::Waits, held.Path(), held.Path(), fs::ErrorText(errno), {}});
    return report;
  }
  const std::string tempPrefix = ".zur-" + j.header.id + "-";
  auto waits = [&](const JournalEntry& e, std::string why) {
    report.resolved = false;
    report.notes.push_back({RecoveryNote::What::Waits, e.shown.empty() ? e.path : e.shown, OriginalOf(e), std::move(why), {}});
  };
  // The journal itself could not take a record: the run stays open, and says so.
  auto unrecorded = [&] {
    report.resolved = false;
    report.notes.push_back({RecoveryNote::What::Waits, held.Path(), held.Path(), fs::ErrorText(errno), {}});
  };
  // Looks at the file of an entry that was on its way; puts back a torn one. True when it is resolved.
  fs::FileId written;  // the file found holding the run's bytes
  auto settle = [&](const JournalEntry& e, bool mayBeTorn, Found& found) {
    fs::RemoveFromFolder(FolderPart(e.path), TempNameFor(tempPrefix, e.n));
    Look look = LookAt(j.header, e);
    found = look.found;
    written = look.file.Ok() ? look.file.Stat().Id() : fs::FileId{};
    if (found == Found::Before || found == Found::After) {
      // Whole bytes read back may still be only in memory (the program died before flushing them):
      // they are made durable before the run's originals may go.
      if (mayBeTorn && ::fdatasync(look.file.Fd()) != 0) {
        waits(e, fs::ErrorText(errno));
        return false;
      }
      return true;
    }
    // Whole bytes of another program (the run never wrote in place there) are left as they are.
    if (!mayBeTorn || found == Found::Gone) return true;
    if (found == Found::Unseen) {
      waits(e, look.why);
      return false;
    }
    std::string why;
    const std::string aside = asideFolder + "put-aside-" + j.header.id + "-" + std::to_string(e.n);
    if (!PutBack(e, HistoryCopyPath(j.header, e.copy), look, tempPrefix, aside, *writer, why)) {
      waits(e, why);
      return false;
    }
    found = Found::Before;
    report.notes.push_back({RecoveryNote::What::PutBack, e.shown.empty() ? e.path : e.shown, {}, {}, aside});
    return true;
  };

  if (runOpen) {
    bool all = true;
    for (const JournalEntry& e : j.entries) {
      if (j.done.count(e.n)) continue;
      Found found;
      if (!settle(e, j.writing.count(e.n) > 0, found)) {
        all = false;
      } else if (found == Found::After && !writer->Done(e.n, written)) {
        unrecorded();
        all = false;
      }
    }
    if (all && !writer->Closed("crash")) {
      unrecorded();
      all = false;
    }
    if (!all) report.resolved = false;
  }
  if (j.restoreOpen) {
    bool all = true;
    for (const JournalEntry& e : j.entries) {
      if (!j.restoring.count(e.n) || j.restored.count(e.n)) continue;
      Found found;
      // A file the restore was writing in place and left torn is given its original: that was the aim.
      if (!settle(e, j.restoreWriting.count(e.n) > 0, found)) {
        all = false;
      } else if (found == Found::Before && !writer->Restored(e.n)) {
        unrecorded();
        all = false;
      }
    }
    if (all && !writer->RestoreEnd()) {
      unrecorded();
      all = false;
    }
    if (!all) report.resolved = false;
  }
  writer.reset();
  if (!held.Reread(key)) {
    report.resolved = false;
    report.notes.push_back({RecoveryNote::What::Refused, held.Path(), {}, held.Why(), {}});
  }
  return report;
}

}  // namespace zur
