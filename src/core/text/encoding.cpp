#include "core/text/encoding.h"

#include <cstring>
#include <string>

#include "core/text/utf8check.h"

namespace zur {
namespace {

bool StartsWith(std::string_view s, std::string_view p) { return s.size() >= p.size() && s.substr(0, p.size()) == p; }

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

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
  if (kind.bomSize == 0) kind.text = bytes.empty() || std::memchr(bytes.data(), '\0', bytes.size()) == nullptr;
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
  if (CheckUtf8(bytes, ascii)) {
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
  return CheckUtf8(bytes, ascii);
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
