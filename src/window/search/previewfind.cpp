#include "window/search/previewfind.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolButton>

#include "core/files/paths.h"
#include "core/text/text.h"
#include "window/files/shell.h"
#include "window/form/formbase.h"
#include "window/form/outputpane.h"
#include "window/form/qtext.h"
#include "window/form/runreport.h"
#include "window/search/finddialogs.h"

namespace zur {

PreviewFind::PreviewFind(FormBase& form)
    : f_(form),
      find_(new PaneFindDialog(&form, QStringLiteral("FindDialog1"), QStringLiteral("查找"), false)),
      replace_(new PaneFindDialog(&form, QStringLiteral("ReplaceDialog1"), QStringLiteral("替换"), true)) {
  MainView& v = f_.View();
  find_->onFindNext = [this] { FindDialog1Find(); };
  replace_->onFindNext = [this] { ReplaceDialog1Find(); };
  replace_->onReplace = [this] { ReplaceDialog1Replace(); };
  connect(v.BtnSearchFile, &QToolButton::clicked, this, [this] { BtnSearchFileClick(); });
  connect(v.BtnReplaceFile, &QToolButton::clicked, this, [this] { BtnReplaceFileClick(); });
  connect(v.BtnReplaceAllFile, &QToolButton::clicked, this, [this] { BtnReplaceFileClick(); });
  v.MemoHint->installEventFilter(this);
  v.MemoHint->viewport()->installEventFilter(this);
}

bool PreviewFind::eventFilter(QObject* watched, QEvent* event) {
  QPlainTextEdit* pane = f_.View().MemoHint;
  if (watched == pane && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (MemoHintKeyDown(key->key(), key->modifiers())) return true;
  }
  if (watched == pane->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    MemoHintDblClick(pane->cursorForPosition(at).blockNumber());
  }
  if (watched == pane->viewport() && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    // A click, not the end of a selection.
    if (mouse->button() == Qt::LeftButton && !pane->textCursor().hasSelection()) {
      MemoHintClick(pane->cursorForPosition(mouse->position().toPoint()).blockNumber());
    }
  }
  return QObject::eventFilter(watched, event);
}

QString PreviewFind::SearchBoxText(bool replacement) const {
  const MainView& v = f_.View();
  // Trimmed as bytes, as every rule text is; line breaks inside stay, one character each.
  const std::string bytes = TrimControl(BoxBytes(replacement ? v.MmSearchReplace : v.MmoSearchText, f_.Cp()));
  return f_.Q(bytes).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QString PreviewFind::PaneText() const {
  QString text = f_.View().MemoHint->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return text;
}

void PreviewFind::SelectInPane(int start, int length) {
  QPlainTextEdit* pane = f_.View().MemoHint;
  QTextCursor cursor(pane->document());
  cursor.setPosition(start);
  cursor.setPosition(start + length, QTextCursor::KeepAnchor);
  pane->setTextCursor(cursor);
  pane->setFocus(Qt::OtherFocusReason);
}

void PreviewFind::NotFound(const QString& message) { f_.Notice(message, MessageIcon::Error); }

void PreviewFind::BtnSearchFileClick() {
  f_.State().FindPos = 0;
  find_->Open(SearchBoxText(false));
}

void PreviewFind::BtnReplaceFileClick() {
  f_.State().FindPos = 0;
  replace_->Open(SearchBoxText(false), SearchBoxText(true));
}

void PreviewFind::FindStep(const QString& text, const QString& first, const QString& continuing) {
  int& findPos = f_.State().FindPos;
  const QString pane = PaneText();
  const bool fromTop = findPos == 0;
  const qsizetype from = fromTop ? 0 : findPos + text.size() - 1;  // just after the previous hit
  const qsizetype hit = (text.isEmpty() || from > pane.size()) ? -1 : pane.indexOf(text, from, Qt::CaseSensitive);
  if (hit < 0) {
    findPos = 0;
    NotFound(fromTop ? first : continuing);
    return;
  }
  findPos = static_cast<int>(hit) + 1;
  SelectInPane(static_cast<int>(hit), static_cast<int>(text.size()));
}

void PreviewFind::FindDialog1Find() {
  try {
    const QString x = find_->FindText();
    const QString quote = QStringLiteral("\"");
    FindStep(x, f_.Msg().MsgNoMatchFound + x + quote, QStringLiteral("找不到结果") + x + quote);
  } catch (...) {
    f_.ReportFailure();
  }
}

void PreviewFind::ReplaceDialog1Find() {
  try {
    const QString x = replace_->FindText();
    const QString quote = QStringLiteral("\"");
    FindStep(x, f_.Msg().MsgNoMatchWords + x + quote,
             QStringLiteral("There are no further occurences of \"") + x + QStringLiteral("\" in Memo1."));
  } catch (...) {
    f_.ReportFailure();
  }
}

void PreviewFind::ReplaceDialog1Replace() {
  try {
    if (f_.Pane().ShowingDiff()) {
      f_.Notice(f_.Msg().MsgPaneShowsDiff);
      return;
    }
    const QString x = replace_->FindText();
    const QString r = replace_->ReplaceText();
    QPlainTextEdit* pane = f_.View().MemoHint;
    QTextCursor cursor = pane->textCursor();
    const int s = cursor.selectionStart();
    const int l = cursor.selectionEnd() - s;
    const QString rest = PaneText().mid(s + l);
    QString selected = cursor.selectedText();
    selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    int k = l;
    if (!x.isEmpty() && selected == x) {
      cursor.insertText(r);
      k = static_cast<int>(r.size());
    }
    const qsizetype p = x.isEmpty() ? -1 : rest.indexOf(x, 0, Qt::CaseSensitive);
    if (p < 0) {
      NotFound(f_.Msg().MsgNoMatchWords + x + QStringLiteral("\""));
      return;
    }
    SelectInPane(s + k + static_cast<int>(p), static_cast<int>(x.size()));
  } catch (...) {
    f_.ReportFailure();
  }
}

bool PreviewFind::MemoHintKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if ((modifiers & Qt::ControlModifier) && key == Qt::Key_A) {
    f_.View().MemoHint->selectAll();
    return true;
  }
  if ((modifiers & Qt::ControlModifier) && key == Qt::Key_S) {
    f_.View().BtnSaveDirectory->click();
    return true;
  }
  if (key == Qt::Key_Escape && f_.Pane().ShowingDiff()) {
    f_.Pane().BackToLog();
    return true;
  }
  if (key == Qt::Key_F3) {
    BtnSearchFileClick();
    FindDialog1Find();
    return true;
  }
  return false;
}

void PreviewFind::MemoHintClick(int line) {
  try {
    f_.Pane().ClickLine(line);
  } catch (...) {
    f_.ReportFailure();
  }
}

void PreviewFind::MemoHintDblClick(int line) {
  try {
    const QTextBlock block = f_.View().MemoHint->document()->findBlockByNumber(line);
    if (!block.isValid()) return;
    // Report lines show file names in lower case; the stored name is found without regard to case.
    // A name with line breaks is shown with symbols in their place.
    std::string file = ResolveStoredName(f_.B(block.text()));
    if (!FileExists(file)) file = ResolveStoredName(f_.B(NameOfLine(block.text())));
    if (FileExists(file)) OpenTarget(f_.Desktop(), file);
  } catch (...) {
    f_.ReportFailure();
  }
}

}  // namespace zur
