#include "window/search/previewfile.h"

#include <QPlainTextEdit>
#include <QToolButton>

#include "core/commands/panefile.h"
#include "core/replace/rules.h"
#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/qtext.h"
#include "window/form/runreport.h"

namespace zur {

PreviewFile::PreviewFile(FormBase& form) : f_(form) {
  MainView& v = f_.View();
  connect(v.BtnReplace, &QToolButton::clicked, this, [this] { BtnReplaceClick(); });
  connect(v.BtnSave, &QToolButton::clicked, this, [this] { BtnSaveFileClick(); });
  connect(v.BtnSaveDirectory, &QToolButton::clicked, this, [this] { BtnSaveDirectoryClick(); });
}

namespace {

// A search-page box as the pane counts text: trimmed, line breaks one character each.
std::u16string PaneBoxText(const QPlainTextEdit* box) {
  std::u16string text = TrimControl16(BoxText(box));
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace

bool PreviewFile::RefusedWhileDiffShown() {
  if (!f_.Pane().ShowingDiff()) return false;
  f_.Notice(f_.Msg().MsgPaneShowsDiff);
  return true;
}

void PreviewFile::BtnReplaceClick() {
  try {
    if (RefusedWhileDiffShown()) return;
    MainView& v = f_.View();
    const std::u16string find = PaneBoxText(v.MmoSearchText);
    const std::u16string replacement = PaneBoxText(v.MmSearchReplace);
    if (find.empty()) {
      f_.Notice(f_.Msg().MsgSearchTextEmpty);
      v.MmoSearchText->setFocus(Qt::OtherFocusReason);
      return;
    }
    // The pane keeps the file it was loaded from: this is an edit of that file's text.
    OutputPane& pane = f_.Pane();
    const QString text = pane.Text();
    pane.SetText(QString::fromStdU16String(ReplaceInPaneText(ToU16(text), find, replacement, pane.TextEncoding())));
  } catch (...) {
    f_.ReportFailure();
  }
}

RunEvent PreviewFile::WritePane() {
  const OutputPane& pane = f_.Pane();
  // The file's own encoding and line ends; what was not edited comes back byte for byte.
  return SavePane({pane.File(), std::u16string(ToU16(pane.Text())), f_.RunsFolder()});
}

void PreviewFile::BtnSaveFileClick() {
  try {
    if (RefusedWhileDiffShown()) return;
    if (!f_.Pane().HoldsWholeFile()) return;
    // Quiet when it works; a save that did not happen is never left unsaid.
    const RunEvent result = WritePane();
    if (result.outcome == Outcome::Skipped && result.why == Why::None) return;
    if (result.outcome == Outcome::Skipped || result.outcome == Outcome::Failed) {
      f_.Notice(ProblemLine(f_.Msg(), result, OneLineName(f_.Q(f_.Pane().LoadedFile()))), MessageIcon::Error);
    }
  } catch (...) {
    f_.ReportFailure();
  }
}

void PreviewFile::BtnSaveDirectoryClick() {
  try {
    if (RefusedWhileDiffShown()) return;
    OutputPane& pane = f_.Pane();
    if (pane.LoadedFile().empty()) {
      f_.Notice(f_.Msg().MsgPaneHasNoFile);
      return;
    }
    if (!pane.HoldsWholeFile()) {
      f_.Notice(f_.Msg().MsgPanePartial);
      return;
    }
    const RunEvent result = WritePane();
    if (result.outcome == Outcome::Done || result.outcome == Outcome::Unchanged) {
      f_.Hint(QStringLiteral("保存成功"));
      f_.Notice(QStringLiteral("保存成功"));
      return;
    }
    // A failure is said as such, never as success.
    f_.Notice(ProblemLine(f_.Msg(), result, OneLineName(f_.Q(pane.LoadedFile()))));
  } catch (...) {
    f_.ReportFailure();
  }
}

}  // namespace zur
