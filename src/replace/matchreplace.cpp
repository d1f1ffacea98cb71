#include "replace/matchreplace.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

#include "app/commandgate.h"
#include "app/mainform.h"
#include "app/outputpane.h"
#include "fileset/filelist.h"
#include "fileset/paths.h"
#include "fileset/scan.h"
#include "replace/backup.h"
#include "replace/batchcommands.h"
#include "replace/substitute.h"

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
  FormState& s = f_.State();
  QString current;
  try {
    s.Work->Clear();
    f_.Pane().Clear();
    FileList& files = f_.Files();
    if (files.CurrentRow() < 0) {
      f_.Notice(f_.Msg().MsgSelectFile);
      f_.View().LbDocList->setFocus(Qt::OtherFocusReason);
      return;
    }
    for (int row = 0; row < files.Count(); ++row) {
      if (!files.IsSelected(row)) continue;
      const std::string path = ComposePath(s.SourcePath, files.Entry(row));
      if (!FileExists(path)) continue;
      current = f_.Q(path);
      f_.ProgressStep();
      s.Work->LoadFromFile(path);
      f_.ProgressStep();
      if (f_.Batches().SkipNotText(*s.Work, current)) continue;
      ApplyRulesWithPattern(*s.Work, f_.Batches().CurrentRules(), f_.Cp());
      f_.ProgressStep();
      s.Work->SaveToFile(path);
      f_.ProgressStep();
      f_.Hint(FormatMessage(f_.Msg().FmtSave, current));
      current.clear();
    }
  } catch (...) {
    if (!current.isEmpty()) f_.Batches().ReportFailure(current);
  }
}

void MatchReplace::Button3Click() {
  if (f_.Gate().Busy()) return;
  CommandGate::Running running(f_.Gate());
  FormState& s = f_.State();
  QString current;
  try {
    const std::string root = s.SourcePath;
    std::vector<ScanEntry> files;
    ScanFolderTree(root, SetExtList(f_.B(f_.View().EdtEXT->text())), files, s.OutputPath);
    s.Work->Clear();
    const bool backup = f_.View().cbBackupWhenTransfter->isChecked();
    if (backup && !f_.Batches().BackupFolderReady(false)) return;
    for (const ScanEntry& file : files) {
      if (!FileExists(file.stored)) continue;
      current = f_.Q(file.shown);
      f_.ProgressStep();
      s.Work->LoadFromFile(file.stored);
      f_.ProgressStep();
      if (f_.Batches().SkipNotText(*s.Work, current)) continue;
      if (backup) SaveCopy(*s.Work, TreeCopyPath(s.OutputPath, root, file.stored));
      ApplyRulesWithPattern(*s.Work, f_.Batches().CurrentRules(), f_.Cp());
      f_.ProgressStep();
      s.Work->SaveToFile(file.stored);
      f_.ProgressStep();
      f_.RunPendingEvents();
      f_.Pane().AppendLine(current);
      f_.Hint(FormatMessage(f_.Msg().FmtSave, current));
      current.clear();
    }
    f_.Hint(f_.Msg().MsgReplaceDone);
  } catch (...) {
    // The run ends at the file that failed, without its closing hint.
    if (!current.isEmpty()) f_.Batches().ReportFailure(current);
  }
}

}  // namespace zur
