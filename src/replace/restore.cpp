#include "replace/restore.h"

#include <QToolButton>

#include "app/commandgate.h"
#include "app/commandrunner.h"
#include "app/mainform.h"
#include "app/outputpane.h"
#include "app/runreport.h"
#include "replace/batchcommands.h"
#include "run/restorejob.h"

namespace zur {

Restore::Restore(TMainForm& form) : f_(form) {
  connect(f_.View().BtnBatchReturn, &QToolButton::clicked, this, [this] { BtnBatchReturnClick(); });
  f_.Gate().Guard(f_.View().BtnBatchReturn);
}

void Restore::StartUp() {
  try {
    const RunState records = f_.Batches().Records();
    for (const RecoveryNote& note : records.RecoverInterrupted()) {
      const QString shown = OneLineName(f_.Q(note.shown));
      f_.Pane().AppendLine(note.putBack ? FormatMessage(f_.Msg().FmtRecovered, shown)
                                        : FormatMessage(f_.Msg().MsgFileFailed, shown));
    }
    if (auto journal = ReadJournal(records.LastJournal())) {
      f_.State().LastBatchKind = static_cast<int>(journal->header.kind);
    }
    f_.ShowPending();
  } catch (...) {
  }
}

void Restore::BtnBatchReturnClick() {
  if (f_.Gate().Busy()) return;
  try {
    FormState& s = f_.State();
    const RunState records = f_.Batches().Records();
    const std::string journalPath = records.LastJournal();
    std::optional<Journal> journal = s.LastBatchKind == 0 ? std::nullopt : ReadJournal(journalPath);
    if (journal) RecoverJournal(journalPath);  // a restore cut short is finished first
    if (journal) journal = ReadJournal(journalPath);
    if (!journal || journal->entries.empty()) {
      f_.Notice(f_.Msg().MsgNothingToRestore);
      return;
    }
    if (!f_.Desktop().AskYesNo(&f_, f_.Msg().MsgConfirmRestore, f_.Msg().CapFileRecovery)) return;
    CommandGate::Running running(f_.Gate());
    f_.ShowProgress(true);

    // First a look at every file: does it still hold what the run wrote?
    auto check = RestoreJob::Check(*journal);
    const auto& entries = check->Entries();
    std::vector<bool> chosen(entries.size(), false);
    std::vector<RunEvent> looks(entries.size());
    size_t changedSince = 0;
    RunTally looked = f_.Runner().Execute(*check, entries.size(), [&](const RunEvent& e) {
      looks[e.item] = e;
      if (e.outcome == Outcome::Unchanged) chosen[e.item] = true;
      if (e.why == Why::ChangedSinceRun) ++changedSince;
    });
    if (looked.stopped) {
      f_.Hint(ClosingHint(f_.Msg(), looked, QString()));
      f_.ShowProgress(false);
      return;
    }
    if (changedSince > 0 &&
        f_.Desktop().AskYesNo(&f_, FormatMessage(f_.Msg().FmtRestoreChangedFiles, static_cast<int>(changedSince)),
                              f_.Msg().CapFileRecovery)) {
      for (size_t i = 0; i < entries.size(); ++i) chosen[i] = chosen[i] || looks[i].why == Why::ChangedSinceRun;
    }

    auto write = RestoreJob::Write(*journal, journalPath, chosen);
    if (!write->Begin()) {
      f_.Notice(f_.Msg().MsgRunNotStarted + f_.Q(journalPath));
      return;
    }
    const bool selected = journal->header.kind == RunKind::SelectedFiles;
    const auto& targets = write->Entries();
    const RunTally tally = f_.Runner().Execute(*write, targets.size(), [&](const RunEvent& e) {
      const JournalEntry& entry = *targets[e.item];
      const QString target = OneLineName(f_.Q(entry.shown.empty() ? entry.path : entry.shown));
      const QString copy = OneLineName(f_.Q(entry.copy));
      if (e.outcome == Outcome::Done || e.outcome == Outcome::Unchanged) {
        // The report names the file put back after a selected-files batch, the copy after a tree.
        f_.Pane().AppendLine(selected ? target : copy);
        f_.Hint(selected ? FormatMessage(f_.Msg().FmtRestoredTo, copy, target) : FormatMessage(f_.Msg().FmtRestore, copy));
      } else {
        // A file left out after the first look is reported with what that look found.
        f_.Pane().AppendLine(ProblemLine(f_.Msg(), chosen[e.item] ? e : looks[e.item], target));
      }
    });
    if (tally.stopped || tally.Problems() > 0) f_.Hint(ClosingHint(f_.Msg(), tally, QString()));
    f_.ShowProgress(false);
  } catch (...) {
  }
}

}  // namespace zur
