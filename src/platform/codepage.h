// The system's 8-bit code page and the lossless conversion between its bytes and window text.
//
// Text in this program is bytes in the code page (GBK or UTF-8). Windows show UTF-16 text, so
// every conversion must be reversible: a byte that does not decode becomes a private escape
// character (U+F780 + byte - 0x80) and encodes back to the very same byte. Code points that the
// text widgets would turn into line breaks are escaped the same way, so that a file shown in a
// window and saved again comes back byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zur {

enum class CodePage { Utf8, Gbk };

// GBK family (GBK, GB2312, CP936, GB18030, EUC-CN) gives Gbk; everything else, including the
// C/POSIX locale's ASCII, gives Utf8. Letter case and '-'/'_' are ignored.
CodePage CodePageFromCharset(std::string_view charset);

// The code page of the process locale's character set (LC_CTYPE).
CodePage SystemCodePage();

// True when the byte starts a two-byte character under the code page (GBK lead bytes 0x81-0xFE).
inline bool IsLeadByte(unsigned char b, CodePage cp) { return cp == CodePage::Gbk && b >= 0x81 && b <= 0xFE; }

// Length in bytes of the character that starts at s[i]: 2 for a GBK lead byte with a byte after it,
// the length of a well-formed UTF-8 sequence, else 1.
size_t CharLengthAt(std::string_view s, size_t i, CodePage cp);

// First and last escape characters; escape = kEscapeFirst + (byte - 0x80).
inline constexpr char16_t kEscapeFirst = 0xF780;
inline constexpr char16_t kEscapeLast = 0xF7FF;

std::u16string DecodeText(std::string_view bytes, CodePage cp);
// Characters that the code page cannot hold become '?'.
std::string EncodeText(std::u16string_view text, CodePage cp);

// The two-byte half of GBK as the conversion above uses it: the character of a pair (0 when the pair
// is not decoded), and the pair of a character (0 when it has none). Decoding a pair and encoding the
// character gives the same pair back.
char16_t GbkPairCharacter(unsigned char lead, unsigned char trail);
uint16_t GbkCharacterPair(char16_t c);

// True for the characters the conversion keeps as escaped bytes instead (see above).
bool IsEscapedCharacter(char32_t c);

namespace detail {
// Unicode value of the GBK pair (lead, trail), or 0 when the pair is not a character. Filled by
// the platform layer from the system's conversion tables.
char16_t GbkPairToUnicode(unsigned char lead, unsigned char trail);
// The four-byte GB18030 sequence and the character it stands for, both ways, from the system's
// conversion tables; 0 / false when there is none.
char32_t Gb18030FourToUnicode(const unsigned char* four);
bool UnicodeToGb18030(char32_t c, std::string& out);
}  // namespace detail

}  // namespace zur
