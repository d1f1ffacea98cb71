#include "window/replace/restore.h"

#include <QTimer>
#include <QToolButton>

#include "core/commands/restore.h"
#include "core/run/history.h"
#include "window/form/commandgate.h"
#include "window/form/commandrunner.h"
#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/panesink.h"
#include "window/form/runreport.h"

namespace zur {
namespace {

constexpr int kNamesInMessage = 10;

}  // namespace

Restore::Restore(FormBase& form) : f_(form) {
  connect(f_.View().BtnBatchReturn, &QToolButton::clicked, this, [this] { BtnBatchReturnClick(); });
  f_.Gate().Guard(f_.View().BtnBatchReturn);
}

// Every file is named in the pane; one message says what was put back and what still waits.
Restore::Said Restore::RecoveryMessage(const RecoveryReport& report) {
  if (report.notes.empty()) return {};
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
  return {text.join(QLatin1Char('\n')), waiting > 0 || !refused.isEmpty() ? MessageIcon::Error : MessageIcon::Plain};
}

void Restore::ReportRecovery(const RecoveryReport& report) {
  const Said said = RecoveryMessage(report);
  // Said once the window stands.
  if (!said.text.isEmpty()) QTimer::singleShot(0, &f_, [this, said] { f_.Notice(said.text, said.icon); });
}

void Restore::StartUp() {
  const RecoveryReport report = RecoverAtStart(f_.RunsFolder());
  if (report.cutShort.empty()) {
    ReportRecovery(report);
  } else {
    // Said once the window stands, in one message with the question about each run cut short.
    const Said said = RecoveryMessage(report);
    QTimer::singleShot(0, &f_, [this, said, runs = report.cutShort] { AskAboutCutShortRuns(said.text, runs); });
  }
  f_.State().LastBatchKind = LastRestorable(f_.RunsFolder());
  f_.ShowPending();
}

void Restore::AskAboutCutShortRuns(const QString& recovered, const std::vector<CutShortRun>& runs) {
  try {
    QString before = recovered;
    const MessageTables& msg = f_.Msg();
    for (const CutShortRun& run : runs) {
      QString text = FormatMessage(run.notReached ? msg.FmtCutShort : msg.FmtCutShortUnknown, f_.Q(RunTime(run.id)));
      text = FormatMessage(FormatMessage(text, f_.Q(run.source)), static_cast<int>(run.changed));
      if (run.notReached) text = FormatMessage(text, static_cast<int>(*run.notReached));
      if (!before.isEmpty()) text = before + QLatin1Char('\n') + text;
      before.clear();
      if (f_.Desktop().AskYesNo(&f_, text, msg.CapCutShort)) {
        UndoRun(&run);
      } else {
        KeepCutShortRun(f_.RunsFolder(), run);
      }
    }
    f_.State().LastBatchKind = LastRestorable(f_.RunsFolder());
  } catch (...) {
    f_.ReportFailure();
  }
}

void Restore::BtnBatchReturnClick() {
  if (f_.Gate().Busy()) return;
  try {
    Undo();
  } catch (...) {
    f_.ReportFailure();
  }
}

namespace {

// The restore's two questions, asked with the window's Yes/No boxes; the progress bar shows from the
// moment the user says yes.
class WindowQuestions : public RestoreQuestions {
 public:
  // `answered`: the user said yes already (to the question about a run cut short).
  WindowQuestions(FormBase& f, bool answered) : f_(f), answered_(answered) {}
  bool Confirm(RunKind kind) override {
    kind_ = kind;
    if (!answered_ && !f_.Desktop().AskYesNo(&f_, f_.Msg().MsgConfirmRestore, f_.Msg().CapFileRecovery)) return false;
    f_.ProgressAt(0);
    f_.ShowProgress(true);
    return true;
  }
  bool AlsoChanged(size_t count) override {
    return f_.Desktop().AskYesNo(&f_, FormatMessage(f_.Msg().FmtRestoreChangedFiles, static_cast<int>(count)),
                                 f_.Msg().CapFileRecovery);
  }
  RunKind Kind() const { return kind_; }

