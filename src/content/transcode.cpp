#include "content/transcode.h"

namespace zur {
namespace {

bool IsEscape(char32_t c) { return c >= kEscapeFirst && c <= kEscapeLast; }
char16_t EscapeOf(unsigned char b) { return static_cast<char16_t>(kEscapeFirst + (b - 0x80)); }

// UTF-16 text can hold any byte value in a unit that does not decode, so its escapes reach below
// 0x80: U+F700 + byte, which for the bytes from 0x80 on are the escapes of the code pages.
constexpr char16_t kWideEscapeFirst = 0xF700;
bool IsWideEscape(char32_t c) { return c >= kWideEscapeFirst && c <= kEscapeLast; }
char16_t WideEscapeOf(unsigned char b) { return static_cast<char16_t>(kWideEscapeFirst + b); }

void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

// A GB18030 character as bytes: ASCII, the two-byte table of the code-page conversion, then the
// system's table for the rest (four-byte sequences mostly).
bool EncodeGb(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return true;
  }
  if (c < 0x10000) {
    if (uint16_t pair = GbkCharacterPair(static_cast<char16_t>(c))) {
      out.push_back(static_cast<char>(pair >> 8));
      out.push_back(static_cast<char>(pair & 0xFF));
      return true;
    }
  }
  return detail::UnicodeToGb18030(c, out);
}

bool IsGbFour(const unsigned char* p, size_t left) {
  return left >= 4 && p[0] >= 0x81 && p[0] <= 0xFE && p[1] >= 0x30 && p[1] <= 0x39 && p[2] >= 0x81 &&
         p[2] <= 0xFE && p[3] >= 0x30 && p[3] <= 0x39;
}

std::u16string DecodeGb18030(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c0 = p[i];
    if (c0 < 0x80) {
      out.push_back(c0);
      ++i;
      continue;
    }
    if (IsGbFour(p + i, s.size() - i)) {
      const char32_t u = detail::Gb18030FourToUnicode(p + i);
      std::string back;
      if (u != 0 && !IsEscapedCharacter(u) && EncodeGb(u, back) && back == s.substr(i, 4)) {
        AppendCodePoint(out, u);
      } else {
        for (int k = 0; k < 4; ++k) out.push_back(EscapeOf(p[i + k]));
      }
      i += 4;
      continue;
    }
    if (i + 1 < s.size()) {
      if (char16_t u = GbkPairCharacter(c0, p[i + 1])) {
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
  auto escapeUnit = [&](size_t at) {
    out.push_back(WideEscapeOf(p[at]));
    out.push_back(WideEscapeOf(p[at + 1]));
  };
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
    if ((u >= 0xD800 && u <= 0xDFFF) || u == 0 || IsWideEscape(u) || IsEscapedCharacter(u)) {
      escapeUnit(i);  // a lone surrogate, or a character the window cannot hold as it is
    } else {
      out.push_back(u);
    }
    i += 2;
  }
  if (i < n) out.push_back(WideEscapeOf(p[i]));  // an odd last byte
  return out;
}

void AppendUnit(std::string& out, char16_t u, bool bigEndian) {
  const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
  out.push_back(bigEndian ? hi : lo);
  out.push_back(bigEndian ? lo : hi);
}

// Shared by both encoders; `exact` gives up on anything that cannot be expressed.
std::optional<std::string> Encode(std::u16string_view text, Encoding e, bool exact) {
  if (e == Encoding::Utf8) {
    // The UTF-8 code page of the conversion already keeps escapes as bytes.
    if (exact) {
      for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xDC00 && u <= 0xDFFF) return std::nullopt;
        if (u >= 0xD800 && u <= 0xDBFF) {
          if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
          ++i;
        }
      }
    }
    return EncodeText(text, CodePage::Utf8);
  }
  std::string out;
  out.reserve(text.size() * 2);
  const bool utf16 = e != Encoding::Gb18030;
  const bool bigEndian = e == Encoding::Utf16Be;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
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
      c = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      if (utf16) {
        AppendUnit(out, u, bigEndian);
        AppendUnit(out, text[i + 1], bigEndian);
        ++i;
        continue;
      }
      ++i;
    }
    if (utf16) {
      AppendUnit(out, u, bigEndian);
    } else if (!EncodeGb(c, out)) {
      if (exact) return std::nullopt;
      out.push_back('?');
    }
  }
  return out;
}

}  // namespace

std::u16string DecodeContent(std::string_view bytes, Encoding e) {
  switch (e) {
    case Encoding::Utf8:
      return DecodeText(bytes, CodePage::Utf8);
    case Encoding::Gb18030:
      return DecodeGb18030(bytes);
    case Encoding::Utf16Le:
      return DecodeUtf16(bytes, false);
    case Encoding::Utf16Be:
      return DecodeUtf16(bytes, true);
  }
  return {};
}

std::string EncodeContent(std::u16string_view text, Encoding e) { return *Encode(text, e, false); }

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
