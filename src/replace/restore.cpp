#include "replace/restore.h"

#include <QLineEdit>
#include <QToolButton>

#include "app/commandgate.h"
#include "app/mainform.h"
#include "app/outputpane.h"
#include "fileset/filelist.h"
#include "fileset/paths.h"
#include "fileset/scan.h"
#include "replace/backup.h"
#include "replace/batchcommands.h"

namespace zur {

Restore::Restore(TMainForm& form) : f_(form) {
  connect(f_.View().BtnBatchReturn, &QToolButton::clicked, this, [this] { BtnBatchReturnClick(); });
  f_.Gate().Guard(f_.View().BtnBatchReturn);
}

void Restore::BtnBatchReturnClick() {
  if (f_.Gate().Busy()) return;
  try {
    FormState& s = f_.State();
    if (s.LastBatchKind == 0) {
      f_.Notice(f_.Msg().MsgNothingToRestore);
      return;
    }
    if (!f_.Desktop().AskYesNo(&f_, f_.Msg().MsgConfirmRestore, f_.Msg().CapFileRecovery)) return;
    CommandGate::Running running(f_.Gate());
    f_.ShowProgress(true);
    if (!FolderExists(s.OutputPath)) CreateFolderPath(s.OutputPath);
    if (!FolderExists(s.OutputPath)) {
      f_.Notice(f_.Msg().MsgSelectBackupPath);
      f_.View().EdtBackupPath->setFocus(Qt::OtherFocusReason);
      return;
    }
    if (s.LastBatchKind == 1) {
      RestoreSelectedFiles();
    } else {
      RestoreFolderTree(s.OutputPath);
    }
    f_.ShowProgress(false);
  } catch (...) {
  }
}

void Restore::RestoreSelectedFiles() {
  FormState& s = f_.State();
  QString current;
  try {
    s.Work->Clear();
    FileList& files = f_.Files();
    for (int row = 0; row < files.Count(); ++row) {
      if (!files.IsSelected(row)) continue;
      const std::string entry = files.Entry(row);
      const std::string target = ComposePath(s.SourcePath, entry);
      const std::string copy = s.OutputPath + entry;
      if (!FileExists(target)) continue;
      current = f_.Q(target);
      // An entry that was never backed up is passed over; the others are still restored.
      if (!FileExists(copy)) {
        f_.Pane().AppendLine(FormatMessage(f_.Msg().MsgNoBackupCopy, current));
        continue;
      }
      f_.ProgressStep();
      s.Work->LoadFromFile(copy);
      f_.ProgressStep();
      if (f_.Batches().SkipNotText(*s.Work, f_.Q(copy))) continue;
      s.Work->SaveToFile(target);
      f_.ProgressStep();
      f_.RunPendingEvents();
      f_.Pane().AppendLine(current);
      f_.Hint(FormatMessage(f_.Msg().FmtRestoredTo, f_.Q(copy), current));
      current.clear();
    }
  } catch (...) {
    // The restore ends at the file that failed; earlier files stay restored.
    if (!current.isEmpty()) f_.Batches().ReportFailure(current);
  }
}

void Restore::RestoreFolderTree(const std::string& folder) {
  FormState& s = f_.State();
  QString current;
  try {
    std::vector<ScanEntry> copies;
    ScanFolderTree(folder, SetExtList(f_.B(f_.View().EdtEXT->text())), copies);
    s.Work->Clear();
    for (const ScanEntry& copy : copies) {
      if (!FileExists(copy.stored)) continue;
      const std::string target = TreeRestoreTarget(s.SourcePath, folder, copy.stored);
      if (!FileExists(target)) continue;
      current = f_.Q(target);
      f_.ProgressStep();
      s.Work->LoadFromFile(copy.stored);
      f_.ProgressStep();
      if (f_.Batches().SkipNotText(*s.Work, f_.Q(copy.shown))) continue;
      s.Work->SaveToFile(target);
      f_.ProgressStep();
      f_.RunPendingEvents();
      f_.Pane().AppendLine(f_.Q(copy.shown));
      f_.Hint(FormatMessage(f_.Msg().FmtRestore, f_.Q(copy.shown)));
      current.clear();
    }
  } catch (...) {
    if (!current.isEmpty()) f_.Batches().ReportFailure(current);
  }
}

}  // namespace zur
