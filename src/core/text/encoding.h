// The encoding of a file's content, decided per file from its own bytes.
//
// A byte-order mark decides first (UTF-8, UTF-16 LE or BE). Without one, a file that holds a NUL byte
// is not text. Text that is valid UTF-8 is UTF-8; anything else is the legacy Chinese code page
// GB18030, of which GBK is the two-byte part. A file of ASCII bytes alone fits UTF-8 and GB18030
// alike; it only matters which one when a rule inserts other characters into it, and then the
// encoding its markup declares ("charset=" near the top) decides, or else the locale's.
#pragma once

#include <optional>
#include <string_view>

#include "core/text/codec.h"

namespace zur {

struct TextKind {
  bool text = true;  // false for a file that holds a NUL byte and has no UTF-16 byte-order mark
  Encoding encoding = Encoding::Utf8;
  size_t bomSize = 0;
  bool asciiOnly = false;  // no byte-order mark and no byte above 0x7F
};

// Only the byte-order mark: enough for text whose needles are the same in every encoding without a
// mark.
TextKind ByteOrderKind(std::string_view bytes);
// The mark and the NUL test.
TextKind QuickKind(std::string_view bytes);

// The whole decision; reads the bytes once and stops validating UTF-8 at the first byte that rules
// it out.
TextKind DetectText(std::string_view bytes, Encoding localeEncoding);
// The encoding alone, without the NUL test (for a search, which reads files that are not text too).
TextKind DetectEncoding(std::string_view bytes, Encoding localeEncoding);

// The encoding named by a "charset" declaration in the first kilobyte, when it is one we know
// (the GB family or UTF-8).
std::optional<Encoding> DeclaredEncoding(std::string_view bytes);

// True when the bytes are valid UTF-8 (ASCII included).
bool IsValidUtf8(std::string_view bytes);

// "UTF-8", "GBK", "UTF-16LE", "UTF-16BE", with " BOM" for a UTF-8 file that starts with one.
const char* EncodingName(const TextKind& kind);

// Bytes per code unit (2 for UTF-16) and the line-break units of the encoding.
inline size_t UnitSize(Encoding e) { return (e == Encoding::Utf16Le || e == Encoding::Utf16Be) ? 2 : 1; }

}  // namespace zur
