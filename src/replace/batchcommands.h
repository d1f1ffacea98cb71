// The two batch text commands: the rule rows applied to the files selected in the file list, or to
// every listed file of the source tree, each result written over its file, with an optional copy of
// each changed file in the output folder first. The match commands and the restore share the way a
// rewriting run is set up and reported.
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/runreport.h"
#include "fileset/scan.h"
#include "replace/rules.h"
#include "run/journal.h"
#include "run/rewritejob.h"
#include "run/runstate.h"

namespace zur {

class TMainForm;

class BatchCommands : public QObject {
 public:
  explicit BatchCommands(TMainForm& form);

  void BtnTextReplaceClick();
  void BtnDirTextReplaceClick();

  // The backup-folder check that starts a batch with the backup option: the output folder exists (it
  // is made when missing), is not the source folder and does not hold it. False, after saying why,
  // when the batch must not start. `normalise` also normalises the output folder value.
  bool BackupFolderReady(bool normalise);

  // The inputs of a run, fixed when it starts: the selected entries of the file list, or the listed
  // files of the source tree (given to the run as the scan finds them; the folders the scan could not
  // open in `problems`).
  std::vector<RunItem> SelectedItems() const;
  // What a tree scan needs, read from the window when a command starts (the scan itself runs on the
  // run's thread, which must not touch the window).
  struct TreeScan {
    std::string root;
    ExtList extensions;
    std::string leaveOut;  // the output folder: copies kept inside the source tree are never rewritten
    CodePage cp = CodePage::Utf8;
  };
  TreeScan SourceTreeScan() const;
  // Scans the tree, giving each file to `add`; false from `add` ends the scan.
  static void ScanTree(const TreeScan& scan, const std::function<bool(RunItem&&)>& add, std::vector<ScanProblem>& problems);
  // Report lines for folders a scan could not open.
  void ReportScanProblems(const std::vector<ScanProblem>& problems);

  struct RewriteSpec {
    RunKind kind = RunKind::FolderTree;
    bool keyed = false;          // the placeholder is understood
    bool copies = false;         // backup copies in the output folder
    bool listUnchanged = false;  // processed files that did not change are listed too
    bool listWritten = true;     // written files are listed in the pane (else only named in the hint)
  };
  // Runs the rule rows over the items (with `treeProblems`: over the source tree, scanned while the run
  // goes) and reports each file. `started` is false in the tally when the run could not start (it said
  // why).
  RunTally RunRewrite(std::vector<RunItem> items, const RewriteSpec& spec,
                      std::vector<ScanProblem>* treeProblems = nullptr);

  // The program's record of runs (beside the settings).
  RunState Records() const;

 private:
  TMainForm& f_;
};

}  // namespace zur
