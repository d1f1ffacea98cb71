#include "window/replace/matchreplace.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

#include "window/form/commandgate.h"
#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/runreport.h"
#include "window/replace/batchrun.h"

namespace zur {

MatchReplace::MatchReplace(FormBase& form, BatchInputs inputs) : f_(form), in_(inputs) {
  MainView& v = f_.View();
  connect(v.BtnPipeiReplace, &QToolButton::clicked, this, [this] { BtnPiPeiClick(); });
  connect(v.BtnPiPeiDir, &QToolButton::clicked, this, [this] { Button3Click(); });
  f_.Gate().Guard(v.BtnPipeiReplace);
  f_.Gate().Guard(v.BtnPiPeiDir);
}

void MatchReplace::BtnPiPeiClick() {
  if (f_.Gate().Busy()) return;
  CommandGate::Running running(f_.Gate());
  try {
    f_.Pane().Clear();
    if (f_.View().LbDocList->currentRow() < 0) {
      f_.Notice(f_.Msg().MsgSelectFile);
      f_.View().LbDocList->setFocus(Qt::OtherFocusReason);
      return;
    }
    // No copies, no closing word and no lines for the files written; files left alone are named.
    const std::optional<BatchRequest> request = BatchRequestFromWindow(f_, in_, BatchRequest::Files::Selected, true, false);
    if (!request) return;
    const RunTally tally = RunBatchInWindow(f_, *request, {.unchanged = true, .written = false});
    // The hint keeps naming the last file written, with the counts after it.
    if (tally.started) {
      f_.Hint(request->dryRun ? BatchEndHint(f_, *request, tally, QString()) : WithCounts(f_.Msg(), tally, f_.View().LbHint->text()));
    }
  } catch (...) {
    f_.ReportFailure();
  }
}

void MatchReplace::Button3Click() {
  if (f_.Gate().Busy()) return;
  CommandGate::Running running(f_.Gate());
  try {
    const bool backup = f_.View().cbBackupWhenTransfter->isChecked() && !DryRunTicked(f_);
    if (backup && !OutputFolderAccepted(f_, false)) return;
    const std::optional<BatchRequest> request = BatchRequestFromWindow(f_, in_, BatchRequest::Files::Tree, true, backup);
    if (!request) return;
    const RunTally tally = RunBatchInWindow(f_, *request, {.unchanged = true, .written = true});
    if (!tally.started) return;
    // A run with copies is the one a restore undoes.
    if (backup) f_.State().LastBatchKind = RunKind::FolderTree;
    f_.Hint(BatchEndHint(f_, *request, tally, f_.Msg().MsgReplaceDone));
  } catch (...) {
    f_.ReportFailure();
  }
}

}  // namespace zur
