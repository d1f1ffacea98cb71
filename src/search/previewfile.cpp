#include "search/previewfile.h"

#include <QPlainTextEdit>
#include <QToolButton>

#include "app/mainform.h"
#include "app/outputpane.h"
#include "app/qtext.h"
#include "fileset/text.h"
#include "platform/filesystem.h"
#include "replace/substitute.h"

namespace zur {

PreviewFile::PreviewFile(TMainForm& form) : f_(form) {
  MainView& v = f_.View();
  connect(v.BtnReplace, &QToolButton::clicked, this, [this] { BtnReplaceClick(); });
  connect(v.BtnSave, &QToolButton::clicked, this, [this] { BtnSaveFileClick(); });
  connect(v.BtnSaveDirectory, &QToolButton::clicked, this, [this] { BtnSaveDirectoryClick(); });
}

void PreviewFile::BtnReplaceClick() {
  try {
    MainView& v = f_.View();
    const std::string find = TrimControl(BoxBytes(v.MmoSearchText, f_.Cp()));
    const std::string replacement = TrimControl(BoxBytes(v.MmSearchReplace, f_.Cp()));
    if (find.empty()) {
      f_.Notice(f_.Msg().MsgSearchTextEmpty);
      v.MmoSearchText->setFocus(Qt::OtherFocusReason);
      return;
    }
    // The pane keeps the file it was loaded from: this is an edit of that file's text.
    SetBoxBytes(v.MemoHint, ReplaceAll(f_.Pane().Bytes(), find, replacement, f_.Cp()), f_.Cp());
  } catch (...) {
  }
}

bool PreviewFile::WritePane() {
  const std::string file = f_.Pane().LoadedFile();
  if (file.empty()) return false;
  try {
    // The text as the pane holds it: CR LF line breaks, nothing added at the end.
    fs::WriteFileSafely(file, f_.Pane().Bytes());
    return true;
  } catch (...) {
    return false;
  }
}

void PreviewFile::BtnSaveFileClick() { WritePane(); }

void PreviewFile::BtnSaveDirectoryClick() {
  try {
    if (f_.Pane().LoadedFile().empty()) {
      f_.Notice(f_.Msg().MsgPaneHasNoFile);
      return;
    }
    if (!WritePane()) return;
    f_.Hint(QStringLiteral("保存成功"));
    f_.Notice(QStringLiteral("保存成功"));
  } catch (...) {
  }
}

}  // namespace zur
