#include "window/form/outputpane.h"

#include <QGroupBox>
#include <QPlainTextEdit>
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
  pending_.clear();
  box_->clear();
  ForgetFile();
}

void OutputPane::AppendLine(const QString& line) {
  ForgetFile();
  pending_.append(line);
}

void OutputPane::Flush() {
  if (pending_.isEmpty()) return;
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
  if (load.result == Load::NotText) {
    Clear();
    box_->appendPlainText(FormatMessage(msg_.MsgPaneNotText, shownPath));
    return load.result;
  }
  box_->setPlainText(QString::fromStdU16String(PaneText(load.file)));
  file_ = std::move(load.file);
  ShowCaption(shownPath);
  return load.result;
}

void OutputPane::ShowRefused(const QString& shownPath, const QString& line) {
  pending_.clear();
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
  box_->setPlainText(text);
}

std::string OutputPane::FileBytes() const { return PaneFileBytes(file_, ToU16(Text())); }

}  // namespace zur