 private:
  FormBase& f_;
  bool answered_;
  RunKind kind_ = RunKind::None;
};

}  // namespace

void Restore::Undo() {
  if (f_.State().LastBatchKind == RunKind::None) {
    f_.Notice(f_.Msg().MsgNothingToRestore);
    return;
  }
  UndoRun(nullptr);
}

void Restore::UndoRun(const CutShortRun* cutShort) {
  CommandGate::Running running(f_.Gate());
  WindowQuestions ask(f_, cutShort != nullptr);
  PaneSink sink(f_, [&](const RunEvent& e, const std::string& shown, const std::string& copyPath) {
    const QString target = f_.Line(shown);
    const QString copy = f_.Line(copyPath);
    const bool selected = ask.Kind() == RunKind::SelectedFiles;
    if (e.outcome == Outcome::Done || e.outcome == Outcome::Unchanged) {
      // The report names the file put back after a selected-files batch, the copy after a tree.
      f_.Pane().AppendLine(selected ? target : copy);
      f_.Hint(selected ? FormatMessage(f_.Msg().FmtRestoredTo, copy, target) : FormatMessage(f_.Msg().FmtRestore, copy));
    } else {
      f_.Pane().AppendLine(ProblemLine(f_.Msg(), e, target));
    }
  });
  // The look at every file, then the writing: the bar follows the files of both.
  f_.Runner().CountProgress(2);
  const RestoreResult result = cutShort ? UndoCutShortRun(f_.RunsFolder(), *cutShort, f_.Runner(), ask, sink)
                                        : RunRestore({f_.RunsFolder(), {}}, f_.Runner(), ask, sink);
  f_.Runner().CountProgress(0);
  ReportRecovery(result.repaired);
  switch (result.refused) {
    case RestoreResult::Refused::None:
      break;
    case RestoreResult::Refused::Nothing:
      f_.Notice(f_.Msg().MsgNothingToRestore);
      return;
    case RestoreResult::Refused::Records:
      f_.Notice(f_.Msg().MsgRunNotStarted + f_.Q(result.detail));
      f_.ShowProgress(false);
      return;
    case RestoreResult::Refused::Busy:
      f_.Notice(f_.Msg().MsgRestoreBusy + f_.Q(result.detail));
      return;
    case RestoreResult::Refused::Journal:
      f_.Notice(f_.Msg().MsgJournalRefused + f_.Q(result.detail));
      return;
    case RestoreResult::Refused::Waiting:
      f_.Notice(f_.Msg().MsgRunWaiting + f_.Q(result.detail));
      return;
    case RestoreResult::Refused::Declined:
      return;
  }
  if (result.looked.stopped) {
    f_.Hint(ClosingHint(f_.Msg(), result.looked, QString()));
  } else if (result.tally.stopped || result.tally.Problems() > 0) {
    f_.Hint(ClosingHint(f_.Msg(), result.tally, QString()));
  }
  if (!result.looked.stopped && !result.tally.stopped) {
    // The end says how many files came back and how many were left (the pane names them and why).
    const RunTally& t = result.tally;
    const QString end = t.Problems() == 0
                            ? FormatMessage(f_.Msg().FmtRestoreDone, static_cast<int>(t.done))
                            : FormatMessage(FormatMessage(f_.Msg().FmtRestoreDoneLeft, static_cast<int>(t.done)),
                                            static_cast<int>(t.Problems()));
    f_.Pane().AppendLine(end);
    QString said = end;
    if (result.undone) {
      // Which run that was: when it ran, on which folder, how many files it had changed.
      const QString run = FormatMessage(FormatMessage(FormatMessage(f_.Msg().FmtRunUndone, f_.Q(RunTime(result.runId))),
                                                      f_.Q(result.source)),
                                        static_cast<int>(result.files));
      f_.Pane().AppendLine(run);
      f_.Hint(run);
      said += run;
    }
    f_.ShowPending();
    f_.ShowProgress(false);  // the run is over before the message says so
    f_.Notice(said, t.Problems() == 0 ? MessageIcon::Plain : MessageIcon::Error);
  }
  // A run given back whole is not undone again.
  f_.State().LastBatchKind = LastRestorable(f_.RunsFolder());
  f_.ShowProgress(false);
}

}  // namespace zur
