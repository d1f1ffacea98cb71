// Window text and the bytes of names and texts. The conversion is lossless (see content/codec.h), and the
// multi-line boxes are read and written with CR LF line breaks, the way the files hold them.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "core/text/codec.h"

class QPlainTextEdit;

namespace zur {

QString ToQ(std::string_view bytes, Encoding cp);
// The window's text as the core's UTF-16 text, unit for unit.
inline std::u16string_view ToU16(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())};
}
std::string FromQ(const QString& text, Encoding cp);

// The whole text of a multi-line box as bytes, lines joined by CR LF. Reads the document's raw text,
// so no character is replaced on the way out.
std::string BoxBytes(const QPlainTextEdit* box, Encoding cp);

// The whole text of a multi-line box, lines joined by CR LF, as the window holds it (characters that
// stand for undecodable bytes stay as they are).
std::u16string BoxText(const QPlainTextEdit* box);

// Shows `bytes` (lines separated by CR LF, LF or CR) in the box, replacing its content.
void SetBoxBytes(QPlainTextEdit* box, std::string_view bytes, Encoding cp);

}  // namespace zur
