#include "platform/codepage.h"

#include <array>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace zur {
namespace {

constexpr int kTrailCount = 0xFF - 0x40;  // trail bytes 0x40..0xFE

bool IsEscape(char32_t c) { return c >= kEscapeFirst && c <= kEscapeLast; }

// Code points that the text widgets turn into block breaks: kept as escaped bytes instead.
bool WidgetCannotHold(char32_t c) { return c == 0x2029 || c == 0xFDD0 || c == 0xFDD1; }

bool KeepAsCharacter(char32_t c) { return !IsEscape(c) && !WidgetCannotHold(c); }

char16_t EscapeByte(unsigned char b) { return static_cast<char16_t>(kEscapeFirst + (b - 0x80)); }

// The double-byte half of GBK in both directions. A pair is decoded only when it is the first pair
// that maps to its code point, so that encoding gives back exactly the bytes that were decoded.
struct GbkTables {
  std::array<char16_t, 126 * kTrailCount> decode{};
  std::unordered_map<char16_t, uint16_t> encode;
};

const GbkTables& Gbk() {
  static std::once_flag once;
  static std::unique_ptr<GbkTables> tables;
  std::call_once(once, [] {
    tables = std::make_unique<GbkTables>();
    tables->encode.reserve(24000);
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        char16_t u = detail::GbkPairToUnicode(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
        if (u == 0 || u < 0x80 || !KeepAsCharacter(u)) continue;
        if (!tables->encode.emplace(u, static_cast<uint16_t>(lead << 8 | trail)).second) continue;
        tables->decode[(lead - 0x81) * kTrailCount + (trail - 0x40)] = u;
      }
    }
  });
  return *tables;
}

void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

// Length of the well-formed UTF-8 sequence at s[i] and its code point; 0 when not well formed.
int Utf8Sequence(std::string_view s, size_t i, char32_t& cp) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c0 = b(i);
  int len;
  char32_t min;
  if (c0 < 0x80) { cp = c0; return 1; }
  if (c0 >= 0xC2 && c0 <= 0xDF) { len = 2; cp = c0 & 0x1F; min = 0x80; }
  else if (c0 >= 0xE0 && c0 <= 0xEF) { len = 3; cp = c0 & 0x0F; min = 0x800; }
  else if (c0 >= 0xF0 && c0 <= 0xF4) { len = 4; cp = c0 & 0x07; min = 0x10000; }
  else return 0;
  if (i + len > s.size()) return 0;
  for (int k = 1; k < len; ++k) {
    unsigned char ck = b(i + k);
    if ((ck & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (ck & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

// The leading ASCII bytes of `s` widened into `out` (names and paths are mostly ASCII); returns how
// many there were.
size_t WidenAsciiPrefix(std::string_view s, std::u16string& out) {
  size_t n = 0;
  while (n < s.size() && static_cast<unsigned char>(s[n]) < 0x80) ++n;
  out.resize(n);
  for (size_t k = 0; k < n; ++k) out[k] = static_cast<char16_t>(s[k]);
  return n;
}

std::u16string DecodeUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = WidenAsciiPrefix(s, out);
  while (i < s.size()) {
    char32_t cp;
    int len = Utf8Sequence(s, i, cp);
    if (len > 0 && KeepAsCharacter(cp)) {
      AppendCodePoint(out, cp);
      i += len;
    } else if (len > 0) {
      for (int k = 0; k < len; ++k) out.push_back(EscapeByte(static_cast<unsigned char>(s[i + k])));
      i += len;
    } else {
      out.push_back(EscapeByte(static_cast<unsigned char>(s[i])));
      ++i;
    }
  }
  return out;
}

std::u16string DecodeGbk(std::string_view s) {
  const GbkTables& t = Gbk();
  std::u16string out;
  out.reserve(s.size());
  size_t i = WidenAsciiPrefix(s, out);
  while (i < s.size()) {
    auto c0 = static_cast<unsigned char>(s[i]);
    if (c0 < 0x80) {
      out.push_back(c0);
      ++i;
      continue;
    }
    if (c0 >= 0x81 && c0 <= 0xFE && i + 1 < s.size()) {
      auto c1 = static_cast<unsigned char>(s[i + 1]);
      if (c1 >= 0x40 && c1 <= 0xFE) {
        char16_t u = t.decode[(c0 - 0x81) * kTrailCount + (c1 - 0x40)];
        if (u != 0) {
          out.push_back(u);
          i += 2;
          continue;
        }
      }
    }
    out.push_back(EscapeByte(c0));
    ++i;
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

char16_t GbkPairCharacter(unsigned char lead, unsigned char trail) {
  if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE) return 0;
  return Gbk().decode[(lead - 0x81) * kTrailCount + (trail - 0x40)];
}

uint16_t GbkCharacterPair(char16_t c) {
  const auto& enc = Gbk().encode;
  auto it = enc.find(c);
  return it == enc.end() ? 0 : it->second;
}

bool IsEscapedCharacter(char32_t c) { return !KeepAsCharacter(c); }

size_t CharLengthAt(std::string_view s, size_t i, CodePage cp) {
  if (cp == CodePage::Gbk) return (IsLeadByte(static_cast<unsigned char>(s[i]), cp) && i + 1 < s.size()) ? 2 : 1;
  char32_t ignored;
  int len = Utf8Sequence(s, i, ignored);
  return len > 0 ? static_cast<size_t>(len) : 1;
}

CodePage CodePageFromCharset(std::string_view charset) {
  std::string key;
  for (char c : charset) {
    if (c == '-' || c == '_') continue;
    key.push_back(static_cast<char>((c >= 'a' && c <= 'z') ? c - 32 : c));
  }
  for (const char* gbk : {"GBK", "GB2312", "CP936", "GB18030", "EUCCN"}) {
    if (key == gbk) return CodePage::Gbk;
  }
  return CodePage::Utf8;
}

std::u16string DecodeText(std::string_view bytes, CodePage cp) {
  return cp == CodePage::Gbk ? DecodeGbk(bytes) : DecodeUtf8(bytes);
}

std::string EncodeText(std::u16string_view text, CodePage cp) {
  std::string out;
  out.reserve(text.size() * (cp == CodePage::Gbk ? 2 : 3));
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
      continue;
    }
    if (IsEscape(u)) {
      out.push_back(static_cast<char>(0x80 + (u - kEscapeFirst)));
      continue;
    }
    char32_t c = u;
    bool surrogate = u >= 0xD800 && u <= 0xDFFF;
    if (surrogate) {
      bool pair = u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      if (!pair) {
        out.push_back('?');
        continue;
      }
      c = 0x10000 + ((u - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (cp == CodePage::Utf8) {
      AppendUtf8(out, c);
      continue;
    }
    const auto& enc = Gbk().encode;
    auto it = c < 0x10000 ? enc.find(static_cast<char16_t>(c)) : enc.end();
    if (it == enc.end()) {
      out.push_back('?');
    } else {
      out.push_back(static_cast<char>(it->second >> 8));
      out.push_back(static_cast<char>(it->second & 0xFF));
    }
  }
  return out;
}

}  // namespace zur
