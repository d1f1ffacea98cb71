#include "app/outputpane.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>

#include "content/codec.h"
#include "replace/worktext.h"

namespace zur {
namespace {

QString FromU16(const std::u16string& s) { return QString::fromStdU16String(s); }

std::u16string ToU16(const QString& s) { return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), s.size()); }

size_t LongestLine(std::string_view bytes) {
  size_t longest = 0;
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    longest = std::max(longest, end - start);
    start = end + 1;
  }
  return longest;
}

}  // namespace

OutputPane::OutputPane(QPlainTextEdit* box, QGroupBox* frame, const MessageTables& msg, Encoding cp)
    : box_(box), frame_(frame), msg_(msg), cp_(cp) {}

void OutputPane::ForgetFile() {
  if (file_.path.empty()) return;
  file_ = ShownFile{};
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
  fs::OpenedFile opened = fs::OpenedFile::Open(path, false);
  ByteBuffer bytes;
  bool whole = true;
  if (!opened.Ok() || !opened.ReadUpTo(bytes, kShownLimit, whole)) {
    if (refusal) *refusal = opened.Ok() ? fs::Refusal::Failed : opened.Refused();
    if (error) *error = opened.Error();
    return Load::Refused;
  }
  if (bytes.size() > kLongLineLimit && LongestLine(bytes.view()) > kLongLineLimit) {
    bytes.resize(kLongLineLimit);
    whole = false;
  }
  WorkText work(cp_);
  work.Take(std::move(bytes));
  pending_.clear();
  if (work.NotText()) {
    Clear();
    box_->appendPlainText(FormatMessage(msg_.MsgPaneNotText, shownPath));
    return Load::NotText;
  }
  ShownFile loaded;
  loaded.path = path;
  loaded.kind = work.Kind();
  loaded.whole = whole;
  // Each line with its own line end, so that saving gives them back.
  const QString text = FromU16(DecodeText(work.View().substr(work.Start()), loaded.kind.encoding));
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
    loaded.lines.append(text.mid(start, i - start));
    const bool pair = c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n');
    loaded.endings.push_back(pair ? QStringLiteral("\r\n") : QString(c));
    if (pair) ++i;
    start = i + 1;
  }
  loaded.lines.append(text.mid(start));
  loaded.endings.emplace_back();
  box_->setPlainText(loaded.lines.join(QLatin1Char('\n')));
  file_ = std::move(loaded);
  ShowCaption(shownPath);
  return whole ? Load::Loaded : Load::Partial;
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

std::string OutputPane::FileBytes() const {
  const QStringList now = Text().split(QLatin1Char('\n'));
  const QStringList& was = file_.lines;
  // Lines kept at the start and at the end keep their own line ends; lines in between, which were
  // edited or added, take the file's first line end, and the last line keeps the last line's state.
  qsizetype head = 0;
  while (head < now.size() && head < was.size() && now[head] == was[head]) ++head;
  qsizetype tail = 0;
  while (tail < now.size() - head && tail < was.size() - head &&
         now[now.size() - 1 - tail] == was[was.size() - 1 - tail]) {
    ++tail;
  }
  QString usual = QStringLiteral("\n");
  for (const QString& e : file_.endings) {
    if (!e.isEmpty()) {
      usual = e;
      break;
    }
  }
  QString out;
  for (qsizetype i = 0; i < now.size(); ++i) {
    out += now[i];
    if (i < head) {
      out += file_.endings[static_cast<size_t>(i)];
    } else if (i >= now.size() - tail) {
      out += file_.endings[static_cast<size_t>(was.size() - (now.size() - i))];
    } else if (i == now.size() - 1) {
      out += file_.endings.back();
    } else {
      out += usual;
    }
  }
  std::string bytes(ByteOrderMark(file_.kind.encoding).substr(0, file_.kind.bomSize));
  bytes += EncodeText(ToU16(out), file_.kind.encoding);
  return bytes;
}

}  // namespace zur
