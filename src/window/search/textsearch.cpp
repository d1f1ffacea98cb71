#include "window/search/textsearch.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>

#include "core/commands/search.h"
#include "core/files/paths.h"
#include "core/files/scan.h"
#include "core/replace/rules.h"
#include "core/text/text.h"
#include "window/files/shell.h"
#include "window/files/treefilter.h"
#include "window/form/commandgate.h"
#include "window/form/commandrunner.h"
#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/panesink.h"
#include "window/form/qtext.h"
#include "window/form/runreport.h"

namespace zur {
TextSearch::TextSearch(FormBase& form) : f_(form) {
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
    const std::optional<FileFilter> filter = FilterFromWindow(f_);
    if (!filter) {
      f_.ShowProgress(false);
      return;
    }
    v.LbSearch->clear();
    files_.clear();
    SearchRequest request{f_.State().SourcePath, *filter, text, f_.Cp(),
                          v.CbFollowOutside->isChecked(),
                          {v.CbSearchMatchCase->isChecked(), v.CbSearchWholeWord->isChecked(), v.CbSearchRegex->isChecked()}};
    // Entries are added to the list a group at a time, as the run reports them.
    QStringList found;
    PaneSink sink(
        f_,
        [&](const RunEvent& e, const std::string& shown, const std::string& stored) {
          if (e.outcome == Outcome::Hit) {
            found.append(f_.Line(shown));
            files_.push_back(stored);
          } else if (e.outcome == Outcome::Skipped || e.outcome == Outcome::Failed) {
            f_.Pane().AppendLine(ProblemLine(f_.Msg(), e, f_.Line(shown)));
          }
        },
        [&] {
          if (found.isEmpty()) return;
          v.LbSearch->addItems(found);
          found.clear();
        });
    const CommandResult result = RunSearch(request, f_.Runner(), sink);
    if (result.refusal.Refused()) {
      f_.ShowProgress(false);
      f_.Notice(RefusalText(f_.Msg(), result.refusal, f_.Q(result.refusal.detail)));
      return;
    }
    TellLeftOut(f_, result);
    const RunTally& tally = result.tally;
    // The hint gives the number of files found too, as the result list's title does.
    const QString count = FormatMessage(f_.Msg().FmtFoundCount, v.LbSearch->count());
    f_.Hint(ClosingHint(f_.Msg(), tally, f_.Msg().MsgAllSearched) + count);
    v.GbSearchResult->setTitle(count);
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
    if (!file.empty()) emit f_.PreviewRequested(file, selected.first()->text());
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
