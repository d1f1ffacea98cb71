#include "replace/batchcommands.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>

#include "app/commandgate.h"
#include "app/mainform.h"
#include "app/outputpane.h"
#include "fileset/filelist.h"
#include "fileset/paths.h"
#include "fileset/scan.h"
#include "replace/backup.h"
#include "replace/rulerows.h"
#include "replace/substitute.h"

namespace zur {

BatchCommands::BatchCommands(TMainForm& form) : f_(form) {
  MainView& v = f_.View();
  connect(v.BtnTextReplace, &QToolButton::clicked, this, [this] { BtnTextReplaceClick(); });
  connect(v.BtnDirTextReplace, &QToolButton::clicked, this, [this] { BtnDirTextReplaceClick(); });
  f_.Gate().Guard(v.BtnTextReplace);
  f_.Gate().Guard(v.BtnDirTextReplace);
}

std::array<Rule, 3> BatchCommands::CurrentRules() const {
  return {f_.Rules().RuleOf(1, f_.Cp()), f_.Rules().RuleOf(2, f_.Cp()), f_.Rules().RuleOf(3, f_.Cp())};
}

bool BatchCommands::BackupFolderReady(bool normalise) {
  FormState& s = f_.State();
  if (!FolderExists(s.OutputPath)) CreateFolderPath(s.OutputPath);
  if (normalise) NormalizeFolderPath(s.OutputPath);
  if (!FolderExists(s.OutputPath)) {
    f_.Notice(f_.Msg().MsgSelectBackupPath);
    f_.View().EdtBackupPath->setFocus(Qt::OtherFocusReason);
    return false;
  }
  // Copies in the source folder itself would be the files themselves: refuse before touching any.
  if (SameFolder(s.OutputPath, s.SourcePath)) {
    f_.Notice(f_.Msg().MsgOutputIsSource);
    f_.View().EdtOutput->setFocus(Qt::OtherFocusReason);
    return false;
  }
  return true;
}

bool BatchCommands::SkipNotText(const WorkText& work, const QString& shownPath) {
  if (!work.HoldsNul()) return false;
  f_.Pane().AppendLine(FormatMessage(f_.Msg().MsgSkippedNotText, shownPath));
  return true;
}

void BatchCommands::ReportFailure(const QString& shownPath) {
  f_.Pane().AppendLine(FormatMessage(f_.Msg().MsgFileFailed, shownPath));
}

void BatchCommands::BtnTextReplaceClick() {
  if (f_.Gate().Busy()) return;
  bool completed = false;
  {
    CommandGate::Running running(f_.Gate());
    completed = RunSelectedFiles();
  }
  // The preview of the focused entry, once the command has ended.
  if (completed) f_.Files().LbDocListClick();
}

// Returns true when the run went through to its end.
bool BatchCommands::RunSelectedFiles() {
  FormState& s = f_.State();
  QString current;
  try {
    f_.ShowProgress(true);
    const bool backup = f_.View().cbBackupWhenTransfter->isChecked();
    if (backup && !BackupFolderReady(false)) return false;
    WorkText& work = *s.Work;
    work.Clear();
    FileList& files = f_.Files();
    for (int row = 0; row < files.Count(); ++row) {
      if (!files.IsSelected(row)) continue;
      const std::string entry = files.Entry(row);
      const std::string path = ComposePath(s.SourcePath, entry);
      if (!FileExists(path)) continue;
      current = f_.Q(path);
      f_.ProgressStep();
      work.LoadFromFile(path);
      f_.ProgressStep();
      if (SkipNotText(work, current)) continue;
      if (backup) SaveCopy(work, s.OutputPath + entry);
      for (const Rule& rule : CurrentRules()) {
        if (rule.Active()) ReplaceInWorkText(work, rule.find, rule.replacement, f_.Cp());
      }
      f_.ProgressStep();
      work.SaveToFile(path);
      f_.ProgressStep();
      f_.RunPendingEvents();
      f_.Pane().AppendLine(current);
      f_.Hint(FormatMessage(f_.Msg().FmtSave, current));
      current.clear();
    }
    s.LastBatchKind = 1;
    f_.Hint(f_.Msg().MsgAllReplaced);
    f_.ShowProgress(false);
    return true;
  } catch (...) {
    // The run ends at the file that failed; files before it are done, that one is unchanged.
    if (!current.isEmpty()) ReportFailure(current);
    return false;
  }
}

void BatchCommands::BtnDirTextReplaceClick() {
  if (f_.Gate().Busy()) return;
  CommandGate::Running running(f_.Gate());
  FormState& s = f_.State();
  try {
    f_.Pane().Clear();
    f_.ShowProgress(true);
    const bool backup = f_.View().cbBackupWhenTransfter->isChecked();
    if (backup && !BackupFolderReady(true)) return;
    const std::string root = s.SourcePath;
    std::vector<ScanEntry> files;
    // The output folder is left out, so that copies kept inside the source tree are never rewritten.
    ScanFolderTree(root, SetExtList(f_.B(f_.View().EdtEXT->text())), files, s.OutputPath);
    WorkText& work = *s.Work;
    work.Clear();
    for (const ScanEntry& file : files) {
      const QString shown = f_.Q(file.shown);
      try {
        if (!FileExists(file.stored)) continue;
        f_.ProgressStep();
        work.LoadFromFile(file.stored);
        f_.ProgressStep();
        if (SkipNotText(work, shown)) continue;
        if (backup) SaveCopy(work, TreeCopyPath(s.OutputPath, root, file.stored));
        bool changed = false;
        for (const Rule& rule : CurrentRules()) {
          if (rule.Active() && ReplaceInWorkText(work, rule.find, rule.replacement, f_.Cp())) changed = true;
        }
        f_.ProgressStep();
        if (!changed) continue;
        work.SaveToFile(file.stored);
        f_.ProgressStep();
        f_.RunPendingEvents();
        f_.Pane().AppendLine(shown);
        f_.Hint(FormatMessage(f_.Msg().FmtSave, shown));
      } catch (...) {
        ReportFailure(shown);
      }
    }
    s.LastBatchKind = 2;
    f_.Hint(f_.Msg().MsgAllReplaced);
    f_.ShowProgress(false);
  } catch (...) {
  }
}

}  // namespace zur
