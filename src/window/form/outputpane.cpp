#include "window/form/outputpane.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include "window/form/qtext.h"

namespace zur {

OutputPane::OutputPane(QPlainTextEdit* box, QGroupBox* frame, const MessageTables& msg, Encoding cp)
    : box_(box), frame_(frame), msg_(msg), cp_(cp) {}

void OutputPane::ForgetFile() {
  if (file_.path.empty()) return;
  file_ = PaneFile{};
  if (frame_) frame_->setTitle(msg_.CapOutputResult);
}

void OutputPane::Clear() {
  DropDiff();
  pending_.clear();
  actions_.clear();
  box_->clear();
  ForgetFile();
}

void OutputPane::AppendLine(const QString& line) {
  if (diff_.shown) BackToLog();
  ForgetFile();
  pending_.append(line);
}

void OutputPane::AppendLine(const QString& line, std::function<void()> onClick) {
  AppendLine(line);
  // appendPlainText fills the empty first line of an empty pane; each later line is a line of its own.
  const int block = (box_->document()->isEmpty() ? 0 : box_->blockCount()) + static_cast<int>(pending_.size()) - 1;
  actions_[block] = {line, std::move(onClick)};
}

bool OutputPane::ClickLine(int block) {
  Flush();
  if (diff_.shown || !file_.path.empty()) return false;
  const auto it = actions_.find(block);
  if (it == actions_.end() || box_->document()->findBlockByNumber(block).text() != it->second.line) return false;
  const std::function<void()> action = it->second.run;  // the action may change the pane
  action();
  return true;
}

void OutputPane::ShowDiff(const QString& caption, const QString& text) {
  Flush();
  if (!diff_.shown) {
    diff_.log = box_->toPlainText();
    diff_.actions = std::move(actions_);
    diff_.scroll = box_->verticalScrollBar()->value();
    diff_.shown = true;
  }
  actions_.clear();
  ForgetFile();
  box_->setPlainText(text);
  box_->setReadOnly(true);
  if (frame_) frame_->setTitle(caption);
}

void OutputPane::BackToLog() {
  if (!diff_.shown) return;
  Stash stash = std::move(diff_);
  DropDiff();
  box_->setPlainText(stash.log);
  actions_ = std::move(stash.actions);
  box_->verticalScrollBar()->setValue(stash.scroll);
  if (frame_) frame_->setTitle(msg_.CapOutputResult);
}

void OutputPane::DropDiff() {
  if (!diff_.shown) return;
  diff_ = Stash{};
  box_->setReadOnly(false);
  if (frame_) frame_->setTitle(msg_.CapOutputResult);
}

void OutputPane::Flush() {
  if (pending_.isEmpty()) return;
  // The log keeps no undo steps: its lines are reports, and recording each one costs as much as
  // showing it.
  box_->document()->setUndoRedoEnabled(false);
  box_->appendPlainText(pending_.join(QLatin1Char('\n')));
  pending_.clear();
}

void OutputPane::ShowCaption(const QString& shownPath) {
  if (!frame_) return;
  QString detail = QString::fromLatin1(EncodingName(file_.kind));
  if (!file_.whole) detail += QStringLiteral("，") + msg_.CapPartialView;
  frame_->setTitle(FormatMessage(msg_.FmtCurrentFile, shownPath) + QStringLiteral("（") + detail + QStringLiteral("）"));
}

OutputPane::Load OutputPane::LoadFile(const std::string& path, const QString& shownPath, fs::Refusal* refusal,
                                      int* error) {
  PaneLoad load = LoadPaneFile(path, cp_);
  if (load.result == Load::Refused) {
    if (refusal) *refusal = load.refusal;
    if (error) *error = load.error;
    return load.result;
  }
  pending_.clear();
  DropDiff();
  actions_.clear();
  if (load.result == Load::NotText) {
    Clear();
    box_->appendPlainText(FormatMessage(msg_.MsgPaneNotText, shownPath));
    return load.result;
  }
  box_->setPlainText(QString::fromStdU16String(PaneText(load.file)));
  box_->document()->setUndoRedoEnabled(true);  // a file's edits can be undone
  file_ = std::move(load.file);
  ShowCaption(shownPath);
  return load.result;
}

void OutputPane::ShowRefused(const QString& shownPath, const QString& line) {
  pending_.clear();
  DropDiff();
  actions_.clear();
  file_ = PaneFile{};
  box_->setPlainText(line);
  if (frame_) frame_->setTitle(FormatMessage(msg_.FmtCurrentFile, shownPath));
}

QString OutputPane::Text() const {
  QString text = box_->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return text;
}

void OutputPane::SetText(const QString& text) {
  pending_.clear();
  DropDiff();
  actions_.clear();
  box_->setPlainText(text);
}

std::string OutputPane::FileBytes() const { return PaneFileBytes(file_, ToU16(Text())); }

}  // namespace zur
