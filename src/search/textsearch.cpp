#include "search/textsearch.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>

#include "app/commandgate.h"
#include "app/mainform.h"
#include "app/outputpane.h"
#include "app/qtext.h"
#include "fileset/paths.h"
#include "fileset/scan.h"
#include "fileset/shell.h"
#include "fileset/text.h"
#include "app/commandrunner.h"
#include "app/runreport.h"
#include "fileset/filelist.h"
#include "replace/batchcommands.h"
#include "replace/rules.h"
#include "run/searchjob.h"

namespace zur {
TextSearch::TextSearch(TMainForm& form) : f_(form) {
  MainView& v = f_.View();
  connect(v.BtnSearch, &QToolButton::clicked, this, [this] { BtnSearchClick(); });
  connect(v.LbSearch, &QListWidget::itemSelectionChanged, this, [this] { LbSearchClick(); });
  connect(v.LbSearch, &QListWidget::itemDoubleClicked, this, [this] { LbSearchDblClick(); });
  connect(v.LbSearch, &QListWidget::customContextMenuRequested, this,
          [list = v.LbSearch, menu = v.PmSearchResult](const QPoint& at) { menu->popup(list->viewport()->mapToGlobal(at)); });
  connect(v.N1, &QAction::triggered, this, [this] { N1Click(); });
  connect(v.N2, &QAction::triggered, this, [this] { N2Click(); });
  connect(v.N3, &QAction::triggered, this, [this] { N3Click(); });
  f_.Gate().Guard(v.BtnSearch);
}

void TextSearch::BtnSearchClick() {
  if (f_.Gate().Busy()) return;
  CommandGate::Running running(f_.Gate());
  try {
    MainView& v = f_.View();
    f_.ShowProgress(true);
    f_.Pane().Clear();
    // Inner line breaks stay, as CR LF.
    const std::u16string text = TrimControl16(BoxText(v.MmoSearchText));
    if (text.empty()) {
      f_.ShowProgress(false);
      f_.Notice(f_.Msg().MsgEnterSearchText);
      v.MmoSearchText->setFocus(Qt::OtherFocusReason);
      return;
    }
    v.LbSearch->clear();
    SearchJob job({}, PrepareText(text), EncodingOfCodePage(f_.Cp()));
    const std::string root = f_.State().SourcePath;
    const ExtList extensions = SetExtList(f_.B(v.EdtEXT->text()));
    std::vector<ScanProblem> problems;
    // Entries are added to the list a group at a time, as the run reports them.
    QStringList found;
    files_.clear();
    // The run starts at once; the scan gives it the files as it finds them.
    RunTally tally = f_.Runner().Execute(
        job,
        [&](Run& run) {
          ItemAnnouncer announce(run);
          ScanFolderTree(
              root, extensions,
              [&](ScanEntry&& file) {
                job.AddItem({std::move(file.shown), std::move(file.stored), {}, file.id, {}, file.regular});
                announce.One();
                return !run.StopRequested();
              },
              {}, f_.Cp(), &problems);
        },
        [&](const RunEvent& e) {
          const RunItem& it = job.Items()[e.item];
          if (e.outcome == Outcome::Hit) {
            std::string shown = it.shown;
            NormalizePath(shown);
            found.append(OneLineName(f_.Q(shown)));
            files_.push_back(it.stored);
          } else if (e.outcome == Outcome::Skipped || e.outcome == Outcome::Failed) {
            f_.Pane().AppendLine(ProblemLine(f_.Msg(), e, OneLineName(f_.Q(it.shown))));
          }
        },
        [&] {
          if (found.isEmpty()) return;
          v.LbSearch->addItems(found);
          found.clear();
        });
    f_.Batches().ReportScanProblems(problems);
    tally.skipped += problems.size();
    f_.Hint(ClosingHint(f_.Msg(), tally, f_.Msg().MsgAllSearched));
    v.GbSearchResult->setTitle(FormatMessage(f_.Msg().FmtFoundCount, v.LbSearch->count()));
    f_.ShowProgress(false);
  } catch (...) {
    f_.ReportFailure();
  }
}

std::string TextSearch::SelectedFile() const {
  const auto selected = f_.View().LbSearch->selectedItems();
  if (selected.isEmpty()) return {};
  const int row = f_.View().LbSearch->row(selected.first());
  return row >= 0 && static_cast<size_t>(row) < files_.size() ? files_[static_cast<size_t>(row)] : std::string();
}

void TextSearch::WithSelectedFile(const std::function<void(const std::string&)>& open) {
  try {
    const std::string file = SelectedFile();
    if (file.empty()) {
      f_.Notice(f_.Msg().MsgSelectFile);
      return;
    }
    open(file);
  } catch (...) {
    f_.ReportFailure();
  }
}

void TextSearch::LbSearchClick() {
  try {
    if (f_.Gate().Busy()) return;
    const auto selected = f_.View().LbSearch->selectedItems();
    const std::string file = SelectedFile();
    if (!file.empty()) f_.Files().Preview(file, selected.first()->text());
  } catch (...) {
    f_.ReportFailure();
  }
}

void TextSearch::LbSearchDblClick() {
  try {
    const std::string file = SelectedFile();
    if (!file.empty()) OpenTarget(f_.Desktop(), file);
  } catch (...) {
    f_.ReportFailure();
  }
}

void TextSearch::N1Click() {
  WithSelectedFile([this](const std::string& file) { OpenTarget(f_.Desktop(), FolderPart(file)); });
}

void TextSearch::N2Click() {
  WithSelectedFile([this](const std::string& file) { OpenTarget(f_.Desktop(), file); });
}

void TextSearch::N3Click() {
  WithSelectedFile([this](const std::string& file) { OpenInNotepad(f_.Desktop(), file); });
}

}  // namespace zur
