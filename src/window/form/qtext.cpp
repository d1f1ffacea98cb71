#include "window/form/qtext.h"

#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>

namespace zur {

QString ToQ(std::string_view bytes, Encoding cp) {
  // ASCII reads the same in every code page.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  return QString::fromStdU16String(DecodeText(bytes, cp));
}

std::string FromQ(const QString& text, Encoding cp) {
  return EncodeText(ToU16(text), cp);
}

std::string BoxBytes(const QPlainTextEdit* box, Encoding cp) {
  // Blocks are separated by U+2029 in the raw text, and a block never holds a LF, so after encoding
  // every LF is a block break. The codec escapes a U+2029 read from a file, so none is mistaken.
  QString raw = box->document()->toRawText();
  raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  std::string bytes = FromQ(raw, cp);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16 + 2);
  for (char c : bytes) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

std::u16string BoxText(const QPlainTextEdit* box) {
  const QString raw = box->document()->toRawText();
  std::u16string out;
  out.reserve(static_cast<size_t>(raw.size()) + 16);
  for (QChar c : raw) {
    if (c == QChar::ParagraphSeparator) {
      out += u"\r\n";
    } else {
      out.push_back(c.unicode());
    }
  }
  return out;
}

void SetBoxBytes(QPlainTextEdit* box, std::string_view bytes, Encoding cp) {
  QString text = ToQ(bytes, cp);
  // The document breaks blocks at LF, CR LF would leave a CR behind, and a lone CR must break too.
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  box->setPlainText(text);
}

}  // namespace zur
