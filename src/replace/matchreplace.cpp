#include "replace/matchreplace.h"

#include <QCheckBox>
#include <QListWidget>
#include <QToolButton>

#include "app/commandgate.h"
#include "app/mainform.h"
#include "app/outputpane.h"
#include "fileset/filelist.h"
#include "replace/batchcommands.h"

namespace zur {

MatchReplace::MatchReplace(TMainForm& form) : f_(form) {
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
    if (f_.Files().CurrentRow() < 0) {
      f_.Notice(f_.Msg().MsgSelectFile);
      f_.View().LbDocList->setFocus(Qt::OtherFocusReason);
      return;
    }
    // No copies, no closing word and no lines for the files written; files left alone are named.
    f_.Batches().RunRewrite(f_.Batches().SelectedItems(), {RunKind::SelectedFiles, true, false, true, false});
  } catch (...) {
    f_.ReportFailure();
  }
}

void MatchReplace::Button3Click() {
  if (f_.Gate().Busy()) return;
  CommandGate::Running running(f_.Gate());
  try {
    BatchCommands& batches = f_.Batches();
    const bool backup = f_.View().cbBackupWhenTransfter->isChecked();
    if (backup && !batches.BackupFolderReady(false)) return;
    std::vector<ScanProblem> problems;
    const RunTally tally = batches.RunRewrite({}, {RunKind::FolderTree, true, backup, true, true}, &problems);
    if (!tally.started) return;
    // A run with copies is the one a restore undoes.
    if (backup) f_.State().LastBatchKind = RunKind::FolderTree;
    f_.Hint(ClosingHint(f_.Msg(), tally, f_.Msg().MsgReplaceDone));
  } catch (...) {
    f_.ReportFailure();
  }
}

}  // namespace zur
