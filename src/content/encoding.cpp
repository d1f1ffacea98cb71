#include "content/encoding.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string>

namespace zur {
namespace {

bool StartsWith(std::string_view s, std::string_view p) { return s.size() >= p.size() && s.substr(0, p.size()) == p; }

// The first byte that is not ASCII, or the end; 16 bytes at a time.
size_t AsciiRun(const unsigned char* p, size_t i, size_t n) {
#if defined(__SSE2__)
  while (i + 16 <= n) {
    const int mask = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    i += 16;
  }
#endif
  while (i + 8 <= n) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ULL) break;
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// Length of the well-formed UTF-8 sequence at p[i] (i < n, p[i] >= 0x80), or 0.
size_t Utf8SequenceAt(const unsigned char* p, size_t i, size_t n) {
  const unsigned char c = p[i];
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + len > n) return 0;
  if (p[i + 1] < lo || p[i + 1] > hi) return 0;
  for (size_t k = 2; k < len; ++k) {
    if ((p[i + k] & 0xC0) != 0x80) return 0;
  }
  return len;
}

// Scans for UTF-8 validity; `ascii` tells whether every byte was below 0x80. Runs of three-byte
// characters (Chinese text) are checked four bytes at a time.
bool ValidUtf8(std::string_view bytes, bool& ascii) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  ascii = true;
  size_t i = 0;
  for (;;) {
    i = AsciiRun(p, i, n);
    if (i >= n) return true;
    ascii = false;
    // A lead byte E1-EC or EE-EF with two continuation bytes: the common case, without ranges.
    while (i + 4 <= n) {
      uint32_t w;
      std::memcpy(&w, p + i, 4);
      const unsigned lead = w & 0xFF;
      if ((w & 0x00C0C0F0u) != 0x008080E0u || lead == 0xE0 || lead == 0xED) break;
      i += 3;
    }
    if (i >= n) return true;
    if (p[i] < 0x80) continue;
    const size_t len = Utf8SequenceAt(p, i, n);
    if (len == 0) return false;
    i += len;
  }
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

Encoding EncodingOfCodePage(CodePage cp) { return cp == CodePage::Gbk ? Encoding::Gb18030 : Encoding::Utf8; }

TextKind ByteOrderKind(std::string_view bytes) {
  TextKind kind;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    kind.bomSize = 3;
  } else if (StartsWith(bytes, "\xFF\xFE")) {
    kind.encoding = Encoding::Utf16Le;
    kind.bomSize = 2;
  } else if (StartsWith(bytes, "\xFE\xFF")) {
    kind.encoding = Encoding::Utf16Be;
    kind.bomSize = 2;
  }
  return kind;
}

TextKind QuickKind(std::string_view bytes) {
  TextKind kind = ByteOrderKind(bytes);
  if (kind.bomSize == 0) kind.text = std::memchr(bytes.data(), '\0', bytes.size()) == nullptr;
  return kind;
}

TextKind DetectText(std::string_view bytes, Encoding localeEncoding) {
  const TextKind quick = QuickKind(bytes);
  if (!quick.text) return quick;
  return DetectEncoding(bytes, localeEncoding);
}

TextKind DetectEncoding(std::string_view bytes, Encoding localeEncoding) {
  TextKind kind = ByteOrderKind(bytes);
  if (kind.bomSize > 0) return kind;
  bool ascii = false;
  if (ValidUtf8(bytes, ascii)) {
    kind.encoding = Encoding::Utf8;
    if (ascii) {
      kind.asciiOnly = true;
      kind.encoding = DeclaredEncoding(bytes).value_or(localeEncoding);
    }
  } else {
    kind.encoding = Encoding::Gb18030;
  }
  return kind;
}

bool IsValidUtf8(std::string_view bytes) {
  bool ascii;
  return ValidUtf8(bytes, ascii);
}

std::optional<Encoding> DeclaredEncoding(std::string_view bytes) {
  const std::string_view head = bytes.substr(0, 1024);
  // "charset" in any letter case, then blanks, "=" or not, blanks and a quote or not, then the name:
  // <meta charset="gbk">, content="text/html; charset=gb2312", @charset "utf-8";
  for (size_t at = 0; at + 7 <= head.size(); ++at) {
    size_t k = 0;
    while (k < 7 && Lower(head[at + k]) == "charset"[k]) ++k;
    if (k < 7) continue;
    size_t i = at + 7;
    while (i < head.size() && Blank(head[i])) ++i;
    if (i < head.size() && head[i] == '=') ++i;
    while (i < head.size() && Blank(head[i])) ++i;
    if (i < head.size() && (head[i] == '"' || head[i] == '\'')) ++i;
    std::string name;
    while (i < head.size() && name.size() < 32) {
      const char c = Lower(head[i]);
      if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')) break;
      name.push_back(c);
      ++i;
    }
    if (name == "utf-8" || name == "utf8") return Encoding::Utf8;
    for (const char* gb : {"gbk", "gb2312", "gb18030", "x-gbk", "cp936", "euc-cn", "gb_2312-80"}) {
      if (name == gb) return Encoding::Gb18030;
    }
  }
  return std::nullopt;
}

const char* EncodingName(const TextKind& kind) {
  switch (kind.encoding) {
    case Encoding::Utf8:
      return kind.bomSize > 0 ? "UTF-8 BOM" : "UTF-8";
    case Encoding::Gb18030:
      return "GBK";
    case Encoding::Utf16Le:
      return "UTF-16LE";
    case Encoding::Utf16Be:
      return "UTF-16BE";
  }
  return "";
}

}  // namespace zur
