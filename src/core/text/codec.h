// The one conversion between the bytes of a text and the UTF-16 text that windows show.
//
// Every encoding the program reads is one value of `Encoding`: UTF-8, GB18030 (whose two-byte half
// is GBK, the legacy Chinese code page), and UTF-16 in either byte order. Names and paths take the
// locale's encoding (UTF-8 or GB18030); a file's content takes its own (content/encoding.h).
//
// Both directions are lossless for what bytes hold: a byte that does not decode becomes a private
// escape character (U+F780 + byte - 0x80; in UTF-16, U+F700 + byte) and encodes back to the very same
// byte. Code points that the text widgets would turn into line breaks are escaped the same way, so
// that a file shown in a window and saved again comes back byte for byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zur {

enum class Encoding { Utf8, Gb18030, Utf16Le, Utf16Be };

// The GB family (GBK, GB2312, CP936, GB18030, EUC-CN) gives Gb18030; every other name, including the
// C/POSIX locale's ASCII, gives Utf8. Letter case and '-'/'_' are ignored.
Encoding EncodingFromCharset(std::string_view charset);

// The encoding of the process locale's character set (LC_CTYPE), which names and paths are in.
Encoding SystemEncoding();

// Length in bytes of the character that starts at s[i]: a GB18030 sequence (two or four bytes), a
// well-formed UTF-8 sequence, a UTF-16 unit; 1 for a byte that starts none.
size_t CharLengthAt(std::string_view s, size_t i, Encoding e);

// First and last escape characters of the byte encodings; escape = kEscapeFirst + (byte - 0x80).
inline constexpr char16_t kEscapeFirst = 0xF780;
inline constexpr char16_t kEscapeLast = 0xF7FF;

// Bytes (after any byte-order mark) as window text.
std::u16string DecodeText(std::string_view bytes, Encoding e);

// Window text as bytes of the encoding (without a byte-order mark). Escape characters give back their
// bytes; a character the encoding cannot hold becomes '?'.
std::string EncodeText(std::u16string_view text, Encoding e);

// The same for a text that must mean exactly what it says (a rule, a search text): nothing when a
// character cannot be expressed in the encoding (escaped bytes cannot be in UTF-16).
std::optional<std::string> EncodeExactly(std::u16string_view text, Encoding e);

// The byte-order mark of an encoding, as a file of that kind starts.
std::string_view ByteOrderMark(Encoding e);

// The two-byte half of GB18030 as the conversion uses it: the character of a pair (0 when the pair is
// not decoded), and the pair of a character (0 when it has none). Decoding a pair and encoding the
// character gives the same pair back.
char16_t GbkPairCharacter(unsigned char lead, unsigned char trail);
uint16_t GbkCharacterPair(char16_t c);

// True for the characters the conversion keeps as escaped bytes instead (see above).
bool IsEscapedCharacter(char32_t c);

}  // namespace zur
