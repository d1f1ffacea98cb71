#include "core/run/savefile.h"

#include <cerrno>


#include "core/platform/fileio.h"
#include "core/platform/filesystem.h"
#include "core/run/filewrite.h"
#include "core/run/journal.h"
#include "core/run/journalmarks.h"
#include "core/run/originals.h"
#include "core/run/runevents.h"
#include "core/run/runstate.h"

namespace zur {
RunEvent SaveFile(const std::string& path, std::string_view bytes, const std::string& stateDir) {
  fs::OpenedFile file = fs::OpenedFile::Open(fs::AbsolutePath(path), true);
  if (!file.Ok()) return RefusalEvent(0, file.Refused(), file.Error());
  if (!file.Writable()) return {0, Outcome::Skipped, Why::NotWritable, {}};
  ByteBuffer original;
  if (!file.ReadAll(original)) return {0, Outcome::Failed, Why::Error, fs::ErrorText(file.Error())};
  if (original.view() == bytes) return {0, Outcome::Unchanged, Why::None, {}};

  RunState state(stateDir);
  std::string why;
  if (!state.Ready(why)) return {0, Outcome::Failed, Why::Error, why};
  const std::string id = state.NewId();
  const std::string journalPath = state.JournalPathFor(id);
  auto mark = state.MarkActive(id, journalPath, why);
  if (!mark) return {0, Outcome::Failed, Why::Error, why};
  auto fail = [&](const std::string& reason) {
    mark->Remove();
    state.RemoveRunFiles(id);
    return RunEvent{0, Outcome::Failed, Why::Error, reason};
  };
  JournalEntry e;
  e.n = 1;
  e.path = file.Path();
  e.shown = path;
  e.size = original.size();
  e.mode = file.Stat().mode & 07777;
  e.mtimeSec = file.Stat().mtimeSec;
  e.mtimeNsec = file.Stat().mtimeNsec;
  e.before = FingerprintOf(original.view());
  e.after = FingerprintOf(bytes);
  OriginalStore store(false, {}, state.DataBaseFor(id));
  try {
    store.Keep(0, {}, original.view(), e);
  } catch (const fs::FileError& error) {
    return fail(error.what());
  }
  auto journal = JournalWriter::Create(journalPath, {id, RunKind::SelectedFiles, false, {}, {}}, {}, state.Key(), false, why);
  if (!journal) return fail(why);
  if (!journal->Entry(e)) return fail(journalPath + ": " + fs::ErrorText(errno));

  FileWrite w;
  w.file = &file;
  w.bytes = bytes;
  w.n = 1;
  w.previous = [&original](ByteBuffer& into) {
    into.assign(original.view());
    return true;
  };
  // The original and its entry reach the disk with the new content, before the file changes.
  fs::SyncPoint before;
  store.AddTo(before);
  before.File(journal->Fd());
  std::mutex alone;
  JournalMarks marks(*journal, alone, JournalMarks::Of::Run);
  WriteFiles({&w}, ".zur-" + id + "-", marks, before);
  RunEvent result = std::move(w.event);
  result.item = 0;
  if (result.why == Why::Damaged || result.why == Why::NotDurable || w.leftover) {
    // The original stays in the journal's data; the next start puts the file right.
    if (result.why == Why::Damaged) result.detail = e.data;
    return result;
  }
  store.Close();
  if (journal->Closed("done")) {
    journal.reset();
    mark->Remove();
    state.RemoveRunFiles(id);
  }
  return result;
}

}  // namespace zur
