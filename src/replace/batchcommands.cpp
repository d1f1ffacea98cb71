#include "replace/batchcommands.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>
#include <cerrno>

#include "app/commandgate.h"
#include "app/commandrunner.h"
#include "app/mainform.h"
#include "app/outputpane.h"
#include "fileset/filelist.h"
#include "fileset/paths.h"
#include "platform/fileio.h"
#include "replace/backup.h"
#include "replace/rulerows.h"

namespace zur {

BatchCommands::BatchCommands(TMainForm& form) : f_(form) {
  MainView& v = f_.View();
  connect(v.BtnTextReplace, &QToolButton::clicked, this, [this] { BtnTextReplaceClick(); });
  connect(v.BtnDirTextReplace, &QToolButton::clicked, this, [this] { BtnDirTextReplaceClick(); });
  f_.Gate().Guard(v.BtnTextReplace);
  f_.Gate().Guard(v.BtnDirTextReplace);
}

RunState BatchCommands::Records() const { return RunState(f_.SettingsDir() + "runs/"); }

bool BatchCommands::BackupFolderReady(bool normalise) {
  FormState& s = f_.State();
  if (!FolderExists(s.OutputPath)) CreateFolderPath(s.OutputPath);
  if (normalise) NormalizeFolderPath(s.OutputPath);
  if (!FolderExists(s.OutputPath)) {
    f_.Notice(f_.Msg().MsgSelectBackupPath);
    f_.View().EdtBackupPath->setFocus(Qt::OtherFocusReason);
    return false;
  }
  // Copies in the source folder itself would be the files themselves, and copies in a folder above
  // it could land on files not yet processed: both are refused before anything is touched.
  const bool same = SameFolder(s.OutputPath, s.SourcePath);
  if (same || FolderContains(s.OutputPath, s.SourcePath)) {
    f_.Notice(same ? f_.Msg().MsgOutputIsSource : f_.Msg().MsgOutputContainsSource);
    f_.View().EdtOutput->setFocus(Qt::OtherFocusReason);
    return false;
  }
  return true;
}

std::vector<RunItem> BatchCommands::SelectedItems() const {
  std::vector<RunItem> items;
  const FileList& files = f_.Files();
  for (int row = 0; row < files.Count(); ++row) {
    if (!files.IsSelected(row)) continue;
    const std::string entry = files.Entry(row);
    const std::string path = ComposePath(f_.State().SourcePath, entry);
    items.push_back({path, path, entry, {}, {}});
  }
  return items;
}

BatchCommands::TreeScan BatchCommands::SourceTreeScan() const {
  return {f_.State().SourcePath, SetExtList(f_.B(f_.View().EdtEXT->text())), f_.State().OutputPath, f_.Cp()};
}

void BatchCommands::ScanTree(const TreeScan& scan, const std::function<bool(RunItem&&)>& add,
                             std::vector<ScanProblem>& problems) {
  ScanFolderTree(
      scan.root, scan.extensions,
      [&](ScanEntry&& file) {
        std::string below = PathBelow(scan.root, file.stored);
        return add({std::move(file.shown), std::move(file.stored), std::move(below), file.id, {}, file.regular});
      },
      scan.leaveOut, scan.cp, &problems, true);
}

void BatchCommands::ReportScanProblems(const std::vector<ScanProblem>& problems) {
  for (const ScanProblem& p : problems) {
    const RunEvent e{kNoItem, Outcome::Skipped, p.error == ENAMETOOLONG ? Why::TooLong : Why::FolderUnreadable,
                     p.error == ENAMETOOLONG ? std::string() : fs::ErrorText(p.error)};
    f_.Pane().AppendLine(ProblemLine(f_.Msg(), e, OneLineName(f_.Q(p.folder))));
  }
}

RunTally BatchCommands::RunRewrite(std::vector<RunItem> items, const RewriteSpec& spec,
                                   std::vector<ScanProblem>* treeProblems) {
  FormState& s = f_.State();
  RewriteSetup setup;
  setup.items = std::move(items);
  setup.rules = PrepareRules(f_.Rules().CurrentRules());
  setup.keyed = spec.keyed;
  setup.locale = EncodingOfCodePage(f_.Cp());
  setup.kind = spec.kind;
  setup.copies = spec.copies;
  setup.source = s.SourcePath;
  setup.output = s.OutputPath;
  setup.stateDir = Records().Folder();
  RewriteJob job(std::move(setup));
  StartRefusal refusal;
  if (!job.Begin(refusal)) {
    f_.Notice(RefusalText(f_.Msg(), refusal, f_.Q(refusal.detail)));
    RunTally none;
    none.started = false;
    return none;
  }
  const ItemList<RunItem>& its = job.Items();
  auto report = [&](const RunEvent& e) {
    const QString shown = OneLineName(f_.Q(its[e.item].shown));
    const bool listed = e.outcome == Outcome::Done || (spec.listUnchanged && e.outcome == Outcome::Unchanged);
    if (listed) {
      if (spec.listWritten) f_.Pane().AppendLine(shown);
      f_.Hint(FormatMessage(f_.Msg().FmtSave, shown));
    } else if (e.outcome == Outcome::Skipped || e.outcome == Outcome::Failed) {
      f_.Pane().AppendLine(ProblemLine(f_.Msg(), e, shown));
    }
  };
  if (!treeProblems) return f_.Runner().Execute(job, its.size(), report);
  // The run starts at once; the scan gives it the files as it finds them.
  const TreeScan scan = SourceTreeScan();
  RunTally tally = f_.Runner().Execute(
      job,
      [&](Run& run) {
        ItemAnnouncer announce(run);
        ScanTree(
            scan,
            [&](RunItem&& item) {
              job.AddItem(std::move(item));
              announce.One();
              return !run.StopRequested();
            },
            *treeProblems);
      },
      report);
  ReportScanProblems(*treeProblems);
  tally.skipped += treeProblems->size();
  return tally;
}

void BatchCommands::BtnTextReplaceClick() {
  if (f_.Gate().Busy()) return;
  bool completed = false;
  {
    CommandGate::Running running(f_.Gate());
    try {
      f_.ShowProgress(true);
      const bool backup = f_.View().cbBackupWhenTransfter->isChecked();
      if (backup && !BackupFolderReady(false)) return;
      // A batch without copies leaves nothing that a restore could rightly put back.
      if (!backup) Records().ClearLastJournal();
      const RunTally tally = RunRewrite(SelectedItems(), {RunKind::SelectedFiles, false, backup, true, true});
      if (!tally.started) return;
      f_.State().LastBatchKind = RunKind::SelectedFiles;
      f_.Hint(ClosingHint(f_.Msg(), tally, f_.Msg().MsgAllReplaced));
      f_.ShowProgress(false);
      // The preview would take the place of the report: a run that left files alone keeps it.
      completed = !tally.stopped && tally.Problems() == 0;
    } catch (...) {
      f_.ReportFailure();
    }
  }
  // The preview of the focused entry, once the command has ended.
  if (completed) f_.Files().LbDocListClick();
}

void BatchCommands::BtnDirTextReplaceClick() {
  if (f_.Gate().Busy()) return;
  CommandGate::Running running(f_.Gate());
  try {
    f_.Pane().Clear();
    f_.ShowProgress(true);
    const bool backup = f_.View().cbBackupWhenTransfter->isChecked();
    if (backup && !BackupFolderReady(true)) return;
    if (!backup) Records().ClearLastJournal();
    std::vector<ScanProblem> problems;
    const RunTally tally = RunRewrite({}, {RunKind::FolderTree, false, backup, false, true}, &problems);
    if (!tally.started) return;
    f_.State().LastBatchKind = RunKind::FolderTree;
    f_.Hint(ClosingHint(f_.Msg(), tally, f_.Msg().MsgAllReplaced));
    f_.ShowProgress(false);
  } catch (...) {
    f_.ReportFailure();
  }
}

}  // namespace zur
