#include "core/text/codec.h"

#include <array>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "core/platform/charsets.h"
#include "core/text/utf8view.h"

namespace zur {
namespace {

constexpr int kTrailCount = 0xFF - 0x40;  // GBK trail bytes 0x40..0xFE

bool IsEscape(char32_t c) { return c >= kEscapeFirst && c <= kEscapeLast; }
char16_t EscapeOf(unsigned char b) { return static_cast<char16_t>(kEscapeFirst + (b - 0x80)); }

// UTF-16 text can hold any byte value in a unit that does not decode, so its escapes reach below
// 0x80: U+F700 + byte, which for the bytes from 0x80 on are the escapes of the byte encodings.
constexpr char16_t kWideEscapeFirst = 0xF700;
bool IsWideEscape(char32_t c) { return c >= kWideEscapeFirst && c <= kEscapeLast; }
char16_t WideEscapeOf(unsigned char b) { return static_cast<char16_t>(kWideEscapeFirst + b); }

// Code points that the text widgets turn into block breaks: kept as escaped bytes instead.
bool WidgetCannotHold(char32_t c) { return c == 0x2029 || c == 0xFDD0 || c == 0xFDD1; }

bool KeepAsCharacter(char32_t c) { return !IsEscape(c) && !WidgetCannotHold(c); }

// The two-byte half of GB18030 in both directions. A pair is decoded only when it is the first pair
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
        const char16_t u = platform::GbkPairToUnicode(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
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
  const unsigned char c0 = b(i);
  int len;
  char32_t min;
  if (c0 < 0x80) { cp = c0; return 1; }
  if (c0 >= 0xC2 && c0 <= 0xDF) { len = 2; cp = c0 & 0x1F; min = 0x80; }
  else if (c0 >= 0xE0 && c0 <= 0xEF) { len = 3; cp = c0 & 0x0F; min = 0x800; }
  else if (c0 >= 0xF0 && c0 <= 0xF4) { len = 4; cp = c0 & 0x07; min = 0x10000; }
  else return 0;
  if (i + len > s.size()) return 0;
  for (int k = 1; k < len; ++k) {
    const unsigned char ck = b(i + k);
    if ((ck & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (ck & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

bool IsGbFour(const unsigned char* p, size_t left) {
  return left >= 4 && p[0] >= 0x81 && p[0] <= 0xFE && p[1] >= 0x30 && p[1] <= 0x39 && p[2] >= 0x81 &&
         p[2] <= 0xFE && p[3] >= 0x30 && p[3] <= 0x39;
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
    const int len = Utf8Sequence(s, i, cp);
    if (len > 0 && KeepAsCharacter(cp)) {
      AppendCodePoint(out, cp);
      i += len;
    } else if (len > 0) {
      for (int k = 0; k < len; ++k) out.push_back(EscapeOf(static_cast<unsigned char>(s[i + k])));
      i += len;
    } else {
      out.push_back(EscapeOf(static_cast<unsigned char>(s[i])));
      ++i;
    }
  }
  return out;
}

// A GB18030 character as bytes: ASCII, the two-byte table, then the system's table for the rest
// (four-byte sequences mostly).
bool EncodeGb(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return true;
  }
  if (c < 0x10000) {
    if (const uint16_t pair = GbkCharacterPair(static_cast<char16_t>(c))) {
      out.push_back(static_cast<char>(pair >> 8));
      out.push_back(static_cast<char>(pair & 0xFF));
      return true;
    }
  }
  return platform::UnicodeToGb18030(c, out);
}

std::u16string DecodeGb18030(std::string_view s) {
  const GbkTables& t = Gbk();
  std::u16string out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  size_t i = WidenAsciiPrefix(s, out);
  while (i < s.size()) {
    const unsigned char c0 = p[i];
    if (c0 < 0x80) {
      out.push_back(c0);
      ++i;
      continue;
    }
    if (IsGbFour(p + i, s.size() - i)) {
      // Decoded only when encoding the character gives these very bytes back.
      const char32_t u = platform::Gb18030FourToUnicode(p + i);
      std::string back;
      if (u != 0 && KeepAsCharacter(u) && EncodeGb(u, back) && back == s.substr(i, 4)) {
        AppendCodePoint(out, u);
        i += 4;
        continue;
      }
      // Not a character: its lead byte is escaped and the digits after it stay ASCII.
      out.push_back(EscapeOf(c0));
      ++i;
      continue;
    }
    if (c0 >= 0x81 && c0 <= 0xFE && i + 1 < s.size() && p[i + 1] >= 0x40 && p[i + 1] <= 0xFE) {
      if (const char16_t u = t.decode[(c0 - 0x81) * kTrailCount + (p[i + 1] - 0x40)]) {
        out.push_back(u);
        i += 2;
        continue;
      }
    }
    out.push_back(EscapeOf(c0));
    ++i;
  }
  return out;
}

char16_t UnitAt(const unsigned char* p, bool bigEndian) {
  return bigEndian ? static_cast<char16_t>(p[0] << 8 | p[1]) : static_cast<char16_t>(p[1] << 8 | p[0]);
}

std::u16string DecodeUtf16(std::string_view s, bool bigEndian) {
  std::u16string out;
  out.reserve(s.size() / 2 + 1);
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  size_t i = 0;
  while (i + 2 <= n) {
    const char16_t u = UnitAt(p + i, bigEndian);
    if (u >= 0xD800 && u <= 0xDBFF && i + 4 <= n) {
      const char16_t low = UnitAt(p + i + 2, bigEndian);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        out.push_back(u);
        out.push_back(low);
        i += 4;
        continue;
      }
    }
    if ((u >= 0xD800 && u <= 0xDFFF) || u == 0 || IsWideEscape(u) || !KeepAsCharacter(u)) {
      // A lone surrogate, or a character the window cannot hold as it is.
      out.push_back(WideEscapeOf(p[i]));
      out.push_back(WideEscapeOf(p[i + 1]));
    } else {
      out.push_back(u);
    }
    i += 2;
  }
  if (i < n) out.push_back(WideEscapeOf(p[i]));  // an odd last byte
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

void AppendUnit(std::string& out, char16_t u, bool bigEndian) {
  const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
  out.push_back(bigEndian ? hi : lo);
  out.push_back(bigEndian ? lo : hi);
}

// Both encoders; `exact` gives up on anything that cannot be expressed.
std::optional<std::string> Encode(std::u16string_view text, Encoding e, bool exact) {
  const bool utf16 = e == Encoding::Utf16Le || e == Encoding::Utf16Be;
  const bool bigEndian = e == Encoding::Utf16Be;
  std::string out;
  out.reserve(text.size() * (e == Encoding::Utf8 ? 3 : 2));
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u < 0x80 && !utf16) {
      out.push_back(static_cast<char>(u));
      continue;
    }
    if (utf16 ? IsWideEscape(u) : IsEscape(u)) {
      if (exact && utf16) return std::nullopt;
      out.push_back(static_cast<char>(u - kWideEscapeFirst));
      continue;
    }
    char32_t c = u;
    if (u >= 0xD800 && u <= 0xDFFF) {
      const bool pair = u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      if (!pair) {
        if (exact) return std::nullopt;
        if (utf16) {
          AppendUnit(out, u, bigEndian);
        } else {
          out.push_back('?');
        }
        continue;
      }
      if (utf16) {
        AppendUnit(out, u, bigEndian);
        AppendUnit(out, text[i + 1], bigEndian);
        ++i;
        continue;
      }
      c = 0x10000 + ((u - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (utf16) {
      AppendUnit(out, u, bigEndian);
    } else if (e == Encoding::Utf8) {
      AppendUtf8(out, c);
    } else if (!EncodeGb(c, out)) {
      if (exact) return std::nullopt;
      out.push_back('?');
    }
  }
  return out;
}

}  // namespace

char16_t GbkPairCharacter(unsigned char lead, unsigned char trail) {
  if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE) return 0;
  return Gbk().decode[(lead - 0x81) * kTrailCount + (trail - 0x40)];
}

uint16_t GbkCharacterPair(char16_t c) {
  const auto& enc = Gbk().encode;
  const auto it = enc.find(c);
  return it == enc.end() ? 0 : it->second;
}

bool IsEscapedCharacter(char32_t c) { return !KeepAsCharacter(c); }

size_t AppendCharacterAsUtf8(std::string_view s, size_t i, Encoding e, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  auto none = [&](size_t bytes) {
    out.append(bytes, '\xFF');
    return bytes;
  };
  switch (e) {
    case Encoding::Utf8: {
      char32_t cp;
      const int len = Utf8Sequence(s, i, cp);
      if (len <= 0) return none(1);
      out.append(s.substr(i, static_cast<size_t>(len)));
      return static_cast<size_t>(len);
    }
    case Encoding::Gb18030: {
      const unsigned char c0 = p[i];
      if (c0 < 0x80) {
        out.push_back(static_cast<char>(c0));
        return 1;
      }
      if (IsGbFour(p + i, n - i)) {
        const char32_t u = platform::Gb18030FourToUnicode(p + i);
        std::string back;
        if (u != 0 && EncodeGb(u, back) && back == s.substr(i, 4)) {
          AppendUtf8(out, u);
          return 4;
        }
        return none(1);
      }
      if (c0 >= 0x81 && c0 <= 0xFE && i + 1 < n && p[i + 1] >= 0x40 && p[i + 1] <= 0xFE) {
        if (const char16_t u = Gbk().decode[(c0 - 0x81) * kTrailCount + (p[i + 1] - 0x40)]) {
          AppendUtf8(out, u);
          return 2;
        }
      }
      return none(1);
    }
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
      const bool bigEndian = e == Encoding::Utf16Be;
      if (i + 2 > n) return none(n - i);
      const char16_t u = UnitAt(p + i, bigEndian);
      if (u >= 0xD800 && u <= 0xDBFF && i + 4 <= n) {
        const char16_t low = UnitAt(p + i + 2, bigEndian);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
          return 4;
        }
      }
      if (u >= 0xD800 && u <= 0xDFFF) return none(2);
      AppendUtf8(out, u);
      return 2;
    }
  }
  return none(1);
}

size_t CharLengthAt(std::string_view s, size_t i, Encoding e) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  switch (e) {
    case Encoding::Gb18030:
      if (p[i] < 0x81 || p[i] > 0xFE || i + 1 >= s.size()) return 1;
      return IsGbFour(p + i, s.size() - i) ? 4 : 2;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
      return i + 1 < s.size() ? 2 : 1;
    case Encoding::Utf8:
      break;
  }
  char32_t ignored;
  const int len = Utf8Sequence(s, i, ignored);
  return len > 0 ? static_cast<size_t>(len) : 1;
}

Encoding EncodingFromCharset(std::string_view charset) {
  std::string key;
  for (char c : charset) {
    if (c == '-' || c == '_') continue;
    key.push_back(static_cast<char>((c >= 'a' && c <= 'z') ? c - 32 : c));
  }
  for (const char* gb : {"GBK", "GB2312", "CP936", "GB18030", "EUCCN"}) {
    if (key == gb) return Encoding::Gb18030;
  }
  return Encoding::Utf8;
}

Encoding SystemEncoding() { return EncodingFromCharset(platform::LocaleCharset()); }

std::u16string DecodeText(std::string_view bytes, Encoding e) {
  switch (e) {
    case Encoding::Utf8:
      return DecodeUtf8(bytes);
    case Encoding::Gb18030:
      return DecodeGb18030(bytes);
    case Encoding::Utf16Le:
      return DecodeUtf16(bytes, false);
    case Encoding::Utf16Be:
      return DecodeUtf16(bytes, true);
  }
  return {};
}

std::string EncodeText(std::u16string_view text, Encoding e) { return *Encode(text, e, false); }

std::optional<std::string> EncodeExactly(std::u16string_view text, Encoding e) { return Encode(text, e, true); }

std::string_view ByteOrderMark(Encoding e) {
  switch (e) {
    case Encoding::Utf8:
      return "\xEF\xBB\xBF";
    case Encoding::Utf16Le:
      return "\xFF\xFE";
    case Encoding::Utf16Be:
      return "\xFE\xFF";
    case Encoding::Gb18030:
      break;
  }
  return {};
}

}  // namespace zur
