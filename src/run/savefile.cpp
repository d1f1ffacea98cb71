#include "run/savefile.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/fileio.h"
#include "run/journal.h"
#include "run/runevents.h"
#include "run/runstate.h"

namespace zur {

RunEvent SaveFileInPlace(const std::string& path, std::string_view bytes, const std::string& stateDir) {
  fs::OpenedFile file = fs::OpenedFile::Open(path, true);
  if (!file.Ok()) return RefusalEvent(0, file.Refused(), file.Error());
  if (!file.Writable()) return {0, Outcome::Skipped, Why::NotWritable, {}};
  ByteBuffer original;
  if (!file.ReadAll(original)) return {0, Outcome::Failed, Why::Error, fs::ErrorText(file.Error())};
  if (original.view() == bytes) return {0, Outcome::Unchanged, Why::None, {}};

  RunState state(stateDir);
  const std::string id = state.NewId();
  const std::string journalPath = state.JournalPathFor(id);
  const std::string dataPath = state.DataPathFor(id, 0);
  if (!state.MarkActive(id, journalPath)) return {0, Outcome::Failed, Why::Error, state.Folder()};
  auto fail = [&](const std::string& why) {
    state.ClearActive(id);
    state.RemoveRunFiles(id);
    return RunEvent{0, Outcome::Failed, Why::Error, why};
  };
  try {
    fs::WriteNewFile(dataPath, original.view(), 0600, 0, 0);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  JournalEntry e;
  e.n = 1;
  e.path = path;
  e.shown = path;
  e.data = dataPath;
  e.size = original.size();
  e.mode = file.Stat().mode & 07777;
  e.mtimeSec = file.Stat().mtimeSec;
  e.mtimeNsec = file.Stat().mtimeNsec;
  e.before = FingerprintOf(original.view());
  e.after = FingerprintOf(bytes);
  auto journal = JournalWriter::Create(journalPath, {id, RunKind::SelectedFiles, false, {}, {}});
  if (!journal || !fs::SyncFileSystemOf(dataPath) || !journal->Entry(e) || !journal->Sync()) return fail(journalPath);
  std::string error;
  if (!file.WriteInPlace(bytes, error)) {
    std::string ignored;
    file.WriteInPlace(original.view(), ignored);
    journal->Closed("done");
    state.ClearActive(id);
    state.RemoveRunFiles(id);
    return {0, Outcome::Failed, Why::Error, error};
  }
  ::fdatasync(file.Fd());
  journal->Done(1);
  journal->Closed("done");
  journal.reset();
  state.ClearActive(id);
  state.RemoveRunFiles(id);
  return {0, Outcome::Done, Why::None, {}};
}

}  // namespace zur
