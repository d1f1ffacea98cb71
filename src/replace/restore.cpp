#include "replace/restore.h"

#include <QTimer>
#include <QToolButton>

#include "app/commandgate.h"
#include "app/commandrunner.h"
#include "app/mainform.h"
#include "app/outputpane.h"
#include "app/runreport.h"
#include "replace/batchcommands.h"
#include "run/restorejob.h"
#include "run/runstate.h"

namespace zur {
namespace {

constexpr int kNamesInMessage = 10;

}  // namespace

Restore::Restore(TMainForm& form) : f_(form) {
  connect(f_.View().BtnBatchReturn, &QToolButton::clicked, this, [this] { BtnBatchReturnClick(); });
  f_.Gate().Guard(f_.View().BtnBatchReturn);
}

// Every file is named in the pane; one message says what was put back and what still waits.
void Restore::ReportRecovery(const RecoveryReport& report) {
  if (report.notes.empty()) return;
  int putBack = 0, waiting = 0;
  QStringList named, refused;
  for (const RecoveryNote& note : report.notes) {
    const QString shown = OneLineName(f_.Q(note.shown));
    switch (note.what) {
      case RecoveryNote::What::PutBack: {
        ++putBack;
        QString line = FormatMessage(f_.Msg().FmtRecovered, shown);
        if (!note.keptAside.empty()) {
          line += QStringLiteral("（") + FormatMessage(f_.Msg().FmtKeptAside, OneLineName(f_.Q(note.keptAside))) +
                  QStringLiteral("）");
        }
        f_.Pane().AppendLine(line);
        if (named.size() < kNamesInMessage) named.append(shown);
        break;
      }
      case RecoveryNote::What::Waits: {
        ++waiting;
        const QString line = FormatMessage(f_.Msg().FmtRecoveryWaits, shown, OneLineName(f_.Q(note.original)));
        f_.Pane().AppendLine(note.why.empty() ? line : line + QStringLiteral("（") + f_.Q(note.why) + QStringLiteral("）"));
        break;
      }
      case RecoveryNote::What::Refused: {
        const QString line = FormatMessage(f_.Msg().FmtJournalRefused, shown, f_.Q(note.why));
        f_.Pane().AppendLine(line);
        refused.append(line);
        break;
      }
    }
  }
  QStringList text;
  if (putBack + waiting > 0) text.append(f_.Msg().MsgRunInterrupted);
  if (putBack > 0) {
    text.append(FormatMessage(f_.Msg().FmtRecoveredCount, putBack));
    for (const QString& name : named) text.append(QStringLiteral("  ") + name);
    if (putBack > named.size()) text.append(QStringLiteral("  ……"));
  }
  if (waiting > 0) text.append(FormatMessage(f_.Msg().FmtWaitingCount, waiting));
  text.append(refused);
  const QString message = text.join(QLatin1Char('\n'));
  // Said once the window stands.
  const MessageIcon icon = waiting > 0 || !refused.isEmpty() ? MessageIcon::Error : MessageIcon::Plain;
  QTimer::singleShot(0, &f_, [this, message, icon] { f_.Notice(message, icon); });
}

void Restore::StartUp() {
  RunState records = f_.Batches().Records();
  ReportRecovery(records.RecoverInterrupted());
  std::string why;
  if (records.Ready(why)) {
    const HeldJournal last = HeldJournal::Open(records.LastJournal(), records.Key());
    if (last.Ok()) f_.State().LastBatchKind = last.Read().header.kind;
  }
  f_.ShowPending();
}

void Restore::BtnBatchReturnClick() {
  if (f_.Gate().Busy()) return;
  try {
    Undo();
  } catch (...) {
    f_.ReportFailure();
  }
}

void Restore::Undo() {
  FormState& s = f_.State();
  RunState records = f_.Batches().Records();
  std::string why;
  if (s.LastBatchKind == RunKind::None) {
    f_.Notice(f_.Msg().MsgNothingToRestore);
    return;
  }
  if (!records.Ready(why)) {
    f_.Notice(f_.Msg().MsgRunNotStarted + f_.Q(why));
    return;
  }
  const std::string journalPath = records.LastJournal();
  // The journal is held (locked) from the first look to the last write: no other window acts on it.
  HeldJournal held = HeldJournal::Open(journalPath, records.Key());
  switch (held.State()) {
    case HeldJournal::Status::Missing:
      f_.Notice(f_.Msg().MsgNothingToRestore);
      return;
    case HeldJournal::Status::Busy:
      f_.Notice(f_.Msg().MsgRestoreBusy + f_.Q(journalPath));
      return;
    case HeldJournal::Status::Refused:
      f_.Notice(f_.Msg().MsgJournalRefused + f_.Q(journalPath) + QStringLiteral("（") + f_.Q(held.Why()) +
                QStringLiteral("）"));
      return;
    case HeldJournal::Status::Ok:
      break;
  }
  // A restore (or the run) cut short is finished first.
  const RecoveryReport repaired = RecoverJournal(held, records.Key(), records.Folder());
  ReportRecovery(repaired);
  if (!repaired.resolved) {
    f_.Notice(f_.Msg().MsgRunWaiting + f_.Q(journalPath));
    return;
  }
  if (held.Read().entries.empty()) {
    f_.Notice(f_.Msg().MsgNothingToRestore);
    return;
  }
  if (!f_.Desktop().AskYesNo(&f_, f_.Msg().MsgConfirmRestore, f_.Msg().CapFileRecovery)) return;
  CommandGate::Running running(f_.Gate());
  f_.ShowProgress(true);

  // First a look at every file: does it still hold what the run wrote?
  auto check = RestoreJob::Check(held.Read());
  const auto& entries = check->Entries();
  std::vector<RunEvent> looks(entries.size());
  size_t changedSince = 0;
  RunTally looked = f_.Runner().Execute(*check, entries.size(), [&](const RunEvent& e) {
    looks[e.item] = e;
    if (e.why == Why::ChangedSinceRun) ++changedSince;
  });
  if (looked.stopped) {
    f_.Hint(ClosingHint(f_.Msg(), looked, QString()));
    f_.ShowProgress(false);
    return;
  }
  const bool alsoChanged =
      changedSince > 0 &&
      f_.Desktop().AskYesNo(&f_, FormatMessage(f_.Msg().FmtRestoreChangedFiles, static_cast<int>(changedSince)),
                            f_.Msg().CapFileRecovery);
  // Each chosen file is written only if it still holds what the look saw.
  std::vector<std::optional<Fingerprint>> expected(entries.size());
  std::vector<bool> chosen(entries.size(), false);
  for (size_t i = 0; i < entries.size(); ++i) {
    chosen[i] = looks[i].outcome == Outcome::Unchanged || (alsoChanged && looks[i].why == Why::ChangedSinceRun);
    if (chosen[i]) expected[i] = check->Seen()[i];
  }

  auto write = RestoreJob::Write(held, records.Key(), std::move(expected));
  if (!write->Begin(records, why)) {
    f_.Notice(f_.Msg().MsgRunNotStarted + f_.Q(why));
    f_.ShowProgress(false);
    return;
  }
  const bool selected = held.Read().header.kind == RunKind::SelectedFiles;
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
}

}  // namespace zur
