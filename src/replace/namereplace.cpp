#include "replace/namereplace.h"

#include <QLineEdit>
#include <QToolButton>

#include "app/commandgate.h"
#include "app/commandrunner.h"
#include "app/mainform.h"
#include "app/outputpane.h"
#include "app/runreport.h"
#include "fileset/filelist.h"
#include "fileset/paths.h"
#include "fileset/scan.h"
#include "fileset/text.h"
#include "replace/batchcommands.h"
#include "replace/substitute.h"
#include "run/renamejob.h"

namespace zur {

NameReplace::NameReplace(TMainForm& form) : f_(form) {
  MainView& v = f_.View();
  connect(v.BtnReplaceFileName, &QToolButton::clicked, this, [this] { BtnRepalceFileNameClick(); });
  connect(v.BtnRplaceNameOfDIR, &QToolButton::clicked, this, [this] { BtnBtnRplaceNameOfDIRClick(); });
  f_.Gate().Guard(v.BtnReplaceFileName);
  f_.Gate().Guard(v.BtnRplaceNameOfDIR);
}

std::pair<std::string, std::string> NameReplace::Texts() const {
  return {TrimControl(f_.B(f_.View().EditOldFileName->text())), TrimControl(f_.B(f_.View().EditNewFileName->text()))};
}

void NameReplace::BtnRepalceFileNameClick() {
  if (f_.Gate().Busy()) return;
  try {
    {
      CommandGate::Running running(f_.Gate());
      const auto [find, replacement] = Texts();
      std::vector<std::string> paths;
      ListFolderFiles(f_.State().SourcePath, paths);
      f_.Pane().Clear();
      std::vector<RenameItem> items;
      for (const std::string& path : paths) items.push_back({path, ReplaceAll(path, find, replacement, f_.Cp())});
      RenameJob job(std::move(items));
      // Renames are not reported; a file that could not be renamed is, and the hint says so.
      const RunTally tally = f_.Runner().Execute(job, job.Items().size(), [&](const RunEvent& e) {
        if (e.outcome == Outcome::Failed || e.outcome == Outcome::Skipped) {
          f_.Pane().AppendLine(ProblemLine(f_.Msg(), e, OneLineName(f_.Q(job.Items()[e.item].from))));
        }
      });
      if (tally.stopped || tally.Problems() > 0) f_.Hint(ClosingHint(f_.Msg(), tally, QString()));
    }
    f_.Files().RefreshDocList();
  } catch (...) {
    f_.ReportFailure();
  }
}

void NameReplace::BtnBtnRplaceNameOfDIRClick() {
  if (f_.Gate().Busy()) return;
  try {
    {
      CommandGate::Running running(f_.Gate());
      const auto [find, replacement] = Texts();
      std::vector<ScanEntry> files;
      std::vector<ScanProblem> problems;
      ScanFolderTree(f_.State().SourcePath, SetExtList(f_.B(f_.View().EdtEXT->text())), files, {}, f_.Cp(), &problems);
      f_.Pane().Clear();
      f_.Batches().ReportScanProblems(problems);
      // The new path comes from the path as the scan shows it (the file name in lower case); the
      // stored file is moved only when that changes something.
      std::vector<RenameItem> items;
      std::vector<std::string> shown;
      for (const ScanEntry& file : files) {
        std::string renamed = ReplaceAll(file.shown, find, replacement, f_.Cp());
        items.push_back({file.stored, renamed == file.shown ? file.stored : renamed});
        shown.push_back(std::move(renamed));
      }
      RenameJob job(std::move(items));
      RunTally tally = f_.Runner().Execute(job, job.Items().size(), [&](const RunEvent& e) {
        if (e.outcome == Outcome::Done || e.outcome == Outcome::Unchanged) {
          f_.Pane().AppendLine(OneLineName(f_.Q(shown[e.item])));
        } else {
          f_.Pane().AppendLine(ProblemLine(f_.Msg(), e, OneLineName(f_.Q(files[e.item].shown))));
        }
      });
      tally.skipped += problems.size();
      if (tally.stopped || tally.Problems() > 0) f_.Hint(ClosingHint(f_.Msg(), tally, QString()));
    }
    f_.Files().RefreshDocList();
  } catch (...) {
    f_.ReportFailure();
  }
}

}  // namespace zur
