#include "window/replace/batchcommands.h"

#include <QCheckBox>
#include <QToolButton>

#include "window/form/commandgate.h"
#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/runreport.h"
#include "window/replace/batchrun.h"

namespace zur {

BatchCommands::BatchCommands(FormBase& form, BatchInputs inputs) : f_(form), in_(inputs) {
  // While ticked, the dry-run box is red and bold, so that nobody takes a dry run for a real one.
  QCheckBox* dry = f_.View().CbDryRun;
  connect(dry, &QCheckBox::toggled, this, [dry](bool on) {
    dry->setStyleSheet(on ? QStringLiteral("QCheckBox { color: #c00000; font-weight: bold; }") : QString());
  });
  MainView& v = f_.View();
  connect(v.BtnTextReplace, &QToolButton::clicked, this, [this] { BtnTextReplaceClick(); });
  connect(v.BtnDirTextReplace, &QToolButton::clicked, this, [this] { BtnDirTextReplaceClick(); });
  f_.Gate().Guard(v.BtnTextReplace);
  f_.Gate().Guard(v.BtnDirTextReplace);
}

void BatchCommands::BtnTextReplaceClick() {
  if (f_.Gate().Busy()) return;
  bool completed = false;
  {
    CommandGate::Running running(f_.Gate());
    try {
      f_.ShowProgress(true);
      const bool backup = f_.View().cbBackupWhenTransfter->isChecked() && !DryRunTicked(f_);
      if (backup && !OutputFolderAccepted(f_, false)) return;
      const std::optional<BatchRequest> request = BatchRequestFromWindow(f_, in_, BatchRequest::Files::Selected, false, backup);
      if (!request) return;
      const RunTally tally = RunBatchInWindow(f_, *request, {.unchanged = true, .written = true});
      if (!tally.started) return;
      if (!request->dryRun) f_.State().LastBatchKind = RunKind::SelectedFiles;
      f_.Hint(BatchEndHint(f_, *request, tally, f_.Msg().MsgAllReplaced));
      f_.ShowProgress(false);
      // The preview would take the place of the report: a run that left files alone keeps it, and so
      // does a dry run (its report is what the user asked for).
      completed = !request->dryRun && !tally.stopped && tally.Problems() == 0;
    } catch (...) {
      f_.ReportFailure();
    }
  }
  // The preview of the focused entry, once the command has ended.
  if (completed) emit f_.FocusedEntryRequested();
}

void BatchCommands::BtnDirTextReplaceClick() {
  if (f_.Gate().Busy()) return;
  CommandGate::Running running(f_.Gate());
  try {
    f_.Pane().Clear();
    f_.ShowProgress(true);
    const bool backup = f_.View().cbBackupWhenTransfter->isChecked() && !DryRunTicked(f_);
    if (backup && !OutputFolderAccepted(f_, true)) return;
    const std::optional<BatchRequest> request = BatchRequestFromWindow(f_, in_, BatchRequest::Files::Tree, false, backup);
    if (!request) return;
    const RunTally tally = RunBatchInWindow(f_, *request, {.unchanged = false, .written = true});
    if (!tally.started) return;
    if (!request->dryRun) f_.State().LastBatchKind = RunKind::FolderTree;
    f_.Hint(BatchEndHint(f_, *request, tally, f_.Msg().MsgAllReplaced));
    f_.ShowProgress(false);
  } catch (...) {
    f_.ReportFailure();
  }
}

}  // namespace zur
